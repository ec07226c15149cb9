// Reads MilkShape 3D binary models (versions 3 and 4) into a Model.
#pragma once

#include <cstddef>

#include "assets/model.h"

// What a load found out, for tools that want more than true or false.
struct MilkshapeLoadReport {
    int version = 0;              // format version of a file that loaded
    const char* error = nullptr;  // why a file was refused (static text), null on success
};

class MilkshapeModel : public Model {
public:
    MilkshapeModel() = default;

    // Fills the model from the file and makes its textures in the current context. A file that is
    // missing, truncated or inconsistent yields false and leaves the model exactly as it was.
    bool loadModelData(const char* filename) override;
    bool loadModelData(const char* filename, MilkshapeLoadReport* report);
    bool loadModelFromMemory(const unsigned char* bytes, size_t size, MilkshapeLoadReport* report = nullptr);
};
