// Prints what saving, restoring and advancing the game by one frame without drawing cost (what
// rolling back costs; a drawn frame's cost is bench_frames'), and what reading a hostile 8 MB
// high-score file costs.
#include <sstream>
#include <string>

#include "bench_clock.h"
#include "game/game_state.h"
#include "game/high_score_list.h"
#include "game/table.h"
#include "game/turn.h"

int main() {
    std::string hostile(8 * 1024 * 1024, 'Q');
    for (size_t i = 0; i < hostile.size(); i += 4097) hostile[i] = '\n';
    GameState back;
    std::istringstream in(hostile);
    figure("read 8 MB without the header word", msPer(1, [&] { ReadHighScores(in, back); }), "ms");
    // In a match (the first table, the computer playing) and on a menu.
    GameState match;
    ApplyTableConstants(match, 1);
    match.menu = false, match.artif_int = true, match.move_x = 3, match.move_z = -5;
    GameState menu;
    for (GameState* g : {&match, &menu}) {
        const char* where = g == &match ? "match" : "main menu";
        GameState saved;
        std::printf("%-9s save %7.4f ms, restore %7.4f ms, advance %7.4f ms\n", where,
                    msPer(100000, [&] { saved = *g; }), msPer(100000, [&] { *g = saved; }),
                    msPer(100000, [&] { AdvanceFrame(*g, FrameInput{}); }));
    }
    return 0;
}
