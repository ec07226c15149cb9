// puckslide3d-inspect: prints what the game's own loaders make of a model or an image, as one JSON
// object on standard output, for asset authors and tests.
//
//   puckslide3d-inspect model FILE   version, counts, meshes, materials, vertex bounds, t range
//   puckslide3d-inspect image FILE   width, height, CRC-32 of the RGB bytes bottom row first
//
// A file the game would refuse gives a message on standard error and exit code 1.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <SDL.h>

#include "assets/image.h"
#include "assets/milkshape_model.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

std::string jsonString(const char* s) {
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += static_cast<char>(*p);
        } else if (*p < 0x20 || *p >= 0x7f) {
            // Bytes beyond ASCII are shown as the Latin-1 characters they would be on Windows.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", *p);
            out += escaped;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out + "\"";
}

// Enough digits to give back the same float; JSON has no NaN or infinity, so those become null.
std::string jsonNumber(float f) {
    if (!std::isfinite(f)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(f));
    return text;
}

std::string jsonFloats(const float* values, int count) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) out += (i ? ", " : "") + jsonNumber(values[i]);
    return out + "]";
}

uint32_t crc32(const unsigned char* bytes, size_t size) {
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

int inspectModel(const char* file) {
    MilkshapeModel model;
    MilkshapeLoadReport report;
    if (!model.loadModelData(file, &report)) {
        std::fprintf(stderr, "puckslide3d-inspect: %s: refused: %s\n", file, report.error ? report.error : "unknown");
        return kExitRefused;
    }

    std::string out = "{\"file\": " + jsonString(file) + ", \"version\": " + std::to_string(report.version);
    out += ", \"numVertices\": " + std::to_string(model.numVertices);
    out += ", \"numTriangles\": " + std::to_string(model.numTriangles);
    out += ", \"numMeshes\": " + std::to_string(model.numMeshes);
    out += ", \"numMaterials\": " + std::to_string(model.numMaterials);

    out += ", \"meshes\": [";
    for (int i = 0; i < model.numMeshes; ++i) {
        out += i ? ", " : "";
        out += "{\"materialIndex\": " + std::to_string(model.meshes[i].materialIndex) +
               ", \"numTriangles\": " + std::to_string(model.meshes[i].numTriangles) + "}";
    }
    out += "], \"materials\": [";
    for (int i = 0; i < model.numMaterials; ++i) {
        const Model::Material& m = model.materials[i];
        out += i ? ", " : "";
        out += "{\"ambient\": " + jsonFloats(m.ambient, 4) + ", \"diffuse\": " + jsonFloats(m.diffuse, 4) +
               ", \"specular\": " + jsonFloats(m.specular, 4) + ", \"emissive\": " + jsonFloats(m.emissive, 4) +
               ", \"shininess\": " + jsonNumber(m.shininess) +
               ", \"textureFilename\": " + jsonString(m.textureFilename) + "}";
    }
    out += "]";

    if (model.numVertices > 0) {
        float low[3], high[3];
        for (int axis = 0; axis < 3; ++axis) low[axis] = high[axis] = model.vertices[0].location[axis];
        for (int i = 1; i < model.numVertices; ++i)
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::fmin(low[axis], model.vertices[i].location[axis]);
                high[axis] = std::fmax(high[axis], model.vertices[i].location[axis]);
            }
        out += ", \"bounds\": {\"min\": " + jsonFloats(low, 3) + ", \"max\": " + jsonFloats(high, 3) + "}";
    } else {
        out += ", \"bounds\": null";
    }
    if (model.numTriangles > 0) {
        float range[2] = {model.triangles[0].t[0], model.triangles[0].t[0]};
        for (int i = 0; i < model.numTriangles; ++i)
            for (float t : model.triangles[i].t) {
                range[0] = std::fmin(range[0], t);
                range[1] = std::fmax(range[1], t);
            }
        out += ", \"tRange\": " + jsonFloats(range, 2);
    } else {
        out += ", \"tRange\": null";
    }
    std::printf("%s}\n", out.c_str());
    return 0;
}

int inspectImage(const char* file) {
    FILE* probe = std::fopen(file, "rb");
    if (!probe) {
        std::fprintf(stderr, "puckslide3d-inspect: %s: cannot open: %s\n", file, std::strerror(errno));
        return kExitRefused;
    }
    std::fclose(probe);
    AUX_RGBImageRec* image = LoadBMP(file);
    if (!image || !image->data) {
        std::fprintf(stderr, "puckslide3d-inspect: %s: refused: %s\n", file, SDL_GetError());
        FreeRGBImage(image);
        return kExitRefused;
    }
    const size_t bytes = static_cast<size_t>(image->sizeX) * image->sizeY * 3;
    std::printf("{\"file\": %s, \"width\": %d, \"height\": %d, \"crc32\": %lu}\n", jsonString(file).c_str(),
                image->sizeX, image->sizeY, static_cast<unsigned long>(crc32(image->data, bytes)));
    FreeRGBImage(image);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "model") == 0) return inspectModel(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "image") == 0) return inspectImage(argv[2]);
    std::fprintf(stderr, "usage: puckslide3d-inspect model FILE.ms3d\n       puckslide3d-inspect image FILE.bmp\n");
    return kExitUsage;
}
