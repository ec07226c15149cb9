// Gamepads through SDL's game-controller layer, reported upward as plain state:
// which pads are connected, in the order they came, and what each one holds.
// Knows nothing of the game; the app decides what a button means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

union SDL_Event;

// SDL's order of the controller buttons and axes.
enum class PadButton {
    A, B, X, Y, Back, Guide, Start, LeftStick, RightStick, LeftShoulder, RightShoulder,
    DpadUp, DpadDown, DpadLeft, DpadRight, Count
};
enum class PadAxis { LeftX, LeftY, RightX, RightY, TriggerLeft, TriggerRight, Count };

constexpr int kPadButtonCount = static_cast<int>(PadButton::Count);
constexpr int kPadAxisCount = static_cast<int>(PadAxis::Count);

struct PadState {
    int id = -1;               // the same while the pad stays connected, never reused
    uint32_t buttons = 0;      // bit i: PadButton i held
    int axes[kPadAxisCount] = {};  // -32768..32767; y grows downward

    bool button(PadButton b) const { return (buttons >> static_cast<int>(b)) & 1u; }
    int axis(PadAxis a) const { return axes[static_cast<int>(a)]; }
};

// SDL's mapping database, the player's SDL_GAMECONTROLLERCONFIG (SDL reads it itself)
// and `userMappings`, a gamecontrollerdb.txt, if it exists. With `scriptedOnly`
// the real pads are left out, so a scripted run plays the same on every machine.
// false: no pads in this run (the reason went to standard error).
bool GamepadInit(const std::string& userMappings, bool scriptedOnly);

// The connected pads, in the order they were connected.
const std::vector<PadState>& ConnectedPads();

// The window's message turn hands every SDL event here first; true when it was a
// pad's, and ConnectedPads() now shows its effect.
bool HandleGamepadEvent(const SDL_Event& e);

// A pulse of the pad's two rumble motors (low and high frequency, 0 to 65535) for
// `ms`, replacing one still running. false: the pad is gone or cannot rumble.
bool RumblePad(int id, uint16_t low, uint16_t high, uint32_t ms);

// Scripted pads, plugged in through SDL's virtual joystick so that the real
// controller path runs. Applied before a poll of the queue starts: SDL reads
// virtual pads when it pumps, and only the first poll of a round pumps. A scripted
// pad asked to rumble says so in the turn log's `rumble` ("pad 2 low 6144 high 20480").
struct ScriptedPadAction {
    enum class Kind { Add, Remove, Button, Axis };
    Kind kind = Kind::Add;
    int pad = 1;       // the script's pad number, 1 or 2
    int control = 0;   // a PadButton or PadAxis
    int value = 0;     // button 1/0, or the axis value
};
void ApplyScriptedPad(const ScriptedPadAction& action);
