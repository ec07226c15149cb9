#include "assets/milkshape_model.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/data_paths.h"

namespace {

constexpr char kIdentifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr size_t kHeaderBytes = 14;
constexpr size_t kVertexBytes = 15;
constexpr size_t kTriangleBytes = 70;
constexpr size_t kGroupHeadBytes = 35;  // flags, 32-byte name, triangle count
constexpr size_t kMaterialBytes = 361;
constexpr size_t kTextureNameOffset = 105;
constexpr size_t kTextureNameBytes = 128;
// Far beyond any model with 16-bit counts plus its animation; a larger "model" is not one.
constexpr long kMaxModelFileBytes = 256L * 1024 * 1024;

uint16_t u16At(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32At(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float f32At(const unsigned char* p) {
    const uint32_t bits = u32At(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void floatsAt(const unsigned char* p, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = f32At(p + 4 * i);
}

// A read cursor that never moves past the end of its bytes.
class ByteReader {
public:
    ByteReader(const unsigned char* bytes, size_t size) : p_(bytes), left_(size) {}
    // The next n bytes, or null (and nothing consumed) when fewer remain.
    const unsigned char* take(size_t n) {
        if (n > left_) return nullptr;
        const unsigned char* at = p_;
        p_ += n;
        left_ -= n;
        return at;
    }
    // n records of `each` bytes, checked without overflow.
    const unsigned char* takeRecords(size_t n, size_t each) {
        if (each != 0 && n > left_ / each) return nullptr;
        return take(n * each);
    }
    bool u16(uint16_t& out) {
        const unsigned char* at = take(2);
        if (!at) return false;
        out = u16At(at);
        return true;
    }

private:
    const unsigned char* p_;
    size_t left_;
};

template <typename T>
T* allocateArray(size_t count) {
    return count == 0 ? nullptr : new (std::nothrow) T[count];
}

// Fills `model` (empty on entry) from the bytes; returns null or why the file was refused. On a
// refusal `model` holds whatever was read so far, and its destructor releases it.
const char* parseMilkshape(const unsigned char* bytes, size_t size, Model& model, int& version) {
    ByteReader in(bytes, size);

    const unsigned char* header = in.take(kHeaderBytes);
    if (!header) return "file too short for the header";
    if (std::memcmp(header, kIdentifier, sizeof kIdentifier) != 0) return "identifier is not MS3D000000";
    version = static_cast<int32_t>(u32At(header + 10));
    if (version != 3 && version != 4) return "format version is not 3 or 4";

    uint16_t vertexCount = 0;
    if (!in.u16(vertexCount)) return "file ends before the vertex count";
    const unsigned char* vertexBytes = in.takeRecords(vertexCount, kVertexBytes);
    if (!vertexBytes) return "file ends inside the vertices";
    model.vertices = allocateArray<Model::Vertex>(vertexCount);
    if (vertexCount && !model.vertices) return "out of memory";
    model.numVertices = vertexCount;
    for (int i = 0; i < vertexCount; ++i) {
        const unsigned char* v = vertexBytes + i * kVertexBytes;
        Model::Vertex& vertex = model.vertices[i];
        floatsAt(v + 1, vertex.location, 3);
        vertex.boneID = static_cast<signed char>(v[13]);
    }

    uint16_t triangleCount = 0;
    if (!in.u16(triangleCount)) return "file ends before the triangle count";
    const unsigned char* triangleBytes = in.takeRecords(triangleCount, kTriangleBytes);
    if (!triangleBytes) return "file ends inside the triangles";
    model.triangles = allocateArray<Model::Triangle>(triangleCount);
    if (triangleCount && !model.triangles) return "out of memory";
    model.numTriangles = triangleCount;
    for (int i = 0; i < triangleCount; ++i) {
        const unsigned char* t = triangleBytes + i * kTriangleBytes;
        Model::Triangle& triangle = model.triangles[i];
        for (int corner = 0; corner < 3; ++corner) {
            const int index = u16At(t + 2 + 2 * corner);
            if (index >= vertexCount) return "a triangle names a vertex that does not exist";
            triangle.vertexIndices[corner] = index;
            floatsAt(t + 8 + 12 * corner, triangle.vertexNormals[corner], 3);
            triangle.s[corner] = f32At(t + 44 + 4 * corner);
            // MilkShape counts t from the top of the image, OpenGL from the bottom.
            triangle.t[corner] = 1.0f - f32At(t + 56 + 4 * corner);
        }
    }

    uint16_t groupCount = 0;
    if (!in.u16(groupCount)) return "file ends before the group count";
    // Every group takes at least its head and material byte, so a count the file cannot hold is
    // refused before anything is allocated for it.
    if (groupCount > size / (kGroupHeadBytes + 1)) return "file ends inside the groups";
    model.meshes = allocateArray<Model::Mesh>(groupCount);
    if (groupCount && !model.meshes) return "out of memory";
    model.numMeshes = groupCount;
    for (int g = 0; g < groupCount; ++g) {
        const unsigned char* head = in.take(kGroupHeadBytes);
        if (!head) return "file ends inside the groups";
        const uint16_t count = u16At(head + 33);
        const unsigned char* indexBytes = in.takeRecords(count, 2);
        const unsigned char* materialByte = in.take(1);
        if (!indexBytes || !materialByte) return "file ends inside the groups";

        Model::Mesh& mesh = model.meshes[g];
        mesh.triangleIndices = allocateArray<int>(count);
        if (count && !mesh.triangleIndices) return "out of memory";
        mesh.numTriangles = count;
        for (int i = 0; i < count; ++i) {
            const int index = u16At(indexBytes + 2 * i);
            if (index >= triangleCount) return "a group names a triangle that does not exist";
            mesh.triangleIndices[i] = index;
        }
        mesh.materialIndex = static_cast<signed char>(materialByte[0]);
    }

    uint16_t materialCount = 0;
    if (!in.u16(materialCount)) return "file ends before the material count";
    const unsigned char* materialBytes = in.takeRecords(materialCount, kMaterialBytes);
    if (!materialBytes) return "file ends inside the materials";
    model.materials = allocateArray<Model::Material>(materialCount);
    if (materialCount && !model.materials) return "out of memory";
    model.numMaterials = materialCount;
    for (int i = 0; i < materialCount; ++i) {
        const unsigned char* m = materialBytes + i * kMaterialBytes;
        Model::Material& material = model.materials[i];
        floatsAt(m + 32, material.ambient, 4);
        floatsAt(m + 48, material.diffuse, 4);
        floatsAt(m + 64, material.specular, 4);
        floatsAt(m + 80, material.emissive, 4);
        material.shininess = f32At(m + 96);

        const char* name = reinterpret_cast<const char*>(m + kTextureNameOffset);
        const void* terminator = std::memchr(name, '\0', kTextureNameBytes);
        if (!terminator) return "a texture file name is not terminated";
        const size_t length = static_cast<const char*>(terminator) - name;
        material.textureFilename = allocateArray<char>(length + 1);
        if (!material.textureFilename) return "out of memory";
        std::memcpy(material.textureFilename, name, length + 1);
    }

    for (int g = 0; g < groupCount; ++g)
        if (model.meshes[g].materialIndex >= materialCount) return "a group names a material that does not exist";

    return nullptr;
}

}  // namespace

bool MilkshapeModel::loadModelData(const char* filename) { return loadModelData(filename, nullptr); }

bool MilkshapeModel::loadModelData(const char* filename, MilkshapeLoadReport* report) {
    MilkshapeLoadReport ignored;
    if (!report) report = &ignored;
    *report = MilkshapeLoadReport{};

    FILE* file = filename ? std::fopen(DataPath(filename).c_str(), "rb") : nullptr;
    if (!file) {
        report->error = "cannot open the file";
        return false;
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || size > kMaxModelFileBytes || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        report->error = size > kMaxModelFileBytes ? "file too large for a model" : "cannot read the file";
        return false;
    }
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size > 0 ? size : 1]);
    const bool read = bytes && std::fread(bytes.get(), 1, size, file) == static_cast<size_t>(size);
    std::fclose(file);
    if (!read) {
        report->error = "cannot read the file";
        return false;
    }
    return loadModelFromMemory(bytes.get(), static_cast<size_t>(size), report);
}

bool MilkshapeModel::loadModelFromMemory(const unsigned char* bytes, size_t size, MilkshapeLoadReport* report) {
    MilkshapeLoadReport ignored;
    if (!report) report = &ignored;
    *report = MilkshapeLoadReport{};

    MilkshapeModel fresh;
    int version = 0;
    const char* error = bytes ? parseMilkshape(bytes, size, fresh, version) : "no data";
    if (error) {
        report->error = error;
        return false;
    }
    replaceContents(fresh);
    reloadTextures();
    report->version = version;
    return true;
}
