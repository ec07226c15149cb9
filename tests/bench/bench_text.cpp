// How long the font takes to build in the first GL context and to rebuild in
// later ones, and what printing one menu line costs. Run under Xvfb.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/font_geometry.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Context {
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;

    Context() {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        window = SDL_CreateWindow("bench_text", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window) gl = SDL_GL_CreateContext(window);
    }
    ~Context() {
        if (gl) SDL_GL_DeleteContext(gl);
        if (window) SDL_DestroyWindow(window);
    }
};

// The screens' set-up: the game's projection and lighting, a line 30 units out.
void placeMenuLine() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glTranslatef(0.0f, 0.0f, -30.0f);
    glScalef(2.0f, 2.0f, 2.0f);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bench_text: %s\n", SDL_GetError());
        return 1;
    }

    {
        std::string file;
        int index = 0;
        auto start = Clock::now();
        const bool found = FindOutlineFont(file, index);
        const double lookup = msSince(start);
        FontGeometry geometry;
        start = Clock::now();
        if (!found || !TessellateFont(file, index, geometry)) {
            std::fprintf(stderr, "bench_text: no outline font\n");
            return 1;
        }
        const double tessellation = msSince(start);
        const size_t vertices = geometry.vertices.size() / 6;
        std::printf("font                 %s\n", file.c_str());
        std::printf("fontconfig lookup    %8.2f ms\n", lookup);
        std::printf("tessellation         %8.2f ms (%zu triangles, %.1f KiB)\n", tessellation, vertices / 3,
                    geometry.vertices.size() * sizeof(float) / 1024.0);
    }

    double first = 0;
    {
        Context ctx;
        if (!ctx.gl) {
            std::fprintf(stderr, "bench_text: no GL context: %s\n", SDL_GetError());
            return 1;
        }
        const auto start = Clock::now();
        if (!BuildFont()) return 1;
        glFinish();
        first = msSince(start);
    }

    std::vector<double> rebuilds;
    for (int i = 0; i < 7; ++i) {
        Context ctx;
        if (!ctx.gl) return 1;
        const auto start = Clock::now();
        if (!BuildFont()) return 1;
        glFinish();
        rebuilds.push_back(msSince(start));
    }
    std::printf("first BuildFont      %8.2f ms (lookup, tessellation, list compile)\n", first);
    std::printf("rebuild in new ctx   %8.2f ms median, %.2f min, %.2f max of %zu\n", median(rebuilds),
                *std::min_element(rebuilds.begin(), rebuilds.end()),
                *std::max_element(rebuilds.begin(), rebuilds.end()), rebuilds.size());

    Context ctx;
    if (!ctx.gl || !BuildFont()) return 1;
    const char* line = "-> Singleplayer";
    constexpr int kCalls = 2000;
    placeMenuLine();
    glFinish();
    auto start = Clock::now();
    for (int i = 0; i < kCalls; ++i) {
        glPushMatrix();
        glPrint("%s", line);
        glPopMatrix();
    }
    const double submitted = msSince(start) / kCalls * 1000.0;
    glFinish();

    constexpr int kFrames = 200;
    start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        glPrint("%s", line);
        glPopMatrix();
        glFinish();
    }
    const double drawn = msSince(start) / kFrames * 1000.0;
    start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
    }
    const double clearOnly = msSince(start) / kFrames * 1000.0;
    std::printf("glPrint \"%s\"  %8.2f us per call (submit only)\n", line, submitted);
    std::printf("glPrint and draw     %8.2f us per line (with glFinish, less %.0f us for the clear)\n",
                drawn - clearOnly, clearOnly);
    SDL_Quit();
    return 0;
}
