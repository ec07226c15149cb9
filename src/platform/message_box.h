// Modal message boxes with the game's captions. Headless runs write them to
// standard error and answer with the default button.
#pragma once

enum class MbButtons { Ok, YesNo };
enum class MbIcon { Stop, Exclamation, Information, Question };
enum class MbResult { Ok, Yes, No };

// `id` names a box of the game's own list (game/boxes.h) in the turn's log; -1 for others.
MbResult MessageBox(const char* caption, const char* text, MbButtons buttons, MbIcon icon, int id = -1);
void SetMessageBoxesHeadless(bool headless);
// Headless (--no-dialogs): nothing of the game's reaches the desktop, its clipboard included.
bool DesktopHeadless();
// A player who started the game from a terminal reads its standard error there.
bool StartedFromTerminal();
