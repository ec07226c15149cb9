// How long the font takes to build in the first GL context and to rebuild in later ones, and
// what printing and drawing one menu line costs. Run under Xvfb.
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Milliseconds for BuildFont in a fresh context, then microseconds per drawn line; -1 on failure.
std::pair<double, double> timedContext(int lines) {
    SDL_Window* window = SDL_CreateWindow("bench_text", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    auto start = Clock::now();
    const bool ok = gl && BuildFont();
    glFinish();
    const double build = msSince(start);
    start = Clock::now();
    for (int i = 0; ok && i < lines; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glPrint("%s", "-> Singleplayer");
        glFinish();
    }
    const double line = msSince(start) * 1000.0 / std::max(lines, 1);
    if (gl) SDL_GL_DeleteContext(gl);
    if (window) SDL_DestroyWindow(window);
    return ok ? std::make_pair(build, line) : std::make_pair(-1.0, -1.0);
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    const double first = timedContext(0).first;
    std::vector<double> rebuilds;
    for (int i = 0; i < 7; ++i) rebuilds.push_back(timedContext(0).first);
    std::sort(rebuilds.begin(), rebuilds.end());
    const double line = timedContext(200).second;
    if (first < 0 || rebuilds[0] < 0 || line < 0) return std::fprintf(stderr, "bench_text: no GL context or font\n"), 1;
    std::printf("first BuildFont      %8.2f ms (lookup, tessellation, list compile)\n", first);
    std::printf("rebuild in new ctx   %8.2f ms median of %zu\n", rebuilds[rebuilds.size() / 2], rebuilds.size());
    std::printf("glPrint and draw     %8.2f us per line (with clear and glFinish)\n", line);
    SDL_Quit();
    return 0;
}
