// LoadBMP against ImageMagick: every kind of BMP a paint program saves decodes to the pixels
// ImageMagick reads from it, bottom row first; and what cannot be decoded is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "assets/image.h"
#include "assets_test_support.h"
#include "image_bmp_writer.h"

// The picture as ImageMagick reads it, through a binary PPM, bottom row first like LoadBMP's record.
static bool MagickRead(const std::string& path, RgbImage& out) {
    FILE* pipe = popen(("convert '" + path + "' -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    int width = 0, height = 0, maxValue = 0;
    const bool header = std::fscanf(pipe, "P6 %d %d %d", &width, &height, &maxValue) == 3 && std::fgetc(pipe) != EOF;
    std::vector<uint8_t> top(static_cast<size_t>(width) * height * 3);
    const bool body = header && maxValue == 255 && std::fread(top.data(), 1, top.size(), pipe) == top.size();
    out = RgbImage{width, height, {}};
    for (int row = height - 1; row >= 0; --row)
        out.rgb.insert(out.rgb.end(), top.begin() + row * width * 3, top.begin() + (row + 1) * width * 3);
    return pclose(pipe) == 0 && body;
}

TEST(BmpFiles, VariantsDecodeAsImageMagickReadsThem) {
    TempDir dir;
    const std::string source = dir.file("source.bmp");
    ASSERT_TRUE(WriteBytes(source, Bmp24(PatternImage(37, 23))));
    std::vector<std::string> paths = {dir.file("topdown.bmp")};  // top-down rows: not written by ImageMagick
    ASSERT_TRUE(WriteBytes(paths[0], Bmp24(PatternImage(37, 23), true)));
    for (const char* options : {"-type bilevel BMP3", "-colors 16 -type palette -compress None BMP3",
                                "-colors 200 -type palette -compress None BMP3",
                                "-colors 200 -type palette -compress RLE BMP3", "-define bmp:subtype=RGB565 BMP",
                                "-define bmp:subtype=RGB555 BMP", "-alpha set -define bmp:subtype=ARGB1555 BMP",
                                "-type truecolor BMP3", "-type truecolor BMP",  // version 3 and 5 headers
                                "-alpha set -channel A -evaluate set 50% +channel BMP", "-type truecolor BMP2",
                                "-colors 16 -type palette BMP2"}) {
        paths.push_back(dir.file(std::to_string(paths.size()) + ".bmp"));
        const std::string command = "convert '" + source + "' " + options + ":'" + paths.back() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    for (const std::string& path : paths) {
        RgbImage want;
        ASSERT_TRUE(MagickRead(path, want)) << path;
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr) << path;
        EXPECT_EQ(std::make_pair(rec->sizeX, rec->sizeY), std::make_pair(want.width, want.height)) << path;
        EXPECT_TRUE(std::equal(want.rgb.begin(), want.rgb.end(), rec->data)) << path;
        FreeRGBImage(rec);
    }
}

TEST(BmpFiles, RefusesWhatItCannotDecode) {
    EXPECT_EQ(LoadBMP(nullptr), nullptr);
    EXPECT_EQ(LoadBMP("no/such/file.bmp"), nullptr);
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
    // A 24-bit file cut anywhere before its last row's padding is refused.
    const auto plain = Bmp24(PatternImage(5, 3));
    for (size_t cut = 0; cut < plain.size() - 3; ++cut)
        EXPECT_EQ(LoadBMPFromMemory(plain.data(), cut), nullptr) << "cut at " << cut;
}
