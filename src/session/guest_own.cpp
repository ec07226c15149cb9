#include "session/guest_own.h"

#include <algorithm>

#include "game/game_state.h"
#include "game/players.h"

void GuestOwn::start(const OwnSettings& own) {
    *this = GuestOwn{};
    fullscreen_ = own.fullscreen;
    sound_ = own.sound;
}

void GuestOwn::input(const InputMessage& m) {
    switch (m.kind) {
        case InputMessage::Kind::KeyDown: keys_.press(table_, KeySource::Keyboard, m.key); break;
        case InputMessage::Kind::KeyUp: keys_.release(table_, KeySource::Keyboard, m.key); break;
        case InputMessage::Kind::Activity: active_ = m.x != 0; break;
        case InputMessage::Kind::MouseMove: break;
    }
}

bool GuestOwn::takeKey(int key) {
    if (!table_[key]) return false;
    table_[key] = false;
    return true;
}

Directions GuestOwn::directions(const GameState& g, const Directions& pad) const {
    const Directions keys = NearKeyDirections(g, keys_.held(KeySource::Keyboard));
    return {keys.up || pad.up, keys.left || pad.left, keys.down || pad.down, keys.right || pad.right};
}

void GuestOwn::keepOwnSound(Effects& fx) const {
    if (sound_) return;  // the host's sound flag is the game's; the speakers are the guest's
    fx.erase(std::remove_if(fx.begin(), fx.end(),
                            [](const Effect& e) {
                                return e.kind == Effect::Kind::Sound || e.kind == Effect::Kind::PlayMusic;
                            }),
             fx.end());
}

void KeepPlayersRumble(Effects& fx, int player) {
    fx.erase(std::remove_if(fx.begin(), fx.end(),
                            [player](const Effect& e) { return e.kind == Effect::Kind::Rumble && e.player != player; }),
             fx.end());
}

void GuestOwn::trace(GameState& g) const {
    g.fullscreen = fullscreen_;
    g.active = active_;
}
