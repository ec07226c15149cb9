// Scripted input: window messages to deliver before given frames, so a test or
// a bug report can replay a session exactly.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/gamepad.h"
#include "platform/window.h"

struct ScriptedEvent {
    SyntheticMessage message;
    int a = 0;   // key code, or x
    int b = 0;   // y
};

struct InputScript {
    std::map<long, std::vector<ScriptedEvent>> byFrame;   // delivered before the frame is made
    std::map<long, std::vector<ScriptedPadAction>> padsByFrame;  // likewise
};

// Virtual-key code of a key name (ESC, ENTER, A, 7, F1, ...) or a decimal code; -1 if unknown.
int KeyCodeFromName(const std::string& name);

// Reads the script text. false with `error` naming the line that is not understood.
bool ParseInputScript(const std::string& text, InputScript& script, std::string& error);
bool LoadInputScript(const std::string& path, InputScript& script, std::string& error);
