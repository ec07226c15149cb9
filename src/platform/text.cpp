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

// The glyphs are closed solids, wound counter-clockwise seen from outside. While the depth
// test keeps only the nearest surface, every face turned away from the eye lies behind
// others, so culling those spares the software rasterizer half its triangles for the same
// picture. Blending adds up every face, a print cut open by the near plane shows its inside,
// and a mirroring or unfamiliar view turns the winding: those draw every face as before.
bool hiddenFacesMayBeCulled(float width) {
    if (glIsEnabled(GL_BLEND) || !glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_CULL_FACE)) return false;
    GLint depthFunc = 0, cullMode = 0, frontFace = 0;
    GLboolean depthWrites = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    if ((depthFunc != GL_LESS && depthFunc != GL_LEQUAL) || !depthWrites || cullMode != GL_BACK || frontFace != GL_CCW)
        return false;

    GLfloat m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const bool affine = m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1;
    const bool perspective = p[3] == 0 && p[7] == 0 && p[11] == -1 && p[15] == 0;
    const bool orthographic = p[3] == 0 && p[7] == 0 && p[11] == 0 && p[15] == 1 && p[10] < 0;
    const double determinant = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[4] * (m[1] * m[10] - m[2] * m[9]) +
                               m[8] * (m[1] * m[6] - m[2] * m[5]);
    if (!affine || !(perspective || orthographic) || !(p[0] > 0 && p[5] > 0 && determinant > 0)) return false;

    // The box around the print, corner by corner, must lie beyond the near plane.
    const FontGeometry& font = *g_geometry;
    for (int corner = 0; corner < 8; ++corner) {
        const double v[3] = {corner & 1 ? width + font.right : font.left, corner & 2 ? font.top : font.bottom,
                             corner & 4 ? -kFontDepth : 0.0};
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r) eye[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r];
        for (int r = 0; r < 4; ++r) clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
        if (!(clip[2] > -clip[3])) return false;
    }
    return true;
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

    const bool cull = hiddenFacesMayBeCulled(width);
    if (cull) glEnable(GL_CULL_FACE);
    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    if (cull) glDisable(GL_CULL_FACE);
}
