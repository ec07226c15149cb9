#include "game/ladder_bracket.h"

#include <cstdlib>

#include "game/game_state.h"

namespace {

struct OpponentEntry {
    const char* name;
    float offset;
};

// The offset centres a name under its column: -(0.3 per letter - 0.2), except
// "Giovanni", which sits a little further right than its length says.
constexpr OpponentEntry kOpponents[kOpponentNameCount] = {
    {"Michael", -1.9f},  {"Sarah", -1.3f},     {"Jessica", -1.9f}, {"Andrew", -1.6f},
    {"Kayla", -1.3f},    {"Riley", -1.3f},     {"Ashley", -1.6f},  {"David", -1.3f},
    {"Brandon", -1.9f},  {"Rachel", -1.6f},    {"Justin", -1.6f},  {"Danielle", -2.2f},
    {"Valentino", -2.5f}, {"Katherine", -2.5f}, {"Steven", -1.6f},  {"Allison", -1.9f},
    {"Mark", -1.0f},     {"Katelyn", -1.9f},   {"Blake", -1.3f},   {"Grace", -1.3f},
    {"Luke", -1.0f},     {"Christine", -2.5f}, {"Lucas", -1.3f},   {"Kaitlin", -1.9f},
    {"Colin", -1.3f},    {"Claire", -1.6f},    {"Alan", -1.0f},    {"Natasha", -1.9f},
    {"Troy", -1.0f},     {"Daisy", -1.3f},     {"Johnny", -1.6f},  {"Ashlee", -1.6f},
    {"Brent", -1.3f},    {"Cindy", -1.3f},     {"Mathew", -1.6f},  {"Alisha", -1.6f},
    {"Russell", -1.9f},  {"Linda", -1.3f},     {"Giovanni", -2.1f}, {"Naomi", -1.3f},
};

int coinToss(GameState& g) { return GameRand(g) % 2; }

// Slots 1..last each get an independent draw from the whole list, so a name may repeat.
void drawNames(GameState& g, const char* (&names)[10], float (&offsets)[10], int last) {
    for (int slot = 1; slot <= last; ++slot) {
        const int n = GameRand(g) % kOpponentNameCount + 1;
        names[slot] = OpponentName(n);
        offsets[slot] = OpponentNameOffset(n);
    }
}

// Pairings (2,3), (4,5), ... up to lastSlot: heads for the higher slot.
void tossRound1(GameState& g, bool (&won)[10], int lastSlot) {
    for (int lower = 2; lower + 1 <= lastSlot; lower += 2) {
        const int c = coinToss(g);
        won[c != 0 ? lower + 1 : lower] = true;
    }
}

}  // namespace

const char* OpponentName(int n) {
    if (n < 1 || n > kOpponentNameCount) return "";
    return kOpponents[n - 1].name;
}

float OpponentNameOffset(int n) {
    if (n < 1 || n > kOpponentNameCount) return 0.0f;
    return kOpponents[n - 1].offset;
}

void PickSingleplayerBracket(GameState& g, uint32_t reseed) {
    ReseedRandom(g, reseed);
    if (!g.done_1) {
        drawNames(g, g.name1, g.x_pos, 7);
        g.done_1 = true;
    }
    if (!g.done_2 && g.a_round >= 2) {
        tossRound1(g, g.win[1], 7);
        g.done_2 = true;
    }
}

void PickSingleplayerRound2(GameState& g) {
    if (g.done_3 || g.a_round < 3) return;
    // Of slots 4 to 7 exactly two won round 1; one toss decides between them.
    int first = 0, second = 0;
    for (int slot = 4; slot <= 7; ++slot) {
        if (!g.win[1][slot]) continue;
        if (first == 0) first = slot; else if (second == 0) second = slot;
    }
    g.rand_nr = GameRand(g);
    const int c = g.rand_nr % 2;
    if (first != 0 && c != 0) g.win[2][first] = true;
    if (second != 0 && c == 0) g.win[2][second] = true;
    g.done_3 = true;
}

void PickMultiplayerBracket(GameState& g, uint32_t reseed) {
    ReseedRandom(g, reseed);
    if (!g.done_21) {
        drawNames(g, g.name2, g.x_pos2, 6);
        g.done_21 = true;
    }
    if (!g.done_22 && g.m_round >= 2) {
        tossRound1(g, g.win2[1], 5);
        g.done_22 = true;
    }
}
