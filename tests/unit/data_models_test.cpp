// The generated models loaded with the game's own loaders, checked against the rules of play:
// rails where the wall lines stop a puck, openings exactly at the goal mouths, pucks and
// mallets that touch exactly when the hit test says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

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

// A texture named relative to the working folder, made in the current context.
bool uploadedFromTheDataFolder(const Model::Material& m) {
    return m.texture != 0 && std::string(m.textureFilename).rfind("data/model/", 0) == 0;
}

}  // namespace

// Every model loads with textures that upload. Puck and mallet touch when the hit test says so. A
// standard puck centred on a wall line reaches exactly the rail, and the end rails are open exactly
// over the goal mouths.
TEST(DataModels, PuckAndMalletTouchAtTheHitDistanceAndRailsStandAtTheWallLinesOpenAtTheGoalMouths) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    MilkshapeModel puck, large, mallet, plane;
    ASSERT_TRUE(puck.loadModelData("data/model/puk.ms3d") && large.loadModelData("data/model/puk2.ms3d") &&
                mallet.loadModelData("data/model/schiesser.ms3d") && plane.loadModelData("data/model/kzmplane.ms3d"));
    for (const Model* m : {&puck, &large, &mallet, &plane})
        for (int i = 0; i < m->numMaterials; ++i) EXPECT_TRUE(uploadedFromTheDataFolder(m->materials[i]));
    // The mallet is measured about its striking centre, 45 toward +z from where it is drawn; the hit
    // test's reach is 44 for the standard puck, 50 for the large one.
    const float r = radiusAbout(puck, 0, 0), malletR = radiusAbout(mallet, 0, 45);
    EXPECT_NEAR(r + malletR, 44.0f, 0.01f);
    EXPECT_NEAR(radiusAbout(large, 0, 0) + malletR, 50.0f, 0.01f);
    float puckTop = kSurfaceY;
    for (int i = 0; i < puck.numVertices; ++i) puckTop = std::max(puckTop, kSurfaceY + puck.vertices[i].location[1]);
    for (int n = 1; n <= kTableCount; ++n) {
        SCOPED_TRACE("table " + std::to_string(n));
        const TableConstants& t = *TableConstantsOf(n);
        MilkshapeModel m;
        ASSERT_TRUE(m.loadModelData(t.modelFile) && m.numMaterials > 0);
        for (int i = 0; i < m.numMaterials; ++i) EXPECT_TRUE(uploadedFromTheDataFolder(m.materials[i])) << t.modelFile;
        const auto inMouth = [&](float x) { return (t.my_goal_min_x < x && x < t.my_goal_max_x) || (t.my_goal_min_x2 < x && x < t.my_goal_max_x2); };
        const float left = t.table_min_x - r, right = t.table_max_x + r, far = t.table_min_z - r, near = t.table_max_z + r;
        const float midZ = (t.table_min_z + t.table_max_z) / 2.0f;
        for (float x : {left + kProbe, (left + right) / 2, right - kProbe})
            for (float z : {far + kProbe, midZ, near - kProbe}) EXPECT_FLOAT_EQ(topAt(m, x, z), kSurfaceY) << x << "," << z;
        for (float z : {far + 5.0f, midZ, near - 5.0f})
            EXPECT_TRUE(topAt(m, left - kProbe, z) > puckTop && topAt(m, right + kProbe, z) > puckTop) << z;
        for (float x = left + 1.0f; x < right; x += 3.0f)
            if (!inMouth(x - 1.0f) && !inMouth(x) && !inMouth(x + 1.0f))
                EXPECT_TRUE(topAt(m, x, far - kProbe) > puckTop && topAt(m, x, near + kProbe) > puckTop) << x;
        // Each end rail is open where, and only where, a mouth is: the edges to a quarter unit.
        for (float z : {far - 3.0f, near + 3.0f})
            for (float x = left + kProbe; x < right; x += 0.5f) {
                if (inMouth(x - kProbe) == inMouth(x + kProbe))  // both sides in or out of a mouth: open only inside
                    EXPECT_EQ(topAt(m, x, z) < kSurfaceY, inMouth(x)) << x << "," << z;
            }
    }
}
