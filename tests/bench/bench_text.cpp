// How long the font takes to build in the first GL context and to rebuild in later ones, and
// what printing and drawing one menu line costs. Run under Xvfb.
#include <GL/gl.h>
#include <SDL.h>

#include "bench_clock.h"
#include "platform/text.h"

// Milliseconds for BuildFont in a fresh context and `lines` cleared, printed and finished frames
// after it; negative if there is no context or font.
static double timedContext(int lines) {
    SDL_Window* window = SDL_CreateWindow("bench_text", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    bool ok = false;
    const double ms = msPer(1, [&] {
        ok = gl && BuildFont();
        for (int i = 0; ok && i <= lines; ++i) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT), glLoadIdentity();
            if (i < lines) glPrint("%s", "-> Singleplayer");
            glFinish();
        }
    });
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    return ok ? ms : -1;
}

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    const double first = timedContext(0);
    std::vector<double> rebuilds(7);
    for (double& t : rebuilds) t = timedContext(0);
    const double rebuild = quantile(rebuilds, 0.5), printing = timedContext(200);
    if (first < 0 || rebuild < 0 || printing < 0) return std::fprintf(stderr, "bench_text: no GL context or font\n"), 1;
    figure("first BuildFont", first, "ms (lookup, tessellation, list compile)");
    figure("rebuild in new ctx", rebuild, "ms median of 7");
    figure("glPrint and draw", (printing - rebuild) * 1000.0 / 200, "us per line (with clear and glFinish)");
    SDL_Quit();
    return 0;
}
