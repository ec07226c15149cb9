// The generated models loaded with the game's own loaders, checked against the rules of play:
// rails where the wall lines stop a puck, openings exactly at the goal mouths, pucks and
// mallets that touch exactly when the hit test says so.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "assets/image.h"
#include "assets/milkshape_model.h"
#include "game/table.h"
#include "gl_test_context.h"

namespace {

constexpr float kSurfaceY = -10.0f;  // the puck is drawn 10 below the mallets, its bottom at 0
constexpr float kProbe = 0.25f;      // how far either side of an edge the probes look

// Height of the highest triangle straight above or below (x, z); -infinity where there is none.
float topAt(const Model& m, float x, float z) {
    float top = -std::numeric_limits<float>::infinity();
    for (int t = 0; t < m.numTriangles; ++t) {
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = m.vertices[m.triangles[t].vertexIndices[k]].location;
        // Barycentric coordinates in the x-z plane; walls (no area there) never count.
        float d = (p[1][2] - p[2][2]) * (p[0][0] - p[2][0]) + (p[2][0] - p[1][0]) * (p[0][2] - p[2][2]);
        if (std::abs(d) < 1e-6f) continue;
        float a = ((p[1][2] - p[2][2]) * (x - p[2][0]) + (p[2][0] - p[1][0]) * (z - p[2][2])) / d;
        float b = ((p[2][2] - p[0][2]) * (x - p[2][0]) + (p[0][0] - p[2][0]) * (z - p[2][2])) / d;
        if (a < -1e-5f || b < -1e-5f || a + b > 1 + 1e-5f) continue;
        top = std::max(top, a * p[0][1] + b * p[1][1] + (1 - a - b) * p[2][1]);
    }
    return top;
}

// Largest distance in the x-z plane from (cx, cz) to a vertex.
float radiusAbout(const Model& m, float cx, float cz) {
    float r = 0;
    for (int i = 0; i < m.numVertices; ++i)
        r = std::max(r, std::hypot(m.vertices[i].location[0] - cx, m.vertices[i].location[2] - cz));
    return r;
}

bool inMouth(const TableConstants& t, float x) {
    return (t.my_goal_min_x < x && x < t.my_goal_max_x) || (t.my_goal_min_x2 < x && x < t.my_goal_max_x2);
}

}  // namespace

TEST(DataModels, EveryModelTheGameNamesLoadsWithTexturesThatUpload) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    std::set<std::string> files{"data/model/puk.ms3d", "data/model/puk2.ms3d", "data/model/schiesser.ms3d",
                                "data/model/kzmplane.ms3d"};
    for (int n = 1; n <= kTableCount; ++n) files.insert(TableConstantsOf(n)->modelFile);
    for (const std::string& file : files) {
        MilkshapeModel m;
        ASSERT_TRUE(m.loadModelData(file.c_str())) << file;
        EXPECT_GT(m.numTriangles, 0) << file;
        ASSERT_GT(m.numMaterials, 0) << file;
        for (int i = 0; i < m.numMaterials; ++i) {
            const char* name = m.materials[i].textureFilename;
            ASSERT_NE(name, nullptr) << file;
            EXPECT_EQ(std::string(name).rfind("data/model/", 0), 0u) << name;  // relative to the working folder
            EXPECT_NE(LoadGLTexture(name), 0u) << name;
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << name;
        }
    }
}

class TableModel : public ::testing::TestWithParam<int> {};

// A standard puck (its model's radius) centred on a wall line reaches exactly the rail, and the
// end rails are open exactly over the goal-mouth intervals.
TEST_P(TableModel, RailsStandAtTheWallLinesAndOpenAtTheGoalMouths) {
    const TableConstants& t = *TableConstantsOf(GetParam());
    MilkshapeModel m, puck;
    ASSERT_TRUE(m.loadModelData(t.modelFile) && puck.loadModelData("data/model/puk.ms3d"));
    const float r = radiusAbout(puck, 0, 0);
    float puckTop = kSurfaceY;
    for (int i = 0; i < puck.numVertices; ++i) puckTop = std::max(puckTop, kSurfaceY + puck.vertices[i].location[1]);
    const float left = t.table_min_x - r, right = t.table_max_x + r, far = t.table_min_z - r, near = t.table_max_z + r;
    const float midZ = (t.table_min_z + t.table_max_z) / 2.0f;

    for (float x : {left + kProbe, (left + right) / 2, right - kProbe})
        for (float z : {far + kProbe, midZ, near - kProbe}) EXPECT_FLOAT_EQ(topAt(m, x, z), kSurfaceY) << x << "," << z;
    for (float z : {far + 5.0f, midZ, near - 5.0f}) {
        EXPECT_GT(topAt(m, left - kProbe, z), puckTop) << z;
        EXPECT_GT(topAt(m, right + kProbe, z), puckTop) << z;
    }
    for (float x = left + 1.0f; x < right; x += 3.0f) {
        if (inMouth(t, x - 1.0f) || inMouth(t, x) || inMouth(t, x + 1.0f)) continue;
        EXPECT_GT(topAt(m, x, far - kProbe), puckTop) << x;
        EXPECT_GT(topAt(m, x, near + kProbe), puckTop) << x;
    }

    const int bounds[2][2] = {{t.my_goal_min_x, t.my_goal_max_x}, {t.my_goal_min_x2, t.my_goal_max_x2}};
    int openings = 0;
    for (float z : {far - 3.0f, near + 3.0f}) {
        for (const auto& mouth : bounds) {
            const float a = float(mouth[0]), b = float(mouth[1]);
            for (float x : {a + kProbe, (a + b) / 2, b - kProbe}) EXPECT_LT(topAt(m, x, z), kSurfaceY) << x << "," << z;
            if (!inMouth(t, a - kProbe)) EXPECT_GT(topAt(m, a - kProbe, z), kSurfaceY) << a << "," << z;
            if (!inMouth(t, b + kProbe)) EXPECT_GT(topAt(m, b + kProbe, z), kSurfaceY) << b << "," << z;
        }
        bool open = false;
        for (float x = left + 0.5f; x < right; x += 0.5f) {
            const bool now = topAt(m, x, z) < kSurfaceY;
            openings += now && !open;
            open = now;
        }
    }
    const bool twoMouths = t.my_goal_max_x <= t.my_goal_min_x2 || t.my_goal_max_x2 <= t.my_goal_min_x;
    EXPECT_EQ(openings, twoMouths ? 4 : 2);
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableModel, ::testing::Range(1, kTableCount + 1));

TEST(PuckAndMallet, TouchExactlyAtTheHitDistance) {
    MilkshapeModel puck, large, mallet;
    ASSERT_TRUE(puck.loadModelData("data/model/puk.ms3d") && large.loadModelData("data/model/puk2.ms3d") &&
                mallet.loadModelData("data/model/schiesser.ms3d"));
    // The mallet is measured about its striking centre, 45 toward +z from where it is drawn.
    const float malletR = radiusAbout(mallet, 0, 45);
    for (int axis : {0, 2}) {  // and centred there
        const auto [lo, hi] = std::minmax_element(mallet.vertices, mallet.vertices + mallet.numVertices,
                                                  [axis](auto& a, auto& b) { return a.location[axis] < b.location[axis]; });
        EXPECT_NEAR((lo->location[axis] + hi->location[axis]) / 2, axis == 0 ? 0.0f : 45.0f, 0.01f) << axis;
    }
    // The hit test's reach: 44 for the standard puck, 50 for the large one.
    EXPECT_NEAR(radiusAbout(puck, 0, 0) + malletR, 44.0f, 0.01f);
    EXPECT_NEAR(radiusAbout(large, 0, 0) + malletR, 50.0f, 0.01f);
}
