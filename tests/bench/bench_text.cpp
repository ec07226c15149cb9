// How long the font takes to build in the first GL context and to rebuild in later ones, and
// what printing and drawing one menu line costs. Run under Xvfb.
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/text.h"

// Milliseconds for BuildFont in a fresh context and `lines` cleared, printed and finished frames
// after it; negative if there is no context or font.
static double timedContext(int lines) {
    SDL_Window* window = SDL_CreateWindow("bench_text", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = gl && BuildFont();
    for (int i = 0; ok && i <= lines; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        if (i < lines) glPrint("%s", "-> Singleplayer");
        glFinish();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    return ok ? ms : -1;
}

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    const double first = timedContext(0);
    std::vector<double> rebuilds(7);
    for (double& t : rebuilds) t = timedContext(0);
    std::sort(rebuilds.begin(), rebuilds.end());
    const double printing = timedContext(200);
    if (first < 0 || rebuilds[0] < 0 || printing < 0) return std::fprintf(stderr, "bench_text: no GL context or font\n"), 1;
    std::printf("first BuildFont      %8.2f ms (lookup, tessellation, list compile)\n", first);
    std::printf("rebuild in new ctx   %8.2f ms median of 7\n", rebuilds[3]);
    std::printf("glPrint and draw     %8.2f us per line (with clear and glFinish)\n",
                (printing - rebuilds[3]) * 1000.0 / 200);
    SDL_Quit();
    return 0;
}
