#include "platform/text.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/font_geometry.h"
#include "platform/message_box.h"
#include "platform/turn_log.h"

unsigned int base = 0;
GlyphMetricsFloat gmf[256];

namespace {

// Outlines are tessellated once per run; every new context only compiles lists from this.
std::unique_ptr<FontGeometry> g_geometry;

bool loadGeometry() {
    if (g_geometry) return true;
    std::string file;
    int index = 0;
    auto geometry = std::make_unique<FontGeometry>();
    if (!FindOutlineFont(file, index) || !TessellateFont(file, index, *geometry)) {
        std::fprintf(stderr, "puckslide3d: no monospaced bold outline font (fonts-liberation2 provides one)\n");
        MessageBox("ERROR", "Can't Find A Monospaced Outline Font (\"Courier New\" Bold Or Liberation Mono Bold).",
                   MbButtons::Ok, MbIcon::Exclamation);
        return false;
    }
    g_geometry = std::move(geometry);
    return true;
}

// The window position (origin top-left) and colour a print starts from, for the trace.
void recordPrint(const char* text) {
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    GLfloat colour[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    GLdouble wx = 0, wy = 0, wz = 0;
    PrintedText printed;
    printed.s = text;
    if (gluProject(0, 0, 0, modelview, projection, viewport, &wx, &wy, &wz) == GL_TRUE) {
        printed.x = static_cast<float>(wx);
        printed.y = static_cast<float>(viewport[1] + viewport[3] - wy);
    } else {
        printed.x = printed.y = std::numeric_limits<float>::quiet_NaN();  // written as null
    }
    std::memcpy(printed.rgba, colour, sizeof colour);
    CurrentTurnLog().texts.push_back(std::move(printed));
}

}  // namespace

bool BuildFont() {
    if (!loadGeometry()) return false;
    const GLuint first = glGenLists(kFontCodes);
    if (first == 0) return false;
    base = first;

    const FontGeometry& geometry = *g_geometry;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glInterleavedArrays(GL_N3F_V3F, 0, geometry.vertices.data());
    for (int code = 0; code < kFontCodes; ++code) {
        const FontGeometry::Glyph& glyph = geometry.glyphs[code];
        glNewList(base + code, GL_COMPILE);
        if (glyph.count > 0) glDrawArrays(GL_TRIANGLES, glyph.first, glyph.count);
        if (glyph.metrics.gmfCellIncX != 0.0f) glTranslatef(glyph.metrics.gmfCellIncX, 0.0f, 0.0f);
        glEndList();
        gmf[code] = glyph.metrics;
    }
    glPopClientAttrib();
    return true;
}

void KillFont() {
    if (base != 0) glDeleteLists(base, kFontCodes);
    base = 0;
}

void glPrint(const char* fmt, ...) {
    if (fmt == nullptr) return;

    char text[256];
    va_list ap;
    va_start(ap, fmt);
    const int written = std::vsnprintf(text, sizeof text, fmt, ap);  // cuts at 255 characters
    va_end(ap);
    if (written < 0) text[0] = '\0';

    if (CurrentTurnLog().recordTexts) recordPrint(text);

    const size_t length = std::strlen(text);
    // Without lists in this context nothing would advance the position: move nothing at all.
    if (length == 0 || base == 0) return;
    float width = 0.0f;
    for (size_t i = 0; i < length; ++i) width += gmf[static_cast<unsigned char>(text[i])].gmfCellIncX;
    glTranslatef(-width * 0.5f, 0.0f, 0.0f);

    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}
