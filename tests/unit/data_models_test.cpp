// The generated models loaded with the game's own loaders, checked against the rules of play:
// rails where the wall lines stop a puck, openings exactly at the goal mouths, pucks and
// mallets that touch exactly when the hit test says so.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/table_constants.h"
#include <GL/gl.h>

#include "assets/image.h"
#include "assets/milkshape_model.h"
#include "gl_test_context.h"

namespace {

constexpr float kSurfaceY = -10.0f;  // the puck is drawn 10 below the mallets, its bottom at 0
constexpr float kNone = -std::numeric_limits<float>::infinity();
constexpr float kProbe = 0.25f;      // how far either side of an edge the probes look

const char* const kFixedModels[] = {"data/model/puk.ms3d", "data/model/puk2.ms3d", "data/model/schiesser.ms3d",
                                    "data/model/kzmplane.ms3d"};

struct Loaded {
    MilkshapeModel model;
    bool ok = false;
    explicit Loaded(const std::string& path) { ok = model.loadModelData(path.c_str()); }
};

// Height of the highest triangle straight above or below (x, z); kNone where there is none.
float topAt(const Model& m, float x, float z) {
    float top = kNone;
    for (int t = 0; t < m.numTriangles; ++t) {
        const Model::Triangle& tri = m.triangles[t];
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = m.vertices[tri.vertexIndices[k]].location;
        // Barycentric coordinates in the x-z plane; walls (no area there) never count.
        float d = (p[1][2] - p[2][2]) * (p[0][0] - p[2][0]) + (p[2][0] - p[1][0]) * (p[0][2] - p[2][2]);
        if (std::abs(d) < 1e-6f) continue;
        float a = ((p[1][2] - p[2][2]) * (x - p[2][0]) + (p[2][0] - p[1][0]) * (z - p[2][2])) / d;
        float b = ((p[2][2] - p[0][2]) * (x - p[2][0]) + (p[0][0] - p[2][0]) * (z - p[2][2])) / d;
        float c = 1.0f - a - b;
        if (a < -1e-5f || b < -1e-5f || c < -1e-5f) continue;
        top = std::max(top, a * p[0][1] + b * p[1][1] + c * p[2][1]);
    }
    return top;
}

struct Extent {
    float minY = 1e9f, maxY = -1e9f, minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
};

Extent extentOf(const Model& m) {
    Extent e;
    for (int i = 0; i < m.numVertices; ++i) {
        const float* p = m.vertices[i].location;
        e.minX = std::min(e.minX, p[0]);
        e.maxX = std::max(e.maxX, p[0]);
        e.minY = std::min(e.minY, p[1]);
        e.maxY = std::max(e.maxY, p[1]);
        e.minZ = std::min(e.minZ, p[2]);
        e.maxZ = std::max(e.maxZ, p[2]);
    }
    return e;
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

// The texture colour the surface shows at (x, z), through the model's own texture coordinates;
// false if no textured surface lies there.
bool surfaceColourAt(const Model& m, float x, float z, int rgb[3]) {
    for (int mi = 0; mi < m.numMeshes; ++mi) {
        const Model::Mesh& mesh = m.meshes[mi];
        if (mesh.materialIndex < 0) continue;
        for (int k = 0; k < mesh.numTriangles; ++k) {
            const Model::Triangle& tri = m.triangles[mesh.triangleIndices[k]];
            const float* p[3];
            for (int c = 0; c < 3; ++c) p[c] = m.vertices[tri.vertexIndices[c]].location;
            if (p[0][1] != kSurfaceY || p[1][1] != kSurfaceY || p[2][1] != kSurfaceY) continue;
            float d = (p[1][2] - p[2][2]) * (p[0][0] - p[2][0]) + (p[2][0] - p[1][0]) * (p[0][2] - p[2][2]);
            if (std::abs(d) < 1e-6f) continue;
            float a = ((p[1][2] - p[2][2]) * (x - p[2][0]) + (p[2][0] - p[1][0]) * (z - p[2][2])) / d;
            float b = ((p[2][2] - p[0][2]) * (x - p[2][0]) + (p[0][0] - p[2][0]) * (z - p[2][2])) / d;
            float c = 1.0f - a - b;
            if (a < 0 || b < 0 || c < 0) continue;
            const float s = a * tri.s[0] + b * tri.s[1] + c * tri.s[2];
            const float t = a * tri.t[0] + b * tri.t[1] + c * tri.t[2];
            AUX_RGBImageRec* image = LoadBMP(m.materials[mesh.materialIndex].textureFilename);
            if (!image) return false;
            // Rows run from the bottom of the picture, as t does.
            int col = std::clamp(static_cast<int>(s * image->sizeX), 0, image->sizeX - 1);
            int row = std::clamp(static_cast<int>(t * image->sizeY), 0, image->sizeY - 1);
            for (int ch = 0; ch < 3; ++ch) rgb[ch] = image->data[(static_cast<size_t>(row) * image->sizeX + col) * 3 + ch];
            FreeRGBImage(image);
            return true;
        }
    }
    return false;
}

int colourDistance(const int a[3], const int b[3]) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

std::vector<std::string> modelFiles() {
    std::set<std::string> files(std::begin(kFixedModels), std::end(kFixedModels));
    for (int n = 1; n <= kTableCount; ++n) files.insert(tableConstants(n)->modelFile);
    return {files.begin(), files.end()};
}

}  // namespace

TEST(DataModels, EveryModelTheGameNamesLoadsWithTexturesThatExist) {
    for (const std::string& file : modelFiles()) {
        SCOPED_TRACE(file);
        Loaded m(file);
        ASSERT_TRUE(m.ok);
        EXPECT_GT(m.model.numTriangles, 0);
        ASSERT_GT(m.model.numMaterials, 0);
        for (int i = 0; i < m.model.numMeshes; ++i) EXPECT_GE(m.model.meshes[i].materialIndex, 0);
        for (int i = 0; i < m.model.numMaterials; ++i) {
            const char* name = m.model.materials[i].textureFilename;
            ASSERT_NE(name, nullptr);
            // Named relative to the working folder, as the game loads it.
            EXPECT_EQ(std::string(name).rfind("data/model/", 0), 0u) << name;
            EXPECT_TRUE(std::filesystem::exists(name)) << name;
        }
    }
}

TEST(DataModels, TexturesAre24BitPowerOfTwoBmpsTheGameCanUpload) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    std::set<std::string> textures;
    for (const std::string& file : modelFiles()) {
        Loaded m(file);
        ASSERT_TRUE(m.ok) << file;
        for (int i = 0; i < m.model.numMaterials; ++i) textures.insert(m.model.materials[i].textureFilename);
    }
    for (const std::string& name : textures) {
        SCOPED_TRACE(name);
        unsigned char header[30] = {};
        FILE* f = std::fopen(name.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        size_t got = std::fread(header, 1, sizeof header, f);
        std::fclose(f);
        ASSERT_EQ(got, sizeof header);
        EXPECT_EQ(header[28] | header[29] << 8, 24);

        AUX_RGBImageRec* image = LoadBMP(name.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(isPowerOfTwo(image->sizeX)) << image->sizeX;
        EXPECT_TRUE(isPowerOfTwo(image->sizeY)) << image->sizeY;
        FreeRGBImage(image);

        unsigned int texture = LoadGLTexture(name.c_str());
        EXPECT_NE(texture, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}


class TableModel : public ::testing::TestWithParam<int> {};

// A standard puck (its model's radius) centred on a wall line reaches exactly the rail.
TEST_P(TableModel, RailsStandWhereTheWallLinesStopTheStandardPuck) {
    const TableConstants& t = *tableConstants(GetParam());
    Loaded table(t.modelFile), puck("data/model/puk.ms3d");
    ASSERT_TRUE(table.ok && puck.ok);
    const float r = radiusAbout(puck.model, 0, 0);
    const float puckTop = kSurfaceY + extentOf(puck.model).maxY;

    const float left = t.table_min_x - r, right = t.table_max_x + r;
    const float far = t.table_min_z - r, near = t.table_max_z + r;
    const float midX = (t.table_min_x + t.table_max_x) / 2.0f, midZ = (t.table_min_z + t.table_max_z) / 2.0f;

    // The whole area a puck can cover is flat surface.
    for (float x : {left + kProbe, midX, right - kProbe})
        for (float z : {far + kProbe, midZ, near - kProbe}) EXPECT_FLOAT_EQ(topAt(table.model, x, z), kSurfaceY) << x << "," << z;

    // Just outside it the rails rise above the puck.
    for (float z : {far + 5.0f, midZ, near - 5.0f}) {
        EXPECT_GT(topAt(table.model, left - kProbe, z), puckTop) << z;
        EXPECT_GT(topAt(table.model, right + kProbe, z), puckTop) << z;
    }
    for (float x = left + 1.0f; x < right; x += 3.0f) {
        if (inMouth(t, x - 1.0f) || inMouth(t, x) || inMouth(t, x + 1.0f)) continue;
        EXPECT_GT(topAt(table.model, x, far - kProbe), puckTop) << x;
        EXPECT_GT(topAt(table.model, x, near + kProbe), puckTop) << x;
    }
}

// The end rails are open exactly over the goal-mouth intervals, at both ends.
TEST_P(TableModel, EndRailsOpenExactlyAtTheGoalMouths) {
    const TableConstants& t = *tableConstants(GetParam());
    Loaded table(t.modelFile), puck("data/model/puk.ms3d");
    ASSERT_TRUE(table.ok && puck.ok);
    const float r = radiusAbout(puck.model, 0, 0);
    const float railFar = t.table_min_z - r - 3.0f, railNear = t.table_max_z + r + 3.0f;
    const int bounds[2][2] = {{t.my_goal_min_x, t.my_goal_max_x}, {t.my_goal_min_x2, t.my_goal_max_x2}};

    int openings = 0;
    for (float z : {railFar, railNear}) {
        for (const auto& mouth : bounds) {
            const float a = static_cast<float>(mouth[0]), b = static_cast<float>(mouth[1]);
            for (float x : {a + kProbe, (a + b) / 2, b - kProbe}) EXPECT_LT(topAt(table.model, x, z), kSurfaceY) << x << "," << z;
            if (!inMouth(t, a - kProbe)) EXPECT_GT(topAt(table.model, a - kProbe, z), kSurfaceY) << a << "," << z;
            if (!inMouth(t, b + kProbe)) EXPECT_GT(topAt(table.model, b + kProbe, z), kSurfaceY) << b << "," << z;
        }
        // Count separate openings along the rail.
        bool open = false;
        for (float x = t.table_min_x - r + 0.5f; x < t.table_max_x + r; x += 0.5f) {
            bool now = topAt(table.model, x, z) < kSurfaceY;
            if (now && !open) ++openings;
            open = now;
        }
    }
    const bool twoMouths = t.my_goal_max_x <= t.my_goal_min_x2 || t.my_goal_max_x2 <= t.my_goal_min_x;
    EXPECT_EQ(openings, twoMouths ? 4 : 2);
}

// The mallets' discs can reach z = 3 (the player's) and z = 7 (the opponent's): the centre line
// is painted there, and the surface just either side of it is plain.
TEST_P(TableModel, CentreLineIsPaintedWhereTheHalvesMeet) {
    const TableConstants& t = *tableConstants(GetParam());
    Loaded table(t.modelFile);
    ASSERT_TRUE(table.ok);
    // Left of the middle, inside the centre circle, clear of its ring and spot.
    const float x = (t.table_min_x + t.table_max_x) / 2.0f - 23.0f;
    int line[3], before[3], after[3];
    ASSERT_TRUE(surfaceColourAt(table.model, x, 5.0f, line));
    ASSERT_TRUE(surfaceColourAt(table.model, x, -8.0f, before));
    ASSERT_TRUE(surfaceColourAt(table.model, x, 18.0f, after));
    EXPECT_GT(colourDistance(line, before), 90);
    EXPECT_GT(colourDistance(line, after), 90);
    EXPECT_LT(colourDistance(before, after), 60);
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableModel, ::testing::Range(1, kTableCount + 1));

TEST(PuckAndMallet, TouchExactlyAtTheHitDistance) {
    Loaded puck("data/model/puk.ms3d"), large("data/model/puk2.ms3d"), mallet("data/model/schiesser.ms3d");
    ASSERT_TRUE(puck.ok && large.ok && mallet.ok);

    const Extent m = extentOf(mallet.model);
    // Centred on the striking centre, 45 toward +z from where the mallet is drawn.
    EXPECT_NEAR((m.minX + m.maxX) / 2, 0.0f, 0.01f);
    EXPECT_NEAR((m.minZ + m.maxZ) / 2, 45.0f, 0.01f);
    const float malletR = radiusAbout(mallet.model, 0, 45);
    const float puckR = radiusAbout(puck.model, 0, 0), largeR = radiusAbout(large.model, 0, 0);

    // The hit test's reach: 44 for the standard puck, 50 for the large one.
    EXPECT_NEAR(puckR + malletR, 44.0f, 0.01f);
    EXPECT_NEAR(largeR + malletR, 50.0f, 0.01f);
    EXPECT_NEAR(largeR - puckR, 6.0f, 0.01f);
}

TEST(PuckAndMallet, RestOnTheSurface) {
    Loaded puck("data/model/puk.ms3d"), large("data/model/puk2.ms3d"), mallet("data/model/schiesser.ms3d");
    ASSERT_TRUE(puck.ok && large.ok && mallet.ok);
    // Drawn 10 below the mallets, the pucks stand on their own y = 0; the mallets on y = -10.
    EXPECT_FLOAT_EQ(extentOf(puck.model).minY, 0.0f);
    EXPECT_FLOAT_EQ(extentOf(large.model).minY, 0.0f);
    EXPECT_FLOAT_EQ(extentOf(mallet.model).minY, kSurfaceY);
    // Under the middle of each piece there is geometry to see from above.
    EXPECT_GT(topAt(puck.model, 0, 0), 0.0f);
    EXPECT_GT(topAt(mallet.model, 0, 45), 0.0f);
}

TEST(DataFolder, StaysUnderTenMegabytes) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("data"))
        if (entry.is_regular_file()) total += entry.file_size();
    EXPECT_LT(total, 10u * 1024 * 1024);
}
