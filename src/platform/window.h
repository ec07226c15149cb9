// The game window and its OpenGL context on SDL2, and the window procedure that
// turns SDL events into the game's window messages. Knows nothing of the game:
// the caller applies the messages and rebuilds its textures and font in each new
// context.
#pragma once

#include <string>

// How many pixels a frame is drawn with. At the design's size a frame costs the same on any
// screen and is scaled up to it; at the screen's size it is as sharp as the screen. Auto
// draws at the design's size on a software renderer and at the screen's on a GPU.
enum class RenderSize { Auto, Screen, Design };
void SetRenderSize(RenderSize size);  // for the windows made from now on

// Creates the window and its context with the GL state every screen starts from: a
// width x height window, or fullscreen at the monitor's own mode, whose mode is never
// changed; the picture keeps the proportions of width x height either way. `fullscreen`
// comes back false when no fullscreen window could be made and the player chose a window
// instead. Every failure has been reported in a message box.
bool CreateGLWindow(const char* title, int width, int height, int bits, bool& fullscreen);
void KillGLWindow();
void InitGL();
// Puts the frame drawn so far into the window's back buffer, scaled when it was drawn at
// the design's size; SwapGLBuffers does it too. Until the next swap, reading pixels reads
// the window's.
void FinishGLFrame();
void SwapGLBuffers();
// The window's size in pixels (more than its size in points on a scaled desktop); false
// without a window.
bool GetDrawableSize(int& width, int& height);

// One window message, as the main loop's message turn handles it.
struct WindowEvent {
    enum class Type { Handled, KeyDown, KeyUp, MouseMove, Close, Activity, Pads };
    Type type = Type::Handled;  // Handled: the window dealt with it (a resize, say), nothing to apply
                                // Pads: a gamepad changed, see ConnectedPads()
    int key = 0;                // virtual-key code, for KeyDown and KeyUp
    int x = 0, y = 0;           // for MouseMove: a pixel of the picture at its design size
    bool active = true;         // for Activity: false while minimised
};

// false when no message was waiting.
bool HandleOneMessage(WindowEvent& event);

// Puts a synthetic message (scripted input) into the queue behind the real ones.
enum class SyntheticMessage { KeyDown, KeyUp, MouseMove, MouseDown, Close, Minimize, Restore };
void PostSyntheticMessage(SyntheticMessage type, int a = 0, int b = 0);

// The desktop's clipboard, as text (empty when it holds none or there is no window system).
std::string ClipboardText();
void SetClipboardText(const std::string& text);
