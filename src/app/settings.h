// The player's settings file, $XDG_CONFIG_HOME/puckslide3d/settings.conf: read at start,
// never written. One `name = value` a line, `#` starts a comment. A line that cannot be
// used is named with its line number and its setting keeps the default; the game always
// starts.
#pragma once

#include <string>
#include <vector>

#include "game/game_state.h"
#include "platform/window.h"

enum class FullscreenChoice { Ask, Yes, No };

struct Settings {
    FullscreenChoice fullscreen = FullscreenChoice::Ask;  // ask: the start-up question
    bool sound = true;
    int musicVolume = 100;                                // 0..100
    int effectsVolume = 100;                              // 0..100
    RenderSize renderSize = RenderSize::Auto;
    int stickDeadZone = 25;                               // percent of a stick's travel
    bool rumble = true;                                   // pads rumble at hits and goals
    std::string rendezvous;                               // HOST[:PORT] of invite codes; empty: none
    std::string worldScores;                              // http(s) URL of the world list; empty: nothing sent
    KeyBindings bindings;                                 // near_up ... far_right; up is away from the near end
};

struct SettingsProblem {
    int line;          // from 1
    std::string text;  // what is wrong and what is used instead
};

// An http:// or https:// URL with a host and no blanks: what world_scores and --world-scores take.
bool IsWorldListUrl(const std::string& s);

// Reads a settings file's text over the defaults in `settings`.
void ParseSettings(const std::string& text, Settings& settings, std::vector<SettingsProblem>& problems);

// The file's place: $XDG_CONFIG_HOME/puckslide3d/settings.conf, or ~/.config/... when
// XDG_CONFIG_HOME is unset, empty or relative; empty without either.
std::string SettingsFilePath(const char* xdgConfigHome, const char* home);

// The player's settings, from the file of the environment's path if there is one; every
// problem goes to standard error as "puckslide3d: PATH:LINE: TEXT".
Settings LoadSettings();
