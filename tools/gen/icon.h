// The game's icon: the puck and the player's mallet on a table, drawn once as shapes and
// written both as an SVG and as PNGs of the sizes desktops ask for.
#pragma once

#include <vector>

#include "models.h"

namespace gen {

// data/icons/puckslide3d.svg and data/icons/puckslide3d-SIZE.png for 48, 64, 128 and 256.
bool iconFiles(std::vector<OutputFile>& files, std::string& error);

}  // namespace gen
