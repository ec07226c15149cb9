// The screens between matches, by the number hauptmenu_nr holds for each.
#pragma once

namespace Screen {
constexpr int MainMenu = 1;
constexpr int HighScores = 2;
constexpr int Credits = 3;
constexpr int OptionsHelp = 5;
constexpr int NewGame = 11;
constexpr int NameEntry = 21;
constexpr int Singleplayer = 111;
constexpr int SingleplayerRepeat = 1110;  // after a lost match
constexpr int Multiplayer = 112;
constexpr int MultiplayerRepeat = 1120;   // after a lost match
constexpr int Training = 113;
constexpr int kAll[] = {MainMenu, HighScores, Credits, OptionsHelp, NewGame, NameEntry, Singleplayer,
                        SingleplayerRepeat, Multiplayer, MultiplayerRepeat, Training};
}  // namespace Screen
