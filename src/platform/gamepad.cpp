#include "platform/gamepad.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/turn_log.h"

static_assert(SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1 == kPadButtonCount, "PadButton follows SDL's order");
static_assert(SDL_CONTROLLER_AXIS_MAX == kPadAxisCount, "PadAxis follows SDL's order");

namespace {

struct Pads {
    bool scriptedOnly = false;
    std::vector<PadState> states;                 // connection order
    std::vector<SDL_GameController*> controllers;  // beside states
    SDL_Joystick* scripted[3] = {};               // the script's pads 1 and 2, held open to be set
};

Pads& pads() {
    static Pads p;
    return p;
}

int indexOf(int id) {
    const auto& states = pads().states;
    for (size_t i = 0; i < states.size(); ++i)
        if (states[i].id == id) return static_cast<int>(i);
    return -1;
}

PadState readState(SDL_GameController* controller, int id) {
    PadState s;
    s.id = id;
    for (int b = 0; b < kPadButtonCount; ++b)
        if (SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(b))) s.buttons |= 1u << b;
    for (int a = 0; a < kPadAxisCount; ++a)
        s.axes[a] = SDL_GameControllerGetAxis(controller, static_cast<SDL_GameControllerAxis>(a));
    return s;
}

// Both the joystick and the controller announcement lead here: a joystick that only
// the player's own mappings make a controller is announced as a joystick alone.
void openPad(int deviceIndex) {
    Pads& p = pads();
    if (deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks() || !SDL_IsGameController(deviceIndex)) return;
    if (p.scriptedOnly && !SDL_JoystickIsVirtual(deviceIndex)) return;
    const int id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || indexOf(id) >= 0) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) return;
    p.states.push_back(readState(controller, id));
    p.controllers.push_back(controller);
}

void closePad(int id) {
    Pads& p = pads();
    const int i = indexOf(id);
    if (i < 0) return;
    SDL_GameControllerClose(p.controllers[i]);
    p.states.erase(p.states.begin() + i);
    p.controllers.erase(p.controllers.begin() + i);
}

int deviceIndexOf(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}

// SDL stops a pulse by asking for nothing: only a pulse itself is the pad's news.
int SDLCALL scriptedRumble(void* pad, Uint16 low, Uint16 high) {
    if (low || high)
        CurrentTurnLog().rumble.push_back("pad " + std::to_string(reinterpret_cast<intptr_t>(pad)) + " low " +
                                          std::to_string(low) + " high " + std::to_string(high));
    return 0;
}

void attachScripted(int pad) {
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = kPadAxisCount;
    desc.nbuttons = kPadButtonCount;
    // Every button and axis present: SDL then maps joystick button i to controller button i.
    desc.button_mask = (1u << kPadButtonCount) - 1;
    desc.axis_mask = (1u << kPadAxisCount) - 1;
    desc.name = pad == 1 ? "Puckslide 3D scripted pad 1" : "Puckslide 3D scripted pad 2";
    desc.userdata = reinterpret_cast<void*>(static_cast<intptr_t>(pad));
    desc.Rumble = scriptedRumble;
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    SDL_Joystick* joystick = deviceIndex >= 0 ? SDL_JoystickOpen(deviceIndex) : nullptr;
    if (!joystick) {
        std::fprintf(stderr, "puckslide3d: script: cannot add pad %d: %s\n", pad, SDL_GetError());
        return;
    }
    for (PadAxis trigger : {PadAxis::TriggerLeft, PadAxis::TriggerRight})  // released triggers rest at the bottom
        SDL_JoystickSetVirtualAxis(joystick, static_cast<int>(trigger), SDL_JOYSTICK_AXIS_MIN);
    pads().scripted[pad] = joystick;
}

void detachScripted(int pad) {
    SDL_Joystick*& joystick = pads().scripted[pad];
    const int deviceIndex = deviceIndexOf(SDL_JoystickInstanceID(joystick));
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    if (deviceIndex >= 0) SDL_JoystickDetachVirtual(deviceIndex);
}

}  // namespace

bool GamepadInit(const std::string& userMappings, bool scriptedOnly) {
    pads().scriptedOnly = scriptedOnly;
    // A scripted run must not depend on whether the window happens to have the focus.
    if (scriptedOnly) SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "puckslide3d: no gamepads: %s\n", SDL_GetError());
        return false;
    }
    if (userMappings.empty()) return true;
    SDL_RWops* file = SDL_RWFromFile(userMappings.c_str(), "rb");
    if (!file) return true;  // the player has no mappings of their own
    if (SDL_GameControllerAddMappingsFromRW(file, 1) < 0)
        std::fprintf(stderr, "puckslide3d: cannot read gamepad mappings %s: %s\n", userMappings.c_str(),
                     SDL_GetError());
    return true;
}

const std::vector<PadState>& ConnectedPads() { return pads().states; }

bool HandleGamepadEvent(const SDL_Event& e) {
    auto state = [](SDL_JoystickID id) -> PadState* {
        const int i = indexOf(id);
        return i < 0 ? nullptr : &pads().states[i];
    };
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: openPad(e.cdevice.which); return true;
        case SDL_JOYDEVICEADDED: openPad(e.jdevice.which); return true;
        case SDL_CONTROLLERDEVICEREMOVED: closePad(e.cdevice.which); return true;
        case SDL_JOYDEVICEREMOVED: closePad(e.jdevice.which); return true;
        case SDL_CONTROLLERDEVICEREMAPPED: {
            const int i = indexOf(e.cdevice.which);
            if (i >= 0) pads().states[i] = readState(pads().controllers[i], e.cdevice.which);
            return true;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (PadState* s = state(e.cbutton.which); s && e.cbutton.button < kPadButtonCount) {
                const uint32_t bit = 1u << e.cbutton.button;
                s->buttons = e.cbutton.state == SDL_PRESSED ? s->buttons | bit : s->buttons & ~bit;
            }
            return true;
        case SDL_CONTROLLERAXISMOTION:
            if (PadState* s = state(e.caxis.which); s && e.caxis.axis < kPadAxisCount)
                s->axes[e.caxis.axis] = e.caxis.value;
            return true;
        default:
            return false;
    }
}

bool RumblePad(int id, uint16_t low, uint16_t high, uint32_t ms) {
    const int i = indexOf(id);
    if (i < 0) return false;
    SDL_GameController* controller = pads().controllers[i];
    // SDL passes a pulse on to the pad only when it differs from the one running: a stop
    // first makes every hit a pulse of its own.
    SDL_GameControllerRumble(controller, 0, 0, 0);
    return SDL_GameControllerRumble(controller, low, high, ms) == 0;
}

void ApplyScriptedPad(const ScriptedPadAction& action) {
    if (action.pad != 1 && action.pad != 2) return;
    SDL_Joystick* joystick = pads().scripted[action.pad];
    if (action.kind == ScriptedPadAction::Kind::Add) {
        if (joystick) std::fprintf(stderr, "puckslide3d: script: pad %d is already connected\n", action.pad);
        else attachScripted(action.pad);
        return;
    }
    if (!joystick) {
        std::fprintf(stderr, "puckslide3d: script: pad %d is not connected\n", action.pad);
        return;
    }
    switch (action.kind) {
        case ScriptedPadAction::Kind::Remove: detachScripted(action.pad); break;
        case ScriptedPadAction::Kind::Button:
            SDL_JoystickSetVirtualButton(joystick, action.control, action.value ? SDL_PRESSED : SDL_RELEASED);
            break;
        case ScriptedPadAction::Kind::Axis:
            SDL_JoystickSetVirtualAxis(joystick, action.control, static_cast<Sint16>(action.value));
            break;
        case ScriptedPadAction::Kind::Add: break;
    }
}
