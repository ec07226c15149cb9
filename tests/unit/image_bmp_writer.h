// Writes 24-bit BMP files (bottom-up or top-down) for the image tests.
#pragma once

#include <cstdint>
#include <vector>

// Pixels as RGB triples, top row first.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// A picture whose every pixel differs from its neighbours; bottomRowFirst lists its rows the other way round.
inline RgbImage PatternImage(int width, int height, bool bottomRowFirst = false) {
    RgbImage img{width, height, {}};
    for (int row = 0; row < height; ++row)
        for (int x = 0, y = bottomRowFirst ? height - 1 - row : row; x < width; ++x)
            img.rgb.insert(img.rgb.end(), {uint8_t(x * 7), uint8_t(y * 11), uint8_t(x * 31 + y * 17)});
    return img;
}

inline std::vector<uint8_t> Bmp24(const RgbImage& img, bool topDown = false) {
    const uint32_t rowBytes = (img.width * 3 + 3) / 4 * 4, pixelBytes = rowBytes * img.height;
    const uint32_t header[] = {54 + pixelBytes, 0, 54, 40, static_cast<uint32_t>(img.width),
                               static_cast<uint32_t>(topDown ? -img.height : img.height), 1 | (24 << 16), 0,
                               pixelBytes, 2835, 2835, 0, 0};
    std::vector<uint8_t> out = {'B', 'M'};
    for (uint32_t v : header)
        for (int i = 0; i < 32; i += 8) out.push_back((v >> i) & 0xff);
    for (int r = 0; r < img.height; ++r) {
        const uint8_t* row = &img.rgb[static_cast<size_t>(topDown ? r : img.height - 1 - r) * img.width * 3];
        for (int x = 0; x < img.width; ++x) out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        out.resize(out.size() + rowBytes - img.width * 3, 0);
    }
    return out;
}
