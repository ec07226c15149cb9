#include "game/draw_scene.h"

#include <GL/gl.h>

#include "game/game_state.h"

int DrawGLScene(GameState& g) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (g.menu)
        DrawScreenFrame(g);
    else
        DrawMatchFrame(g);
    return 1;
}
