// Simulation steps per second of the pure match step on every table, with the
// computer opponent playing and the near mallet pushed about at random.
#include <cstdlib>
#include <random>

#include "bench_clock.h"
#include "game/game_state.h"
#include "game/match_step.h"
#include "game/table.h"

int main(int argc, char** argv) {
    const long steps = argc > 1 ? std::atol(argv[1]) : 5000000L;
    for (int n = 1; n <= kTableCount; ++n) {
        GameState g;
        ApplyTableConstants(g, n);
        g.puk_rad = n >= 7 ? 50 : 44, g.menu = false, g.artif_int = true;
        g.sound = false;  // the step alone, without the effects' bookkeeping
        g.rng = SeededRandom(static_cast<unsigned>(n));
        Effects fx;
        std::mt19937 rng(static_cast<unsigned>(n));
        std::uniform_real_distribution<float> push(-g.schiesser_max_v, g.schiesser_max_v);
        long i = 0;
        const double msPerStep = msPer(steps, [&] {
            if ((i++ & 15) == 0) g.schiesser_v_x = push(rng), g.schiesser_v_z = push(rng);
            MatchStep(g, fx);
        });
        std::printf("table %2d: %ld steps, %.0f steps/s, %d goals\n", n, steps, 1000 / msPerStep, g.my_score + g.his_score);
    }
    return 0;
}
