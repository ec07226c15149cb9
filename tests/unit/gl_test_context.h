// A real Mesa GL context in a hidden SDL window, for tests that need one.
// The test command runs under Xvfb, so a display is always there.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

class GlTestContext {
public:
    GlTestContext(int width = 256, int height = 256) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        for (const auto& [attribute, value] : {std::pair{SDL_GL_CONTEXT_MAJOR_VERSION, 2}, {SDL_GL_CONTEXT_MINOR_VERSION, 1},
                                               {SDL_GL_DOUBLEBUFFER, 1}, {SDL_GL_DEPTH_SIZE, 16}})
            SDL_GL_SetAttribute(attribute, value);
        window_ = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
    }
    ~GlTestContext() {
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool ok() const { return context_ != nullptr; }

    GlTestContext(const GlTestContext&) = delete;
    GlTestContext& operator=(const GlTestContext&) = delete;

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

#define REQUIRE_GL(ctx) ASSERT_TRUE((ctx).ok()) << "no GL context: " << SDL_GetError()
