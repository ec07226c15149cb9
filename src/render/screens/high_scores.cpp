// Name entry and the high-score list.
#include <GL/gl.h>

#include "game/game_state.h"
#include "render/screens/screens.h"
#include "platform/text.h"

namespace {
// The list flies in for this many clock units, then stands and spins.
constexpr int kFlyInEnd = 400;
constexpr int kListedEntries = 10;
constexpr float kScoreShiftPerLetter = 0.25f;
}  // namespace

void DrawNameEntry(const GameState& g) {
    glTranslatef(0.0f, 4.0f, -20.0f);
    glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPrint("Please enter you're name!");

    // White for a score of 0, turning yellow as the offered score rises towards 21.
    glTranslatef(-6.5f, -1.0f, 10.0f);
    glColor3f(1.0f, 1.0f, 1.0f - static_cast<float>(g.HSfinalscore) / 21.0f);
    glPrint("%s", g.HS.c_str());
}

void DrawHighScoreList(const GameState& g) {
    const int r = static_cast<int>(g.rot);
    if (r < kFlyInEnd) {
        glTranslatef(0.0f, -g.rot / 15.0f, g.rot / 15.0f);
        glTranslatef(0.0f, -2.0f, -15.0f);
        glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
    } else {
        glTranslatef(0.0f, -6.0f, -17.0f);
        glRotatef(g.rot * 1.5f, 0.0f, 1.0f, 0.0f);
    }

    for (int i = 0; i < kListedEntries; ++i) {
        const float fade = i == 0 ? 1.0f : 1.5f / static_cast<float>(i);
        if (i > 0) glTranslatef(-0.5f, 3.0f, -3.0f);
        glColor3f(1.0f, 1.0f, fade);
        glPrint("%s", g.HSname[i].c_str());
        glTranslatef(-kScoreShiftPerLetter * static_cast<float>(g.HSname[i].size()), -0.7f, 0.0f);
        if (i > 0) glColor3f(1.0f, fade, fade);
        glPrint("%i", g.hsscore[i]);
    }
}
