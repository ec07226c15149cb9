#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "assets/model.h"
#include "game/game_state.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

SDL_Window* hWnd = nullptr;
SDL_GLContext hRC = nullptr;
Uint32 syntheticEventType = 0;

void creationError(const char* text) {
    MessageBox("ERROR", text, MbButtons::Ok, MbIcon::Exclamation);
}

void shutdownError(const char* text) {
    MessageBox("SHUTDOWN ERROR", text, MbButtons::Ok, MbIcon::Information);
}

// The display can switch to exactly width x height, or the player is asked.
bool displayOffersMode(int width, int height, int bits) {
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    wanted.format = bits >= 24 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
    SDL_DisplayMode closest{};
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest)) return false;
    return closest.w == width && closest.h == height;
}

void requestPixelFormat(int bits) {
    const int channel = bits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

void setMinimised(GameState& g, bool minimised) { g.active = !minimised; }

}  // namespace

bool CreateGLWindow(const char* title, int width, int height, int bits, bool want_fullscreen) {
    GameState& g = g_game;
    g.fullscreen = want_fullscreen;

    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        creationError("Failed To Register The Window Class.");
        return false;
    }
    if (syntheticEventType == 0) syntheticEventType = SDL_RegisterEvents(1);
    SDL_DisableScreenSaver();  // no screen saver or monitor power-down while the game runs

    if (g.fullscreen && !displayOffersMode(width, height, bits)) {
        if (MessageBox("Vexa GL",
                       "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                       MbButtons::YesNo, MbIcon::Exclamation) == MbResult::Yes) {
            g.fullscreen = false;
        } else {
            MessageBox("ERROR", "Program Will Now Close.", MbButtons::Ok, MbIcon::Stop);
            return false;
        }
    }

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (g.fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN;
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }

    requestPixelFormat(bits);
    hWnd = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!hWnd) {
        KillGLWindow();
        creationError("Window Creation Error.");
        return false;
    }
    if (g.fullscreen) {
        SDL_DisplayMode mode{};
        mode.w = width;
        mode.h = height;
        if (SDL_SetWindowDisplayMode(hWnd, &mode) != 0) {
            KillGLWindow();
            creationError("Can't Find A Suitable PixelFormat.");
            return false;
        }
    }
    hRC = SDL_GL_CreateContext(hWnd);
    if (!hRC) {
        KillGLWindow();
        creationError("Can't Create A GL Rendering Context.");
        return false;
    }
    if (SDL_GL_MakeCurrent(hWnd, hRC) != 0) {
        KillGLWindow();
        creationError("Can't Activate The GL Rendering Context.");
        return false;
    }
    // One simulation step per frame: only the pacing may set the frame rate.
    SDL_GL_SetSwapInterval(0);

    SDL_ShowWindow(hWnd);
    SDL_RaiseWindow(hWnd);
    SDL_StopTextInput();

    ReSizeGLScene(width, height);
    if (!InitGL()) {
        KillGLWindow();
        creationError("Initialization Failed.");
        return false;
    }
    return true;
}

void KillGLWindow() {
    if (g_game.fullscreen) {
        if (hWnd) SDL_SetWindowFullscreen(hWnd, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    if (hRC) {
        if (SDL_GL_MakeCurrent(hWnd, nullptr) != 0) shutdownError("Release Of DC And RC Failed.");
        SDL_GL_DeleteContext(hRC);
        hRC = nullptr;
    }
    if (hWnd) {
        SDL_DestroyWindow(hWnd);
        hWnd = nullptr;
    }
}

void ReSizeGLScene(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int InitGL() {
    GameState& g = g_game;
    for (Model* model : {g.pPuk, g.pTable, g.pSchiesser, g.pGegner, g.pKZMPlane})
        if (model) model->reloadTextures();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    return BuildFont() ? 1 : 0;
}

void SwapGLBuffers() {
    if (hWnd) SDL_GL_SwapWindow(hWnd);
}

// The window procedure: one event in, its effect on the shared input state out.
static void handleSynthetic(GameState& g, const SDL_UserEvent& e, bool& quit) {
    const int a = static_cast<int>(reinterpret_cast<intptr_t>(e.data1));
    const int b = static_cast<int>(reinterpret_cast<intptr_t>(e.data2));
    switch (static_cast<SyntheticMessage>(e.code)) {
        case SyntheticMessage::KeyDown: if (a >= 0 && a < 256) g.keys[a] = true; break;
        case SyntheticMessage::KeyUp: if (a >= 0 && a < 256) g.keys[a] = false; break;
        case SyntheticMessage::MouseMove:
        case SyntheticMessage::MouseDown:
            g.mouse_x = a & 0xFFFF;
            g.mouse_y = b & 0xFFFF;
            break;
        case SyntheticMessage::Close: quit = true; break;
        case SyntheticMessage::Minimize: setMinimised(g, true); break;
        case SyntheticMessage::Restore: setMinimised(g, false); break;
    }
}

bool HandleOneMessage(GameState& g, bool& quit) {
    SDL_Event e;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_PollEvent(&e)) return false;
    if (syntheticEventType != 0 && e.type == syntheticEventType) {
        handleSynthetic(g, e.user, quit);
        return true;
    }
    switch (e.type) {
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE: quit = true; break;
                case SDL_WINDOWEVENT_MINIMIZED: setMinimised(g, true); break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    if (hWnd) setMinimised(g, (SDL_GetWindowFlags(hWnd) & SDL_WINDOW_MINIMIZED) != 0);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    ReSizeGLScene(e.window.data1, e.window.data2);
                    break;
                default: break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Alt combinations and F10 are system keys: they never reach the key table.
            if ((e.key.keysym.mod & KMOD_ALT) || e.key.keysym.sym == SDLK_F10) break;
            const int vk = VirtualKeyFromSDL(e.key.keysym.sym);
            if (vk >= 0) g.keys[vk] = e.type == SDL_KEYDOWN;
            break;
        }
        case SDL_MOUSEMOTION:
            g.mouse_x = e.motion.x & 0xFFFF;
            g.mouse_y = e.motion.y & 0xFFFF;
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) {
                g.mouse_x = e.button.x & 0xFFFF;
                g.mouse_y = e.button.y & 0xFFFF;
            }
            break;
        default: break;
    }
    return true;
}

void PostSyntheticMessage(SyntheticMessage type, int a, int b) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (syntheticEventType == 0) syntheticEventType = SDL_RegisterEvents(1);
    SDL_Event e{};
    e.type = syntheticEventType;
    e.user.code = static_cast<Sint32>(type);
    e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(a));
    e.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(b));
    SDL_PushEvent(&e);
}

int VirtualKeyFromSDL(int sym) {
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return 112 + (sym - SDLK_F1);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return 97 + (sym - SDLK_KP_1);
    switch (sym) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL: case SDLK_RCTRL: return 17;
        case SDLK_PAUSE: return 19;
        case SDLK_CAPSLOCK: return 20;
        case SDLK_ESCAPE: return 27;
        case SDLK_SPACE: return 32;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        case SDLK_KP_0: return 96;
        case SDLK_KP_MULTIPLY: return 106;
        case SDLK_KP_PLUS: return 107;
        case SDLK_KP_MINUS: return 109;
        case SDLK_KP_PERIOD: return 110;
        case SDLK_KP_DIVIDE: return 111;
        case SDLK_NUMLOCKCLEAR: return 144;
        case SDLK_SCROLLLOCK: return 145;
        case SDLK_SEMICOLON: return 186;
        case SDLK_EQUALS: return 187;
        case SDLK_COMMA: return 188;
        case SDLK_MINUS: return 189;
        case SDLK_PERIOD: return 190;
        case SDLK_SLASH: return 191;
        case SDLK_BACKQUOTE: return 192;
        case SDLK_LEFTBRACKET: return 219;
        case SDLK_BACKSLASH: return 220;
        case SDLK_RIGHTBRACKET: return 221;
        case SDLK_QUOTE: return 222;
        default: return -1;
    }
}

bool SaveScreenshotPNG(const char* path) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int w = viewport[2], h = viewport[3];
    if (w <= 0 || h <= 0) return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // GL rows run bottom-up, PNG rows top-down.
    for (int row = h - 1; row >= 0; --row)
        png_write_row(png, pixels.data() + static_cast<size_t>(row) * w * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
