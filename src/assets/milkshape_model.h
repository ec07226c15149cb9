// Reads MilkShape 3D binary models (versions 3 and 4) into a Model.
#pragma once

#include "assets/model.h"

class MilkshapeModel : public Model {
public:
    MilkshapeModel() = default;
    bool loadModelData(const char* filename) override;
};
