// Renders a table as the game's default camera sees it at the start of a match, into a PNG.
#pragma once

#include <string>
#include <vector>

#include "models.h"

namespace gen {

// `table` 1 to 11; `blended` draws the table at opacity 0.4 with additive blending, otherwise
// opaque. Needs a display (Xvfb will do).
bool renderTable(const std::vector<BuiltModel>& models, int table, bool blended, const std::string& png, std::string& error);

}  // namespace gen
