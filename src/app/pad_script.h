// The scripted-pad events of --script: FRAME pad N add|remove,
// FRAME pad N button NAME down|up, FRAME pad N axis NAME VALUE.
#pragma once

#include <string>
#include <vector>

#include "platform/gamepad.h"

// `words` is the whole line, frame number first. false with the reason in `why`.
bool ParsePadEvent(const std::vector<std::string>& words, ScriptedPadAction& action, std::string& why);
