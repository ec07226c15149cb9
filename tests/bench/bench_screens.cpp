// Prints what the screens cost per frame (drawing with a real GL context, the
// way the game sets up its view) and what reading and safely writing the
// high-score file costs, including a hostile multi-megabyte file.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "app/high_score_file.h"
#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void benchScreen(const char* name, int screen, int entry, int round) {
    GameState g;
    g.hauptmenu_nr = screen;
    g.menu_1_nr = entry;
    g.a_round = g.m_round = round;
    for (int i = 0; i < 10; ++i) {
        g.HSname[i] = "PLAYER " + std::to_string(i);
        g.hsscore[i] = i * 3;
    }
    g.HS = "NEW NAME";
    constexpr int kFrames = 200;
    DrawGLScene(g);  // first frame makes the bracket draws
    glFinish();
    const auto start = Clock::now();
    for (int i = 0; i < kFrames; ++i) DrawGLScene(g);
    glFinish();
    std::printf("  %-28s %7.3f ms per frame\n", name, msSince(start) / kFrames);
}

void benchFile() {
    GameState g;
    for (int i = 0; i < 10; ++i) {
        g.HSname[i] = "NAME WITH BLANKS " + std::to_string(i);
        g.hsscore[i] = i * 7 - 20;
    }
    const std::string text = ConfigFileText(g);
    constexpr int kReads = 20000;
    auto start = Clock::now();
    for (int i = 0; i < kReads; ++i) {
        GameState back;
        std::istringstream in(text);
        ReadHighScores(in, back);
    }
    std::printf("  read a written file (%zu bytes)   %7.4f ms\n", text.size(), msSince(start) / kReads);

    std::string hostile(8 * 1024 * 1024, 'Q');
    for (size_t i = 0; i < hostile.size(); i += 4097) hostile[i] = '\n';
    start = Clock::now();
    {
        GameState back;
        std::istringstream in(hostile);
        ReadHighScores(in, back);
    }
    std::printf("  read 8 MB without the header word %7.1f ms\n", msSince(start));

    char dir[] = "/tmp/puckslide-bench-XXXXXX";
    if (!mkdtemp(dir)) return;
    const std::string path = std::string(dir) + "/config.cfg";
    constexpr int kWrites = 20;
    start = Clock::now();
    for (int i = 0; i < kWrites; ++i) ReplaceFileContents(path, text);
    std::printf("  safe write (temp, fsync, rename)  %7.2f ms\n", msSince(start) / kWrites);
    unlink(path.c_str());
    rmdir(dir);
}

}  // namespace

int main() {
    std::printf("high-score file:\n");
    benchFile();

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("screens: no display (%s)\n", SDL_GetError());
        return 0;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::printf("screens: no GL context (%s)\n", SDL_GetError());
        return 0;
    }
    auto start = Clock::now();
    const bool font = BuildFont();
    std::printf("font lists built in %.1f ms%s\n", msSince(start), font ? "" : " (no font: texts draw nothing)");
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    SetFixedRandomSeed(1);

    std::printf("screens at 800x600:\n");
    benchScreen("main menu", 1, 3, 1);
    benchScreen("New Game", 11, 2, 1);
    benchScreen("options/help", 5, 1, 1);
    benchScreen("credits page 1", 3, 1, 1);
    benchScreen("credits page 3", 3, 3, 1);
    benchScreen("singleplayer, finished", 111, 1, 4);
    benchScreen("multiplayer, finished", 112, 1, 4);
    benchScreen("training list", 113, 5, 1);
    benchScreen("name entry", 21, 1, 1);
    benchScreen("high-score list", 2, 1, 1);

    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
