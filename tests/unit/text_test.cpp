// glPrint drawn in a real GL context and measured in pixels. Must keep: the width rule (a second
// print is centred half the first one's width further right), code 255 as an empty glyph, a null
// format that keeps the matrix, and a rebuild in a new context that draws the same.
#include <GL/gl.h>

#include <string>
#include <vector>

#include "gl_test_context.h"
#include "platform/text.h"
#include "platform/turn_log.h"

namespace {

constexpr int kSize = 256;
constexpr float kScale = 40.0f;  // pixels per em in the orthographic test view

// An orthographic view with one pixel per unit, lighting off, white text placed at (x, y).
void setUpView(float x, float y) {
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glLoadIdentity();
    glTranslatef(x, y, 0);
    glScalef(kScale, kScale, kScale);
}

std::vector<unsigned char> readPixels() {
    glFinish();
    std::vector<unsigned char> px(kSize * kSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

struct Ink { int count = 0, minX = kSize, maxX = -1; };

Ink ink(const std::vector<unsigned char>& px) {
    Ink k;
    for (int i = 0; i < kSize * kSize; ++i)
        if (px[i * 3] + px[i * 3 + 1] + px[i * 3 + 2] > 0)
            k = {k.count + 1, std::min(k.minX, i % kSize), std::max(k.maxX, i % kSize)};
    return k;
}

std::vector<float> modelview() {
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

std::vector<unsigned char> drawn(const char* text) {
    setUpView(kSize / 2.0f, kSize / 2.0f);
    glPrint("%s", text);
    return readPixels();
}

class GlPrint : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL(ctx_);
        ASSERT_TRUE(BuildFont());
        CurrentTurnLog().clear(), CurrentTurnLog().recordTexts = true;
    }
    void TearDown() override { CurrentTurnLog().recordTexts = false, CurrentTurnLog().clear(); }
    GlTestContext ctx_{kSize, kSize};
};

}  // namespace

TEST_F(GlPrint, NullFormatEmptyTextAndCode255MoveAndDrawNothing) {
    setUpView(100, 100);
    const std::vector<float> before = modelview();
    glPrint(nullptr);
    EXPECT_EQ(modelview(), before);
    EXPECT_TRUE(CurrentTurnLog().texts.empty());
    for (const char* text : {"", "\xff", "\xff\xff\xff"}) {
        setUpView(100, 100);
        glPrint("%s", text);
        EXPECT_EQ(modelview(), before) << text;
        EXPECT_EQ(ink(readPixels()).count, 0);
    }
    EXPECT_EQ(drawn("H\xffH"), drawn("HH"));
}

TEST_F(GlPrint, CentresEachPrintAndTheNextHalfTheFirstWidthFurther) {
    const float advance = gmf['H'].gmfCellIncX;
    setUpView(60, 100);
    glPrint("HH");
    glPrint("%c", 'I');
    ASSERT_EQ(CurrentTurnLog().texts.size(), 2u);
    EXPECT_NEAR(CurrentTurnLog().texts[0].x, 60, 1e-3f);
    EXPECT_NEAR(CurrentTurnLog().texts[1].x - CurrentTurnLog().texts[0].x, advance * kScale, 1e-3f);

    // Drawn, "HHH" is centred on its position and is three advances wide.
    setUpView(128, 100);
    glPrint("HHH");
    const Ink k = ink(readPixels());
    EXPECT_NEAR((k.minX + k.maxX + 1) * 0.5f, 128, 1.5f);
    EXPECT_NEAR(k.maxX - k.minX, 3 * advance * kScale, 0.3f * advance * kScale);
}

TEST(GlPrintRebuild, ANewContextDrawsTheSame) {
    std::vector<unsigned char> first;
    for (int round = 0; round < 2; ++round) {
        GlTestContext ctx(kSize, kSize);
        REQUIRE_GL(ctx);
        // In the new context something else takes list names first: the font follows them.
        const GLuint other = round ? glGenLists(7) : 0;
        ASSERT_TRUE(BuildFont());
        EXPECT_GE(base, other + (round ? 7 : 1));
        const std::vector<unsigned char> pixels = drawn("Ab3 \xe9!");
        if (round == 0) first = pixels;
        EXPECT_EQ(pixels, first);
    }
    EXPECT_GT(ink(first).count, 200);
}
