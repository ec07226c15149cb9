// Name entry after a ladder: the typed name, and its place in the list once stored.
#include "game/name_entry.h"

#include <cstring>

#include "game/high_score_list.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "platform/virtual_keys.h"

namespace {

constexpr int kMaxTypedLength = 15;
// Every key from the digits up is read as typed.
constexpr int kFirstScannedKey = kKeyDigit0;

constexpr char kWheel[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
constexpr int kWheelSize = static_cast<int>(sizeof kWheel) - 1;

// The letter `turns` steps round the wheel from `c`; one not on it counts as the A.
char wheelLetter(char c, int turns) {
    const char* at = c ? std::strchr(kWheel, c) : nullptr;
    const int from = at ? static_cast<int>(at - kWheel) : 0;
    return kWheel[((from + turns) % kWheelSize + kWheelSize) % kWheelSize];
}

// One turn of the wheel. A pad only ever puts letters where the keyboard could type them.
void turnWheel(GameState& g, int turns) {
    if (g.HS_place || g.HS.empty()) {
        if (g.HSlenght >= kMaxTypedLength) return;
        g.HS.push_back('A');
        ++g.HSlenght;
        g.HS_place = false;
    } else if (g.HSlenght <= kMaxTypedLength) {
        g.HS.back() = wheelLetter(g.HS.back(), turns);
    }
}

void nextPlace(GameState& g) {
    g.keys[kKeyNextPlace] = false;
    if (!g.HS.empty() && g.HSlenght < kMaxTypedLength) g.HS_place = true;
}

// A wheel turns once when it is pressed, and while it is held, after the delay and then
// at the steady rate, counted in the game's time so that every replay turns it alike.
void letterWheel(GameState& g) {
    const int way = (g.keys[kKeyLetterUp] ? 1 : 0) - (g.keys[kKeyLetterDown] ? 1 : 0);
    if (way == 0) {
        g.HS_wheel = g.HS_wheel_wait = 0;
        return;
    }
    if (way != g.HS_wheel) {
        g.HS_wheel = way;
        g.HS_wheel_wait = kWheelRepeatDelayMs;
        turnWheel(g, way);
        return;
    }
    g.HS_wheel_wait -= 2 * g.steps[g.adjust];
    if (g.HS_wheel_wait > 0) return;
    g.HS_wheel_wait += kWheelRepeatMs;
    turnWheel(g, way);
}

}  // namespace

void NameEntryStep(GameState& g, Effects& fx) {
    bool typed = false;  // a typed key or a Backspace moves the wheel onto the new last letter
    if (g.HSlenght < kMaxTypedLength) {
        // Every key of the range is swallowed, F1 included, until the name is full.
        for (int code = kFirstScannedKey; code <= 255; ++code) {
            if (!g.keys[code]) continue;
            g.keys[code] = false;
            if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
                g.HS.push_back(static_cast<char>(code));
                ++g.HSlenght;
                typed = true;
            }
        }
    }
    if (g.keys[kKeySpace]) {
        if (g.HSlenght < kMaxNameLength) {
            g.HS.push_back(' ');
            ++g.HSlenght;
            typed = true;
        }
        g.keys[kKeySpace] = false;
    }
    if (g.keys[kKeyBackspace] && g.HSlenght > 0) {
        if (!g.HS.empty()) g.HS.pop_back();
        --g.HSlenght;
        g.keys[kKeyBackspace] = false;
        typed = true;
    }
    if (typed) g.HS_place = false;
    if (g.keys[kKeyNextPlace]) nextPlace(g);
    letterWheel(g);
    if (g.keys[kKeyEnter] || g.keys[kKeyEscape]) {
        InsertHighScore(g);
        fx.push_back({Effect::Kind::WriteHighScores});  // the list in memory keeps the entry even if the write fails
        g.hauptmenu_nr = Screen::HighScores;
        g.menu_1_nr = 1;
        g.HS_place = false;
        g.HS_wheel = g.HS_wheel_wait = 0;
    }
}
