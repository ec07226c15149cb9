// Models written by MilkShape 3D itself (Debian's assimp-testmodels), not by our own writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "assets/milkshape_model.h"

TEST(MilkshapeThirdParty, LoadsWithTheCountsInTheFile) {
    const char* override = std::getenv("PUCKSLIDE_ASSIMP_MODELS");
    const std::string dir = override && *override ? override : "/usr/share/assimp/models/MS3D";
    // Counts read off the files by a separate reader.
    const struct {
        const char* file;
        int vertices, triangles, meshes, materials, trianglesInMesh0, materialOfMesh0;
        const char* textureOfMaterial0;
    } models[] = {
        {"Wuson.ms3d", 2117, 3732, 1, 0, 3732, -1, nullptr},
        {"jeep1.ms3d", 1190, 2032, 7, 1, 192, 0, ".\\jeep1.jpg"},
        {"twospheres.ms3d", 124, 240, 2, 0, 120, -1, nullptr},
        {"twospheres_withmats.ms3d", 124, 240, 2, 2, 120, 1, ""},
    };
    for (const auto& expected : models) {
        SCOPED_TRACE(expected.file);
        MilkshapeModel m;
        MilkshapeLoadReport report;
        ASSERT_TRUE(m.loadModelData((dir + "/" + expected.file).c_str(), &report)) << report.error;
        EXPECT_EQ(report.version, 4);
        EXPECT_EQ(m.numVertices, expected.vertices);
        EXPECT_EQ(m.numTriangles, expected.triangles);
        ASSERT_EQ(m.numMeshes, expected.meshes);
        ASSERT_EQ(m.numMaterials, expected.materials);
        EXPECT_EQ(m.meshes[0].numTriangles, expected.trianglesInMesh0);
        EXPECT_EQ(m.meshes[0].materialIndex, expected.materialOfMesh0);
        if (expected.textureOfMaterial0) EXPECT_STREQ(m.materials[0].textureFilename, expected.textureOfMaterial0);
    }
}
