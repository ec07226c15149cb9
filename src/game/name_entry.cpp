// Name entry after a ladder: the typed name, and its place in the list once stored.
#include "game/name_entry.h"

#include "game/high_score_list.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "platform/virtual_keys.h"

namespace {

constexpr int kMaxTypedLength = 15;
// Every key from the digits up is read as typed.
constexpr int kFirstScannedKey = kKeyDigit0;

}  // namespace

void NameEntryStep(GameState& g, Effects& fx) {
    if (g.HSlenght < kMaxTypedLength) {
        // Every key of the range is swallowed, F1 included, until the name is full.
        for (int code = kFirstScannedKey; code <= 255; ++code) {
            if (!g.keys[code]) continue;
            g.keys[code] = false;
            if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
                g.HS.push_back(static_cast<char>(code));
                ++g.HSlenght;
            }
        }
    }
    if (g.keys[kKeySpace]) {
        if (g.HSlenght < kMaxNameLength) {
            g.HS.push_back(' ');
            ++g.HSlenght;
        }
        g.keys[kKeySpace] = false;
    }
    if (g.keys[kKeyBackspace] && g.HSlenght > 0) {
        if (!g.HS.empty()) g.HS.pop_back();
        --g.HSlenght;
        g.keys[kKeyBackspace] = false;
    }
    if (g.keys[kKeyEnter] || g.keys[kKeyEscape]) {
        InsertHighScore(g);
        fx.push_back({Effect::Kind::WriteHighScores});  // the list in memory keeps the entry even if the write fails
        g.hauptmenu_nr = Screen::HighScores;
        g.menu_1_nr = 1;
    }
}
