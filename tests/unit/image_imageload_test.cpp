// ImageLoad, the self-contained 24-bit reader, and its diagnostics.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "assets/image.h"
#include "assets_test_support.h"
#include "image_bmp_writer.h"

namespace {

struct Outcome {
    int result;
    std::string printed;
};

Outcome Load(const std::string& path, Image& image) {
    testing::internal::CaptureStdout();
    const int result = ImageLoad(path.c_str(), &image);
    std::fflush(stdout);
    return {result, testing::internal::GetCapturedStdout()};
}

void Set32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

class ImageLoadFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    TempDir dir;
};

}  // namespace

TEST_F(ImageLoadFiles, ReadsTwentyFourBitFilesBottomRowFirstAsRgb) {
    for (int width : {1, 2, 3, 4, 5, 8, 37}) {
        const RgbImage picture = PatternImage(width, 6);
        const std::string path = Write("p.bmp", Bmp24(picture));
        Image image;
        const Outcome out = Load(path, image);
        ASSERT_EQ(out.result, 1) << out.printed;
        EXPECT_EQ(out.printed, "Width of " + path + ": " + std::to_string(width) + "\nHeight of " + path + ": 6\n");
        ASSERT_EQ(image.sizeX, static_cast<uint32_t>(width));
        ASSERT_EQ(image.sizeY, 6u);
        // Same bytes as the game's own decoder gives.
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(image.data, image.data + width * 6 * 3),
                  std::vector<uint8_t>(rec->data, rec->data + width * 6 * 3))
            << "width " << width;
        FreeRGBImage(rec);
        std::free(image.data);
    }
}

TEST_F(ImageLoadFiles, PixelsStartWhereTheFileHeaderSays) {
    // A larger info header (as ImageMagick writes) puts the pixels further in.
    RgbImage picture = PatternImage(4, 2);
    std::vector<uint8_t> bytes = Bmp24(picture);
    bytes.insert(bytes.begin() + 54, 84, 0xAB);
    Set32(bytes, 10, 54 + 84);
    Set32(bytes, 14, 124);
    Image image;
    const Outcome out = Load(Write("v5.bmp", bytes), image);
    ASSERT_EQ(out.result, 1) << out.printed;
    EXPECT_EQ(image.data[0], picture.at(0, 1)[0]);
    EXPECT_EQ(image.data[2], picture.at(0, 1)[2]);
    std::free(image.data);
}

TEST_F(ImageLoadFiles, RefusalsSayWhy) {
    const auto good = Bmp24(PatternImage(4, 4));
    auto eightBit = BmpPalettised(PatternImage(4, 4, 3), 8);
    auto twoPlanes = good;
    twoPlanes[26] = 2;
    auto compressed = good;
    Set32(compressed, 30, 3);
    auto topDown = Bmp24(PatternImage(4, 4), true);
    auto huge = good;
    Set32(huge, 18, 1u << 20);
    auto wide = good;
    Set32(wide, 18, 0x55555556);  // times 3 wraps 32 bits to 2
    auto noWidth = good;
    Set32(noWidth, 18, 0);
    auto notBmp = good;
    notBmp[0] = 'X';
    const std::vector<uint8_t> shortHeader(good.begin(), good.begin() + 40);
    const std::vector<uint8_t> shortPixels(good.begin(), good.end() - 1);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* lastLine;
    };
    const Case cases[] = {
        {"eight.bmp", eightBit, "Bpp from %s is not 24: 8\n"},
        {"planes.bmp", twoPlanes, "Planes from %s is not 1: 2\n"},
        {"rle.bmp", compressed, "Compression from %s is not 0: 3\n"},
        {"topdown.bmp", topDown, "Size of %s is not usable: 4 x 4294967292\n"},
        {"huge.bmp", huge, "Size of %s is not usable: 1048576 x 4\n"},
        {"wide.bmp", wide, "Size of %s is not usable: 1431655766 x 4\n"},
        {"nowidth.bmp", noWidth, "Size of %s is not usable: 0 x 4\n"},
        {"notbmp.bmp", notBmp, "Error reading header of %s.\n"},
        {"header.bmp", shortHeader, "Error reading header of %s.\n"},
        {"pixels.bmp", shortPixels, "Error reading image data from %s.\n"},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.name, c.bytes);
        Image image;
        unsigned char sentinel = 0;
        image.data = &sentinel;
        const Outcome out = Load(path, image);
        EXPECT_EQ(out.result, 0) << c.name;
        std::string expected = c.lastLine;
        expected.replace(expected.find("%s"), 2, path);
        ASSERT_GE(out.printed.size(), expected.size()) << c.name << ": " << out.printed;
        EXPECT_EQ(out.printed.substr(out.printed.size() - expected.size()), expected) << c.name;
        EXPECT_EQ(image.data, &sentinel) << c.name << ": the pixel pointer is only set on success";
    }
}

TEST_F(ImageLoadFiles, SizesReadBeforeAFailureStay) {
    auto eightBit = BmpPalettised(PatternImage(6, 5, 3), 8);
    Image image;
    EXPECT_EQ(Load(Write("eight.bmp", eightBit), image).result, 0);
    EXPECT_EQ(image.sizeX, 6u);
    EXPECT_EQ(image.sizeY, 5u);
}

TEST_F(ImageLoadFiles, MissingFile) {
    Image image;
    const std::string path = dir.file("missing.bmp");
    const Outcome out = Load(path, image);
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.printed, "File Not Found : " + path + "\n");
}

TEST_F(ImageLoadFiles, EveryCutOfAFileIsRefused) {
    const auto whole = Bmp24(PatternImage(5, 3));
    const std::string path = dir.file("cut.bmp");
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(whole.begin(), whole.begin() + cut)));
        Image image;
        const Outcome out = Load(path, image);
        // The padding after the last row may be missing; everything before it may not.
        const bool enough = cut >= whole.size() - 1;
        EXPECT_EQ(out.result, enough ? 1 : 0) << "cut at " << cut;
        if (out.result) std::free(image.data);
    }
}
