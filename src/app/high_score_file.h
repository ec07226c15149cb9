// Data/system/config.cfg, the file that keeps the high-score list between games.
#pragma once

struct GameState;

// Start-up: the list from the file. false: the file could not be opened (play goes on
// with the list as it was).
bool ReadConfigFile(GameState& g);
// Rewrites the file from the list, whole or not at all. false: the old file is left.
bool WriteConfigFile(const GameState& g);
