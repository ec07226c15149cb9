// LoadBMPFromMemory (SDL's BMP decoder behind our size checks and our conversion) on arbitrary bytes.
// A decoded image must have a usable size and every one of its pixel bytes must be readable.
#include <cstdint>

#include "assets/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AUX_RGBImageRec* image = LoadBMPFromMemory(data, size);
    if (!image) return 0;
    if (!image->data || image->sizeX <= 0 || image->sizeY <= 0 || image->sizeX > kMaxImageSide ||
        image->sizeY > kMaxImageSide || static_cast<long long>(image->sizeX) * image->sizeY > kMaxImagePixels)
        __builtin_trap();
    // The last pixel byte must be inside what was allocated.
    (void)static_cast<volatile uint8_t*>(image->data)[static_cast<size_t>(image->sizeX) * image->sizeY * 3 - 1];
    FreeRGBImage(image);
    return 0;
}
