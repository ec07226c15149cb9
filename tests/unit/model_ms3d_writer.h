// Writes small MilkShape 3D files for the loader tests, byte by byte, little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Ms3dFile {
    struct Vertex {
        float x = 0, y = 0, z = 0;
        int8_t bone = -1;
    };
    struct Triangle {
        uint16_t vertex[3] = {0, 0, 0};
        float normal[3][3] = {};
        float s[3] = {}, t[3] = {};
    };
    struct Group {
        std::string name;
        std::vector<uint16_t> triangles;
        int8_t material = -1;
    };
    struct Material {
        float ambient[4] = {}, diffuse[4] = {}, specular[4] = {}, emissive[4] = {};
        float shininess = 0, transparency = 1;
        std::string texture, alphaMap;
    };

    char identifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
    int32_t version = 4;
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    std::vector<unsigned char> trailer;  // joints, key frames and the like

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> out;
        raw(out, identifier, 10);
        u32(out, static_cast<uint32_t>(version));
        u16(out, static_cast<uint16_t>(vertices.size()));
        for (const Vertex& v : vertices) {
            out.push_back(0);
            f32(out, v.x);
            f32(out, v.y);
            f32(out, v.z);
            out.push_back(static_cast<unsigned char>(v.bone));
            out.push_back(1);
        }
        u16(out, static_cast<uint16_t>(triangles.size()));
        for (const Triangle& t : triangles) {
            u16(out, 0);
            for (uint16_t v : t.vertex) u16(out, v);
            for (const auto& n : t.normal)
                for (float c : n) f32(out, c);
            for (float s : t.s) f32(out, s);
            for (float tc : t.t) f32(out, tc);
            out.push_back(1);
            out.push_back(0);
        }
        u16(out, static_cast<uint16_t>(groups.size()));
        for (const Group& g : groups) {
            out.push_back(0);
            fixedString(out, g.name, 32);
            u16(out, static_cast<uint16_t>(g.triangles.size()));
            for (uint16_t t : g.triangles) u16(out, t);
            out.push_back(static_cast<unsigned char>(g.material));
        }
        u16(out, static_cast<uint16_t>(materials.size()));
        for (const Material& m : materials) {
            fixedString(out, "material", 32);
            for (float c : m.ambient) f32(out, c);
            for (float c : m.diffuse) f32(out, c);
            for (float c : m.specular) f32(out, c);
            for (float c : m.emissive) f32(out, c);
            f32(out, m.shininess);
            f32(out, m.transparency);
            out.push_back(0);
            fixedString(out, m.texture, 128);
            fixedString(out, m.alphaMap, 128);
        }
        out.insert(out.end(), trailer.begin(), trailer.end());
        return out;
    }

    // Offsets of the sections in bytes(), for tests that damage one field.
    size_t triangleOffset(size_t i) const { return 14 + 2 + 15 * vertices.size() + 2 + 70 * i; }
    size_t groupOffset(size_t i) const {
        size_t at = triangleOffset(triangles.size()) + 2;
        for (size_t g = 0; g < i; ++g) at += 35 + 2 * groups[g].triangles.size() + 1;
        return at;
    }
    size_t materialOffset(size_t i) const { return groupOffset(groups.size()) + 2 + 361 * i; }

private:
    static void raw(std::vector<unsigned char>& out, const void* p, size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        out.insert(out.end(), b, b + n);
    }
    static void u16(std::vector<unsigned char>& out, uint16_t v) {
        out.push_back(v & 0xff);
        out.push_back(v >> 8);
    }
    static void u32(std::vector<unsigned char>& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xff);
    }
    static void f32(std::vector<unsigned char>& out, float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(out, bits);
    }
    // The name, zero-filled to `width` bytes; a name of exactly `width` bytes gets no terminator.
    static void fixedString(std::vector<unsigned char>& out, const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) out.push_back(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
};

// Four vertices, two triangles, a textured group, a group without material and two materials (one
// textured, one not): enough to see every field come through.
inline Ms3dFile SampleMs3d() {
    Ms3dFile f;
    f.vertices = {{0, 0, 0, -1}, {10, 0, 0, 2}, {10, 5, -3, -1}, {0, 5, 7.5f, 0}};
    Ms3dFile::Triangle a;
    a.vertex[0] = 0; a.vertex[1] = 1; a.vertex[2] = 2;
    for (int c = 0; c < 3; ++c) {
        a.normal[c][1] = 1;
        a.s[c] = 0.1f * (c + 1);
        a.t[c] = 0.25f * c;
    }
    Ms3dFile::Triangle b;
    b.vertex[0] = 0; b.vertex[1] = 2; b.vertex[2] = 3;
    for (int c = 0; c < 3; ++c) {
        b.normal[c][2] = -1;
        b.s[c] = 1.0f - 0.2f * c;
        b.t[c] = 1.0f;
    }
    f.triangles = {a, b};
    f.groups = {{"top", {0}, 1}, {"side", {1, 0}, -1}};
    Ms3dFile::Material plain;
    for (int i = 0; i < 4; ++i) {
        plain.ambient[i] = 0.1f * i;
        plain.diffuse[i] = 0.2f + 0.1f * i;
        plain.specular[i] = 0.3f + 0.1f * i;
        plain.emissive[i] = 0.05f * i;
    }
    plain.shininess = 12.5f;
    Ms3dFile::Material textured = plain;
    textured.diffuse[0] = 0.9f;
    textured.shininess = 64;
    textured.texture = "data/model/sample.bmp";
    textured.alphaMap = "ignored.bmp";
    f.materials = {plain, textured};
    return f;
}
