// Writes BMP files for the image tests: 24-bit (bottom-up or top-down) and palettised 1, 4 and 8 bit,
// plain or run-length encoded, so the variants ImageMagick does not write are covered too.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

// Pixels as RGB triples, top row first (the order ImageMagick's raw "rgb:" output uses).
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// A picture with `colours` distinct colours (0 for all sorts), runs and single pixels alike.
inline RgbImage PatternImage(int width, int height, int colours = 0) {
    RgbImage img{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (colours == 0) {
                img.rgb.push_back(static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)));
                img.rgb.push_back(static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1)));
                img.rgb.push_back(static_cast<uint8_t>((x * 31 + y * 17) & 0xff));
            } else {
                // Runs along each row, broken by a scatter of single pixels.
                const int index = ((x / 5 + y) + ((x * y) % 7 == 3 ? 1 : 0)) % colours;
                img.rgb.push_back(static_cast<uint8_t>(index * 97 + 13));
                img.rgb.push_back(static_cast<uint8_t>(255 - index * 41));
                img.rgb.push_back(static_cast<uint8_t>(index * 16));
            }
        }
    return img;
}

namespace bmpwriter {

inline void u16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}
inline void u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xff);
}

inline std::vector<uint8_t> headers(int width, int height, int bpp, uint32_t compression, uint32_t paletteSize,
                                    uint32_t pixelBytes) {
    std::vector<uint8_t> out;
    const uint32_t offset = 14 + 40 + 4 * paletteSize;
    out.push_back('B');
    out.push_back('M');
    u32(out, offset + pixelBytes);
    u32(out, 0);
    u32(out, offset);
    u32(out, 40);
    u32(out, static_cast<uint32_t>(width));
    u32(out, static_cast<uint32_t>(height));
    u16(out, 1);
    u16(out, static_cast<uint32_t>(bpp));
    u32(out, compression);
    u32(out, pixelBytes);
    u32(out, 2835);
    u32(out, 2835);
    u32(out, paletteSize);
    u32(out, 0);
    return out;
}

// Row y of the file: bottom-up files start with the picture's last row.
inline int pictureRow(const RgbImage& img, int fileRow, bool topDown) {
    return topDown ? fileRow : img.height - 1 - fileRow;
}

}  // namespace bmpwriter

inline std::vector<uint8_t> Bmp24(const RgbImage& img, bool topDown = false) {
    const size_t rowBytes = (static_cast<size_t>(img.width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels;
    for (int r = 0; r < img.height; ++r) {
        const int y = bmpwriter::pictureRow(img, r, topDown);
        const size_t start = pixels.size();
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            pixels.push_back(p[2]);
            pixels.push_back(p[1]);
            pixels.push_back(p[0]);
        }
        pixels.resize(start + rowBytes, 0);
    }
    auto out = bmpwriter::headers(img.width, topDown ? -img.height : img.height, 24, 0, 0,
                                  static_cast<uint32_t>(pixels.size()));
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

enum class BmpRle { None, Rle };

// Palettised with 1, 4 or 8 bits; RLE for 4 (RLE4) and 8 bits (RLE8), with runs and absolute spans.
inline std::vector<uint8_t> BmpPalettised(const RgbImage& img, int bits, BmpRle rle = BmpRle::None,
                                          bool topDown = false) {
    std::map<uint32_t, uint8_t> indexOf;
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            const uint32_t colour = (p[0] << 16) | (p[1] << 8) | p[2];
            auto found = indexOf.find(colour);
            if (found == indexOf.end()) {
                found = indexOf.emplace(colour, static_cast<uint8_t>(palette.size())).first;
                palette.push_back(colour);
            }
            indices.push_back(found->second);
        }
    auto indexAt = [&](int x, int fileRow) {
        return indices[static_cast<size_t>(bmpwriter::pictureRow(img, fileRow, topDown)) * img.width + x];
    };

    std::vector<uint8_t> pixels;
    if (rle == BmpRle::None) {
        const size_t rowBytes = (static_cast<size_t>(img.width) * bits + 31) / 32 * 4;
        for (int r = 0; r < img.height; ++r) {
            std::vector<uint8_t> row(rowBytes, 0);
            for (int x = 0; x < img.width; ++x) {
                const size_t bit = static_cast<size_t>(x) * bits;
                row[bit / 8] |= static_cast<uint8_t>(indexAt(x, r) << (8 - bits - bit % 8));
            }
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
    } else {
        for (int r = 0; r < img.height; ++r) {
            int x = 0;
            while (x < img.width) {
                int run = 1;
                while (x + run < img.width && run < 255 && indexAt(x + run, r) == indexAt(x, r)) ++run;
                int literal = 0;
                while (x + literal < img.width && literal < 255 &&
                       (x + literal + 1 >= img.width || indexAt(x + literal + 1, r) != indexAt(x + literal, r)))
                    ++literal;
                if (run == 1 && literal >= 3) {
                    pixels.push_back(0);
                    pixels.push_back(static_cast<uint8_t>(literal));
                    const size_t start = pixels.size();
                    if (bits == 8) {
                        for (int i = 0; i < literal; ++i) pixels.push_back(indexAt(x + i, r));
                    } else {
                        for (int i = 0; i < literal; i += 2)
                            pixels.push_back(static_cast<uint8_t>(
                                (indexAt(x + i, r) << 4) | (i + 1 < literal ? indexAt(x + i + 1, r) : 0)));
                    }
                    if ((pixels.size() - start) % 2) pixels.push_back(0);
                    x += literal;
                } else {
                    const uint8_t value = indexAt(x, r);
                    pixels.push_back(static_cast<uint8_t>(run));
                    pixels.push_back(bits == 8 ? value : static_cast<uint8_t>((value << 4) | value));
                    x += run;
                }
            }
            pixels.push_back(0);
            pixels.push_back(r + 1 == img.height ? 1 : 0);  // end of bitmap / end of line
        }
    }

    const uint32_t compression = rle == BmpRle::None ? 0 : (bits == 8 ? 1 : 2);
    auto out = bmpwriter::headers(img.width, topDown ? -img.height : img.height, bits, compression,
                                  static_cast<uint32_t>(palette.size()), static_cast<uint32_t>(pixels.size()));
    for (uint32_t colour : palette) {
        out.push_back(colour & 0xff);
        out.push_back((colour >> 8) & 0xff);
        out.push_back((colour >> 16) & 0xff);
        out.push_back(0);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}
