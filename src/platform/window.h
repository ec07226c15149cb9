// The game window and its OpenGL context on SDL2, and the window procedure
// that turns SDL events into the key table, the mouse position and `active`.
#pragma once

struct GameState;

bool CreateGLWindow(const char* title, int width, int height, int bits, bool want_fullscreen);
void KillGLWindow();
void ReSizeGLScene(int width, int height);
int InitGL();
void SwapGLBuffers();

// One waiting window message handled, as the main loop's message turn does.
// Returns false when no message was waiting. Sets `quit` when the window was closed.
bool HandleOneMessage(GameState& g, bool& quit);

// Puts a synthetic message (scripted input) into the queue behind the real ones.
enum class SyntheticMessage { KeyDown, KeyUp, MouseMove, MouseDown, Close, Minimize, Restore };
void PostSyntheticMessage(SyntheticMessage type, int a = 0, int b = 0);

// Win32 virtual-key code of an SDL key, or -1 for a key the game does not know.
int VirtualKeyFromSDL(int sdlKeycode);

// Saves the back buffer (what the next swap will show) as a PNG file.
bool SaveScreenshotPNG(const char* path);
