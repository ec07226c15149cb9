#include "platform/screenshot.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/window.h"

// The whole window as the player sees it, in its own pixels: bars and scaling included.
bool SaveScreenshotPNG(const char* path) {
    FinishGLFrame();
    int w = 0, h = 0;
    if (!GetDrawableSize(w, h)) return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // GL rows run bottom-up, PNG rows top-down.
    for (int row = h - 1; row >= 0; --row)
        png_write_row(png, pixels.data() + static_cast<size_t>(row) * w * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
