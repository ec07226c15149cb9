#include "game/turn.h"

#include "game/controls.h"
#include "game/menu_flow.h"
#include "game/players.h"
#include "game/scene_switch.h"
#include "game/game_state.h"
#include "game/screen_step.h"
#include "game/table_setup.h"
#include "platform/virtual_keys.h"

namespace {

constexpr KeySource kDirectionSources[kPlayerCount] = {KeySource::Directions1, KeySource::Directions2};

void applyMessage(GameState& g, const InputMessage& m) {
    switch (m.kind) {
        case InputMessage::Kind::KeyDown: g.key_sources.press(g.keys, m.source, m.key); break;
        case InputMessage::Kind::KeyUp: g.key_sources.release(g.keys, m.source, m.key); break;
        case InputMessage::Kind::MouseMove:
            g.mouse_x = m.x;
            g.mouse_y = m.y;
            break;
        case InputMessage::Kind::Activity: g.active = m.x != 0; break;
    }
}

// Held directions steer the mallet of their player's seat, in play only: in the
// menus a pad's directions arrive as arrow keys. A guest at another machine that
// has the near mallet rests the host's near keys.
void seatDirections(GameState& g, const FrameInput& in) {
    const bool play = !g.menu;
    const Mallet seats[kPlayerCount] = {Player1Mallet(g), Player2Mallet(g)};
    for (int p = 0; p < kPlayerCount; ++p)
        g.key_sources.hold(g.keys, kDirectionSources[p], play ? MalletKeys(g, seats[p], in.players[p].held) : HeldKeys{});
    const bool hostRests = in.player2Remote && play && seats[0] == Mallet::None;
    const Directions all{true, true, true, true};
    g.key_sources.rest(g.keys, KeySource::Keyboard, hostRests ? MalletKeys(g, Mallet::Near, all) : HeldKeys{});
}

// The picture of the frame: the screens' step around their drawing, or the match step
// drawn at its points. Nothing of it happens while the window is minimised.
void drawStep(GameState& g, uint32_t reseed, Effects& fx, FrameView& view) {
    if (!g.active) return;
    view.begin(g);
    if (g.menu) {
        const ScreenPicture picture = ScreenStepBeforeDraw(g, reseed);
        view.screen(g, picture);
        ScreenStepAfterDraw(g);
    } else {
        MatchStep(g, fx, view);
    }
}

// After the frame: menus while a screen is shown, else match end, play keys and
// table set-up, each of which may end the turn.
TurnOutcome inputAndMenuStep(GameState& g, Effects& fx) {
    if (g.menu) return MenuStep(g, fx);
    TurnOutcome outcome = MatchEndTest(g);
    if (outcome == TurnOutcome::Continue) outcome = PlayKeysStep(g);
    if (outcome == TurnOutcome::Continue) outcome = TableStep(g, fx);
    return outcome;
}

void fullscreenKey(GameState& g, Effects& fx) {
    if (!g.keys[kKeyF1]) return;
    g.keys[kKeyF1] = false;
    g.fullscreen = !g.fullscreen;
    MakeWindowAnew(g, fx);
}

}  // namespace

void ApplyInputMessages(GameState& g, const FrameInput& in) {
    for (const PlayerInput& player : in.players)
        for (const InputMessage& m : player.messages) applyMessage(g, m);
}

void ApplyFrameInput(GameState& g, const FrameInput& in) {
    ApplyInputMessages(g, in);
    seatDirections(g, in);
}

TurnOutcome AdvanceFrame(GameState& g, const FrameInput& in, Effects& fx, FrameView& view) {
    ApplyFrameInput(g, in);
    drawStep(g, in.reseed, fx, view);
    view.present();
    const TurnOutcome outcome = inputAndMenuStep(g, fx);
    if (outcome == TurnOutcome::SceneSwitch) SceneSwitch(g, in.reseed, fx);
    if (outcome == TurnOutcome::Continue) fullscreenKey(g, fx);
    return outcome;
}

TurnOutcome AdvanceFrame(GameState& g, const FrameInput& in) {
    Effects dropped;
    FrameView nothingDrawn;
    return AdvanceFrame(g, in, dropped, nothingDrawn);
}

void DrawFrameOf(GameState g, uint32_t reseed, FrameView& view) {
    Effects dropped;
    drawStep(g, reseed, dropped, view);
}
