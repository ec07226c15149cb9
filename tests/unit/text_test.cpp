// The outline font: glyph geometry checked against FreeType and FTGL, and
// glPrint drawn in a real GL context and measured in pixels.
#include <FTGL/ftgl.h>
#include <GL/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <string>
#include <vector>

#include "gl_test_context.h"
#include "platform/font_geometry.h"
#include "platform/text.h"
#include "platform/turn_log.h"

namespace {

constexpr int kSize = 256;
constexpr float kScale = 40.0f;  // pixels per em in the orthographic test view

const FontGeometry& font() {
    static FontGeometry geometry;
    static bool loaded = false;
    if (!loaded) {
        std::string file;
        int index = 0;
        loaded = FindOutlineFont(file, index) && TessellateFont(file, index, geometry);
    }
    return geometry;
}

struct Vertex {
    float nx, ny, nz, x, y, z;
};

std::vector<Vertex> glyphVertices(int code) {
    const FontGeometry::Glyph& g = font().glyphs[code & 0xFF];
    const auto* v = reinterpret_cast<const Vertex*>(font().vertices.data());
    return std::vector<Vertex>(v + g.first, v + g.first + g.count);
}

// z of the cross product of a triangle's edges: its orientation seen from +z.
float turn(const Vertex& a, const Vertex& b, const Vertex& c) {
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

bool insideFront(const std::vector<Vertex>& v, float px, float py) {
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
        if (v[i].nz < 0.5f) continue;
        const Vertex p{0, 0, 0, px, py, 0};
        if (turn(v[i], v[i + 1], p) >= 0 && turn(v[i + 1], v[i + 2], p) >= 0 && turn(v[i + 2], v[i], p) >= 0)
            return true;
    }
    return false;
}

// Ink area of a glyph in em², from FreeType's own anti-aliased rasteriser.
double rasterArea(const std::string& file, unsigned char code) {
    FT_Library lib;
    FT_Face face;
    if (FT_Init_FreeType(&lib) != 0) return -1;
    double area = -1;
    constexpr int kPixelsPerEm = 512;
    if (FT_New_Face(lib, file.c_str(), 0, &face) == 0) {
        FT_Set_Pixel_Sizes(face, kPixelsPerEm, kPixelsPerEm);
        if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0) {
            const FT_Bitmap& bm = face->glyph->bitmap;
            double sum = 0;
            for (unsigned r = 0; r < bm.rows; ++r)
                for (unsigned c = 0; c < bm.width; ++c) sum += bm.buffer[r * bm.pitch + c] / 255.0;
            area = sum / (kPixelsPerEm * kPixelsPerEm);
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return area;
}

// An orthographic view with one pixel per unit, lighting off, white text.
void setUpView() {
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
}

void placeText(float x, float y) {
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

struct Ink {
    int count = 0, minX = kSize, maxX = -1;
    float centreX() const { return (minX + maxX + 1) * 0.5f; }
};

Ink ink(const std::vector<unsigned char>& px) {
    Ink k;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const unsigned char* p = &px[(y * kSize + x) * 3];
            if (p[0] + p[1] + p[2] == 0) continue;
            ++k.count;
            k.minX = std::min(k.minX, x);
            k.maxX = std::max(k.maxX, x);
        }
    return k;
}

float modelviewX() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return m[12];
}

std::vector<float> modelview() {
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

std::vector<unsigned char> drawn(const char* text) {
    setUpView();
    placeText(kSize / 2.0f, kSize / 2.0f);
    glPrint("%s", text);
    return readPixels();
}

class GlPrint : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL(ctx_);
        ASSERT_TRUE(BuildFont());
        turnLog().clear();
        turnLog().recordTexts = false;
        setUpView();
    }
    void TearDown() override {
        turnLog().recordTexts = false;
        turnLog().clear();
    }
    GlTestContext ctx_{kSize, kSize};
};

}  // namespace

TEST(Windows1252, MapsTheUpperHalfToUnicode) {
    const struct {
        unsigned char code;
        unsigned int unicode;
    } table[] = {{'A', 'A'},     {0x7F, 0x7F},     {0x80, 0x20AC}, {0x81, 0x81},     {0x8A, 0x0160},
                 {0x8D, 0x8D},   {0x91, 0x2018},   {0x99, 0x2122}, {0x9F, 0x0178},   {0xA0, 0xA0},
                 {0xC4, 0xC4},   {0xE9, 0xE9},     {0xFE, 0xFE},   {0xFF, 0xFF}};
    for (const auto& row : table) EXPECT_EQ(Windows1252ToUnicode(row.code), row.unicode) << int(row.code);
}

TEST(FontGeometry, IsAMonospacedBoldFaceMeasuredInEm) {
    ASSERT_FALSE(font().file.empty()) << "no outline font";
    FT_Library lib;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    ASSERT_EQ(FT_New_Face(lib, font().file.c_str(), 0, &face), 0);
    EXPECT_TRUE(face->style_flags & FT_STYLE_FLAG_BOLD) << face->style_name;
    EXPECT_TRUE(FT_IS_FIXED_WIDTH(face));
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    // FTGL measures the same face on its own: at 1000 pixels per em its advance is ours times 1000.
    FTExtrudeFont reference(font().file.c_str());
    ASSERT_FALSE(reference.Error());
    reference.FaceSize(1000);
    const float advance = font().glyphs['M'].metrics.gmfCellIncX;
    EXPECT_NEAR(advance, reference.Advance("M") / 1000.0f, 0.002f);
    EXPECT_GT(advance, 0.5f);
    EXPECT_LT(advance, 0.7f);
    for (int code = ' '; code < 0x7F; ++code)
        EXPECT_FLOAT_EQ(font().glyphs[code].metrics.gmfCellIncX, advance) << code;
    for (int code = 0xA0; code < 0xFF; ++code)
        EXPECT_FLOAT_EQ(font().glyphs[code].metrics.gmfCellIncX, advance) << code;

    const FontGeometry::Glyph& last = font().glyphs[255];
    EXPECT_EQ(last.count, 0);
    EXPECT_EQ(last.metrics.gmfCellIncX, 0.0f);
    EXPECT_EQ(last.metrics.gmfBlackBoxX, 0.0f);
    EXPECT_EQ(font().glyphs[' '].count, 0);
    // 'H' stands on the baseline and reaches about cap height.
    const GlyphMetricsFloat& h = font().glyphs['H'].metrics;
    EXPECT_NEAR(h.gmfptGlyphOriginY - h.gmfBlackBoxY, 0.0f, 0.01f);
    EXPECT_GT(h.gmfBlackBoxY, 0.55f);
    EXPECT_LT(h.gmfBlackBoxY, 0.8f);
}

TEST(FontGeometry, FacesCoverTheInkAreaHolesIncluded) {
    for (char code : {'H', 'O', '8', '@', 'B', '%', 'g'}) {
        const std::vector<Vertex> v = glyphVertices(code);
        double front = 0, back = 0;
        for (size_t i = 0; i + 2 < v.size(); i += 3) {
            const double area = turn(v[i], v[i + 1], v[i + 2]) / 2.0;
            if (v[i].nz > 0.5f) front += area;
            if (v[i].nz < -0.5f) back += area;
        }
        const double expected = rasterArea(font().file, code);
        ASSERT_GT(expected, 0) << code;
        EXPECT_NEAR(front, expected, expected * 0.02) << code;
        EXPECT_NEAR(-back, expected, expected * 0.02) << code;
    }
}

TEST(FontGeometry, IsASlabFromZeroToMinusDepthWithOutwardWalls) {
    for (int code : {int('O'), int('A'), int('g'), int('@'), 0xE9, 0x80}) {
        const std::vector<Vertex> v = glyphVertices(code);
        ASSERT_FALSE(v.empty()) << int(code);
        int walls = 0, wrongWalls = 0;
        for (size_t i = 0; i + 2 < v.size(); i += 3) {
            const Vertex &a = v[i], &b = v[i + 1], &c = v[i + 2];
            for (const Vertex* p : {&a, &b, &c}) {
                EXPECT_GE(p->z, -kFontDepth - 1e-6f);
                EXPECT_LE(p->z, 1e-6f);
            }
            // The geometric face normal agrees with the stored one.
            const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
            const float wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
            const float gx = uy * wz - uz * wy, gy = uz * wx - ux * wz, gz = ux * wy - uy * wx;
            EXPECT_GT(gx * a.nx + gy * a.ny + gz * a.nz, 0) << int(code) << " triangle " << i / 3;
            if (a.nz > 0.5f) EXPECT_EQ(a.z, 0.0f);
            if (a.nz < -0.5f) EXPECT_FLOAT_EQ(a.z, -kFontDepth);
            if (std::fabs(a.nz) > 0.5f) continue;
            // A wall: a step outward from its edge leaves the glyph, a step inward enters it.
            ++walls;
            const float len = std::sqrt(gx * gx + gy * gy);
            const float mx = (a.x + b.x + c.x) / 3, my = (a.y + b.y + c.y) / 3;
            const float step = 0.0005f;  // well inside the narrowest counter tips
            if (insideFront(v, mx + gx / len * step, my + gy / len * step) ||
                !insideFront(v, mx - gx / len * step, my - gy / len * step))
                ++wrongWalls;
        }
        EXPECT_GT(walls, 8) << int(code);
        EXPECT_LE(wrongWalls, walls / 100) << int(code);
    }
}

TEST_F(GlPrint, NullFormatDrawsNothingAndKeepsTheMatrix) {
    turnLog().recordTexts = true;
    placeText(100, 100);
    const std::vector<float> before = modelview();
    glPrint(nullptr);
    EXPECT_EQ(modelview(), before);
    EXPECT_EQ(ink(readPixels()).count, 0);
    EXPECT_TRUE(turnLog().texts.empty());
}

TEST_F(GlPrint, EmptyTextAndCode255MoveNothingAndDrawNothing) {
    for (const char* text : {"", "\xff", "\xff\xff\xff"}) {
        setUpView();
        placeText(100, 100);
        const std::vector<float> before = modelview();
        glPrint("%s", text);
        EXPECT_EQ(modelview(), before) << text;
        EXPECT_EQ(ink(readPixels()).count, 0);
    }
    EXPECT_EQ(gmf[255].gmfCellIncX, 0.0f);
    EXPECT_EQ(drawn("H\xffH"), drawn("HH"));
}

TEST_F(GlPrint, CentresOnThePositionAndEndsHalfTheWidthToTheRight) {
    const float advance = gmf['H'].gmfCellIncX;
    placeText(128, 100);
    glPrint("HHH");
    EXPECT_NEAR(modelviewX(), 128 + 1.5f * advance * kScale, 1e-3f);
    const Ink k = ink(readPixels());
    EXPECT_GT(k.count, 100);
    EXPECT_NEAR(k.centreX(), 128, 1.5f);
    EXPECT_NEAR(k.maxX - k.minX, 3 * advance * kScale, 0.3f * advance * kScale);
}

TEST_F(GlPrint, SecondPrintIsCentredHalfTheFirstWidthFurther) {
    turnLog().recordTexts = true;
    const float advance = gmf['H'].gmfCellIncX;
    placeText(60, 100);
    glPrint("HH");
    glPrint("%c", 'I');
    ASSERT_EQ(turnLog().texts.size(), 2u);
    EXPECT_NEAR(turnLog().texts[0].x, 60, 1e-3f);
    EXPECT_NEAR(turnLog().texts[1].x - turnLog().texts[0].x, advance * kScale, 1e-3f);

    // The 'I' really appears where its print began.
    setUpView();
    placeText(60, 100);
    glTranslatef(advance, 0, 0);
    glPrint("I");
    EXPECT_NEAR(ink(readPixels()).centreX(), turnLog().texts[1].x, 1.5f);
}

TEST_F(GlPrint, RecordsWindowPositionFromTheTopAndTheColour) {
    turnLog().recordTexts = true;
    placeText(100, 50);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glPrint("Score %i", 7);
    ASSERT_EQ(turnLog().texts.size(), 1u);
    const PrintedText& t = turnLog().texts[0];
    EXPECT_EQ(t.s, "Score 7");
    EXPECT_NEAR(t.x, 100, 1e-3f);
    EXPECT_NEAR(t.y, kSize - 50, 1e-3f);
    EXPECT_FLOAT_EQ(t.rgba[0], 0.25f);
    EXPECT_FLOAT_EQ(t.rgba[1], 0.5f);
    EXPECT_FLOAT_EQ(t.rgba[2], 0.75f);
    EXPECT_FLOAT_EQ(t.rgba[3], 1.0f);
}

TEST_F(GlPrint, CutsLongTextAt255Characters) {
    turnLog().recordTexts = true;
    const std::string longText(400, 'H');
    placeText(0, 100);
    glPrint("%s", longText.c_str());
    ASSERT_EQ(turnLog().texts.size(), 1u);
    EXPECT_EQ(turnLog().texts[0].s, std::string(255, 'H'));
    EXPECT_NEAR(modelviewX(), 255 * gmf['H'].gmfCellIncX * kScale / 2, 1e-2f);
}

TEST_F(GlPrint, UpperHalfCodesDrawTheirOwnGlyphs) {
    EXPECT_EQ(gmf[0xE9].gmfCellIncX, gmf['e'].gmfCellIncX);
    const auto eAcute = drawn("\xe9"), e = drawn("e"), euro = drawn("\x80"), missing = drawn("\x81");
    EXPECT_GT(ink(eAcute).count, ink(e).count);  // the accent adds ink
    EXPECT_NE(euro, missing);
    EXPECT_GT(ink(euro).count, 50);
}

TEST_F(GlPrint, LettersAreSolidAndReachDepthBehindTheirFace) {
    // Seen edge-on from +x, the letters' depth runs along x: -z lies to the left.
    setUpView();
    glLoadIdentity();
    glTranslatef(128, 100, 0);
    glRotatef(90, 0, 1, 0);
    glScalef(kScale, kScale, kScale);
    glPrint("H");
    const Ink k = ink(readPixels());
    EXPECT_GT(k.count, 50);
    EXPECT_NEAR(k.minX, 128 - kFontDepth * kScale, 1.0f);
    EXPECT_NEAR(k.maxX + 1, 128, 1.0f);
}

TEST(GlPrintRebuild, ANewContextDrawsTheSame) {
    std::vector<unsigned char> first, second;
    unsigned int firstBase = 0;
    {
        GlTestContext ctx(kSize, kSize);
        REQUIRE_GL(ctx);
        ASSERT_TRUE(BuildFont());
        firstBase = base;
        first = drawn("Ab3 \xe9!");
    }
    {
        GlTestContext ctx(kSize, kSize);
        REQUIRE_GL(ctx);
        // Something else in the new context takes list names first: the font follows them.
        const GLuint other = glGenLists(7);
        ASSERT_TRUE(BuildFont());
        EXPECT_GE(base, other + 7);
        second = drawn("Ab3 \xe9!");
    }
    EXPECT_GT(firstBase, 0u);
    EXPECT_GT(ink(first).count, 200);
    EXPECT_EQ(first, second);
}
