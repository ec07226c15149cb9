// The play keys and mouse steering, once per frame of play, after the frame
// has been drawn. Keys for one-time actions clear themselves, so they act once
// per key-down message (auto-repeat included), not once per frame.
#include "game/controls.h"

#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "platform/virtual_keys.h"

namespace {

constexpr float kBlendStep = 0.05f;
constexpr float kCameraStep = 5.0f;
constexpr int kLastPacingIndex = 5;
// Stepping past the last pacing value wraps to the second, not the first.
constexpr int kPacingWrapIndex = 1;
constexpr float kMouseNudge = 1.0f;

bool held(const GameState& g, int key) { return g.keys[key]; }
bool ctrlShift(const GameState& g) { return held(g, kKeyShift) && held(g, kKeyCtrl); }

// True once per key-down message: the key clears itself.
bool takeKey(GameState& g, int key) {
    if (!g.keys[key]) return false;
    g.keys[key] = false;
    return true;
}

void transparencyKeys(GameState& g) {
    if (held(g, 'M')) g.blend_fac += kBlendStep;
    if (held(g, 'N')) {
        g.gl_blend = true;
        g.blend_fac -= kBlendStep;
    }
    if (g.blend_fac > 1.0f) {
        g.blend_fac = 1.0f;
        g.gl_blend = false;
    }
    if (g.blend_fac < 0.0f) g.blend_fac = 0.0f;
}

void cameraKeys(GameState& g) {
    if (held(g, kKeyPageUp)) g.camera_z += kCameraStep;
    if (held(g, kKeyPageDown)) g.camera_z -= kCameraStep;
    if (held(g, kKeyUp)) g.camera_y += kCameraStep;
    if (held(g, kKeyDown)) g.camera_y -= kCameraStep;
    if (held(g, kKeyRight)) g.camera_x += kCameraStep;
    if (held(g, kKeyLeft)) g.camera_x -= kCameraStep;
}

// Keys set a velocity, they do not add to it; the later key of a pair wins.
void malletKeys(GameState& g) {
    const float v = g.schiesser_max_v;
    const SteeringKeys& near = g.bindings.near;
    if (held(g, near.up)) g.schiesser_v_z = -v;
    if (held(g, near.down)) g.schiesser_v_z = v;
    if (held(g, near.left)) g.schiesser_v_x = -v;
    if (held(g, near.right)) g.schiesser_v_x = v;
    if (g.artif_int) return;
    const SteeringKeys& far = g.bindings.far;
    if (held(g, far.up)) g.gegner_v_z = -v;
    if (held(g, far.down)) g.gegner_v_z = v;
    if (held(g, far.left)) g.gegner_v_x = -v;
    if (held(g, far.right)) g.gegner_v_x = v;
}

void switchKeys(GameState& g) {
    if (takeKey(g, 'V')) g.play_video = !g.play_video;
    if (ctrlShift(g) && takeKey(g, 'C')) g.artif_int = !g.artif_int;
    if (held(g, kKeyCtrl) && takeKey(g, 'M')) g.mouse = !g.mouse;
    if (ctrlShift(g) && takeKey(g, 'B')) {
        ++g.adjust;
        if (g.adjust > kLastPacingIndex) g.adjust = kPacingWrapIndex;
    }
}

// One unit toward the target per frame; no change while the truncated mallet
// coordinate equals the truncated target or exceeds it by one.
void nudgeToward(float position, float target, float& velocity) {
    const int p = static_cast<int>(position);
    const int t = static_cast<int>(target);
    if (p > t + 1)
        velocity -= kMouseNudge;
    else if (p < t)
        velocity += kMouseNudge;
}

void mouseSteering(GameState& g) {
    g.mouse_movex = static_cast<float>(g.table_min_x) + static_cast<float>(g.mouse_x) / g.mouse_const;
    g.mouse_movez = static_cast<float>(g.mouse_y) / g.mouse_const_z;
    nudgeToward(g.schiesser_x, g.mouse_movex, g.schiesser_v_x);
    nudgeToward(g.schiesser_z, g.mouse_movez, g.schiesser_v_z);
}

}  // namespace

TurnOutcome PlayKeysStep(GameState& g) {
    // ESC stays down, so a key still held acts once more in the menu.
    if (held(g, kKeyEscape)) {
        g.hauptmenu_nr = Screen::NewGame;
        g.menu = true;
        return TurnOutcome::SceneSwitch;
    }
    transparencyKeys(g);
    cameraKeys(g);
    malletKeys(g);
    switchKeys(g);
    if (g.mouse) mouseSteering(g);
    // Ctrl+Shift+1..8 are read by the table step that follows.
    return TurnOutcome::Continue;
}

int TableKeyHeld(const GameState& g) {
    if (!ctrlShift(g)) return 0;
    for (int n = 1; n <= kLastKeyTable; ++n)
        if (held(g, kKeyDigit0 + n)) return n;
    return 0;
}

void ReleaseTableKey(GameState& g, int n) {
    if (n >= 1 && n <= kLastKeyTable) g.keys[kKeyDigit0 + n] = false;
}
