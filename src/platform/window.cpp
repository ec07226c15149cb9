#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/gamepad.h"
#include "platform/key_mapping.h"
#include "platform/message_box.h"
#include "platform/presentation.h"
#include "platform/scaled_frame.h"

namespace {

SDL_Window* hWnd = nullptr;
SDL_GLContext hRC = nullptr;
bool cursorHidden = false;  // fullscreen hides the mouse pointer; KillGLWindow shows it again
Uint32 syntheticEventType = 0;
RenderSize renderSize = RenderSize::Auto;
constexpr double kFieldOfView = 45.0;  // vertical, degrees, at the design's proportions
int lastDisplay = 0;  // F1 and the scene switch make the new window on the last one's monitor

// What draws the frames: a software rasterizer draws them at the design's size.
enum class Renderer { Unknown, Software, Hardware };
Renderer renderer = Renderer::Unknown;  // learnt from the first context, for every window after it
bool scaledFramesWork = false;          // the first context could make a ScaledFrame

// How the current window shows the picture.
struct View {
    int designW = 0, designH = 0;      // the size every screen is composed for
    int windowW = 0, windowH = 0;      // SDL's units, in which the mouse moves
    int drawableW = 0, drawableH = 0;  // pixels
    bool fullscreen = false;
    ScaledFrame frame;                 // made while frames are drawn off screen
    bool finished = false;             // the frame is in the window's back buffer
};
View view;

bool drawsAtDesignSize() {
    return renderSize == RenderSize::Design || (renderSize == RenderSize::Auto && renderer == Renderer::Software);
}

// A fullscreen window drawn at the design's size shows every frame through a ScaledFrame,
// even one that needs no scaling, so the window itself needs no depth buffer: without one,
// llvmpipe scales the frame on its fast path.
bool fullscreenDrawnOffScreen(bool fullscreen) { return fullscreen && drawsAtDesignSize() && scaledFramesWork; }

// After the window was made or changed size: what the frames are drawn into, and the view
// that shows the design's picture whole in it.
void applyView() {
    SDL_GetWindowSize(hWnd, &view.windowW, &view.windowH);
    SDL_GL_GetDrawableSize(hWnd, &view.drawableW, &view.drawableH);
    int canvasW = view.drawableW, canvasH = view.drawableH;
    if (drawsAtDesignSize()) CanvasSize(view.drawableW, view.drawableH, view.designW, view.designH, canvasW, canvasH);
    const bool offScreen = fullscreenDrawnOffScreen(view.fullscreen) || canvasW != view.drawableW || canvasH != view.drawableH;
    view.frame.release();
    // Mesa learns a window's new size when a viewport is set on the window's own buffer.
    glViewport(0, 0, view.drawableW, view.drawableH);
    if (offScreen && view.frame.make(canvasW, canvasH))
        view.frame.bind();
    else
        canvasW = view.drawableW, canvasH = view.drawableH;
    view.finished = false;
    const double designAspect = static_cast<double>(view.designW) / view.designH;
    const double aspect = static_cast<double>(std::max(1, canvasW)) / std::max(1, canvasH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FieldOfView(kFieldOfView, designAspect, aspect), aspect, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void creationError(const char* text) {
    MessageBox("ERROR", text, MbButtons::Ok, MbIcon::Exclamation);
}

void shutdownError(const char* text) {
    MessageBox("SHUTDOWN ERROR", text, MbButtons::Ok, MbIcon::Information);
}

void requestPixelFormat(int bits, bool depth) {
    const int channel = bits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth ? 16 : 0);
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

// Scripted positions are already the picture's; real ones are the window's.
WindowEvent mouseEvent(int x, int y) {
    WindowEvent e;
    e.type = WindowEvent::Type::MouseMove;
    e.x = x & 0xFFFF;
    e.y = y & 0xFFFF;
    return e;
}

// When no display answers, SDL falls back to drivers that draw nowhere ("offscreen", a
// 1024x768 screen of its own, or "dummy"): the game would play on unseen, music and all.
// Those only when SDL_VIDEODRIVER asks for them; otherwise the player is told why.
bool drawsOnAScreen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (!driver || (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0) ||
        (asked && SDL_strcasestr(asked, driver)))
        return true;
    const char* display = SDL_getenv("DISPLAY");
    std::fprintf(stderr, "puckslide3d: no screen to show the game on: no X display answers at %s, and no Wayland compositor\n",
                 display ? display : "(DISPLAY not set)");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
}

// The window and its context, current; false after reporting why not.
bool makeWindow(const char* title, int width, int height, int bits, bool& fullscreen) {
    requestPixelFormat(bits, /*depth=*/!fullscreenDrawnOffScreen(fullscreen));
    // Fullscreen covers the monitor at the mode it has: a mode switch can fail, stretch
    // 4:3 across a wide panel, or leave the desktop at the wrong size after a crash.
    const Uint32 common = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (fullscreen) {
        // Made at the monitor's own size as well: without a window manager to honour the
        // fullscreen request (a bare X server) the window still covers the screen.
        SDL_Rect bounds{0, 0, width, height};
        if (SDL_GetDisplayBounds(lastDisplay, &bounds) != 0) SDL_GetDisplayBounds(0, &bounds);
        hWnd = SDL_CreateWindow(title, bounds.x, bounds.y, bounds.w, bounds.h, common | SDL_WINDOW_FULLSCREEN_DESKTOP);
        if (!hWnd) {
            if (MessageBox("Vexa GL",
                           "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                           MbButtons::YesNo, MbIcon::Exclamation) != MbResult::Yes) {
                MessageBox("ERROR", "Program Will Now Close.", MbButtons::Ok, MbIcon::Stop);
                return false;
            }
            fullscreen = false;
            requestPixelFormat(bits, /*depth=*/true);
        }
    }
    if (!fullscreen)
        hWnd = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED_DISPLAY(lastDisplay),
                                SDL_WINDOWPOS_CENTERED_DISPLAY(lastDisplay), width, height, common | SDL_WINDOW_RESIZABLE);
    if (!hWnd) {
        KillGLWindow();
        creationError("Window Creation Error.");
        return false;
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
    return true;
}

}  // namespace

void SetRenderSize(RenderSize size) { renderSize = size; }

bool CreateGLWindow(const char* title, int width, int height, int bits, bool& fullscreen) {

    if (!SDL_WasInit(SDL_INIT_VIDEO) && (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || !drawsOnAScreen())) {
        creationError("Failed To Register The Window Class.");
        return false;
    }
    if (syntheticEventType == 0) syntheticEventType = SDL_RegisterEvents(1);
    SDL_DisableScreenSaver();  // no screen saver or monitor power-down while the game runs

    if (!makeWindow(title, width, height, bits, fullscreen)) return false;
    if (renderer == Renderer::Unknown) {
        // The first context tells what draws; a fullscreen window that turns out to be drawn
        // off screen is made again, still hidden, without its depth buffer.
        renderer = IsSoftwareRenderer(reinterpret_cast<const char*>(glGetString(GL_RENDERER))) ? Renderer::Software
                                                                                               : Renderer::Hardware;
        scaledFramesWork = view.frame.make(1, 1);
        view.frame.release();
        if (fullscreenDrawnOffScreen(fullscreen)) {
            KillGLWindow();
            if (!makeWindow(title, width, height, bits, fullscreen)) return false;
        }
    }
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
    cursorHidden = fullscreen;
    // One simulation step per frame: only the pacing may set the frame rate.
    SDL_GL_SetSwapInterval(0);

    SDL_ShowWindow(hWnd);
    SDL_RaiseWindow(hWnd);
    SDL_StopTextInput();

    view.designW = width;
    view.designH = height;
    view.fullscreen = fullscreen;
    applyView();
    InitGL();
    return true;
}

void KillGLWindow() {
    if (cursorHidden) SDL_ShowCursor(SDL_ENABLE);
    cursorHidden = false;
    if (hRC) {
        view.frame.release();  // the context's objects would go with it; the next window makes its own
        if (SDL_GL_MakeCurrent(hWnd, nullptr) != 0) shutdownError("Release Of DC And RC Failed.");
        SDL_GL_DeleteContext(hRC);
        hRC = nullptr;
    }
    if (hWnd) {
        lastDisplay = std::max(0, SDL_GetWindowDisplayIndex(hWnd));
        SDL_DestroyWindow(hWnd);
        hWnd = nullptr;
    }
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

void FinishGLFrame() {
    if (!view.frame.made() || view.finished) return;
    view.frame.present(view.drawableW, view.drawableH);
    view.finished = true;
}

void SwapGLBuffers() {
    if (!hWnd) return;
    FinishGLFrame();
    SDL_GL_SwapWindow(hWnd);
    view.frame.bind();
    view.finished = false;
}

bool GetDrawableSize(int& width, int& height) {
    if (!hWnd) return false;
    SDL_GL_GetDrawableSize(hWnd, &width, &height);
    return width > 0 && height > 0;
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

static WindowEvent windowMouseEvent(int x, int y) {
    int designX = x, designY = y;
    if (view.designW > 0)
        WindowToDesign(x, y, view.windowW, view.windowH, view.drawableW, view.drawableH, view.designW, view.designH,
                       designX, designY);
    return mouseEvent(designX, designY);
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
            if (hWnd && hRC) applyView();
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
            event = windowMouseEvent(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) event = windowMouseEvent(e.button.x, e.button.y);
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

std::string ClipboardText() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText()) return {};
    char* text = SDL_GetClipboardText();
    std::string out = text ? text : "";
    SDL_free(text);
    return out;
}

void SetClipboardText(const std::string& text) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_SetClipboardText(text.c_str());
}
