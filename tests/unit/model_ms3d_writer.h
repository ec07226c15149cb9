// Writes small MilkShape 3D files for the loader tests and the model fuzzer, little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Ms3dFile {
    struct Vertex { float x = 0, y = 0, z = 0; int8_t bone = -1; };
    struct Triangle { uint16_t vertex[3] = {0, 0, 0}; float normal[9] = {}, s[3] = {}, t[3] = {}; };
    struct Group { std::vector<uint16_t> triangles; int8_t material = -1; };
    struct Material { float colours[16] = {}; float shininess = 0; std::string texture; };

    char identifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
    int32_t version = 4;
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    std::vector<unsigned char> trailer;  // joints, key frames and the like

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> out(identifier, identifier + 10);
        auto u16 = [&](unsigned v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
        auto u32 = [&](uint32_t v) { for (int i = 0; i < 32; i += 8) out.push_back((v >> i) & 0xff); };
        auto f32 = [&](const float* f, int n) { for (uint32_t b; n--; ++f) std::memcpy(&b, f, 4), u32(b); };
        auto text = [&](const std::string& s, size_t width) {  // no terminator when it fills the width
            for (size_t i = 0; i < width; ++i) out.push_back(i < s.size() ? s[i] : 0);
        };
        u32(static_cast<uint32_t>(version));
        u16(vertices.size());
        for (const Vertex& v : vertices)
            out.push_back(0), f32(&v.x, 1), f32(&v.y, 1), f32(&v.z, 1), out.insert(out.end(), {uint8_t(v.bone), 1});
        u16(triangles.size());
        for (const Triangle& t : triangles) {
            u16(0);
            for (uint16_t v : t.vertex) u16(v);
            f32(t.normal, 9), f32(t.s, 3), f32(t.t, 3), u16(1);
        }
        u16(groups.size());
        for (const Group& g : groups) {
            out.push_back(0), text("group", 32), u16(g.triangles.size());
            for (uint16_t t : g.triangles) u16(t);
            out.push_back(g.material);
        }
        u16(materials.size());
        for (const Material& m : materials)
            text("material", 32), f32(m.colours, 16), f32(&m.shininess, 1), u32(0x3f800000), out.push_back(0),
                text(m.texture, 128), text("alpha.bmp", 128);
        out.insert(out.end(), trailer.begin(), trailer.end());
        return out;
    }
};

// Four vertices, two triangles, a textured group, a group without material and two materials (one
// textured, one not): enough to see every field come through.
inline Ms3dFile SampleMs3d() {
    Ms3dFile f;
    f.vertices = {{0, 0, 0, -1}, {10, 0, 0, 2}, {10, 5, -3, -1}, {0, 5, 7.5f, 0}};
    f.triangles = {{{0, 1, 2}, {0, 1, 0, 0, 1, 0, 0, 1, 0}, {0.1f, 0.2f, 0.3f}, {0, 0.25f, 0.5f}},
                   {{0, 2, 3}, {0, 0, -1, 0, 0, -1, 0, 0, -1}, {1, 0.8f, 0.6f}, {}}};
    f.groups = {{{0}, 1}, {{1, 0}, -1}};
    f.materials.resize(2);
    for (int i = 0; i < 16; ++i) f.materials[0].colours[i] = 0.05f * i;
    f.materials[1] = f.materials[0], f.materials[1].colours[4] = 0.9f, f.materials[1].texture = "data/model/sample.bmp";
    return f;
}
