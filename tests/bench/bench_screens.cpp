// Prints what the screens cost per frame (real GL context, the game's view)
// and what reading a hostile 8 MB high-score file and the safe write cost.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "app/high_score_file.h"
#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/atomic_file.h"
#include "platform/text.h"

using Clock = std::chrono::steady_clock;
static double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int main() {
    std::string hostile(8 * 1024 * 1024, 'Q');
    for (size_t i = 0; i < hostile.size(); i += 4097) hostile[i] = '\n';
    std::istringstream in(hostile);
    GameState back;
    auto start = Clock::now();
    ReadHighScores(in, back);
    std::printf("read 8 MB without the header word %7.1f ms\n", msSince(start));
    char dir[] = "/tmp/puckslide-bench-XXXXXX";
    if (mkdtemp(dir)) {
        const std::string path = std::string(dir) + "/config.cfg", text = ConfigFileText(back);
        start = Clock::now();
        for (int i = 0; i < 20; ++i) ReplaceFileContents(path, text);
        std::printf("safe write (temp, fsync, rename)  %7.2f ms\n", msSince(start) / 20);
        unlink(path.c_str());
        rmdir(dir);
    }

    SDL_Init(SDL_INIT_VIDEO);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context || !BuildFont()) {
        std::printf("screens: no GL context or font (%s)\n", SDL_GetError());
        return 0;
    }
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    SetFixedRandomSeed(1);
    const struct { const char* name; int screen, entry, round; } screens[] = {
        {"main menu", 1, 3, 1}, {"options/help", 5, 1, 1}, {"credits page 1", 3, 1, 1},
        {"singleplayer, finished", 111, 1, 4}, {"multiplayer, finished", 112, 1, 4}, {"high-score list", 2, 1, 1}};
    for (const auto& s : screens) {
        GameState g;
        g.hauptmenu_nr = s.screen, g.menu_1_nr = s.entry, g.a_round = g.m_round = s.round;
        DrawGLScene(g);  // the first frame makes the bracket draws
        glFinish();
        start = Clock::now();
        for (int i = 0; i < 200; ++i) DrawGLScene(g);
        glFinish();
        std::printf("%-24s %7.3f ms per frame\n", s.name, msSince(start) / 200);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
