#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdint>

#include "platform/gamepad.h"
#include "platform/key_mapping.h"
#include "platform/message_box.h"

namespace {

SDL_Window* hWnd = nullptr;
SDL_GLContext hRC = nullptr;
bool windowFullscreen = false;  // what KillGLWindow has to undo
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

WindowEvent activity(bool active) {
    WindowEvent e;
    e.type = WindowEvent::Type::Activity;
    e.active = active;
    return e;
}

WindowEvent keyEvent(bool down, int key) {
    WindowEvent e;
    e.type = down ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
    e.key = key;
    return e;
}

WindowEvent mouseEvent(int x, int y) {
    WindowEvent e;
    e.type = WindowEvent::Type::MouseMove;
    e.x = x & 0xFFFF;
    e.y = y & 0xFFFF;
    return e;
}

}  // namespace

bool CreateGLWindow(const char* title, int width, int height, int bits, bool& fullscreen) {

    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        creationError("Failed To Register The Window Class.");
        return false;
    }
    if (syntheticEventType == 0) syntheticEventType = SDL_RegisterEvents(1);
    SDL_DisableScreenSaver();  // no screen saver or monitor power-down while the game runs

    if (fullscreen && !displayOffersMode(width, height, bits)) {
        if (MessageBox("Vexa GL",
                       "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                       MbButtons::YesNo, MbIcon::Exclamation) == MbResult::Yes) {
            fullscreen = false;
        } else {
            MessageBox("ERROR", "Program Will Now Close.", MbButtons::Ok, MbIcon::Stop);
            return false;
        }
    }

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (fullscreen) {
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
    if (fullscreen) {
        SDL_DisplayMode mode{};
        mode.w = width;
        mode.h = height;
        if (SDL_SetWindowDisplayMode(hWnd, &mode) != 0) {
            KillGLWindow();
            creationError("Can't Find A Suitable PixelFormat.");
            return false;
        }
    }
    windowFullscreen = fullscreen;
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
    InitGL();
    return true;
}

void KillGLWindow() {
    if (windowFullscreen) {
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

void InitGL() {
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
}

void SwapGLBuffers() {
    if (hWnd) SDL_GL_SwapWindow(hWnd);
}

// The window procedure: one event in, the message the game applies out.
static WindowEvent syntheticEvent(const SDL_UserEvent& e) {
    const int a = static_cast<int>(reinterpret_cast<intptr_t>(e.data1));
    const int b = static_cast<int>(reinterpret_cast<intptr_t>(e.data2));
    switch (static_cast<SyntheticMessage>(e.code)) {
        case SyntheticMessage::KeyDown: return keyEvent(true, a);
        case SyntheticMessage::KeyUp: return keyEvent(false, a);
        case SyntheticMessage::MouseMove:
        case SyntheticMessage::MouseDown: return mouseEvent(a, b);
        case SyntheticMessage::Close: { WindowEvent c; c.type = WindowEvent::Type::Close; return c; }
        case SyntheticMessage::Minimize: return activity(false);
        case SyntheticMessage::Restore: return activity(true);
    }
    return WindowEvent{};
}

static WindowEvent windowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE: { WindowEvent c; c.type = WindowEvent::Type::Close; return c; }
        case SDL_WINDOWEVENT_MINIMIZED: return activity(false);
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (hWnd) return activity((SDL_GetWindowFlags(hWnd) & SDL_WINDOW_MINIMIZED) == 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            ReSizeGLScene(w.data1, w.data2);
            break;
        default: break;
    }
    return WindowEvent{};
}

bool HandleOneMessage(WindowEvent& event) {
    event = WindowEvent{};
    SDL_Event e;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_PollEvent(&e)) return false;
    if (syntheticEventType != 0 && e.type == syntheticEventType) {
        event = syntheticEvent(e.user);
        return true;
    }
    if (HandleGamepadEvent(e)) {
        event.type = WindowEvent::Type::Pads;
        return true;
    }
    switch (e.type) {
        case SDL_QUIT:
            event.type = WindowEvent::Type::Close;
            break;
        case SDL_WINDOWEVENT:
            event = windowEvent(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Alt combinations and F10 are system keys: they never reach the key table.
            if ((e.key.keysym.mod & KMOD_ALT) || e.key.keysym.sym == SDLK_F10) break;
            const int vk = VirtualKeyFromSDL(e.key.keysym.sym);
            if (vk >= 0) event = keyEvent(e.type == SDL_KEYDOWN, vk);
            break;
        }
        case SDL_MOUSEMOTION:
            event = mouseEvent(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) event = mouseEvent(e.button.x, e.button.y);
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
