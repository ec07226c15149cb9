// Temporary folders, files and a readable dump of a model, for the asset tests and the model fuzzer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/model.h"

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/puckslide-assets-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "no/such/folder";  // then writing the first file fails
    }
    ~TempDir() { if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Every field as text (floats exactly, in hex); with `addresses` also where the arrays are, so "left
// exactly as it was" includes "not reallocated".
inline std::string DumpModel(const Model& m, bool addresses = true) {
    auto at = [&](const void* p) { return addresses ? p : nullptr; };
    std::string out;
    char line[256];
    auto add = [&](const char* fmt, auto... args) { std::snprintf(line, sizeof line, fmt, args...); out += line; };
    add("counts %d %d %d %d %p %p %p %p\n", m.numMeshes, m.numMaterials, m.numTriangles, m.numVertices,
        at(m.meshes), at(m.materials), at(m.triangles), at(m.vertices));
    for (int i = 0; i < m.numVertices; ++i)
        add("v %d %a %a %a\n", m.vertices[i].boneID, m.vertices[i].location[0], m.vertices[i].location[1],
            m.vertices[i].location[2]);
    for (int i = 0; i < m.numTriangles; ++i)
        for (int c = 0; c < 3; ++c) {
            const Model::Triangle& t = m.triangles[i];
            add("t %d %a %a %a %a %a\n", t.vertexIndices[c], t.vertexNormals[c][0], t.vertexNormals[c][1],
                t.vertexNormals[c][2], t.s[c], t.t[c]);
        }
    for (int i = 0; i < m.numMeshes; ++i) {
        add("mesh %d %p", m.meshes[i].materialIndex, at(m.meshes[i].triangleIndices));
        for (int k = 0; k < m.meshes[i].numTriangles; ++k) add(" %d", m.meshes[i].triangleIndices[k]);
        out += "\n";
    }
    for (int i = 0; i < m.numMaterials; ++i) {
        const Model::Material& mat = m.materials[i];
        for (const float* c : {mat.ambient, mat.diffuse, mat.specular, mat.emissive})
            add("c %a %a %a %a\n", c[0], c[1], c[2], c[3]);
        add("mat %a %u %p '%s'\n", mat.shininess, mat.texture, at(mat.textureFilename),
            mat.textureFilename ? mat.textureFilename : "(null)");
    }
    return out;
}
