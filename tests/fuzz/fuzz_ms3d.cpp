// MilkshapeModel::loadModelFromMemory on arbitrary bytes. Beyond crashes it checks the two promises
// the game relies on: a loaded model only holds indices that are in range, and a refused file leaves
// the earlier model exactly as it was.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "assets/milkshape_model.h"

namespace {

// One triangle in one group with one textured material: a model to have loaded before each input.
std::vector<uint8_t> BaselineModel() {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) { b.push_back(v & 0xff); b.push_back(v >> 8); };
    auto f32 = [&](float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
    };
    const char id[] = "MS3D000000";
    b.insert(b.end(), id, id + 10);
    b.insert(b.end(), {4, 0, 0, 0});
    u16(3);
    for (int v = 0; v < 3; ++v) {
        b.push_back(0);
        f32(static_cast<float>(v)); f32(1); f32(2);
        b.push_back(0xff);
        b.push_back(1);
    }
    u16(1);
    u16(0); u16(0); u16(1); u16(2);
    for (int i = 0; i < 15; ++i) f32(0.25f);
    b.push_back(1); b.push_back(0);
    u16(1);
    b.push_back(0);
    b.insert(b.end(), 32, 0);
    u16(1); u16(0);
    b.push_back(0);
    u16(1);
    b.insert(b.end(), 32, 0);
    for (int i = 0; i < 18; ++i) f32(0.5f);
    b.push_back(0);
    const char tex[] = "baseline.bmp";
    std::vector<uint8_t> name(128, 0);
    std::memcpy(name.data(), tex, sizeof tex);
    b.insert(b.end(), name.begin(), name.end());
    b.insert(b.end(), 128, 0);
    return b;
}

std::string Fingerprint(const Model& m) {
    std::string s;
    auto add = [&](const void* p, size_t n) { s.append(static_cast<const char*>(p), n); };
    add(&m.numMeshes, sizeof(int)); add(&m.numMaterials, sizeof(int));
    add(&m.numTriangles, sizeof(int)); add(&m.numVertices, sizeof(int));
    add(&m.meshes, sizeof(void*)); add(&m.materials, sizeof(void*));
    add(&m.triangles, sizeof(void*)); add(&m.vertices, sizeof(void*));
    for (int i = 0; i < m.numVertices; ++i) { add(&m.vertices[i].boneID, 1); add(m.vertices[i].location, 12); }
    for (int i = 0; i < m.numTriangles; ++i) add(&m.triangles[i], sizeof(Model::Triangle));
    for (int i = 0; i < m.numMeshes; ++i) {
        add(&m.meshes[i].materialIndex, sizeof(int));
        add(m.meshes[i].triangleIndices, sizeof(int) * m.meshes[i].numTriangles);
    }
    for (int i = 0; i < m.numMaterials; ++i) s += m.materials[i].textureFilename;
    return s;
}

void CheckIndices(const Model& m) {
    for (int i = 0; i < m.numTriangles; ++i)
        for (int v : m.triangles[i].vertexIndices)
            if (v < 0 || v >= m.numVertices) __builtin_trap();
    for (int i = 0; i < m.numMeshes; ++i) {
        if (m.meshes[i].materialIndex >= m.numMaterials) __builtin_trap();
        for (int k = 0; k < m.meshes[i].numTriangles; ++k) {
            const int t = m.meshes[i].triangleIndices[k];
            if (t < 0 || t >= m.numTriangles) __builtin_trap();
        }
    }
    for (int i = 0; i < m.numMaterials; ++i)
        if (std::strlen(m.materials[i].textureFilename) >= 128) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> baseline = BaselineModel();
    static MilkshapeModel model;
    static bool ready = false;
    if (!ready && !model.loadModelFromMemory(baseline.data(), baseline.size())) __builtin_trap();
    ready = true;

    const std::string before = Fingerprint(model);
    if (model.loadModelFromMemory(data, size)) {
        CheckIndices(model);
        if (!model.loadModelFromMemory(baseline.data(), baseline.size())) __builtin_trap();
    } else if (Fingerprint(model) != before) {
        __builtin_trap();
    }
    return 0;
}
