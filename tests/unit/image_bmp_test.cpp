// LoadBMP against ImageMagick: every kind of BMP a paint program saves decodes to the pixels
// ImageMagick reads from it, bottom row first.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "assets/image.h"
#include "assets_test_support.h"
#include "image_bmp_writer.h"

namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// The picture as ImageMagick reads it, through a binary PPM.
bool MagickRead(const std::string& path, RgbImage& out) {
    FILE* pipe = popen(("convert " + Quoted(path) + " -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    int width = 0, height = 0, maxValue = 0;
    const bool header = std::fscanf(pipe, "P6 %d %d %d", &width, &height, &maxValue) == 3 && std::fgetc(pipe) != EOF;
    out = RgbImage{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    const bool body = header && maxValue == 255 && std::fread(out.rgb.data(), 1, out.rgb.size(), pipe) == out.rgb.size();
    return pclose(pipe) == 0 && body;
}

bool Magick(const std::string& arguments) {
    return std::system(("convert " + arguments + " 2>/dev/null").c_str()) == 0;
}

// LoadBMP's record turned top row first, for comparison.
RgbImage Decoded(const AUX_RGBImageRec* rec) {
    RgbImage img{rec->sizeX, rec->sizeY, {}};
    const size_t rowBytes = static_cast<size_t>(rec->sizeX) * 3;
    for (int row = rec->sizeY - 1; row >= 0; --row)
        img.rgb.insert(img.rgb.end(), rec->data + rowBytes * row, rec->data + rowBytes * (row + 1));
    return img;
}

// First differing pixel, for a readable failure.
std::string Difference(const RgbImage& got, const RgbImage& want) {
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + " instead of " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            const uint8_t *g = got.at(x, y), *w = want.at(x, y);
            if (g[0] != w[0] || g[1] != w[1] || g[2] != w[2]) {
                char text[128];
                std::snprintf(text, sizeof text, "pixel (%d,%d) from the top is %d,%d,%d instead of %d,%d,%d", x, y,
                              g[0], g[1], g[2], w[0], w[1], w[2]);
                return text;
            }
        }
    return "";
}

// LoadBMP of the file agrees with ImageMagick's reading of it.
void ExpectDecodesLikeImageMagick(const std::string& path, const std::string& what) {
    RgbImage want;
    ASSERT_TRUE(MagickRead(path, want)) << what << ": ImageMagick cannot read it";
    AUX_RGBImageRec* rec = LoadBMP(path.c_str());
    ASSERT_NE(rec, nullptr) << what;
    ASSERT_NE(rec->data, nullptr) << what;
    EXPECT_EQ(Difference(Decoded(rec), want), "") << what;
    FreeRGBImage(rec);
}

class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    TempDir dir;
};

}  // namespace

TEST_F(BmpFiles, ImageMagickVariantsDecodeAsImageMagickReadsThem) {
    const std::string source = dir.file("source.bmp");
    ASSERT_TRUE(WriteBytes(source, Bmp24(PatternImage(37, 23))));
    struct Variant {
        const char* name;
        const char* options;
        const char* format;
        int bitsPerPixel;
    };
    const Variant variants[] = {
        {"1-bit", "-type bilevel", "BMP3", 1},
        {"4-bit", "-colors 16 -type palette -compress None", "BMP3", 4},
        {"8-bit", "-colors 200 -type palette -compress None", "BMP3", 8},
        {"RLE8", "-colors 200 -type palette -compress RLE", "BMP3", 8},
        {"16-bit 565", "-define bmp:subtype=RGB565", "BMP", 16},
        {"16-bit 555", "-define bmp:subtype=RGB555", "BMP", 16},
        {"16-bit 1555 alpha", "-alpha set -define bmp:subtype=ARGB1555", "BMP", 16},
        {"24-bit", "-type truecolor", "BMP3", 24},
        {"24-bit, version 5 header", "-type truecolor", "BMP", 24},
        {"32-bit with alpha", "-alpha set -channel A -evaluate set 50% +channel", "BMP", 32},
        {"OS/2 24-bit", "-type truecolor", "BMP2", 24},
        {"OS/2 4-bit", "-colors 16 -type palette", "BMP2", 4},
    };
    for (const Variant& v : variants) {
        const std::string path = dir.file(std::string("variant-") + std::to_string(&v - variants) + ".bmp");
        ASSERT_TRUE(Magick(Quoted(source) + " " + v.options + " " + v.format + ":" + Quoted(path))) << v.name;
        const auto bytes = ReadBytes(path);
        ASSERT_GT(bytes.size(), 30u);
        EXPECT_EQ(bytes[14] == 12 ? bytes[24] : bytes[28], v.bitsPerPixel) << v.name << ": ImageMagick wrote another depth";
        ExpectDecodesLikeImageMagick(path, v.name);
    }
}

TEST_F(BmpFiles, OurOwnVariantsDecodeToThePicture) {
    // Top-down rows and RLE4 are not among what ImageMagick writes.
    struct Variant {
        const char* name;
        std::vector<uint8_t> bytes;
        RgbImage picture;
    };
    const RgbImage full = PatternImage(37, 23), two = PatternImage(21, 9, 2), sixteen = PatternImage(37, 23, 16),
                   many = PatternImage(37, 23, 200);
    const Variant variants[] = {
        {"24-bit bottom-up", Bmp24(full), full},
        {"24-bit top-down", Bmp24(full, true), full},
        {"1-bit", BmpPalettised(two, 1), two},
        {"1-bit top-down", BmpPalettised(two, 1, BmpRle::None, true), two},
        {"4-bit", BmpPalettised(sixteen, 4), sixteen},
        {"4-bit top-down", BmpPalettised(sixteen, 4, BmpRle::None, true), sixteen},
        {"8-bit", BmpPalettised(many, 8), many},
        {"8-bit top-down", BmpPalettised(many, 8, BmpRle::None, true), many},
        {"RLE4", BmpPalettised(sixteen, 4, BmpRle::Rle), sixteen},
        {"RLE8", BmpPalettised(many, 8, BmpRle::Rle), many},
    };
    for (const Variant& v : variants) {
        const std::string path = dir.file(std::string("own-") + std::to_string(&v - variants) + ".bmp");
        ASSERT_TRUE(WriteBytes(path, v.bytes));
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr) << v.name;
        EXPECT_EQ(Difference(Decoded(rec), v.picture), "") << v.name;
        FreeRGBImage(rec);
        ExpectDecodesLikeImageMagick(path, v.name);
    }
}

TEST_F(BmpFiles, EveryRowWidthComesOutTightlyPacked) {
    for (int width = 1; width <= 9; ++width) {
        const RgbImage picture = PatternImage(width, 3);
        const auto bytes = Bmp24(picture);
        AUX_RGBImageRec* rec = LoadBMPFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(rec, nullptr) << width;
        EXPECT_EQ(Difference(Decoded(rec), picture), "") << "width " << width;
        FreeRGBImage(rec);
    }
}

TEST_F(BmpFiles, FirstStoredPixelIsTheBottomLeftOne) {
    RgbImage picture = PatternImage(4, 4);
    uint8_t* bottomLeft = &picture.rgb[(3 * 4 + 0) * 3];
    bottomLeft[0] = 30, bottomLeft[1] = 20, bottomLeft[2] = 10;
    for (bool topDown : {false, true}) {
        const auto bytes = Bmp24(picture, topDown);
        AUX_RGBImageRec* rec = LoadBMPFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->data[0], 30);
        EXPECT_EQ(rec->data[1], 20);
        EXPECT_EQ(rec->data[2], 10);
        FreeRGBImage(rec);
    }
}

TEST_F(BmpFiles, RefusesWhatItCannotDecode) {
    EXPECT_EQ(LoadBMP(nullptr), nullptr);
    EXPECT_EQ(LoadBMP(dir.file("missing.bmp").c_str()), nullptr);
    EXPECT_EQ(LoadBMP(dir.file("").c_str()), nullptr);  // a folder

    const std::vector<uint8_t> notBmp = {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3};
    EXPECT_EQ(LoadBMPFromMemory(notBmp.data(), notBmp.size()), nullptr);

    // Sizes no texture can have, claimed by a file that holds a few bytes: refused before any
    // allocation of that size.
    for (const auto& size : {std::pair<int32_t, int32_t>{100000, 4}, {4, 100000}, {8192, 8192}, {0, 4}, {4, 0},
                             {-4, 4}, {4, INT32_MIN}, {INT32_MIN, 4}}) {
        auto bytes = Bmp24(PatternImage(4, 4));
        for (int i = 0; i < 4; ++i) {
            bytes[18 + i] = static_cast<uint8_t>(static_cast<uint32_t>(size.first) >> (8 * i));
            bytes[22 + i] = static_cast<uint8_t>(static_cast<uint32_t>(size.second) >> (8 * i));
        }
        EXPECT_EQ(LoadBMPFromMemory(bytes.data(), bytes.size()), nullptr) << size.first << " x " << size.second;
    }
}

TEST_F(BmpFiles, TruncatedFilesAreRefusedAtEveryLength) {
    const std::vector<uint8_t> files[] = {Bmp24(PatternImage(5, 3)), BmpPalettised(PatternImage(9, 4, 12), 4),
                                          BmpPalettised(PatternImage(9, 4, 40), 8, BmpRle::Rle),
                                          BmpPalettised(PatternImage(9, 4, 12), 4, BmpRle::Rle)};
    for (const auto& whole : files) {
        for (size_t cut = 0; cut < whole.size(); ++cut) {
            AUX_RGBImageRec* rec = LoadBMPFromMemory(whole.data(), cut);
            // SDL may accept an RLE stream cut after its last pixel but before the end marker; what
            // it must never do is read past the bytes it has.
            if (rec) {
                EXPECT_EQ(rec->sizeX, whole[18]);
                FreeRGBImage(rec);
            }
        }
        AUX_RGBImageRec* rec = LoadBMPFromMemory(whole.data(), whole.size());
        EXPECT_NE(rec, nullptr);
        FreeRGBImage(rec);
    }
    // A plain 24-bit file cut anywhere is always refused.
    const auto plain = Bmp24(PatternImage(5, 3));
    for (size_t cut = 0; cut < plain.size() - 3; ++cut)
        EXPECT_EQ(LoadBMPFromMemory(plain.data(), cut), nullptr) << "cut at " << cut;
}
