// The sizes that tie the models to the rules of play.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace gen {

// Model coordinates of a table: x across, z along (the player's end at +z), y up. The game
// draws the table and the mallets 70 units up and the puck 10 units below the mallets.
constexpr double kSurfaceY = -10.0;
// The hit test reaches puk_rad (44, or 50 for the large puck) from the striking centre, so the
// two discs touch exactly then when their radii add up to it.
constexpr double kPuckRadius = 22.0;
constexpr double kLargePuckRadius = 28.0;
constexpr double kMalletRadius = 22.0;
// The striking centre lies this far toward +z from a mallet's drawing position.
constexpr double kStrikeOffset = 45.0;
// Table bounds limit the standard puck's centre, so the rails stand one puck radius further out.
constexpr double kRailInset = kPuckRadius;

constexpr double kRailWidth = 16.0;
constexpr double kRailHeight = 14.0;
constexpr double kApronBottomY = -40.0;
constexpr double kPocketDepth = 18.0;
constexpr double kPocketWall = 4.0;
constexpr double kPocketFloorY = -16.0;

// A mallet's striking centre stays at z >= 25 (player) or z <= -15 (opponent): the discs meet
// between z = 3 and z = 7, where the centre line is painted.
constexpr double kPlayerStrikeLimitZ = -20.0 + kStrikeOffset;
constexpr double kOpponentStrikeLimitZ = -60.0 + kStrikeOffset;
constexpr double kCentreLineMinZ = kPlayerStrikeLimitZ - kMalletRadius;
constexpr double kCentreLineMaxZ = kOpponentStrikeLimitZ + kMalletRadius;
constexpr double kServeX = 150.0;

struct TableRules {
    int number;
    const char* model;  // file name in data/model
    int min_x, max_x, min_z, max_z;
    int goal_min_x, goal_max_x, goal_min_x2, goal_max_x2;
    double goal_z;
    double puck_x, puck_z, schiesser_z, gegner_z;  // the first serve
};

// The eleven tables as the game sets them up.
const std::vector<TableRules>& tableRules();

// One model file and the geometry that every table using it shares.
struct TableModelPlan {
    std::string file;
    std::vector<int> tables;
    int min_x = 0, max_x = 0, min_z = 0, max_z = 0;
    std::vector<std::pair<int, int>> mouths;  // disjoint open x intervals, left to right
    std::vector<double> serveZ;               // every goal_z of those tables
};

// Merges the rules per model file; false (with a reason) if two tables of one model disagree.
bool tableModelPlans(std::vector<TableModelPlan>& plans, std::string& error);

}  // namespace gen
