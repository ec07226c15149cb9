// Modal message boxes with the game's captions. Headless runs write them to
// standard error and answer with the default button.
#pragma once

enum class MbButtons { Ok, YesNo };
enum class MbIcon { Stop, Exclamation, Information, Question };
enum class MbResult { Ok, Yes, No };

MbResult MessageBox(const char* caption, const char* text, MbButtons buttons, MbIcon icon);
void SetMessageBoxesHeadless(bool headless);
