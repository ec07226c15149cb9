// Any bytes as the configuration file: the reader must stay inside the list,
// and whatever it reads must come back unchanged through the writer.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/high_score_list.h"
#include "game/game_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GameState g;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ReadHighScores(in, g);
    for (const std::string& name : g.HSname)
        if (name.size() > static_cast<size_t>(kMaxNameLength)) std::abort();
    if (!g.HSname[11].empty() || g.hsscore[11] != 0) std::abort();

    GameState back;
    std::istringstream written(ConfigFileText(g));
    if (!ReadHighScores(written, back)) std::abort();
    for (int i = 0; i < 10; ++i)
        if (back.HSname[i] != g.HSname[i] || back.hsscore[i] != g.hsscore[i]) std::abort();
    return 0;
}
