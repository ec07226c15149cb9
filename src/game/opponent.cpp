#include "game/opponent.h"

#include <cstdlib>

#include "game/game_state.h"
#include "game/random.h"

namespace {

// The puck is worth going for only on the opponent's side of this line...
constexpr float kAttackLineZ = -50.0f;
// ...and at least this far in front of the mallet's drawing position.
constexpr float kAttackMinAhead = 30.0f;
// Within this distance of the puck's x the mallet charges instead of falling back.
constexpr float kInLineHalfWidth = 20.0f;
constexpr float kArrivalTolerance = 7.0f;
// A mallet this close to its forward limit (-60) counts as arrived in z.
constexpr float kArrivedForwardZ = -90.0f;
constexpr int kTargetMinDepth = 40;

// A uniform draw from 0 to n - 1; a degenerate range yields 0.
int randomBelow(GameState& g, int n) { return n > 0 ? GameRand(g) % n : 0; }

void drawNewTarget(GameState& g) {
    // x before z: the order of draws is part of how the opponent wanders.
    g.gegner_point_x = randomBelow(g, g.table_max_x - g.table_min_x);
    g.gegner_point_z = -(randomBelow(g, std::abs(g.table_min_z)) + kTargetMinDepth);
}

void wander(GameState& g, float speed) {
    const float gx = g.gegner_x, gz = g.gegner_z;
    const float tx = static_cast<float>(g.table_min_x + g.gegner_point_x);
    const float tz = static_cast<float>(g.gegner_point_z);

    const bool arrivedX = tx - kArrivalTolerance < gx && gx < tx + kArrivalTolerance;
    const bool arrivedZ = (tz - kArrivalTolerance < gz && gz < tz + kArrivalTolerance) || gz > kArrivedForwardZ;
    if (arrivedX && arrivedZ) {
        // the mallet coasts on what friction left this step
        drawNewTarget(g);
        return;
    }
    g.gegner_v_x = gx > tx ? -speed : speed;
    g.gegner_v_z = gz > tz ? -speed : speed;
}

void goForPuck(GameState& g, float speed) {
    const float gx = g.gegner_x;
    const bool inLine = gx - kInLineHalfWidth < g.x && g.x < gx + kInLineHalfWidth;
    g.gegner_v_z = inLine ? speed : -speed;
    if (g.x > gx) g.gegner_v_x = speed;
    else if (g.x < gx) g.gegner_v_x = -speed;
}

}  // namespace

void SteerOpponent(GameState& g) {
    const float speed = 0.5f * g.schiesser_max_v;
    if (g.z <= kAttackLineZ && g.z >= g.gegner_z + kAttackMinAhead)
        goForPuck(g, speed);
    else
        wander(g, speed);
}
