#include "platform/render_state.h"

#include <GL/gl.h>

void SetBlending(bool on) {
    if (on) glEnable(GL_BLEND); else glDisable(GL_BLEND);
}

void SetLighting(bool on) {
    if (on) glEnable(GL_LIGHTING); else glDisable(GL_LIGHTING);
}
