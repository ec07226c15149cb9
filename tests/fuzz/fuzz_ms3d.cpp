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
    static MilkshapeModel m;
    static const bool ready = m.loadModelFromMemory(baseline.data(), baseline.size());
    if (!ready) __builtin_trap();

    const std::string before = DumpModel(m);
    if (!m.loadModelFromMemory(data, size)) {
        if (DumpModel(m) != before) __builtin_trap();
        return 0;
    }
    for (int i = 0; i < m.numTriangles; ++i)
        for (int v : m.triangles[i].vertexIndices)
            if (v < 0 || v >= m.numVertices) __builtin_trap();
    for (int i = 0; i < m.numMeshes; ++i) {
        if (m.meshes[i].materialIndex >= m.numMaterials) __builtin_trap();
        for (int k = 0; k < m.meshes[i].numTriangles; ++k)
            if (static_cast<unsigned>(m.meshes[i].triangleIndices[k]) >= unsigned(m.numTriangles)) __builtin_trap();
    }
    for (int i = 0; i < m.numMaterials; ++i)
        if (std::strlen(m.materials[i].textureFilename) >= 128) __builtin_trap();
    if (!m.loadModelFromMemory(baseline.data(), baseline.size())) __builtin_trap();
    return 0;
}
