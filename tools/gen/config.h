// The shipped configuration and high-score file, Data/system/config.cfg.
#pragma once

#include <string>

namespace gen {

std::string configText();

}  // namespace gen
