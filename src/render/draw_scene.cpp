#include "render/draw_scene.h"

#include <GL/gl.h>

#include "game/game_state.h"
#include "platform/render_state.h"

void BeginFrame(const GameState& g) {
    SetBlending(g.gl_blend);
    SetLighting(g.gl_lighting);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}
