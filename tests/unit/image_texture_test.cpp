// LoadGLTexture in a real GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "assets/image.h"
#include "assets_test_support.h"
#include "gl_test_context.h"
#include "image_bmp_writer.h"

TEST(GLTexture, FirstStoredPixelReachesTheTextureAsRgbWithoutSkew) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TempDir dir;
    RgbImage picture = PatternImage(5, 3);  // an odd width: rows are padded in the file, not in GL
    uint8_t* bottomLeft = &picture.rgb[2 * 5 * 3];
    bottomLeft[0] = 30, bottomLeft[1] = 20, bottomLeft[2] = 10;
    const std::string path = dir.file("first.bmp");
    ASSERT_TRUE(WriteBytes(path, Bmp24(picture)));

    const GLuint texture = LoadGLTexture(path.c_str());
    ASSERT_NE(texture, 0u);
    std::vector<uint8_t> texels(5 * 3 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());  // the new texture stays bound
    EXPECT_EQ(std::vector<int>(texels.begin(), texels.begin() + 3), (std::vector<int>{30, 20, 10}));
    AUX_RGBImageRec* rec = LoadBMP(path.c_str());
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(texels, std::vector<uint8_t>(rec->data, rec->data + texels.size()));
    FreeRGBImage(rec);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(LoadGLTexture(dir.file("missing.bmp").c_str()), 0u);
}
