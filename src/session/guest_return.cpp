#include "session/guest_return.h"

#include "game/sounds.h"
#include "game/state_fields.h"

GuestHome ReturnHome(const GameState& present, bool ownFullscreen, const std::string& why) {
    GuestHome home;
    TakeLocalFields(present, home.state);
    home.state.fullscreen = ownFullscreen;
    if (home.state.sound) home.fx.push_back({Effect::Kind::StopMusic, kMatchMusic});
    home.fx.push_back({Effect::Kind::NewWindow});
    Effect told{Effect::Kind::Notice};
    told.text = "The session has ended: " + why + ".";
    home.fx.push_back(told);
    home.fx.push_back({Effect::Kind::ReadHighScores});
    return home;
}
