// The game window and its OpenGL context on SDL2, and the window procedure that
// turns SDL events into the game's window messages. Knows nothing of the game:
// the caller applies the messages and rebuilds its textures and font in each new
// context.
#pragma once

// Creates the window and its context with the GL state every screen starts from.
// `fullscreen` comes back false when the player chose windowed mode instead of an
// unsupported display mode. Every failure has been reported in a message box.
bool CreateGLWindow(const char* title, int width, int height, int bits, bool& fullscreen);
void KillGLWindow();
void ReSizeGLScene(int width, int height);
void InitGL();
void SwapGLBuffers();

// One window message, as the main loop's message turn handles it.
struct WindowEvent {
    enum class Type { Handled, KeyDown, KeyUp, MouseMove, Close, Activity, Pads };
    Type type = Type::Handled;  // Handled: the window dealt with it (a resize, say), nothing to apply
                                // Pads: a gamepad changed, see ConnectedPads()
    int key = 0;                // virtual-key code, for KeyDown and KeyUp
    int x = 0, y = 0;           // client pixels, for MouseMove
    bool active = true;         // for Activity: false while minimised
};

// false when no message was waiting.
bool HandleOneMessage(WindowEvent& event);

// Puts a synthetic message (scripted input) into the queue behind the real ones.
enum class SyntheticMessage { KeyDown, KeyUp, MouseMove, MouseDown, Close, Minimize, Restore };
void PostSyntheticMessage(SyntheticMessage type, int a = 0, int b = 0);
