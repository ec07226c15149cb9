#include "app/high_score_file.h"

#include <fstream>

#include "game/game_state.h"
#include "game/high_score_list.h"
#include "platform/atomic_file.h"
#include "platform/data_paths.h"

bool ReadConfigFile(GameState& g) {
    PrepareUserFile(g.dateiname);
    std::ifstream in(DataPath(g.dateiname), std::ios::binary);
    if (!in.good()) return false;
    ReadHighScores(in, g);
    return true;
}

bool WriteConfigFile(const GameState& g) { return ReplaceFileContents(DataPath(g.dateiname), ConfigFileText(g)); }
