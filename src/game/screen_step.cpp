#include "game/screen_step.h"

#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "game/ladder_bracket.h"

namespace {

constexpr float kCreditsClockStep = 1.0f;
constexpr float kSteadyClockStep = 0.5f;
constexpr float kSwingLimit = 0.5f;
constexpr double kSwingStep = 0.001;

// The main menu's clock increment falls to -0.5 and climbs back, so rot rises and falls again.
void swingClock(GameState& g) {
    if (g.rot_fac >= kSwingLimit) g.bminus = true;
    if (g.rot_fac <= -kSwingLimit) g.bminus = false;
    g.rot_fac = static_cast<float>(g.bminus ? g.rot_fac - kSwingStep : g.rot_fac + kSwingStep);
}

}  // namespace

ScreenPicture ScreenStepBeforeDraw(GameState& g, uint32_t reseed) {
    ScreenPicture picture;
    switch (g.hauptmenu_nr) {
        case Screen::Singleplayer: case Screen::SingleplayerRepeat: {
            PickSingleplayerBracket(g, reseed);
            const bool drawnBefore = g.done_3;
            PickSingleplayerRound2(g);
            picture.round2LotJustDrawn = g.done_3 && !drawnBefore;
            break;
        }
        case Screen::Multiplayer: case Screen::MultiplayerRepeat:
            PickMultiplayerBracket(g, reseed);
            break;
        default:
            break;
    }
    return picture;
}

void ScreenStepAfterDraw(GameState& g) {
    switch (g.hauptmenu_nr) {
        case Screen::MainMenu:
            swingClock(g);
            break;
        case Screen::NameEntry:
            // Held at 0 so that the list after the entry flies in from the start.
            g.rot = 0.0f;
            break;
        case Screen::OptionsHelp:
            // The clock stands still here; the step below adds its half step. The
            // screen is drawn with blending and leaves it off.
            g.rot = 0.0f;
            g.gl_blend = false;
            break;
        default:
            break;
    }
    if (g.hauptmenu_nr != Screen::MainMenu) g.rot_fac = kSteadyClockStep;
    g.rot += g.hauptmenu_nr == Screen::Credits ? kCreditsClockStep : g.rot_fac;
}
