// The game's models and the pictures they name.
#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "layout.h"
#include "mesh.h"

namespace gen {

// A file to write below the output folder, and its bytes.
struct OutputFile {
    std::string path;  // e.g. "data/model/table.ms3d"
    std::vector<uint8_t> bytes;
};

// A model with the pictures it names, kept for the viewer as well as written out.
struct BuiltModel {
    std::string path;
    Mesh mesh;
    std::vector<std::pair<std::string, Picture>> pictures;  // texture path, picture
};

// Every model and texture of data/model; false with a reason on an inconsistency.
bool buildModels(std::vector<BuiltModel>& models, std::string& error);
bool modelFiles(const std::vector<BuiltModel>& models, std::vector<OutputFile>& files, std::string& error);

}  // namespace gen
