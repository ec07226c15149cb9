// Prints what the screens cost per frame (real GL context, the game's view), what
// saving, restoring and advancing the game by one frame without drawing cost beside
// a drawn frame, and what reading a hostile 8 MB high-score file costs.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "app/game_window.h"
#include "game/high_score_list.h"
#include "game/turn.h"
#include "game/game_state.h"
#include "render/window_view.h"
#include "game/screen_numbers.h"
#include "game/table.h"
#include "platform/text.h"

// Milliseconds per call of `f`, over `n` calls.
template <typename F>
static double msPer(int n, F f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
}

int main() {
    std::string hostile(8 * 1024 * 1024, 'Q');
    for (size_t i = 0; i < hostile.size(); i += 4097) hostile[i] = '\n';
    GameState back;
    std::istringstream in(hostile);
    std::printf("read 8 MB without the header word %7.1f ms\n", msPer(1, [&] { ReadHighScores(in, back); }));

    SDL_Init(SDL_INIT_VIDEO);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window) || !BuildFont())
        return std::printf("no GL context or font: %s\n", SDL_GetError()), 0;
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    const struct { const char* name; int screen, round; } screens[] = {
        {"main menu", Screen::MainMenu, 1}, {"options/help", Screen::OptionsHelp, 1}, {"credits page 1", Screen::Credits, 1},
        {"singleplayer, finished", Screen::Singleplayer, 4}, {"multiplayer, finished", Screen::Multiplayer, 4},
        {"high-score list", Screen::HighScores, 1}};
    for (const auto& s : screens) {
        GameState g;
        g.hauptmenu_nr = s.screen, g.a_round = g.m_round = s.round;
        AdvanceFrame(g, FrameInput{});  // the first frame makes the bracket draws
        WindowView view;
        std::printf("%-24s %7.3f ms per frame\n", s.name, msPer(1, [&] {
            for (int i = 0; i < 200; ++i) DrawFrameOf(g, 1, view);
            glFinish();
        }) / 200);
    }

    // What rolling back costs: a copy of the state, its return, and a frame run again
    // without drawing, in a match (the first table, the computer playing) and on a menu.
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
    SDL_Quit();
    return 0;
}
