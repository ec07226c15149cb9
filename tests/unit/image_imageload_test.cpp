// ImageLoad, the self-contained 24-bit reader, and its diagnostics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "assets/image.h"
#include "assets_test_support.h"
#include "image_bmp_writer.h"

// What ImageLoad returned and printed; the pixel pointer must only be set on success.
static int Load(const std::string& path, Image& image, std::string& printed) {
    unsigned char sentinel = 0;
    image.data = &sentinel;
    testing::internal::CaptureStdout();
    const int result = ImageLoad(path.c_str(), &image);
    std::fflush(stdout);
    printed = testing::internal::GetCapturedStdout();
    if (result) EXPECT_NE(image.data, &sentinel) << path; else EXPECT_EQ(image.data, &sentinel) << path;
    return result;
}

TEST(ImageLoad, ReadsTwentyFourBitFilesAsLoadBmpDoesAndRefusalsSayWhy) {
    TempDir dir;
    const std::string path = dir.file("p.bmp");
    for (int width : {1, 2, 3, 4, 5, 37}) {
        ASSERT_TRUE(WriteBytes(path, Bmp24(PatternImage(width, 6))));
        Image image;
        std::string printed;
        ASSERT_EQ(Load(path, image, printed), 1) << printed;
        EXPECT_EQ(printed, "Width of " + path + ": " + std::to_string(width) + "\nHeight of " + path + ": 6\n");
        ASSERT_EQ(std::make_pair(image.sizeX, image.sizeY), std::make_pair(static_cast<uint32_t>(width), 6u));
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr);
        EXPECT_TRUE(std::equal(image.data, image.data + width * 6 * 3, rec->data)) << "width " << width;
        FreeRGBImage(rec);
        std::free(image.data);
    }

    const auto good = Bmp24(PatternImage(4, 4));
    auto damaged = [&](size_t at, uint32_t value) {
        auto b = good;
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    const struct {
        std::vector<uint8_t> bytes;
        const char* lastLine;
    } cases[] = {
        {damaged(28, 8), "Bpp from %s is not 24: 8\n"},
        {damaged(26, 2 | (24 << 16)), "Planes from %s is not 1: 2\n"},
        {damaged(30, 3), "Compression from %s is not 0: 3\n"},
        {Bmp24(PatternImage(4, 4), true), "Size of %s is not usable: 4 x 4294967292\n"},
        {damaged(18, 1u << 20), "Size of %s is not usable: 1048576 x 4\n"},
        {damaged(18, 0x55555556), "Size of %s is not usable: 1431655766 x 4\n"},  // times 3 wraps to 2
        {damaged(0, 0x58), "Error reading header of %s.\n"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 40), "Error reading header of %s.\n"},
        {std::vector<uint8_t>(good.begin(), good.end() - 1), "Error reading image data from %s.\n"},
        {{}, "File Not Found : %s\n"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::to_string(&c - cases) + ".bmp");
        if (!c.bytes.empty()) ASSERT_TRUE(WriteBytes(path, c.bytes));
        Image image;
        std::string printed, expected = c.lastLine;
        EXPECT_EQ(Load(path, image, printed), 0) << expected;
        expected.replace(expected.find("%s"), 2, path);
        ASSERT_GE(printed.size(), expected.size()) << printed;
        EXPECT_EQ(printed.substr(printed.size() - expected.size()), expected);
    }
}
