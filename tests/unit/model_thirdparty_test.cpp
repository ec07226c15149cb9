// Models written by MilkShape 3D itself (Debian's assimp-testmodels), not by our own writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "assets/milkshape_model.h"
#include "assets_test_support.h"

namespace {

std::string ThirdPartyModelDir() {
    const char* override = std::getenv("PUCKSLIDE_ASSIMP_MODELS");
    return override && *override ? override : "/usr/share/assimp/models/MS3D";
}

// Counts read off the files by a separate reader; the inspector's test repeats that reading live.
struct ThirdPartyModel {
    const char* file;
    int vertices, triangles, meshes, materials;
    int trianglesInMesh0, materialOfMesh0;
    const char* textureOfMaterial0;
};

const ThirdPartyModel kThirdPartyModels[] = {
    {"Wuson.ms3d", 2117, 3732, 1, 0, 3732, -1, nullptr},
    {"jeep1.ms3d", 1190, 2032, 7, 1, 192, 0, ".\\jeep1.jpg"},
    {"twospheres.ms3d", 124, 240, 2, 0, 120, -1, nullptr},
    {"twospheres_withmats.ms3d", 124, 240, 2, 2, 120, 1, ""},
};

}  // namespace

TEST(MilkshapeThirdParty, LoadsWithTheCountsInTheFile) {
    for (const ThirdPartyModel& expected : kThirdPartyModels) {
        SCOPED_TRACE(expected.file);
        const std::string path = ThirdPartyModelDir() + "/" + expected.file;
        MilkshapeModel m;
        MilkshapeLoadReport report;
        ASSERT_TRUE(m.loadModelData(path.c_str(), &report)) << (report.error ? report.error : "");
        EXPECT_EQ(report.version, 4);
        EXPECT_EQ(m.numVertices, expected.vertices);
        EXPECT_EQ(m.numTriangles, expected.triangles);
        EXPECT_EQ(m.numMeshes, expected.meshes);
        EXPECT_EQ(m.numMaterials, expected.materials);
        ASSERT_GE(m.numMeshes, 1);
        EXPECT_EQ(m.meshes[0].numTriangles, expected.trianglesInMesh0);
        EXPECT_EQ(m.meshes[0].materialIndex, expected.materialOfMesh0);
        if (expected.textureOfMaterial0) {
            ASSERT_GE(m.numMaterials, 1);
            EXPECT_STREQ(m.materials[0].textureFilename, expected.textureOfMaterial0);
        }

        // Each triangle sits in exactly one group in these files.
        long grouped = 0;
        for (int i = 0; i < m.numMeshes; ++i) grouped += m.meshes[i].numTriangles;
        EXPECT_EQ(grouped, m.numTriangles);
    }
}

TEST(MilkshapeThirdParty, EveryCutOfARealFileBeforeItsMaterialsIsRefused) {
    const auto bytes = ReadBytes(ThirdPartyModelDir() + "/twospheres_withmats.ms3d");
    ASSERT_EQ(bytes.size(), 21750u);
    const size_t endOfMaterials = 19956;  // the rest is joint data
    MilkshapeModel m;
    for (size_t cut = 0; cut < endOfMaterials; cut += 7)
        ASSERT_FALSE(m.loadModelFromMemory(bytes.data(), cut)) << "cut at " << cut;
    EXPECT_FALSE(m.loadModelFromMemory(bytes.data(), endOfMaterials - 1));
    EXPECT_TRUE(m.loadModelFromMemory(bytes.data(), endOfMaterials));
    EXPECT_EQ(m.numMaterials, 2);
}
