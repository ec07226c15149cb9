// New Game submenu: a staircase of four items under a spinning heading.
#include <GL/gl.h>

#include "game/game_state.h"
#include "render/screens/screens.h"
#include "platform/text.h"

void DrawNewGameMenu(const GameState& g) {
    glTranslatef(-2.5f, 0.0f, -12.0f);
    glRotatef(30.0f, 1.0f, 1.0f, 0.0f);

    // Nothing undoes the advance of each print: every item starts half a line further right.
    glColor3f(1.0f, 0.0f, 0.0f);
    glPrint("%s", MenuItemText("   Singleplayer", "-> Singleplayer", 1, g.menu_1_nr));
    glTranslatef(0.0f, -1.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glPrint("%s", MenuItemText("   Multiplayer", "-> Multiplayer", 2, g.menu_1_nr));
    glTranslatef(0.0f, -1.0f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glPrint("%s", MenuItemText("   Training", "-> Training", 3, g.menu_1_nr));
    glTranslatef(0.0f, -2.0f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPrint("%s", MenuItemText("   Back", "-> Back", 4, g.menu_1_nr));

    glTranslatef(-12.0f, 7.0f, 5.0f);
    glRotatef(30.0f, -30.0f, -30.0f, 0.0f);
    glRotatef(g.rot * 1.5f, 0.0f, 1.0f, 0.0f);
    SetTitleColour(g.rot);
    glPrint("New Game");
}
