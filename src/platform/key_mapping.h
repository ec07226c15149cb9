// SDL keys to the Win32 virtual-key codes the game's key table is indexed by.
#pragma once

// The virtual-key code of an SDL key, or -1 for a key the game does not know.
int VirtualKeyFromSDL(int sdlKeycode);
