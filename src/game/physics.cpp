#include "game/physics.h"

#include <cmath>

#include "game/effects.h"
#include "game/game_state.h"
#include "game/opponent.h"
#include "game/players.h"
#include "game/replay.h"
#include "game/sounds.h"
#include "game/table.h"

namespace {

// The striking centre of a mallet lies this far toward +z from where it is drawn.
constexpr float kStrikeOffsetZ = 45.0f;
// Mallet components smaller than this are cut to zero, so a released mallet stops.
constexpr float kMalletRestCut = 0.4f;
// Forward limits of the two mallets' drawing positions.
constexpr float kPlayerMinZ = -20.0f;
constexpr float kOpponentMaxZ = -60.0f;

void playEffect(const GameState& g, Effects& fx, const char* file) {
    if (g.sound) fx.push_back({Effect::Kind::Sound, file});
}

// The pad of the player seated at `mallet` rumbles; the computer's mallet has no pad.
void rumble(const GameState& g, Effects& fx, Mallet mallet, bool strong) {
    if (Player1Mallet(g) == mallet) fx.push_back(Effect::Rumble(0, strong));
    if (Player2Mallet(g) == mallet) fx.push_back(Effect::Rumble(1, strong));
}

// The response looks only at velocities, never at where puck and mallet touch,
// and moves both apart by their new, still unlimited velocities.
bool malletHit(GameState& g, Effects& fx, float& malletX, float& malletZ, float& malletVX, float& malletVZ) {
    const float dx = g.x - malletX;
    const float dz = g.z - (malletZ + kStrikeOffsetZ);
    const float d = std::sqrt(dx * dx + dz * dz);
    if (!(d <= static_cast<float>(g.puk_rad))) return false;

    const float u = g.move_x, w = g.move_z;
    const float U = malletVX, W = malletVZ;
    playEffect(g, fx, kShotSound);
    g.video_x = g.x;
    g.video_z = g.z;
    malletVX = (U + 2.0f * u) / 3.0f;
    malletVZ = (W + 2.0f * w) / 3.0f;
    g.move_x = (2.0f * U - 3.0f * u) / 2.0f;
    g.move_z = (2.0f * W - 3.0f * w) / 2.0f;
    g.video_move_x = g.move_x;
    g.video_move_z = g.move_z;
    malletX += malletVX;
    malletZ += malletVZ;
    g.x += g.move_x;
    g.z += g.move_z;
    return true;
}

void limitMalletComponent(float& v, float maxV) {
    if (v > maxV) v = maxV;
    if (v < -maxV) v = -maxV;
    if (v > -kMalletRestCut && v < kMalletRestCut) v = 0.0f;
}

// Two tests in a row: a positive component smaller than f goes negative and is
// raised again, so friction alone never brings a small component to rest.
void applyFriction(float& v, float f) {
    if (v > 0.0f) v -= f;
    if (v < 0.0f) v += f;
}

void clampUpperThenLower(float& v, float lower, float upper) {
    if (v > upper) v = upper;
    if (v < lower) v = lower;
}

void scoreGoal(GameState& g, Effects& fx, bool playersGoal) {
    playEffect(g, fx, kGoalSound);
    rumble(g, fx, playersGoal ? Mallet::Far : Mallet::Near, /*strong=*/true);  // the one who let it in
    if (playersGoal) {
        ++g.my_score;
        ResetPositions(g, g.goal_z);  // served in the scorer's own half
    } else {
        ++g.his_score;
        ResetPositions(g, -g.goal_z);
    }
    if (g.play_video) StartReplay(g, playersGoal);
}

}  // namespace

void PhysicsStepFront(GameState& g, Effects& fx) {
    // The goal line lies 4 units inside the wall line, so a puck in a mouth
    // always scores here before the end wall could bounce it back.
    if (g.z < GoalLineFar(g) && InGoalMouth(g))
        scoreGoal(g, fx, true);
    else if (g.z > GoalLineNear(g) && InGoalMouth(g))
        scoreGoal(g, fx, false);

    // A goal of this step has put the puck where the replay starts: no hit there rumbles.
    const bool replayStarted = g.video;
    if (malletHit(g, fx, g.schiesser_x, g.schiesser_z, g.schiesser_v_x, g.schiesser_v_z) && !replayStarted)
        rumble(g, fx, Mallet::Near, /*strong=*/false);
    const bool opponentHit = malletHit(g, fx, g.gegner_x, g.gegner_z, g.gegner_v_x, g.gegner_v_z);
    if (opponentHit && !replayStarted) rumble(g, fx, Mallet::Far, /*strong=*/false);
    if (!opponentHit && g.artif_int) SteerOpponent(g);

    limitMalletComponent(g.schiesser_v_x, g.schiesser_max_v);
    limitMalletComponent(g.schiesser_v_z, g.schiesser_max_v);
    limitMalletComponent(g.gegner_v_x, g.schiesser_max_v);
    limitMalletComponent(g.gegner_v_z, g.schiesser_max_v);

    g.schiesser_x += g.schiesser_v_x;
    g.schiesser_z += g.schiesser_v_z;
    g.gegner_x += g.gegner_v_x;
    g.gegner_z += g.gegner_v_z;
}

void PhysicsStepBack(GameState& g, Effects& fx) {
    // Each bounce reverses only the component at right angles to its wall and
    // puts the puck one unit inside, so even a slow puck leaves the wall.
    const int right = WallLineRight(g), left = WallLineLeft(g);
    const int nearLine = WallLineNear(g), farLine = WallLineFar(g);
    if (g.x >= right) {
        g.move_x = -g.move_x;
        g.x = static_cast<float>(right - 1);
        if (!g.video) playEffect(g, fx, kSideshotSound);
    }
    if (g.x <= left) {
        g.move_x = -g.move_x;
        g.x = static_cast<float>(left + 1);
        if (!g.video) playEffect(g, fx, kSideshotSound);
    }
    if (g.z >= nearLine) {
        g.move_z = -g.move_z;
        g.z = static_cast<float>(nearLine - 1);
        if (!g.video) playEffect(g, fx, kSideshotSound);
    }
    if (g.z <= farLine) {
        g.move_z = -g.move_z;
        g.z = static_cast<float>(farLine + 1);
        if (!g.video) playEffect(g, fx, kSideshotSound);
    }

    const float minX = static_cast<float>(g.table_min_x), maxX = static_cast<float>(g.table_max_x);
    clampUpperThenLower(g.schiesser_x, minX, maxX);
    clampUpperThenLower(g.schiesser_z, kPlayerMinZ, static_cast<float>(g.table_max_z) - kStrikeOffsetZ);
    clampUpperThenLower(g.gegner_x, minX, maxX);
    clampUpperThenLower(g.gegner_z, static_cast<float>(g.table_min_z) - kStrikeOffsetZ, kOpponentMaxZ);

    applyFriction(g.move_x, g.a);
    applyFriction(g.move_z, g.a);
    applyFriction(g.schiesser_v_x, g.schiesser_a);
    applyFriction(g.schiesser_v_z, g.schiesser_a);
    applyFriction(g.gegner_v_x, g.schiesser_a);
    applyFriction(g.gegner_v_z, g.schiesser_a);

    clampUpperThenLower(g.move_x, -g.puk_max_v, g.puk_max_v);
    clampUpperThenLower(g.move_z, -g.puk_max_v, g.puk_max_v);

    g.x += g.move_x;
    g.z += g.move_z;
}
