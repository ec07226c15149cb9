#include "app/carry_out.h"

#include "app/game_boxes.h"
#include "app/game_window.h"
#include "app/high_score_file.h"
#include "assets/model.h"
#include "game/game_state.h"
#include "platform/gamepad.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/window.h"

namespace {

bool load(Model* model, const Effect& e) {
    if (model && model->loadModelData(e.file)) return true;
    ShowGameBox(e.failure);
    return false;
}

// A hit is a short buzz of the small motor; a goal let in shakes the big one.
struct Pulse {
    uint16_t low, high;
    uint32_t ms;
};
constexpr Pulse kLightPulse{6144, 20480, 80};
constexpr Pulse kStrongPulse{61440, 40960, 350};

void rumble(const RumblePads& pads, const Effect& e) {
    if (e.player < 0 || e.player >= kPlayerCount || pads.pad[e.player] < 0) return;
    const Pulse& p = e.strong ? kStrongPulse : kLightPulse;
    RumblePad(pads.pad[e.player], p.low, p.high, p.ms);  // a pad without motors stays still
}

}  // namespace

CarriedOut CarryOut(GameState& g, const Effects& fx, bool writeHighScores, bool newWindows, const RumblePads& pads) {
    for (const Effect& e : fx) {
        switch (e.kind) {
            case Effect::Kind::Sound: PlaySoundFile(e.file); break;
            case Effect::Kind::PlayMusic: PlayMusic(e.file); break;
            case Effect::Kind::StopMusic: StopMusic(e.file); break;
            case Effect::Kind::Rumble: rumble(pads, e); break;
            case Effect::Kind::LoadPuck:
                if (!load(g.pPuk, e)) return CarriedOut::Quit;
                break;
            case Effect::Kind::LoadTable:
                if (!load(g.pTable, e)) return CarriedOut::Quit;
                break;
            case Effect::Kind::NewWindow:
                if (!newWindows) break;
                KillGLWindow();
                if (!OpenGameWindow(g, g.fullscreen)) return CarriedOut::WindowLost;
                break;
            case Effect::Kind::ReadHighScores:
                if (!ReadConfigFile(g)) ShowGameBox(GameBox::ConfigOpenFailed);
                break;
            case Effect::Kind::Notice:
                MessageBox("Network", e.text.c_str(), MbButtons::Ok, MbIcon::Information);
                break;
            case Effect::Kind::InviteCode:
                // On the clipboard to paste into a chat; a player without a terminal reads it in a box.
                if (!DesktopHeadless()) SetClipboardText(e.text);
                if (!StartedFromTerminal())
                    MessageBox("Network", ("Your invite code is " + e.text + " (it is on the clipboard). A friend joins "
                                           "your game with it.").c_str(), MbButtons::Ok, MbIcon::Information);
                break;
            case Effect::Kind::WriteHighScores:
                // A lost write must not pass unnoticed: the player would lose the entry at the next start.
                if (writeHighScores && !WriteConfigFile(g)) ShowGameBox(GameBox::ConfigWriteFailed);
                break;
        }
    }
    return CarriedOut::Done;
}
