// ImageLoad's reader on arbitrary bytes through an in-memory stream. A success must hand back exactly
// sizeX * sizeY * 3 readable bytes; a failure must not touch the pixel pointer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "assets/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* quiet = std::freopen("/dev/null", "w", stdout);  // the reader's diagnostics
    (void)quiet;
    FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : nullptr;
    if (!stream) return 0;
    Image image;
    unsigned char sentinel = 0;
    image.data = &sentinel;
    const int result = ImageLoadFromStream(stream, "fuzz.bmp", &image);
    std::fclose(stream);
    if (!result) {
        if (image.data != &sentinel) __builtin_trap();
        return 0;
    }
    if (image.data == &sentinel || image.sizeX == 0 || image.sizeY == 0) __builtin_trap();
    // The last pixel byte must be inside what was allocated.
    (void)static_cast<volatile uint8_t*>(image.data)[static_cast<size_t>(image.sizeX) * image.sizeY * 3 - 1];
    std::free(image.data);
    return 0;
}
