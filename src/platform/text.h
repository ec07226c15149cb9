// Extruded 3D outline text: one display list per character code, centred prints.
#pragma once

#include "platform/font_geometry.h"

extern unsigned int base;            // first of the 256 font display lists
extern GlyphMetricsFloat gmf[256];   // glyph metrics in em units; entry 255 stays zero

bool BuildFont();                    // needs a current GL context; false: no usable font
void glPrint(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
