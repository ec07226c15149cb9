#include "assets/image.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/data_paths.h"

namespace {

constexpr size_t kBmpProbeBytes = 34;  // file header, info header size, size, depth and compression
constexpr uint32_t kOs2InfoHeaderBytes = 12;
constexpr uint32_t kUncompressed = 0, kBitFields = 3;

uint16_t u16At(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32At(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool sizeIsUsable(long long width, long long height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// SDL would allocate whatever size a header claims before it finds the pixels missing, so the size
// is checked first, and an uncompressed image must hold all its rows (the last one may lack its
// padding). Leaves the stream where it was.
bool bmpSizeIsUsable(SDL_RWops* rw) {
    const Sint64 start = SDL_RWtell(rw);
    const Sint64 end = SDL_RWsize(rw);
    unsigned char head[kBmpProbeBytes];
    const size_t got = SDL_RWread(rw, head, 1, sizeof head);
    if (start < 0 || end < start || SDL_RWseek(rw, start, RW_SEEK_SET) < 0 || got != sizeof head) return false;

    long long width, height, depth;
    uint32_t compression = kUncompressed;
    if (u32At(head + 14) == kOs2InfoHeaderBytes) {
        width = u16At(head + 18);
        height = u16At(head + 20);
        depth = u16At(head + 24);
    } else {
        width = static_cast<int32_t>(u32At(head + 18));
        height = static_cast<int32_t>(u32At(head + 22));
        if (height < 0) height = -height;  // top-down rows
        depth = u16At(head + 28);
        compression = u32At(head + 30);
    }
    if (!sizeIsUsable(width, height)) {
        SDL_SetError("BMP size %lld x %lld is not usable", width, height);
        return false;
    }
    if (compression == kUncompressed || compression == kBitFields) {
        const long long rowBytes = (width * depth + 31) / 32 * 4;
        const long long needed = u32At(head + 10) + rowBytes * (height - 1) + (width * depth + 7) / 8;
        if (end - start < needed) {
            SDL_SetError("BMP holds %lld bytes, its rows need %lld", static_cast<long long>(end - start), needed);
            return false;
        }
    }
    return true;
}

// A channel of fewer than 8 bits widened by repeating its bits below itself, so that full intensity
// stays full (31 -> 255, not 248), as paint programs and ImageMagick read them. Its width is
// counted once per image, not once per pixel: a large hostile image still loads quickly.
class Channel {
public:
    Channel(uint32_t mask, uint8_t shift) : mask_(mask), shift_(shift) {
        while (bits_ < 32 && ((mask >> shift) >> bits_) & 1u) ++bits_;
    }
    uint8_t widen(uint32_t pixel) const {
        if (bits_ == 0) return 0;
        uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return static_cast<uint8_t>(value >> (bits_ - 8));
        value <<= 8 - bits_;
        for (uint32_t filled = bits_; filled < 8; filled *= 2) value |= value >> filled;
        return static_cast<uint8_t>(value);
    }

private:
    uint32_t mask_;
    uint8_t shift_;
    uint32_t bits_ = 0;
};

// Copies a locked surface of packed 16-bit pixels, bottom row first, into RGB triples. Every
// pixel value is widened once, into a table: a large image costs one lookup a pixel.
void copy16BitRows(const SDL_Surface* s, unsigned char* data) {
    const SDL_PixelFormat* f = s->format;
    const Channel r(f->Rmask, f->Rshift), g(f->Gmask, f->Gshift), b(f->Bmask, f->Bshift);
    std::vector<unsigned char> rgb(3 * 65536);
    for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
        rgb[3 * pixel] = r.widen(pixel);
        rgb[3 * pixel + 1] = g.widen(pixel);
        rgb[3 * pixel + 2] = b.widen(pixel);
    }
    for (int row = 0; row < s->h; ++row) {
        const unsigned char* in =
            static_cast<const unsigned char*>(s->pixels) + static_cast<size_t>(s->pitch) * (s->h - 1 - row);
        unsigned char* out = data + static_cast<size_t>(s->w) * 3 * row;
        for (int x = 0; x < s->w; ++x, in += 2, out += 3) {
            uint16_t pixel;
            std::memcpy(&pixel, in, 2);
            std::memcpy(out, &rgb[3 * size_t{pixel}], 3);
        }
    }
}

void copyRgb24Rows(const SDL_Surface* s, unsigned char* data) {
    const size_t rowBytes = static_cast<size_t>(s->w) * 3;
    const unsigned char* pixels = static_cast<const unsigned char*>(s->pixels);
    for (int row = 0; row < s->h; ++row)
        std::memcpy(data + rowBytes * row, pixels + static_cast<size_t>(s->pitch) * (s->h - 1 - row), rowBytes);
}

// RGB triples, bottom row first, from a surface of any format. SDL's own conversion widens 5- and
// 6-bit channels by shifting alone, which leaves 16-bit pictures dark, so those are widened here.
AUX_RGBImageRec* recordFromSurface(SDL_Surface* decoded) {
    const bool packed16 =
        decoded->format->BytesPerPixel == 2 && !SDL_ISPIXELFORMAT_INDEXED(decoded->format->format);
    SDL_Surface* source = packed16 ? decoded : SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGB24, 0);
    if (!source) return nullptr;

    AUX_RGBImageRec* image = static_cast<AUX_RGBImageRec*>(std::calloc(1, sizeof(AUX_RGBImageRec)));
    unsigned char* data = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(source->w) * 3 * source->h));
    const bool locked = image && data && SDL_LockSurface(source) == 0;
    if (locked) {
        if (packed16)
            copy16BitRows(source, data);
        else
            copyRgb24Rows(source, data);
        SDL_UnlockSurface(source);
        image->sizeX = source->w;
        image->sizeY = source->h;
        image->data = data;
    } else {
        std::free(image);
        std::free(data);
        image = nullptr;
    }
    if (source != decoded) SDL_FreeSurface(source);
    return image;
}

// Decodes a BMP from the stream, which it always closes.
AUX_RGBImageRec* decodeBMP(SDL_RWops* rw) {
    if (!bmpSizeIsUsable(rw)) {
        SDL_RWclose(rw);
        return nullptr;
    }
    SDL_Surface* decoded = SDL_LoadBMP_RW(rw, 1);
    if (!decoded) return nullptr;
    AUX_RGBImageRec* image = recordFromSurface(decoded);
    SDL_FreeSurface(decoded);
    return image;
}

}  // namespace

AUX_RGBImageRec* LoadBMP(const char* filename) {
    if (!filename) return nullptr;
    SDL_RWops* rw = SDL_RWFromFile(DataPath(filename).c_str(), "rb");
    if (!rw) return nullptr;
    return decodeBMP(rw);
}

AUX_RGBImageRec* LoadBMPFromMemory(const void* bytes, size_t size) {
    if (!bytes || size > static_cast<size_t>(INT32_MAX)) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (!rw) return nullptr;
    return decodeBMP(rw);
}

void FreeRGBImage(AUX_RGBImageRec* image) {
    if (!image) return;
    std::free(image->data);
    std::free(image);
}

// ---------------------------------------------------------------------------
// LoadGLTexture: level 0 only, linear filters. Rows of RGB bytes are tightly
// packed, so the unpack alignment is 1 for the upload whatever the width.
// ---------------------------------------------------------------------------
unsigned int LoadGLTexture(const char* filename) {
    AUX_RGBImageRec* image = LoadBMP(filename);
    if (!image) return 0;

    GLuint texture = 0;
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (image->data && image->sizeX <= maxSide && image->sizeY <= maxSide) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, image->sizeX, image->sizeY, 0, GL_RGB, GL_UNSIGNED_BYTE, image->data);
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    FreeRGBImage(image);
    return texture;
}
