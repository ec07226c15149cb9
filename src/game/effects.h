// What a turn asks of the world outside the game state: sounds, music, rumble,
// models to load, a new window, the high-score file. The turn only lists them; the app
// carries them out afterwards, in order, and a silent re-run of frames drops them.
// A network session asks the same way for what it needs of the shell.
#pragma once

#include <string>
#include <vector>

#include "game/boxes.h"

struct Effect {
    enum class Kind {
        Sound,            // file: a WAV effect
        PlayMusic,        // file: an MP3 track
        StopMusic,        // file
        LoadPuck,         // file: the puck model; failure shows the box `failure` and ends the game
        LoadTable,        // file: the table model; likewise
        NewWindow,        // the window made anew (a scene switch to the screens, F1)
        WriteHighScores,  // the list in the state goes to the high-score file
        ReadHighScores,   // the list in the state comes from the high-score file
        Notice,           // text: the player is told, in a message box, what happened to the session
        InviteCode,       // text: a network game's invite code, for the player to pass on
        Rumble,           // player: that player's pad rumbles, `strong` or lightly
    };
    Effect(Kind k, const char* f = nullptr, GameBox fail = GameBox::PuckModelFailed) : kind(k), file(f), failure(fail) {}
    static Effect Rumble(int player, bool strong) {
        Effect e(Kind::Rumble);
        e.player = player;
        e.strong = strong;
        return e;
    }

    Kind kind;
    const char* file = nullptr;
    GameBox failure = GameBox::PuckModelFailed;
    std::string text;
    int player = 0;  // 0 or 1, as the input record counts players
    bool strong = false;

    bool operator==(const Effect& o) const {
        return kind == o.kind && file == o.file && failure == o.failure && text == o.text && player == o.player &&
               strong == o.strong;
    }
};

using Effects = std::vector<Effect>;
