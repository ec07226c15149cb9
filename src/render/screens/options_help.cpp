// Options and help: the controls, one line under the other, tilted back and
// added onto the black background by blending.
#include <GL/gl.h>

#include "game/game_state.h"
#include "render/screens/screens.h"
#include "platform/render_state.h"
#include "platform/text.h"

namespace {

struct HelpLine {
    float r, g, b, a;
    float dx, dy;  // move before the line; it roughly undoes the previous line's advance
    const char* text;
};

constexpr HelpLine kLines[] = {
    {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, "Player1: W/S/A/D"},
    {1.0f, 0.0f, 0.0f, 1.0f, -4.3f, -1.0f, "Player2: I/K/J/L"},
    {0.0f, 1.0f, 0.0f, 1.0f, -4.3f, -2.0f, "MoveCam: UP/DOWN/LEFT/RIGHT"},
    {0.0f, 1.0f, 0.0f, 1.0f, -7.0f, -2.0f, "PlayGoalVideo: on/off=V"},
    {0.0f, 0.0f, 1.0f, 1.0f, -6.0f, -2.0f, "AI(Art.Intell.): on/off=C+CTRL+SHIFT"},
    {0.0f, 0.0f, 1.0f, 1.0f, -9.0f, -2.0f, "Mouse for Player1: on/off=M+CTRL"},
    {1.0f, 1.0f, 0.0f, 1.0f, -9.0f, -2.0f, "Fullscreen/Windowed: F1"},
    {1.0f, 1.0f, 0.0f, 0.5f, -6.0f, -2.0f, "Transparency: +=M -=N"},
};

}  // namespace

void DrawOptionsHelp(const GameState&) {
    SetBlending(true);
    glTranslatef(0.0f, 7.0f, -20.0f);
    glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
    for (const HelpLine& line : kLines) {
        if (line.a < 1.0f)
            glColor4f(line.r, line.g, line.b, line.a);
        else
            glColor3f(line.r, line.g, line.b);
        if (line.dx != 0.0f || line.dy != 0.0f) glTranslatef(line.dx, line.dy, 0.0f);
        glPrint("%s", line.text);
    }
    SetBlending(false);
}
