// MilkshapeModel::loadModelFromMemory on arbitrary bytes. Beyond crashes it checks the two promises
// the game relies on: a loaded model only holds indices that are in range, and a refused file leaves
// the earlier model exactly as it was.
#include <cstdint>
#include <cstring>

#include "../unit/assets_test_support.h"
#include "../unit/model_ms3d_writer.h"
#include "assets/milkshape_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> baseline = SampleMs3d().bytes();
    static MilkshapeModel model;
    static const bool ready = model.loadModelFromMemory(baseline.data(), baseline.size());
    if (!ready) __builtin_trap();

    const std::string before = DumpModel(model);
    if (!model.loadModelFromMemory(data, size)) {
        if (DumpModel(model) != before) __builtin_trap();
        return 0;
    }
    const Model& m = model;
    for (int i = 0; i < m.numTriangles; ++i)
        for (int v : m.triangles[i].vertexIndices)
            if (v < 0 || v >= m.numVertices) __builtin_trap();
    for (int i = 0; i < m.numMeshes; ++i) {
        if (m.meshes[i].materialIndex >= m.numMaterials) __builtin_trap();
        for (int k = 0; k < m.meshes[i].numTriangles; ++k)
            if (m.meshes[i].triangleIndices[k] < 0 || m.meshes[i].triangleIndices[k] >= m.numTriangles) __builtin_trap();
    }
    for (int i = 0; i < m.numMaterials; ++i)
        if (std::strlen(m.materials[i].textureFilename) >= 128) __builtin_trap();
    if (!model.loadModelFromMemory(baseline.data(), baseline.size())) __builtin_trap();
    return 0;
}
