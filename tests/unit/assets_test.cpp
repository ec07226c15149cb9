// Models and images: the MilkShape 3D reader, drawing and textures, BMP decoding.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/image.h"
#include "assets/milkshape_model.h"
#include "assets_test_support.h"
#include "gl_test_context.h"
#include "image_bmp_writer.h"
#include "model_ms3d_writer.h"

// The MilkShape 3D reader: what comes through, and what is refused without touching the model.
static bool LoadBytes(MilkshapeModel& m, const std::vector<unsigned char>& bytes, MilkshapeLoadReport* report = nullptr) {
    return m.loadModelFromMemory(bytes.data(), bytes.size(), report);
}

TEST(MilkshapeLoad, StoresEveryFieldWithTMirroredReadsVersionThreeAsFourAndRefusalsChangeNothing) {
    Ms3dFile f = SampleMs3d();
    MilkshapeModel m, three;
    ASSERT_TRUE(LoadBytes(m, f.bytes()));
    ASSERT_TRUE(m.numVertices == 4 && m.numTriangles == 2 && m.numMeshes == 2 && m.numMaterials == 2);
    ASSERT_EQ(m.meshes[1].numTriangles, 2);
    const float got[] = {float(m.vertices[1].boneID), m.vertices[3].location[2], float(m.triangles[1].vertexIndices[2]),
                         m.triangles[0].vertexNormals[2][1], m.triangles[0].s[2], m.triangles[0].t[1],
                         float(m.meshes[0].materialIndex), float(m.meshes[1].triangleIndices[0]),
                         m.materials[0].ambient[3], m.materials[0].emissive[3], m.materials[1].diffuse[0]};
    const float want[] = {2, 7.5f, 3, 1, 0.3f, 1 - 0.25f, 1, 1, 0.15f, 0.75f, 0.9f};
    for (int i = 0; i < 11; ++i) EXPECT_FLOAT_EQ(got[i], want[i]) << "value " << i;
    EXPECT_STREQ(m.materials[1].textureFilename, "data/model/sample.bmp");
    f.version = 3, f.trailer.assign(5000, 0xEE);  // no valid joint section, and it must not matter
    MilkshapeLoadReport report;
    ASSERT_TRUE(LoadBytes(three, f.bytes(), &report));
    EXPECT_TRUE(report.version == 3 && DumpModel(three, false) == DumpModel(m, false));
    // What is refused leaves the earlier model exactly as it was.
    MilkshapeModel model;
    Ms3dFile other = SampleMs3d();  // close to what is refused, but not the same
    other.vertices.push_back({1, 2, 3, 4}), other.materials[1].texture = "other.bmp";
    ASSERT_TRUE(LoadBytes(model, other.bytes()));
    const std::string before = DumpModel(model);
    std::vector<Ms3dFile> bad(9, SampleMs3d());
    bad[0].identifier[9] = '1', bad[1].version = 2, bad[2].version = 5;
    bad[3].triangles[1].vertex[2] = 4;             // a vertex index equal to the count
    bad[4].triangles[0].vertex[0] = 65535;
    bad[5].groups[1].triangles[1] = 2;             // a triangle index equal to the count
    bad[6].groups[0].material = 2;                 // a material index equal to the count
    bad[7].materials.clear();                      // a material index without materials
    bad[8].materials[0].texture.assign(128, 'a');  // a texture name without terminator
    std::vector<std::vector<unsigned char>> refused;
    for (const Ms3dFile& f : bad) refused.push_back(f.bytes());
    const auto whole = SampleMs3d().bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) refused.emplace_back(whole.begin(), whole.begin() + cut);  // cut short
    for (size_t i = 0; i < refused.size(); ++i) {
        MilkshapeLoadReport report;
        EXPECT_FALSE(LoadBytes(model, refused[i], &report)) << "case " << i;
        EXPECT_TRUE(report.error != nullptr && DumpModel(model) == before) << "case " << i;
    }
    EXPECT_FALSE(model.loadModelData("no/such/dir/missing.ms3d"));
    EXPECT_EQ(DumpModel(model), before);
}
// Models made by MilkShape 3D itself are read as an independent reader reads them in the inspector's
// test (tools/assetinfo).

// Textures and model drawing in a real GL context: each mesh textured or not, texturing put back
// afterwards, and a reload that frees the textures it replaces.
TEST(ModelGl, MeshesWithoutTextureDrawUntexturedTexturingIsPutBackAndAReloadFreesTheOldTextures) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    const std::string red = dir.file("red.bmp"), blue = dir.file("blue.bmp"), missing = dir.file("missing.bmp");
    ASSERT_TRUE(WriteBytes(red, Bmp24(RgbImage{1, 1, {255, 0, 0}})) && WriteBytes(blue, Bmp24(RgbImage{1, 1, {0, 0, 255}})));
    // A triangle over the left half of the unit square textured red, one over the right half with
    // `right` (no material if null).
    const auto twoHalves = [&](const char* right) {
        Ms3dFile f;
        for (int half = 0; half < 2; ++half) {
            f.vertices.insert(f.vertices.end(), {{0.5f * half, 0, 0}, {0.5f * half + 0.5f, 0, 0}, {0.5f * half, 2, 0}});
            f.triangles.push_back({{uint16_t(3 * half), uint16_t(3 * half + 1), uint16_t(3 * half + 2)}});
            f.groups.push_back({{uint16_t(half)}, int8_t(half == 0 || right ? half : -1)});
        }
        f.materials.resize(2);
        for (auto& m : f.materials) std::fill(m.colours, m.colours + 16, 1.0f);
        f.materials[0].texture = red, f.materials[1].texture = right ? right : "";
        return f.bytes();
    };
    const auto pixelAt = [](int x) {
        std::array<unsigned char, 4> p = {};
        glReadPixels(x, 128, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    glOrtho(0, 1, 0, 1, -1, 1);  // the unit square fills the view; a fresh context draws unlit
    // a material without texture name, a texture file that is not there, no material, a texture
    const std::pair<const char*, std::array<int, 3>> cases[] = {
        {"", {255, 255, 255}}, {missing.c_str(), {255, 255, 255}}, {nullptr, {255, 255, 255}}, {blue.c_str(), {0, 0, 255}}};
    for (const auto& [right, colour] : cases) {
        MilkshapeModel m;
        const auto bytes = twoHalves(right);
        ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
        for (bool before : {false, true}) {
            glClear(GL_COLOR_BUFFER_BIT), glColor3f(1, 1, 1);
            if (before) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
            m.draw();
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, before);
            EXPECT_TRUE(pixelAt(64) == (std::array<int, 3>{255, 0, 0}) && pixelAt(192) == colour) << (right ? right : "no material");
        }
        // The table and the puck are loaded again at every match: a reload frees the textures it replaces.
        const GLuint first[2] = {m.materials[0].texture, m.materials[1].texture};
        ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
        for (GLuint old : first)
            if (old != 0 && old != m.materials[0].texture && old != m.materials[1].texture) EXPECT_FALSE(glIsTexture(old));
        EXPECT_TRUE(glIsTexture(m.materials[0].texture));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// LoadBMP against ImageMagick: every kind of BMP a paint program saves decodes to the pixels
// ImageMagick reads from it, bottom row first; and what cannot be decoded is refused.
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
        // The picture as ImageMagick reads it, bottom row first like LoadBMP's record.
        FILE* pipe = popen(("convert '" + path + "' -flip -depth 8 rgb:- 2>/dev/null").c_str(), "r");
        std::vector<uint8_t> want(37 * 23 * 3 + 1);
        want.resize(std::fread(want.data(), 1, want.size(), pipe));
        ASSERT_EQ(pclose(pipe), 0) << path;
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr) << path;
        ASSERT_TRUE(rec->sizeX == 37 && rec->sizeY == 23 && want.size() == 37 * 23 * 3) << path;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), rec->data)) << path;
        FreeRGBImage(rec);
    }
}

TEST(BmpFiles, RefusesWhatItCannotDecode) {
    EXPECT_EQ(LoadBMP(nullptr), nullptr);  // a missing file is ModelGl's missing texture
    // Sizes no texture can have, claimed by a file that holds a few bytes: refused before any
    // allocation of that size. And a 24-bit file cut anywhere before its last row's padding.
    const auto plain = Bmp24(PatternImage(5, 3));
    for (const auto& [width, height] : {std::pair<int32_t, int32_t>{100000, 4}, {4, 100000}, {8192, 8192}, {0, 4}, {4, 0},
                                        {-4, 4}, {4, INT32_MIN}, {INT32_MIN, 4}}) {
        auto bytes = plain;
        for (int i = 0; i < 4; ++i) bytes[18 + i] = uint32_t(width) >> (8 * i), bytes[22 + i] = uint32_t(height) >> (8 * i);
        EXPECT_EQ(LoadBMPFromMemory(bytes.data(), bytes.size()), nullptr) << width << " x " << height;
    }
    for (size_t cut = 0; cut < plain.size() - 3; ++cut)
        EXPECT_EQ(LoadBMPFromMemory(plain.data(), cut), nullptr) << "cut at " << cut;
}
