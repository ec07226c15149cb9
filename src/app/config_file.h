// Data/system/config.cfg: the header and the high-score list.
#pragma once

struct GameState;

void ReadConfigFile(GameState& g);         // start-up; a missing file is reported, play goes on
void NameEntryStep(GameState& g);          // each frame on the name-entry screen
