// The MilkShape 3D reader: what comes through, and what is refused without touching the model.
#include <gtest/gtest.h>

#include <functional>

#include "assets/milkshape_model.h"
#include "assets_test_support.h"
#include "model_ms3d_writer.h"

namespace {

bool LoadBytes(MilkshapeModel& m, const std::vector<unsigned char>& bytes) {
    return m.loadModelFromMemory(bytes.data(), bytes.size());
}

// A model already holding something else, so a refusal has something to leave alone.
Ms3dFile OtherModel() {
    Ms3dFile f;
    f.version = 3;
    f.vertices = {{1, 2, 3, 4}, {5, 6, 7, -1}, {8, 9, 10, -1}};
    Ms3dFile::Triangle t;
    t.vertex[0] = 2; t.vertex[1] = 1; t.vertex[2] = 0;
    f.triangles = {t};
    f.groups = {{"only", {0}, 0}};
    Ms3dFile::Material m;
    m.texture = "other.bmp";
    f.materials = {m};
    return f;
}

}  // namespace

TEST(MilkshapeLoad, StoresEveryFieldOfTheFile) {
    MilkshapeModel m;
    MilkshapeLoadReport report;
    const auto bytes = SampleMs3d().bytes();
    ASSERT_TRUE(m.loadModelFromMemory(bytes.data(), bytes.size(), &report)) << report.error;
    EXPECT_EQ(report.version, 4);

    ASSERT_EQ(m.numVertices, 4);
    EXPECT_EQ(m.vertices[1].boneID, 2);
    EXPECT_EQ(m.vertices[0].boneID, -1);
    EXPECT_FLOAT_EQ(m.vertices[2].location[0], 10);
    EXPECT_FLOAT_EQ(m.vertices[2].location[1], 5);
    EXPECT_FLOAT_EQ(m.vertices[2].location[2], -3);
    EXPECT_FLOAT_EQ(m.vertices[3].location[2], 7.5f);

    ASSERT_EQ(m.numTriangles, 2);
    EXPECT_EQ(m.triangles[1].vertexIndices[0], 0);
    EXPECT_EQ(m.triangles[1].vertexIndices[1], 2);
    EXPECT_EQ(m.triangles[1].vertexIndices[2], 3);
    EXPECT_FLOAT_EQ(m.triangles[0].vertexNormals[2][1], 1);
    EXPECT_FLOAT_EQ(m.triangles[1].vertexNormals[0][2], -1);
    EXPECT_FLOAT_EQ(m.triangles[0].s[2], 0.3f);
    EXPECT_FLOAT_EQ(m.triangles[1].s[1], 0.8f);

    ASSERT_EQ(m.numMeshes, 2);
    EXPECT_EQ(m.meshes[0].materialIndex, 1);
    ASSERT_EQ(m.meshes[0].numTriangles, 1);
    EXPECT_EQ(m.meshes[0].triangleIndices[0], 0);
    EXPECT_EQ(m.meshes[1].materialIndex, -1);
    ASSERT_EQ(m.meshes[1].numTriangles, 2);
    EXPECT_EQ(m.meshes[1].triangleIndices[0], 1);
    EXPECT_EQ(m.meshes[1].triangleIndices[1], 0);

    ASSERT_EQ(m.numMaterials, 2);
    EXPECT_FLOAT_EQ(m.materials[0].ambient[3], 0.3f);
    EXPECT_FLOAT_EQ(m.materials[0].diffuse[1], 0.3f);
    EXPECT_FLOAT_EQ(m.materials[0].specular[2], 0.5f);
    EXPECT_FLOAT_EQ(m.materials[0].emissive[3], 0.15f);
    EXPECT_FLOAT_EQ(m.materials[0].shininess, 12.5f);
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[0], 0.9f);
    EXPECT_FLOAT_EQ(m.materials[1].shininess, 64);
    EXPECT_STREQ(m.materials[0].textureFilename, "");
    EXPECT_STREQ(m.materials[1].textureFilename, "data/model/sample.bmp");
    // Without a GL context no texture can exist.
    EXPECT_EQ(m.materials[0].texture, 0u);
    EXPECT_EQ(m.materials[1].texture, 0u);
}

TEST(MilkshapeLoad, MirrorsTAndKeepsS) {
    Ms3dFile f = SampleMs3d();
    f.triangles[0].s[0] = 0.25f;
    f.triangles[0].t[0] = 0.25f;
    f.triangles[0].t[1] = 0.0f;
    f.triangles[0].t[2] = 1.5f;
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, f.bytes()));
    EXPECT_FLOAT_EQ(m.triangles[0].s[0], 0.25f);
    EXPECT_FLOAT_EQ(m.triangles[0].t[0], 0.75f);
    EXPECT_FLOAT_EQ(m.triangles[0].t[1], 1.0f);
    EXPECT_FLOAT_EQ(m.triangles[0].t[2], -0.5f);
}

TEST(MilkshapeLoad, VersionsThreeAndFourLoadAlike) {
    Ms3dFile f = SampleMs3d();
    MilkshapeModel four, three;
    ASSERT_TRUE(LoadBytes(four, f.bytes()));
    f.version = 3;
    MilkshapeLoadReport report;
    const auto bytes = f.bytes();
    ASSERT_TRUE(three.loadModelFromMemory(bytes.data(), bytes.size(), &report));
    EXPECT_EQ(report.version, 3);
    EXPECT_EQ(DumpModel(three, false), DumpModel(four, false));
}

TEST(MilkshapeLoad, IgnoresWhateverFollowsTheMaterials) {
    Ms3dFile f = SampleMs3d();
    MilkshapeModel bare, trailed;
    ASSERT_TRUE(LoadBytes(bare, f.bytes()));
    f.trailer.assign(5000, 0xEE);  // no valid joint section, and it must not matter
    ASSERT_TRUE(LoadBytes(trailed, f.bytes()));
    EXPECT_EQ(DumpModel(trailed, false), DumpModel(bare, false));
}

TEST(MilkshapeLoad, AcceptsEmptyModelsAndEmptyGroups) {
    Ms3dFile empty;
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, empty.bytes()));
    EXPECT_EQ(DumpModel(m, false), "counts 0 0 0 0\n");

    Ms3dFile f = SampleMs3d();
    f.groups.push_back({"empty", {}, 0});
    ASSERT_TRUE(LoadBytes(m, f.bytes()));
    ASSERT_EQ(m.numMeshes, 3);
    EXPECT_EQ(m.meshes[2].numTriangles, 0);
}

TEST(MilkshapeLoad, AnyNegativeMaterialIndexMeansNone) {
    Ms3dFile f = SampleMs3d();
    f.groups[1].material = -128;
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, f.bytes()));
    EXPECT_EQ(m.meshes[1].materialIndex, -128);
}

TEST(MilkshapeLoad, TextureNameMayFillAllButTheLastByte) {
    Ms3dFile f = SampleMs3d();
    f.materials[1].texture = std::string(127, 'x');
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, f.bytes()));
    EXPECT_EQ(std::string(m.materials[1].textureFilename), std::string(127, 'x'));
}

TEST(MilkshapeLoad, HighestValidIndicesAreAccepted) {
    Ms3dFile f = SampleMs3d();
    f.triangles[0].vertex[2] = 3;
    f.groups[0].triangles = {1};
    f.groups[1].material = 1;
    MilkshapeModel m;
    EXPECT_TRUE(LoadBytes(m, f.bytes()));
}

TEST(MilkshapeLoad, ReadsFilesFromDisk) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const auto bytes = SampleMs3d().bytes();
    ASSERT_TRUE(WriteBytes(dir.file("sample.ms3d"), bytes));
    MilkshapeModel fromDisk, fromMemory;
    ASSERT_TRUE(fromDisk.loadModelData(dir.file("sample.ms3d").c_str()));
    ASSERT_TRUE(LoadBytes(fromMemory, bytes));
    EXPECT_EQ(DumpModel(fromDisk, false), DumpModel(fromMemory, false));
}

TEST(MilkshapeLoad, ReloadReplacesTheWholeRecord) {
    // Under the sanitizer build a reload that kept the old arrays alive shows up as a leak.
    MilkshapeModel m;
    ASSERT_TRUE(LoadBytes(m, SampleMs3d().bytes()));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(LoadBytes(m, OtherModel().bytes()));
        ASSERT_TRUE(LoadBytes(m, SampleMs3d().bytes()));
    }
    ASSERT_TRUE(LoadBytes(m, OtherModel().bytes()));
    MilkshapeModel fresh;
    ASSERT_TRUE(LoadBytes(fresh, OtherModel().bytes()));
    EXPECT_EQ(DumpModel(m, false), DumpModel(fresh, false));
}

// ---------------------------------------------------------------------------
// Refusals: every one returns false and leaves the earlier model as it was.
// ---------------------------------------------------------------------------

class MilkshapeRefusal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBytes(model, OtherModel().bytes()));
        before = DumpModel(model);
    }
    void ExpectRefused(const std::vector<unsigned char>& bytes, const std::string& what) {
        MilkshapeLoadReport report;
        EXPECT_FALSE(model.loadModelFromMemory(bytes.data(), bytes.size(), &report)) << what;
        EXPECT_NE(report.error, nullptr) << what;
        EXPECT_EQ(DumpModel(model), before) << what;
    }

    MilkshapeModel model;
    std::string before;
};

TEST_F(MilkshapeRefusal, WrongIdentifierInAnyOfItsTenBytes) {
    for (int i = 0; i < 10; ++i) {
        Ms3dFile f = SampleMs3d();
        f.identifier[i] ^= 0x20;
        ExpectRefused(f.bytes(), "identifier byte " + std::to_string(i));
    }
}

TEST_F(MilkshapeRefusal, VersionsOtherThanThreeAndFour) {
    for (int32_t version : {2, 5, 0, -1, 260, 0x04000000}) {
        Ms3dFile f = SampleMs3d();
        f.version = version;
        ExpectRefused(f.bytes(), "version " + std::to_string(version));
    }
}

TEST_F(MilkshapeRefusal, FileCutAtAnyByteBeforeTheEndOfTheMaterials) {
    Ms3dFile f = SampleMs3d();
    f.trailer.assign(16, 0);
    const auto bytes = f.bytes();
    const size_t end = f.materialOffset(f.materials.size());
    for (size_t cut = 0; cut < end; ++cut)
        ExpectRefused(std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut), "cut at " + std::to_string(cut));
    for (size_t cut = end; cut <= bytes.size(); ++cut) {
        MilkshapeModel m;
        EXPECT_TRUE(LoadBytes(m, std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut))) << "cut at " << cut;
    }
}

TEST_F(MilkshapeRefusal, IndicesOutOfRange) {
    struct Case {
        const char* what;
        std::function<void(Ms3dFile&)> damage;
    };
    const Case cases[] = {
        {"vertex index = vertex count", [](Ms3dFile& f) { f.triangles[1].vertex[2] = 4; }},
        {"vertex index 65535", [](Ms3dFile& f) { f.triangles[0].vertex[0] = 65535; }},
        {"triangle index = triangle count", [](Ms3dFile& f) { f.groups[1].triangles[1] = 2; }},
        {"triangle index 65535", [](Ms3dFile& f) { f.groups[0].triangles[0] = 65535; }},
        {"material index = material count", [](Ms3dFile& f) { f.groups[0].material = 2; }},
        {"material index 127", [](Ms3dFile& f) { f.groups[1].material = 127; }},
        {"material index without materials", [](Ms3dFile& f) { f.materials.clear(); }},
    };
    for (const Case& c : cases) {
        Ms3dFile f = SampleMs3d();
        c.damage(f);
        ExpectRefused(f.bytes(), c.what);
    }
}

TEST_F(MilkshapeRefusal, TextureNameWithoutTerminator) {
    Ms3dFile f = SampleMs3d();
    f.materials[0].texture = std::string(128, 'a');
    ExpectRefused(f.bytes(), "128-byte texture name");
}

TEST_F(MilkshapeRefusal, CountsLargerThanTheBytesLeft) {
    const Ms3dFile f = SampleMs3d();
    struct Case {
        const char* what;
        size_t offset;
    };
    const Case cases[] = {
        {"vertex count", 14},
        {"triangle count", f.triangleOffset(0) - 2},
        {"group count", f.groupOffset(0) - 2},
        {"group triangle count", f.groupOffset(1) + 33},
        {"material count", f.materialOffset(0) - 2},
    };
    for (const Case& c : cases) {
        for (uint16_t count : {uint16_t(65535), uint16_t(4097)}) {
            auto bytes = f.bytes();
            bytes[c.offset] = count & 0xff;
            bytes[c.offset + 1] = count >> 8;
            ExpectRefused(bytes, std::string(c.what) + " " + std::to_string(count));
        }
    }
}

TEST_F(MilkshapeRefusal, MissingOrUnreadableFiles) {
    EXPECT_FALSE(model.loadModelData("no/such/dir/missing.ms3d"));
    EXPECT_FALSE(model.loadModelData(nullptr));
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    EXPECT_FALSE(model.loadModelData(dir.file("").c_str()));  // a folder
    ASSERT_TRUE(WriteBytes(dir.file("empty.ms3d"), {}));
    EXPECT_FALSE(model.loadModelData(dir.file("empty.ms3d").c_str()));
    EXPECT_EQ(DumpModel(model), before);
}

TEST(MilkshapeLifecycle, DestroyingAModelThatNeverLoadedIsHarmless) {
    MilkshapeModel* m = new MilkshapeModel;
    EXPECT_EQ(DumpModel(*m, false), "counts 0 0 0 0\n");
    Model* asBase = m;
    delete asBase;
}
