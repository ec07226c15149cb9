// Temporary folders, files and a readable dump of a model, for the asset tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/model.h"

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/puckslide-assets-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data())) path_ = buffer.data();
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    bool ok() const { return !path_.empty(); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

private:
    std::string path_;
};

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

// Every field of the record as text (floats exactly, in hex); with `withAddresses` also the array
// addresses, so "left exactly as it was" includes "not reallocated".
inline std::string DumpModel(const Model& m, bool withAddresses = true) {
    std::string out;
    char line[256];
    auto add = [&](const char* fmt, auto... args) {
        std::snprintf(line, sizeof line, fmt, args...);
        out += line;
    };
    add("counts %d %d %d %d\n", m.numMeshes, m.numMaterials, m.numTriangles, m.numVertices);
    if (withAddresses)
        add("arrays %p %p %p %p\n", static_cast<const void*>(m.meshes), static_cast<const void*>(m.materials),
            static_cast<const void*>(m.triangles), static_cast<const void*>(m.vertices));
    for (int i = 0; i < m.numVertices; ++i) {
        const Model::Vertex& v = m.vertices[i];
        add("v %d %a %a %a\n", v.boneID, v.location[0], v.location[1], v.location[2]);
    }
    for (int i = 0; i < m.numTriangles; ++i) {
        const Model::Triangle& t = m.triangles[i];
        for (int c = 0; c < 3; ++c)
            add("t%d %d n %a %a %a st %a %a\n", c, t.vertexIndices[c], t.vertexNormals[c][0], t.vertexNormals[c][1],
                t.vertexNormals[c][2], t.s[c], t.t[c]);
    }
    for (int i = 0; i < m.numMeshes; ++i) {
        const Model::Mesh& mesh = m.meshes[i];
        add("mesh %d %d", mesh.materialIndex, mesh.numTriangles);
        if (withAddresses) add(" %p", static_cast<const void*>(mesh.triangleIndices));
        for (int k = 0; k < mesh.numTriangles; ++k) add(" %d", mesh.triangleIndices[k]);
        out += "\n";
    }
    for (int i = 0; i < m.numMaterials; ++i) {
        const Model::Material& mat = m.materials[i];
        for (const float* c : {mat.ambient, mat.diffuse, mat.specular, mat.emissive})
            add("c %a %a %a %a\n", c[0], c[1], c[2], c[3]);
        add("mat %a %u '%s'", mat.shininess, mat.texture, mat.textureFilename ? mat.textureFilename : "(null)");
        if (withAddresses) add(" %p", static_cast<const void*>(mat.textureFilename));
        out += "\n";
    }
    return out;
}
