// The extruded glyph geometry of the text font, made once per run without GL:
// FreeType outlines, flattened and tessellated by the GLU tessellator, kept as
// plain triangle arrays that every new GL context compiles into display lists.
#pragma once

#include <array>
#include <string>
#include <vector>

struct GlyphMetricsFloat {
    float gmfBlackBoxX = 0, gmfBlackBoxY = 0;
    float gmfptGlyphOriginX = 0, gmfptGlyphOriginY = 0;
    float gmfCellIncX = 0, gmfCellIncY = 0;
};

constexpr int kFontCodes = 256;
constexpr float kFontDepth = 0.2f;  // extrusion toward -z, em units

struct FontGeometry {
    std::string file;  // the face file the glyphs come from
    // Interleaved normal and position (GL_N3F_V3F), three vertices per triangle, em units.
    std::vector<float> vertices;
    struct Glyph {
        int first = 0;  // first vertex of the glyph's triangles
        int count = 0;  // vertex count, a multiple of three
        GlyphMetricsFloat metrics;
    };
    std::array<Glyph, kFontCodes> glyphs{};
    // Every glyph lies within these bounds, x measured from its pen position (left) and
    // from its advance (right), in em.
    float left = 0, right = 0, bottom = 0, top = 0;
};

// The face fontconfig gives for "Courier New" bold, or any monospaced bold
// outline face when that match is not monospaced. False: nothing usable.
bool FindOutlineFont(std::string& file, int& faceIndex);

// Glyphs for codes 0 to 254 (Windows-1252), code 255 left empty. False when the
// file is no scalable face with a Unicode map; `out` is then untouched.
bool TessellateFont(const std::string& file, int faceIndex, FontGeometry& out);

// The Unicode character a Windows-1252 byte stands for; the five unassigned
// bytes of 0x80..0x9F map to themselves, as the Windows conversion does.
unsigned int Windows1252ToUnicode(unsigned char code);
