// Drawing a model in a real GL context: each mesh textured or not, and texturing put back afterwards.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "assets/milkshape_model.h"
#include "assets_test_support.h"
#include "gl_test_context.h"
#include "image_bmp_writer.h"
#include "model_ms3d_writer.h"

// A triangle over the left half of the unit square textured with `left`, one over the right half with
// `right` (no material if null).
static std::vector<unsigned char> TwoHalves(const std::string& left, const char* right) {
    Ms3dFile f;
    for (int half = 0; half < 2; ++half) {
        const float x0 = 0.5f * half;
        f.vertices.insert(f.vertices.end(), {{x0, 0, 0, -1}, {x0 + 0.5f, 0, 0, -1}, {x0, 2, 0, -1}});
        f.triangles.push_back({{uint16_t(3 * half), uint16_t(3 * half + 1), uint16_t(3 * half + 2)}});
        f.groups.push_back({{uint16_t(half)}, int8_t(half == 0 || right ? half : -1)});
    }
    f.materials.resize(2);
    for (auto& m : f.materials) std::fill(m.colours, m.colours + 16, 1.0f);
    f.materials[0].texture = left;
    f.materials[1].texture = right ? right : "";
    return f.bytes();
}

TEST(ModelGl, MeshesWithoutTextureDrawUntexturedAndTexturingIsPutBack) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    RgbImage red{8, 8, {}}, blue{8, 8, {}};
    for (int i = 0; i < 64; ++i)
        red.rgb.insert(red.rgb.end(), {255, 0, 0}), blue.rgb.insert(blue.rgb.end(), {0, 0, 255});
    ASSERT_TRUE(WriteBytes(dir.file("red.bmp"), Bmp24(red)));
    ASSERT_TRUE(WriteBytes(dir.file("blue.bmp"), Bmp24(blue)));
    const std::string missing = dir.file("missing.bmp"), other = dir.file("blue.bmp");
    const std::pair<const char*, std::array<int, 3>> cases[] = {
        {"", {255, 255, 255}},               // a material without texture name
        {missing.c_str(), {255, 255, 255}},  // a texture file that is not there
        {nullptr, {255, 255, 255}},          // no material
        {other.c_str(), {0, 0, 255}},
    };
    auto pixelAt = [](int x, int y) {
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    glViewport(0, 0, 256, 256);
    glOrtho(0, 1, 0, 1, -1, 1);  // the unit square fills the view
    glDisable(GL_LIGHTING);
    for (const auto& c : cases) {
        MilkshapeModel m;
        const auto bytes = TwoHalves(dir.file("red.bmp"), c.first);
        SCOPED_TRACE(c.first ? c.first : "no material");
        ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
        for (bool before : {false, true}) {
            glClear(GL_COLOR_BUFFER_BIT);
            glColor3f(1, 1, 1);
            if (before) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
            m.draw();
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, before);
            EXPECT_EQ(pixelAt(64, 128), (std::array<int, 3>{255, 0, 0}));
            EXPECT_EQ(pixelAt(192, 128), c.second);
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The table and the puck are loaded again at every match: a reload must free the textures it replaces.
TEST(ModelGl, ReloadDeletesTheTexturesItReplaces) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    RgbImage grey{4, 4, std::vector<unsigned char>(48, 128)};
    ASSERT_TRUE(WriteBytes(dir.file("grey.bmp"), Bmp24(grey)));
    const auto bytes = TwoHalves(dir.file("grey.bmp"), dir.file("grey.bmp").c_str());
    MilkshapeModel m;
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    const GLuint first[2] = {m.materials[0].texture, m.materials[1].texture};
    ASSERT_TRUE(glIsTexture(first[0]) && glIsTexture(first[1]));
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    for (GLuint old : first)
        if (old != m.materials[0].texture && old != m.materials[1].texture) EXPECT_FALSE(glIsTexture(old));
    EXPECT_TRUE(glIsTexture(m.materials[0].texture));
}
