// Extruded 3D outline text: one display list per character code, centred prints.
#pragma once

struct GlyphMetricsFloat {
    float gmfBlackBoxX = 0, gmfBlackBoxY = 0;
    float gmfptGlyphOriginX = 0, gmfptGlyphOriginY = 0;
    float gmfCellIncX = 0, gmfCellIncY = 0;
};

extern unsigned int base;            // first of the 256 font display lists
extern GlyphMetricsFloat gmf[256];   // glyph metrics in em units; entry 255 stays zero

bool BuildFont();                    // needs a current GL context; false: no usable font
void glPrint(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
