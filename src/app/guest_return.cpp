// The end of a guest's session: back to its own game.
#include "app/net_session.h"

#include <cstdio>

#include "app/game_window.h"
#include "app/high_score_file.h"
#include "game/game_state.h"
#include "game/sounds.h"
#include "game/state_fields.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/turn_log.h"
#include "platform/window.h"

// Back to the guest's own game: the main menu, its own high scores, a fresh window.
void GuestSession::end(GameState& g, const std::string& why, GuestTurn& result) {
    inSession_ = false;
    result.ended = true;
    net_.close();
    arrived_.clear();
    states_.clear();
    effectsByFrame_.clear();
    CurrentTurnLog().clear();
    std::fprintf(stderr, "puckslide3d: the session has ended: %s\n", why.c_str());

    GameState own;
    TakeLocalFields(g, own);
    g = own;
    if (own.sound) StopMusic(kMatchMusic);
    if (!models_.backToStart(g)) {
        result.quit = true;
        return;
    }
    KillGLWindow();
    if (!OpenGameWindow(g)) {
        result.quit = true;
        return;
    }
    MessageBox("Network", ("The session has ended: " + why + ".").c_str(), MbButtons::Ok, MbIcon::Information);
    ReadConfigFile(g);
}
