// An in-memory static mesh in the shape of a MilkShape 3D file, and its writer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace gen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
Vec3 cross(Vec3 a, Vec3 b);
Vec3 normalized(Vec3 v);

// Texture coordinates as OpenGL sees them: v = 0 is the bottom row of the picture.
struct UV {
    double u = 0, v = 0;
};

struct MeshMaterial {
    std::string name;
    std::array<float, 4> ambient{0.2f, 0.2f, 0.2f, 1.0f};
    std::array<float, 4> diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    std::array<float, 4> specular{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<float, 4> emissive{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
    std::string texture;  // path relative to the game's working directory, empty for none
};

struct MeshTriangle {
    std::array<int, 3> vertex{};
    std::array<Vec3, 3> normal{};
    std::array<UV, 3> uv{};
    int group = 0;
};

struct MeshGroup {
    std::string name;
    int material = -1;
    std::vector<int> triangles;
};

class Mesh {
public:
    int addMaterial(const MeshMaterial& m);
    // Triangles added after this go into the new group.
    int beginGroup(const std::string& name, int material);

    // Counter-clockwise seen from the front; one flat normal for the three corners.
    void triangle(Vec3 a, Vec3 b, Vec3 c, UV ta, UV tb, UV tc);
    void triangle(Vec3 a, Vec3 b, Vec3 c, UV ta, UV tb, UV tc, Vec3 na, Vec3 nb, Vec3 nc);
    // Corners in order around the quad, counter-clockwise seen from the front.
    void quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, UV ta, UV tb, UV tc, UV td);

    const std::vector<Vec3>& vertices() const { return vertices_; }
    const std::vector<MeshTriangle>& triangles() const { return triangles_; }
    const std::vector<MeshGroup>& groups() const { return groups_; }
    const std::vector<MeshMaterial>& materials() const { return materials_; }

    // The file bytes (version 4); false when a count does not fit the format.
    bool toMs3d(std::vector<uint8_t>& out) const;

private:
    int vertexIndex(Vec3 p);

    std::vector<Vec3> vertices_;
    std::map<std::array<float, 3>, int> vertexLookup_;
    std::vector<MeshTriangle> triangles_;
    std::vector<MeshGroup> groups_;
    std::vector<MeshMaterial> materials_;
};

}  // namespace gen
