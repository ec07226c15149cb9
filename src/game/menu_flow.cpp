// Menu navigation, the start and end of ladder matches and the two ladders.
#include "game/menu_flow.h"

#include <algorithm>
#include <cstdlib>

#include "game/name_entry.h"
#include "game/high_score_list.h"
#include "game/effects.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "game/sounds.h"
#include "platform/virtual_keys.h"

namespace {

constexpr int kWinningScore = 7;
constexpr int kLadderFinished = 4;
constexpr int kCreditsMusicPage = 3;


bool isSingleplayerScreen(int screen) { return screen == Screen::Singleplayer || screen == Screen::SingleplayerRepeat; }
bool isMultiplayerScreen(int screen) { return screen == Screen::Multiplayer || screen == Screen::MultiplayerRepeat; }

bool ladderFinished(const GameState& g) {
    return (isSingleplayerScreen(g.hauptmenu_nr) && g.a_round >= kLadderFinished) ||
           (isMultiplayerScreen(g.hauptmenu_nr) && g.m_round >= kLadderFinished);
}

// Last entry of a screen's range; 0 for screens without entries.
int lastEntry(const GameState& g) {
    switch (g.hauptmenu_nr) {
        case Screen::MainMenu: return 5;
        case Screen::NewGame: return 4;
        case Screen::Training: return g.training_tables;
        case Screen::Credits: return 3;
        default: return 0;
    }
}

void wrapEntry(GameState& g) {
    const int last = lastEntry(g);
    if (last <= 0) return;
    if (g.menu_1_nr > last) g.menu_1_nr = 1;
    if (g.menu_1_nr < 1) g.menu_1_nr = last;
}

void arrowKeys(GameState& g, Effects& fx) {
    struct Arrow {
        int key;
        int step;
    };
    constexpr Arrow kArrows[] = {{kKeyUp, -1}, {kKeyDown, +1}, {kKeyRight, +1}, {kKeyLeft, -1}};
    bool anyDown = false;
    for (const Arrow& a : kArrows) {
        if (!g.keys[a.key]) continue;
        anyDown = true;
        g.menu_1_nr += a.step;
        // Sent whatever `sound` says, on the entry as it stands before the wrap below:
        // the sounds page reached by wrapping round from page 1 stays silent.
        const bool onMusicPage = g.hauptmenu_nr == Screen::Credits && g.menu_1_nr == kCreditsMusicPage;
        fx.push_back({onMusicPage ? Effect::Kind::PlayMusic : Effect::Kind::StopMusic, kMatchMusic});
    }
    wrapEntry(g);
    if (!anyDown) return;
    if (g.hauptmenu_nr == Screen::MainMenu && g.sound && g.menu_1_nr >= 1 && g.menu_1_nr <= 5)
        fx.push_back({Effect::Kind::PlayMusic, kMainMenuJingles[g.menu_1_nr - 1]});
    for (const Arrow& a : kArrows) g.keys[a.key] = false;
}

// true: ESC ended the program.
bool escapeKey(GameState& g) {
    if (!g.keys[kKeyEscape]) return false;
    switch (g.hauptmenu_nr) {
        case Screen::MainMenu:
            return true;
        case Screen::HighScores: case Screen::Credits: case Screen::OptionsHelp: case Screen::NewGame:
            g.hauptmenu_nr = Screen::MainMenu;
            g.menu_1_nr = 1;
            break;
        case Screen::Training:
            g.hauptmenu_nr = Screen::NewGame;
            g.menu_1_nr = 1;
            break;
        default:
            // A finished ladder whose score did not reach the list would otherwise have no way out.
            if (ladderFinished(g)) {
                g.hauptmenu_nr = Screen::MainMenu;
                g.menu_1_nr = 1;
            }
            break;
    }
    g.keys[kKeyEscape] = false;
    return false;
}

// The ladder is over: offer the final score to the list and leave through the scene switch.
TurnOutcome ladderEnd(GameState& g, bool multiplayer) {
    g.HSfinalscore = multiplayer ? std::max(g.pl1_final_score, g.pl2_final_score) : g.pl1_final_score;
    if (QualifiesForHighScores(g)) g.hauptmenu_nr = Screen::NameEntry;
    g.menu = true;
    // Cleared here too: a held ENTER must not store an empty name on the next frame.
    g.keys[kKeyEnter] = false;
    return TurnOutcome::SceneSwitch;
}

// Leftover goals of a match left by ESC (training counts past 7) must not end the new one.
void clearMatchScore(GameState& g) {
    g.my_score = 0;
    g.his_score = 0;
}

TurnOutcome startLadderMatch(GameState& g, Effects& fx, int round, bool multiplayer) {
    if (g.sound) fx.push_back({Effect::Kind::PlayMusic, kMatchMusic});
    g.random = GameRand(g) % 2 != 0;
    g.gl_blend = !g.random;
    g.menu = false;
    if (round >= kLadderFinished) return ladderEnd(g, multiplayer);
    g.take_table = GameRand(g) % g.training_tables + 1;
    clearMatchScore(g);
    return TurnOutcome::Continue;
}

// The entry chosen with ENTER; returns how the turn goes on.
TurnOutcome enterKey(GameState& g, Effects& fx) {
    switch (g.hauptmenu_nr) {
        case Screen::MainMenu:
            switch (g.menu_1_nr) {
                case 1: g.hauptmenu_nr = Screen::NewGame; break;
                case 2: g.rot = 0.0f; g.hauptmenu_nr = Screen::HighScores; break;
                case 3: g.hauptmenu_nr = Screen::OptionsHelp; break;
                case 4: g.hauptmenu_nr = Screen::Credits; break;
                case 5: return TurnOutcome::Quit;
                default: break;
            }
            break;
        case Screen::NewGame:
            switch (g.menu_1_nr) {
                case 1: g.hauptmenu_nr = Screen::Singleplayer; g.artif_int = true; break;
                case 2: g.hauptmenu_nr = Screen::Multiplayer; g.artif_int = true; break;
                case 3: g.hauptmenu_nr = Screen::Training; g.artif_int = true; break;
                case 4: g.hauptmenu_nr = Screen::MainMenu; break;
                default: break;
            }
            break;
        case Screen::Singleplayer: case Screen::SingleplayerRepeat: {
            const TurnOutcome outcome = startLadderMatch(g, fx, g.a_round, /*multiplayer=*/false);
            if (outcome != TurnOutcome::Continue) return outcome;
            break;
        }
        case Screen::Multiplayer: case Screen::MultiplayerRepeat: {
            const TurnOutcome outcome = startLadderMatch(g, fx, g.m_round, /*multiplayer=*/true);
            if (outcome != TurnOutcome::Continue) return outcome;
            break;
        }
        case Screen::Training:
            g.menu = false;
            g.take_table = g.menu_1_nr;
            clearMatchScore(g);
            break;
        default:
            break;
    }
    g.keys[kKeyEnter] = false;
    g.menu_1_nr = 1;
    return TurnOutcome::Continue;
}

void endSingleplayerMatch(GameState& g) {
    g.pl1_final_score += g.my_score - g.his_score;
    if (g.my_score >= kWinningScore) {
        ++g.a_round;
        g.hauptmenu_nr = Screen::Singleplayer;
    } else {
        g.hauptmenu_nr = Screen::SingleplayerRepeat;
    }
}

void endMultiplayerMatch(GameState& g) {
    int& total = g.player1_turn ? g.pl1_final_score : g.pl2_final_score;
    total += g.my_score - g.his_score;
    const bool won = g.my_score >= kWinningScore;
    g.hauptmenu_nr = Screen::Multiplayer;
    if (g.m_round >= 3) {
        // The final ends the round whoever wins it.
        g.player1_turn = won;
        ++g.m_round;
    } else if (won) {
        if (!g.player1_turn) ++g.m_round;
        g.player1_turn = !g.player1_turn;
    } else {
        g.hauptmenu_nr = Screen::MultiplayerRepeat;
    }
}

}  // namespace

TurnOutcome MenuStep(GameState& g, Effects& fx) {
    // The multiplayer ladder's final is played by the two humans.
    if (isMultiplayerScreen(g.hauptmenu_nr) && g.m_round >= 3) g.artif_int = false;
    bool escTested = true;
    if (g.hauptmenu_nr == Screen::NameEntry) {
        NameEntryStep(g, fx);
        escTested = g.hauptmenu_nr != Screen::NameEntry;
    }
    if (escTested && escapeKey(g)) return TurnOutcome::Quit;
    arrowKeys(g, fx);
    if (g.keys[kKeyEnter]) return enterKey(g, fx);
    return TurnOutcome::Continue;
}

TurnOutcome MatchEndTest(GameState& g) {
    const bool singleplayer = isSingleplayerScreen(g.hauptmenu_nr);
    const bool multiplayer = isMultiplayerScreen(g.hauptmenu_nr);
    if (!singleplayer && !multiplayer) return TurnOutcome::Continue;  // training never ends by score
    if (g.my_score < kWinningScore && g.his_score < kWinningScore) return TurnOutcome::Continue;
    if (singleplayer) endSingleplayerMatch(g); else endMultiplayerMatch(g);
    g.my_score = 0;
    g.his_score = 0;
    g.menu = true;
    return TurnOutcome::SceneSwitch;
}
