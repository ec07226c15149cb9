// Temporary folders, files and a readable dump of a model, for the asset tests and the model fuzzer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/model.h"

class TempDir {
public:
    TempDir() { path_ = mkdtemp(pattern_) ? pattern_ : "no/such/folder"; }  // then writing the first file fails
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    char pattern_[32] = "/tmp/puckslide-assets-XXXXXX";
    std::string path_;
};

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Every field, bytes as they are; with `addresses` also where the arrays are, so "left exactly as it
// was" includes "not reallocated".
inline std::string DumpModel(const Model& m, bool addresses = true) {
    std::string out;
    auto add = [&](const auto& v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); };
    auto at = [&](const void* p) { add(addresses ? p : nullptr); };
    add(m.numMeshes), add(m.numMaterials), add(m.numTriangles), add(m.numVertices);
    at(m.meshes), at(m.materials), at(m.triangles), at(m.vertices);
    for (int i = 0; i < m.numVertices; ++i) add(m.vertices[i].boneID), add(m.vertices[i].location);
    for (int i = 0; i < m.numTriangles; ++i)
        add(m.triangles[i].vertexIndices), add(m.triangles[i].vertexNormals), add(m.triangles[i].s), add(m.triangles[i].t);
    for (int i = 0; i < m.numMeshes; ++i) {
        add(m.meshes[i].materialIndex), add(m.meshes[i].numTriangles), at(m.meshes[i].triangleIndices);
        for (int k = 0; k < m.meshes[i].numTriangles; ++k) add(m.meshes[i].triangleIndices[k]);
    }
    for (int i = 0; i < m.numMaterials; ++i) {
        const Model::Material& mat = m.materials[i];
        add(mat.ambient), add(mat.diffuse), add(mat.specular), add(mat.emissive), add(mat.shininess), add(mat.texture);
        at(mat.textureFilename), out += mat.textureFilename ? mat.textureFilename : "(null)";
    }
    return out;
}
