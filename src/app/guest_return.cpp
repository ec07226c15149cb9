// The end of a guest's session: back to its own game.
#include "app/guest_return.h"

#include <cstdio>

#include "app/game_boxes.h"
#include "app/game_window.h"
#include "app/high_score_file.h"
#include "game/game_state.h"
#include "game/sounds.h"
#include "game/state_fields.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/turn_log.h"
#include "platform/window.h"

bool ReturnToOwnGame(GameState& g, LoadedModels& models, bool& fullscreen, const std::string& why) {
    CurrentTurnLog().clear();
    GameState own;
    TakeLocalFields(g, own);
    g = own;
    g.fullscreen = fullscreen;
    if (own.sound) StopMusic(kMatchMusic);
    if (!models.backToStart(g)) return false;
    KillGLWindow();
    if (!OpenGameWindow(g, g.fullscreen)) return false;
    fullscreen = g.fullscreen;
    MessageBox("Network", ("The session has ended: " + why + ".").c_str(), MbButtons::Ok, MbIcon::Information);
    if (!ReadConfigFile(g)) ShowGameBox(GameBox::ConfigOpenFailed);
    return true;
}
