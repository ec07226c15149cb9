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

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// In a fresh context: milliseconds for BuildFont, then for `lines` cleared, printed and finished
// frames; negative if there is no context or font.
std::pair<double, double> timedContext(int lines) {
    SDL_Window* window = SDL_CreateWindow("bench_text", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    auto start = std::chrono::steady_clock::now();
    const bool ok = gl && BuildFont() && (glFinish(), true);
    const double build = ok ? msSince(start) : -1;
    start = std::chrono::steady_clock::now();
    for (int i = 0; ok && i < lines; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glPrint("%s", "-> Singleplayer");
        glFinish();
    }
    const double drawn = msSince(start);
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    return {build, drawn};
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    const double first = timedContext(0).first;
    std::vector<double> rebuilds(7);
    for (double& t : rebuilds) t = timedContext(0).first;
    std::sort(rebuilds.begin(), rebuilds.end());
    const auto [build, drawn] = timedContext(200);
    if (first < 0 || rebuilds[0] < 0 || build < 0) return std::fprintf(stderr, "bench_text: no GL context or font\n"), 1;
    std::printf("first BuildFont      %8.2f ms (lookup, tessellation, list compile)\n", first);
    std::printf("rebuild in new ctx   %8.2f ms median of 7\n", rebuilds[3]);
    std::printf("glPrint and draw     %8.2f us per line (with clear and glFinish)\n", drawn * 1000.0 / 200);
    SDL_Quit();
    return 0;
}
