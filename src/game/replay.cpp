#include "game/replay.h"

#include <cmath>

#include "game/game_state.h"
#include "game/table.h"

namespace {

constexpr float kReplayCameraStartZ = 560.0f;
// The camera travels while strictly inside this mark and the replay can end
// once it is outside.
constexpr float kReplayCameraEndZ = 565.0f;
constexpr float kReplayCameraStepZ = 10.0f;
// The replay waits for the replayed puck to come (nearly) to rest.
constexpr float kReplayRestSpeed = 0.5f;

bool puckAtRest(const GameState& g) {
    return std::fabs(g.move_x) <= kReplayRestSpeed && std::fabs(g.move_z) <= kReplayRestSpeed;
}

void endReplay(GameState& g, float serveZ) {
    g.video = false;
    ResetPositions(g, serveZ);
    g.camera_z = g.video_oldz_position;
    g.camera_x = g.video_oldx_position;
}

}  // namespace

void StartReplay(GameState& g, bool playersGoal) {
    g.video = true;
    g.my_goal = playersGoal;
    // Only the magnitude is kept: a camera moved behind the centre comes back in front.
    g.video_oldz_position = std::fabs(g.camera_z);
    g.video_oldx_position = g.camera_x;
    g.camera_z = playersGoal ? kReplayCameraStartZ : -kReplayCameraStartZ;
    g.x = g.video_x;
    g.z = g.video_z;
    g.move_x = g.video_move_x;
    g.move_z = g.video_move_z;
}

void ReplayCameraTravel(GameState& g) {
    if (!(-kReplayCameraEndZ < g.camera_z && g.camera_z < kReplayCameraEndZ)) return;
    g.camera_z += g.my_goal ? -kReplayCameraStepZ : kReplayCameraStepZ;
}

void ReplayStepFront(GameState& g) {
    // Where the camera stands decides the serve, not whose goal it was.
    if (g.camera_z <= -kReplayCameraEndZ && puckAtRest(g))
        endReplay(g, g.goal_z);
    else if (g.camera_z >= kReplayCameraEndZ && puckAtRest(g))
        endReplay(g, -g.goal_z);

    // The replayed puck stops inside the goal zone; nothing is scored again.
    if ((g.z <= GoalLineFar(g) && InGoalMouth(g)) || (g.z >= GoalLineNear(g) && InGoalMouth(g)))
        g.move_x = g.move_z = 0.0f;
}
