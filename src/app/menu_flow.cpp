// Menu navigation, the start and end of ladder matches and the two ladders.
#include "app/menu_flow.h"

#include <algorithm>
#include <cstdlib>

#include "app/config_file.h"
#include "app/high_score_file.h"
#include "game/game_state.h"
#include "game/virtual_keys.h"
#include "platform/render_state.h"
#include "platform/sound.h"

namespace {

constexpr int kMainMenu = 1;
constexpr int kHighScores = 2;
constexpr int kCredits = 3;
constexpr int kOptionsHelp = 5;
constexpr int kNewGame = 11;
constexpr int kNameEntry = 21;
constexpr int kSingleplayer = 111;
constexpr int kSingleplayerRepeat = 1110;
constexpr int kMultiplayer = 112;
constexpr int kMultiplayerRepeat = 1120;
constexpr int kTraining = 113;

constexpr int kWinningScore = 7;
constexpr int kLadderFinished = 4;
constexpr int kCreditsMusicPage = 3;

constexpr const char* kPlayMatchMusic = "play data/sounds/2.mp3";
constexpr const char* kStopMatchMusic = "stop data/sounds/2.mp3";
constexpr const char* kMainMenuJingles[] = {
    "play data/sounds/newgame.mp3", "play data/sounds/highscore.mp3", "play data/sounds/options.mp3",
    "play data/sounds/credits.mp3", "play data/sounds/exit.mp3",
};

bool isSingleplayerScreen(int screen) { return screen == kSingleplayer || screen == kSingleplayerRepeat; }
bool isMultiplayerScreen(int screen) { return screen == kMultiplayer || screen == kMultiplayerRepeat; }

bool ladderFinished(const GameState& g) {
    return (isSingleplayerScreen(g.hauptmenu_nr) && g.a_round >= kLadderFinished) ||
           (isMultiplayerScreen(g.hauptmenu_nr) && g.m_round >= kLadderFinished);
}

// Last entry of a screen's range; 0 for screens without entries.
int lastEntry(const GameState& g) {
    switch (g.hauptmenu_nr) {
        case kMainMenu: return 5;
        case kNewGame: return 4;
        case kTraining: return g.training_tables;
        case kCredits: return 3;
        default: return 0;
    }
}

void wrapEntry(GameState& g) {
    const int last = lastEntry(g);
    if (last <= 0) return;
    if (g.menu_1_nr > last) g.menu_1_nr = 1;
    if (g.menu_1_nr < 1) g.menu_1_nr = last;
}

void arrowKeys(GameState& g) {
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
        const bool onMusicPage = g.hauptmenu_nr == kCredits && g.menu_1_nr == kCreditsMusicPage;
        MusicCommand(onMusicPage ? kPlayMatchMusic : kStopMatchMusic);
    }
    wrapEntry(g);
    if (!anyDown) return;
    if (g.hauptmenu_nr == kMainMenu && g.sound && g.menu_1_nr >= 1 && g.menu_1_nr <= 5)
        MusicCommand(kMainMenuJingles[g.menu_1_nr - 1]);
    for (const Arrow& a : kArrows) g.keys[a.key] = false;
}

// true: ESC ended the program.
bool escapeKey(GameState& g) {
    if (!g.keys[kKeyEscape]) return false;
    switch (g.hauptmenu_nr) {
        case kMainMenu:
            return true;
        case kHighScores: case kCredits: case kOptionsHelp: case kNewGame:
            g.hauptmenu_nr = kMainMenu;
            g.menu_1_nr = 1;
            break;
        case kTraining:
            g.hauptmenu_nr = kNewGame;
            g.menu_1_nr = 1;
            break;
        default:
            // A finished ladder whose score did not reach the list would otherwise have no way out.
            if (ladderFinished(g)) {
                g.hauptmenu_nr = kMainMenu;
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
    if (QualifiesForHighScores(g)) g.hauptmenu_nr = kNameEntry;
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

TurnOutcome startLadderMatch(GameState& g, int round, bool multiplayer) {
    if (g.sound) MusicCommand(kPlayMatchMusic);
    g.random = std::rand() % 2 != 0;
    SetBlending(!g.random);
    g.menu = false;
    if (round >= kLadderFinished) return ladderEnd(g, multiplayer);
    g.take_table = std::rand() % g.training_tables + 1;
    clearMatchScore(g);
    return TurnOutcome::Continue;
}

// The entry chosen with ENTER; returns how the turn goes on.
TurnOutcome enterKey(GameState& g) {
    switch (g.hauptmenu_nr) {
        case kMainMenu:
            switch (g.menu_1_nr) {
                case 1: g.hauptmenu_nr = kNewGame; break;
                case 2: g.rot = 0.0f; g.hauptmenu_nr = kHighScores; break;
                case 3: g.hauptmenu_nr = kOptionsHelp; break;
                case 4: g.hauptmenu_nr = kCredits; break;
                case 5: return TurnOutcome::Quit;
                default: break;
            }
            break;
        case kNewGame:
            switch (g.menu_1_nr) {
                case 1: g.hauptmenu_nr = kSingleplayer; g.artif_int = true; break;
                case 2: g.hauptmenu_nr = kMultiplayer; g.artif_int = true; break;
                case 3: g.hauptmenu_nr = kTraining; g.artif_int = true; break;
                case 4: g.hauptmenu_nr = kMainMenu; break;
                default: break;
            }
            break;
        case kSingleplayer: case kSingleplayerRepeat: {
            const TurnOutcome outcome = startLadderMatch(g, g.a_round, /*multiplayer=*/false);
            if (outcome != TurnOutcome::Continue) return outcome;
            break;
        }
        case kMultiplayer: case kMultiplayerRepeat: {
            const TurnOutcome outcome = startLadderMatch(g, g.m_round, /*multiplayer=*/true);
            if (outcome != TurnOutcome::Continue) return outcome;
            break;
        }
        case kTraining:
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
        g.hauptmenu_nr = kSingleplayer;
    } else {
        g.hauptmenu_nr = kSingleplayerRepeat;
    }
}

void endMultiplayerMatch(GameState& g) {
    int& total = g.player1_turn ? g.pl1_final_score : g.pl2_final_score;
    total += g.my_score - g.his_score;
    const bool won = g.my_score >= kWinningScore;
    g.hauptmenu_nr = kMultiplayer;
    if (g.m_round >= 3) {
        // The final ends the round whoever wins it.
        g.player1_turn = won;
        ++g.m_round;
    } else if (won) {
        if (!g.player1_turn) ++g.m_round;
        g.player1_turn = !g.player1_turn;
    } else {
        g.hauptmenu_nr = kMultiplayerRepeat;
    }
}

}  // namespace

TurnOutcome MenuStep(GameState& g) {
    bool escTested = true;
    if (g.hauptmenu_nr == kNameEntry) {
        NameEntryStep(g);
        escTested = g.hauptmenu_nr != kNameEntry;
    }
    if (escTested && escapeKey(g)) return TurnOutcome::Quit;
    arrowKeys(g);
    if (g.keys[kKeyEnter]) return enterKey(g);
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
