// Main menu: the title and five items in a twisted column that winds and
// unwinds with the clock.
#include <GL/gl.h>

#include "game/game_state.h"
#include "render/screens/screens.h"
#include "platform/text.h"

namespace {

struct MainMenuItem {
    float r, g, b;
    const char* plain;
    const char* highlighted;
};

constexpr MainMenuItem kItems[] = {
    {1.0f, 0.0f, 0.0f, "   New Game", "-> New Game"},
    {0.0f, 1.0f, 0.0f, "   Hiscore", "-> Hiscore"},
    {1.0f, 1.0f, 0.0f, "   Options/Help", "-> Options/Help"},
    {0.0f, 0.0f, 1.0f, "   Credits", "-> Credits"},
    {0.7f, 0.7f, 0.7f, "   Exit", "-> Exit"},
};

}  // namespace

void DrawMainMenu(const GameState& g) {
    glTranslatef(-1.0f, 2.0f, -10.0f);
    glRotatef(g.rot * 1.5f, 0.0f, 1.0f, 0.0f);
    SetTitleColour(g.rot);
    glPrint("Puckslide3D");

    int item = 1;
    for (const MainMenuItem& it : kItems) {
        glRotatef(g.rot * 1.5f, 0.0f, 0.5f, 0.0f);
        glTranslatef(0.0f, -1.0f, -1.0f);
        glColor3f(it.r, it.g, it.b);
        glPrint("%s", MenuItemText(it.plain, it.highlighted, item, g.menu_1_nr));
        ++item;
    }
}
