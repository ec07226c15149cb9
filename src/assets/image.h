// BMP images and the textures made from them.
#pragma once

#include <cstddef>

// Pixels as RGB triples, bottom row first. Free with FreeRGBImage.
struct AUX_RGBImageRec {
    int sizeX = 0, sizeY = 0;
    unsigned char* data = nullptr;
};

// Decodes any BMP a paint program saves (1, 4, 8 bit palettised, 16, 24, 32 bit, RLE4/RLE8,
// bottom-up or top-down); null for a null name, a missing file or one that cannot be decoded.
AUX_RGBImageRec* LoadBMP(const char* filename);
AUX_RGBImageRec* LoadBMPFromMemory(const void* bytes, size_t size);
void FreeRGBImage(AUX_RGBImageRec* image);

// A new 2D texture with linear filters and no mipmaps, left bound; 0 (and nothing created) when the
// file is missing or unreadable. Needs a current GL context.
unsigned int LoadGLTexture(const char* filename);

// Largest image the reader accepts, far beyond any texture the game can use.
constexpr int kMaxImageSide = 16384;
constexpr long long kMaxImagePixels = 4096LL * 4096;
