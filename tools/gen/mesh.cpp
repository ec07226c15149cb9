#include "mesh.h"

#include <cmath>
#include <cstring>

namespace gen {

Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

Vec3 normalized(Vec3 v) {
    double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0) return {0, 1, 0};
    return v * (1.0 / len);
}

int Mesh::addMaterial(const MeshMaterial& m) {
    materials_.push_back(m);
    return static_cast<int>(materials_.size()) - 1;
}

int Mesh::beginGroup(const std::string& name, int material) {
    groups_.push_back(MeshGroup{name, material, {}});
    return static_cast<int>(groups_.size()) - 1;
}

// Corners that share a position share a vertex record; the file keeps normals and texture
// coordinates per triangle corner, so nothing else needs to match.
int Mesh::vertexIndex(Vec3 p) {
    std::array<float, 3> key{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    auto it = vertexLookup_.find(key);
    if (it != vertexLookup_.end()) return it->second;
    int index = static_cast<int>(vertices_.size());
    vertices_.push_back(p);
    vertexLookup_.emplace(key, index);
    return index;
}

void Mesh::triangle(Vec3 a, Vec3 b, Vec3 c, UV ta, UV tb, UV tc) {
    Vec3 n = normalized(cross(b - a, c - a));
    triangle(a, b, c, ta, tb, tc, n, n, n);
}

void Mesh::triangle(Vec3 a, Vec3 b, Vec3 c, UV ta, UV tb, UV tc, Vec3 na, Vec3 nb, Vec3 nc) {
    if (groups_.empty()) beginGroup("default", -1);
    MeshTriangle t;
    t.vertex = {vertexIndex(a), vertexIndex(b), vertexIndex(c)};
    t.normal = {na, nb, nc};
    t.uv = {ta, tb, tc};
    t.group = static_cast<int>(groups_.size()) - 1;
    groups_.back().triangles.push_back(static_cast<int>(triangles_.size()));
    triangles_.push_back(t);
}

void Mesh::quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, UV ta, UV tb, UV tc, UV td) {
    triangle(a, b, c, ta, tb, tc);
    triangle(a, c, d, ta, tc, td);
}

namespace {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void u8(unsigned v) { out_.push_back(static_cast<uint8_t>(v)); }
    void i8(int v) { out_.push_back(static_cast<uint8_t>(static_cast<int8_t>(v))); }
    void u16(unsigned v) {
        u8(v & 0xff);
        u8((v >> 8) & 0xff);
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) u8((v >> (8 * i)) & 0xff);
    }
    void f32(double v) {
        float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    }
    // Zero-padded, always zero-terminated within `width`.
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i + 1 < width && i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }

private:
    std::vector<uint8_t>& out_;
};

constexpr size_t kMaxCount = 65535;
constexpr size_t kNameWidth = 32;
constexpr size_t kPathWidth = 128;

}  // namespace

bool Mesh::toMs3d(std::vector<uint8_t>& out) const {
    if (vertices_.size() > kMaxCount || triangles_.size() > kMaxCount || groups_.size() > kMaxCount ||
        materials_.size() > 127)
        return false;
    for (const MeshMaterial& m : materials_)
        if (m.texture.size() >= kPathWidth) return false;

    std::vector<int> references(vertices_.size(), 0);
    for (const MeshTriangle& t : triangles_)
        for (int v : t.vertex) ++references[v];

    out.clear();
    ByteWriter w(out);
    for (char c : std::string("MS3D000000")) w.u8(static_cast<uint8_t>(c));
    w.u32(4);

    w.u16(static_cast<unsigned>(vertices_.size()));
    for (size_t i = 0; i < vertices_.size(); ++i) {
        w.u8(0);
        w.f32(vertices_[i].x);
        w.f32(vertices_[i].y);
        w.f32(vertices_[i].z);
        w.i8(-1);
        w.u8(static_cast<unsigned>(references[i] > 255 ? 255 : references[i]));
    }

    w.u16(static_cast<unsigned>(triangles_.size()));
    for (const MeshTriangle& t : triangles_) {
        w.u16(0);
        for (int v : t.vertex) w.u16(static_cast<unsigned>(v));
        for (const Vec3& n : t.normal) {
            w.f32(n.x);
            w.f32(n.y);
            w.f32(n.z);
        }
        for (const UV& uv : t.uv) w.f32(uv.u);
        // The file counts t from the top of the picture; the game's loader turns it round.
        for (const UV& uv : t.uv) w.f32(1.0 - uv.v);
        w.u8(1);
        w.u8(static_cast<unsigned>(t.group & 0xff));
    }

    w.u16(static_cast<unsigned>(groups_.size()));
    for (const MeshGroup& g : groups_) {
        w.u8(0);
        w.text(g.name, kNameWidth);
        w.u16(static_cast<unsigned>(g.triangles.size()));
        for (int t : g.triangles) w.u16(static_cast<unsigned>(t));
        w.i8(g.material);
    }

    w.u16(static_cast<unsigned>(materials_.size()));
    for (const MeshMaterial& m : materials_) {
        w.text(m.name, kNameWidth);
        for (float f : m.ambient) w.f32(f);
        for (float f : m.diffuse) w.f32(f);
        for (float f : m.specular) w.f32(f);
        for (float f : m.emissive) w.f32(f);
        w.f32(m.shininess);
        w.f32(1.0);  // transparency: opaque
        w.u8(0);     // mode
        w.text(m.texture, kPathWidth);
        w.text("", kPathWidth);  // no alpha map
    }

    // The animation block that MilkShape itself writes after the materials: no joints.
    w.f32(24.0);
    w.f32(0.0);
    w.u32(1);
    w.u16(0);
    return true;
}

}  // namespace gen
