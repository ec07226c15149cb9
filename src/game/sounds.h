// The game's sound files, named once: the generator writes them under these names
// and the game plays them by these names.
#pragma once

inline constexpr const char* kShotSound = "data/sounds/shot.wav";
inline constexpr const char* kSideshotSound = "data/sounds/sideshot.wav";
inline constexpr const char* kGoalSound = "data/sounds/goal.wav";
inline constexpr const char* kMatchMusic = "data/sounds/2.mp3";
// Each entry of the main menu announces itself, in menu order.
inline constexpr const char* kMainMenuJingles[] = {
    "data/sounds/newgame.mp3", "data/sounds/highscore.mp3", "data/sounds/options.mp3",
    "data/sounds/credits.mp3", "data/sounds/exit.mp3",
};
