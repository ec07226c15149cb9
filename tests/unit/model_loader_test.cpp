// The MilkShape 3D reader: what comes through, and what is refused without touching the model.
#include <gtest/gtest.h>

#include <functional>

#include "assets/milkshape_model.h"
#include "assets_test_support.h"
#include "model_ms3d_writer.h"

static bool LoadBytes(MilkshapeModel& m, const std::vector<unsigned char>& bytes,
                      MilkshapeLoadReport* report = nullptr) {
    return m.loadModelFromMemory(bytes.data(), bytes.size(), report);
}

TEST(MilkshapeLoad, StoresEveryFieldOfTheFileWithTMirrored) {
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, SampleMs3d().bytes()));
    ASSERT_EQ(m.numVertices, 4);
    EXPECT_EQ(m.vertices[1].boneID, 2);
    EXPECT_FLOAT_EQ(m.vertices[3].location[2], 7.5f);
    ASSERT_EQ(m.numTriangles, 2);
    EXPECT_EQ(m.triangles[1].vertexIndices[2], 3);
    EXPECT_FLOAT_EQ(m.triangles[0].vertexNormals[2][1], 1);
    EXPECT_FLOAT_EQ(m.triangles[0].s[2], 0.3f);
    EXPECT_FLOAT_EQ(m.triangles[0].t[1], 0.75f);  // 1 - 0.25
    ASSERT_EQ(m.numMeshes, 2);
    EXPECT_EQ(m.meshes[0].materialIndex, 1);
    ASSERT_EQ(m.meshes[1].numTriangles, 2);
    EXPECT_EQ(m.meshes[1].triangleIndices[0], 1);
    ASSERT_EQ(m.numMaterials, 2);
    EXPECT_FLOAT_EQ(m.materials[0].ambient[3], 0.15f);
    EXPECT_FLOAT_EQ(m.materials[0].emissive[3], 0.75f);
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[0], 0.9f);
    EXPECT_STREQ(m.materials[1].textureFilename, "data/model/sample.bmp");
}

TEST(MilkshapeLoad, VersionThreeAndTrailingDataLoadAsVersionFour) {
    Ms3dFile f = SampleMs3d();
    MilkshapeModel four, three;
    ASSERT_TRUE(LoadBytes(four, f.bytes()));
    f.version = 3;
    f.trailer.assign(5000, 0xEE);  // no valid joint section, and it must not matter
    MilkshapeLoadReport report;
    ASSERT_TRUE(LoadBytes(three, f.bytes(), &report));
    EXPECT_EQ(report.version, 3);
    EXPECT_EQ(DumpModel(three, false), DumpModel(four, false));
}

TEST(MilkshapeLoad, RefusalsLeaveTheEarlierModelAsItWas) {
    MilkshapeModel model;
    Ms3dFile other = SampleMs3d();  // close to what is refused, but not the same
    other.vertices.push_back({1, 2, 3, 4});
    other.materials[1].texture = "other.bmp";
    ASSERT_TRUE(LoadBytes(model, other.bytes()));
    const std::string before = DumpModel(model);
    auto expectRefused = [&](const std::vector<unsigned char>& bytes, const std::string& what) {
        MilkshapeLoadReport report;
        EXPECT_FALSE(LoadBytes(model, bytes, &report)) << what;
        EXPECT_NE(report.error, nullptr) << what;
        EXPECT_EQ(DumpModel(model), before) << what;
    };
    const std::pair<const char*, std::function<void(Ms3dFile&)>> cases[] = {
        {"identifier", [](Ms3dFile& f) { f.identifier[9] = '1'; }},
        {"version 2", [](Ms3dFile& f) { f.version = 2; }},
        {"version 5", [](Ms3dFile& f) { f.version = 5; }},
        {"vertex index = vertex count", [](Ms3dFile& f) { f.triangles[1].vertex[2] = 4; }},
        {"vertex index 65535", [](Ms3dFile& f) { f.triangles[0].vertex[0] = 65535; }},
        {"triangle index = triangle count", [](Ms3dFile& f) { f.groups[1].triangles[1] = 2; }},
        {"material index = material count", [](Ms3dFile& f) { f.groups[0].material = 2; }},
        {"material index without materials", [](Ms3dFile& f) { f.materials.clear(); }},
        {"texture name without terminator", [](Ms3dFile& f) { f.materials[0].texture.assign(128, 'a'); }},
    };
    for (const auto& c : cases) {
        Ms3dFile f = SampleMs3d();
        c.second(f);
        expectRefused(f.bytes(), c.first);
    }
    const auto whole = SampleMs3d().bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut)
        expectRefused(std::vector<unsigned char>(whole.begin(), whole.begin() + cut), "cut at " + std::to_string(cut));
    EXPECT_FALSE(model.loadModelData("no/such/dir/missing.ms3d"));
    EXPECT_EQ(DumpModel(model), before);
}
