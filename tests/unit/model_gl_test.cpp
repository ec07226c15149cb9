// Drawing a model and the life of its textures in real GL contexts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>

#include "assets/milkshape_model.h"
#include "assets_test_support.h"
#include "gl_test_context.h"
#include "image_bmp_writer.h"
#include "model_ms3d_writer.h"

namespace {

RgbImage SolidImage(uint8_t r, uint8_t g, uint8_t b, int side = 8) {
    RgbImage img{side, side, {}};
    for (int i = 0; i < side * side; ++i) img.rgb.insert(img.rgb.end(), {r, g, b});
    return img;
}

// A quad from x0 to x1 over the whole height of the unit square, as two triangles of one group.
void AddQuad(Ms3dFile& f, float x0, float x1, int8_t material) {
    const uint16_t base = static_cast<uint16_t>(f.vertices.size());
    f.vertices.push_back({x0, 0, 0, -1});
    f.vertices.push_back({x1, 0, 0, -1});
    f.vertices.push_back({x1, 1, 0, -1});
    f.vertices.push_back({x0, 1, 0, -1});
    const uint16_t first = static_cast<uint16_t>(f.triangles.size());
    for (auto corners : {std::array<uint16_t, 3>{0, 1, 2}, std::array<uint16_t, 3>{0, 2, 3}}) {
        Ms3dFile::Triangle t;
        for (int c = 0; c < 3; ++c) {
            t.vertex[c] = static_cast<uint16_t>(base + corners[c]);
            t.normal[c][2] = 1;
            t.s[c] = 0.5f;
            t.t[c] = 0.5f;
        }
        f.triangles.push_back(t);
    }
    f.groups.push_back({"quad", {first, static_cast<uint16_t>(first + 1)}, material});
}

Ms3dFile::Material MaterialWithTexture(const std::string& file) {
    Ms3dFile::Material m;
    for (int i = 0; i < 4; ++i) m.diffuse[i] = 1;
    m.texture = file;
    return m;
}

void UnitSquareView() {
    glViewport(0, 0, 256, 256);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
}

std::array<int, 3> PixelAt(int x, int y) {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

// The texture names alive in the current context among the first few.
std::set<GLuint> LiveTextures() {
    std::set<GLuint> live;
    for (GLuint name = 1; name <= 64; ++name)
        if (glIsTexture(name)) live.insert(name);
    return live;
}

std::set<GLuint> TexturesOf(const Model& m) {
    std::set<GLuint> names;
    for (int i = 0; i < m.numMaterials; ++i)
        if (m.materials[i].texture) names.insert(m.materials[i].texture);
    return names;
}

std::array<int, 3> FirstTexel(GLuint texture) {
    unsigned char texels[8 * 8 * 3] = {};
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    return {texels[0], texels[1], texels[2]};
}

class ModelGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        red = dir.file("red.bmp");
        blue = dir.file("blue.bmp");
        ASSERT_TRUE(WriteBytes(red, Bmp24(SolidImage(255, 0, 0))));
        ASSERT_TRUE(WriteBytes(blue, Bmp24(SolidImage(0, 0, 255))));
    }

    // Left half textured red, right half with the given material (or none).
    std::vector<unsigned char> TwoHalves(const std::string& rightTexture, bool rightHasMaterial) {
        Ms3dFile f;
        AddQuad(f, 0, 0.5f, 0);
        AddQuad(f, 0.5f, 1, rightHasMaterial ? 1 : -1);
        f.materials = {MaterialWithTexture(red), MaterialWithTexture(rightTexture)};
        return f.bytes();
    }

    std::vector<unsigned char> OneTexture(const std::string& file) {
        Ms3dFile f;
        AddQuad(f, 0, 1, 0);
        f.materials = {MaterialWithTexture(file)};
        return f.bytes();
    }

    TempDir dir;
    std::string red, blue;
};

}  // namespace

TEST_F(ModelGl, DrawRestoresTexturingEitherWay) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"last mesh untextured", TwoHalves("", true)},
        {"last mesh without material", TwoHalves("", false)},
        {"last mesh textured", TwoHalves(blue, true)},
        {"no materials", Ms3dFile{}.bytes()},
    };
    for (const Case& c : cases) {
        MilkshapeModel m;
        ASSERT_TRUE(m.loadModelFromMemory(c.bytes.data(), c.bytes.size())) << c.what;
        for (bool before : {false, true}) {
            if (before) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
            m.draw();
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, before) << c.what;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelGl, MeshesWithoutTextureAreDrawnUntexturedAfterATexturedOne) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::array<int, 3> right;
    };
    const Case cases[] = {
        {"material without texture name", TwoHalves("", true), {255, 255, 255}},
        {"material whose texture file is missing", TwoHalves(dir.file("missing.bmp"), true), {255, 255, 255}},
        {"no material", TwoHalves("", false), {255, 255, 255}},
        {"material with another texture", TwoHalves(blue, true), {0, 0, 255}},
    };
    for (const Case& c : cases) {
        MilkshapeModel m;
        ASSERT_TRUE(m.loadModelFromMemory(c.bytes.data(), c.bytes.size())) << c.what;
        UnitSquareView();
        m.draw();
        EXPECT_EQ(PixelAt(64, 128), (std::array<int, 3>{255, 0, 0})) << c.what;
        EXPECT_EQ(PixelAt(192, 128), c.right) << c.what;
    }
}

TEST_F(ModelGl, EmptyModelDrawsNothing) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    MilkshapeModel m;
    UnitSquareView();
    m.draw();
    m.reloadTextures();
    EXPECT_EQ(PixelAt(128, 128), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelGl, LoadMakesOneTexturePerNamedFileThatExists) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    Ms3dFile f;
    AddQuad(f, 0, 1, 0);
    f.materials = {MaterialWithTexture(red), MaterialWithTexture(""), MaterialWithTexture(dir.file("none.bmp")),
                   MaterialWithTexture(blue)};
    const auto bytes = f.bytes();
    MilkshapeModel m;
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    EXPECT_NE(m.materials[0].texture, 0u);
    EXPECT_EQ(m.materials[1].texture, 0u);
    EXPECT_EQ(m.materials[2].texture, 0u);
    EXPECT_NE(m.materials[3].texture, 0u);
    EXPECT_EQ(LiveTextures(), TexturesOf(m));
    EXPECT_EQ(FirstTexel(m.materials[3].texture), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(ModelGl, TextureNamesWithBackslashesFindTheFile) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    std::string windowsName = red;
    windowsName[windowsName.rfind('/')] = '\\';
    MilkshapeModel m;
    const auto bytes = OneTexture(windowsName);
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    EXPECT_NE(m.materials[0].texture, 0u);
    EXPECT_STREQ(m.materials[0].textureFilename, windowsName.c_str());
}

TEST_F(ModelGl, ReloadsInTheSameContextLeaveNoOldTextures) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    MilkshapeModel table, puck;
    const auto redBytes = TwoHalves(red, true), blueBytes = OneTexture(blue);
    ASSERT_TRUE(puck.loadModelFromMemory(blueBytes.data(), blueBytes.size()));
    for (int round = 0; round < 5; ++round) {
        const auto& bytes = round % 2 ? redBytes : blueBytes;
        ASSERT_TRUE(table.loadModelFromMemory(bytes.data(), bytes.size()));
        table.reloadTextures();
        puck.reloadTextures();
    }
    std::set<GLuint> expected = TexturesOf(table);
    for (GLuint name : TexturesOf(puck)) expected.insert(name);
    EXPECT_EQ(LiveTextures(), expected);
    EXPECT_EQ(FirstTexel(puck.materials[0].texture), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(ModelGl, RefusedLoadKeepsTheTexturesToo) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    MilkshapeModel m;
    const auto bytes = OneTexture(red);
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    const GLuint texture = m.materials[0].texture;
    EXPECT_FALSE(m.loadModelFromMemory(bytes.data(), bytes.size() - 1));
    EXPECT_EQ(m.materials[0].texture, texture);
    EXPECT_TRUE(glIsTexture(texture));
}

TEST_F(ModelGl, TexturesOfAGoneContextAreNeverDeletedInANewOne) {
    // The new context hands out the same texture names again, here to another model; the first
    // model's rebuild and its destruction must leave them alone.
    auto first = std::make_unique<MilkshapeModel>();
    GLuint oldName = 0;
    {
        GlTestContext a;
        REQUIRE_GL(a);
        const auto bytes = OneTexture(red);
        ASSERT_TRUE(first->loadModelFromMemory(bytes.data(), bytes.size()));
        oldName = first->materials[0].texture;
        ASSERT_NE(oldName, 0u);
    }
    GlTestContext b;
    REQUIRE_GL(b);
    MilkshapeModel second;
    const auto bytes = OneTexture(blue);
    ASSERT_TRUE(second.loadModelFromMemory(bytes.data(), bytes.size()));
    const GLuint secondName = second.materials[0].texture;
    ASSERT_EQ(secondName, oldName) << "the new context should reuse the name, or this test proves nothing";

    first->reloadTextures();  // what InitGL does after a window is made again
    EXPECT_TRUE(glIsTexture(secondName));
    EXPECT_EQ(FirstTexel(secondName), (std::array<int, 3>{0, 0, 255}));
    ASSERT_NE(first->materials[0].texture, 0u);
    EXPECT_NE(first->materials[0].texture, secondName);
    EXPECT_EQ(FirstTexel(first->materials[0].texture), (std::array<int, 3>{255, 0, 0}));

    // Now the first model's textures live here, and go with it.
    first.reset();
    EXPECT_EQ(LiveTextures(), std::set<GLuint>{secondName});
}

TEST_F(ModelGl, DestroyingAModelAfterItsContextIsGoneDeletesNothing) {
    auto orphan = std::make_unique<MilkshapeModel>();
    {
        GlTestContext a;
        REQUIRE_GL(a);
        const auto bytes = OneTexture(red);
        ASSERT_TRUE(orphan->loadModelFromMemory(bytes.data(), bytes.size()));
    }
    GlTestContext b;
    REQUIRE_GL(b);
    MilkshapeModel other;
    const auto bytes = OneTexture(blue);
    ASSERT_TRUE(other.loadModelFromMemory(bytes.data(), bytes.size()));
    // Loading a new file into the orphan releases its old texture names: they must not be deleted here.
    const auto emptyBytes = Ms3dFile{}.bytes();
    ASSERT_TRUE(orphan->loadModelFromMemory(emptyBytes.data(), emptyBytes.size()));
    orphan.reset();
    EXPECT_EQ(LiveTextures(), TexturesOf(other));
}

TEST_F(ModelGl, WithoutAContextNoTextureIsMade) {
    MilkshapeModel m;
    const auto bytes = OneTexture(red);
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(m.materials[0].texture, 0u);
    // The window arrives later; its InitGL makes the textures.
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    m.reloadTextures();
    EXPECT_NE(m.materials[0].texture, 0u);
    EXPECT_EQ(FirstTexel(m.materials[0].texture), (std::array<int, 3>{255, 0, 0}));
}
