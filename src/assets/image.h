// BMP images and the textures made from them.
#pragma once

#include <cstdint>

// Pixels as RGB triples, bottom row first. Free with FreeRGBImage.
struct AUX_RGBImageRec {
    int sizeX = 0, sizeY = 0;
    unsigned char* data = nullptr;
};

AUX_RGBImageRec* LoadBMP(const char* filename);
void FreeRGBImage(AUX_RGBImageRec* image);
unsigned int LoadGLTexture(const char* filename);

struct Image {
    uint32_t sizeX = 0, sizeY = 0;
    unsigned char* data = nullptr;
};

int ImageLoad(const char* filename, Image* image);
