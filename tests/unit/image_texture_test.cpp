// LoadGLTexture in a real GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "assets/image.h"
#include "assets_test_support.h"
#include "gl_test_context.h"
#include "image_bmp_writer.h"

namespace {

std::vector<uint8_t> TexImage(GLuint texture, int width, int height) {
    std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 3);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

GLint TexParameter(GLuint texture, GLenum name) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

}  // namespace

TEST(GLTexture, StoredBlueGreenRedReachesTheTextureAsRedGreenBlue) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    RgbImage picture = PatternImage(64, 64);
    uint8_t* firstStored = &picture.rgb[(63 * 64) * 3];  // bottom-left: the file's first pixel
    firstStored[0] = 30, firstStored[1] = 20, firstStored[2] = 10;
    auto bytes = Bmp24(picture);
    ASSERT_EQ(bytes[54], 10);  // blue, green, red on disk
    ASSERT_EQ(bytes[55], 20);
    ASSERT_EQ(bytes[56], 30);
    const std::string path = dir.file("first.bmp");
    ASSERT_TRUE(WriteBytes(path, bytes));

    const GLuint texture = LoadGLTexture(path.c_str());
    ASSERT_NE(texture, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture) << "the new texture stays bound";
    const auto texels = TexImage(texture, 64, 64);
    EXPECT_EQ(texels[0], 30);
    EXPECT_EQ(texels[1], 20);
    EXPECT_EQ(texels[2], 10);
    EXPECT_EQ(TexParameter(texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLTexture, OddWidthsUploadWithoutSkew) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (int width : {1, 2, 3, 5}) {
        const RgbImage picture = PatternImage(width, 4);
        const std::string path = dir.file("odd.bmp");
        ASSERT_TRUE(WriteBytes(path, Bmp24(picture)));
        const GLuint texture = LoadGLTexture(path.c_str());
        ASSERT_NE(texture, 0u);
        AUX_RGBImageRec* rec = LoadBMP(path.c_str());
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(TexImage(texture, width, 4), std::vector<uint8_t>(rec->data, rec->data + width * 4 * 3))
            << "width " << width;
        FreeRGBImage(rec);
    }
    GLint after = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &after);
    EXPECT_EQ(after, alignment) << "the unpack alignment is put back";
}

TEST(GLTexture, MissingOrBrokenFileGivesZeroAndCreatesNothing) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    auto broken = Bmp24(PatternImage(8, 8));
    broken.resize(60);
    ASSERT_TRUE(WriteBytes(dir.file("broken.bmp"), broken));

    EXPECT_EQ(LoadGLTexture(dir.file("missing.bmp").c_str()), 0u);
    EXPECT_EQ(LoadGLTexture(dir.file("broken.bmp").c_str()), 0u);
    EXPECT_EQ(LoadGLTexture(nullptr), 0u);
    // No name was taken: the first one a fresh context hands out is still free.
    for (GLuint name = 1; name <= 8; ++name) EXPECT_FALSE(glIsTexture(name)) << name;
    GLuint next = 0;
    glGenTextures(1, &next);
    EXPECT_EQ(next, 1u);
}
