// Table set-up between two frames of play: the puck model that goes with a
// requested table, then the table's constants and model. The models are loaded
// by the app, as effects of the turn.
#include "game/table_setup.h"

#include <algorithm>

#include "game/controls.h"
#include "game/game_state.h"
#include "game/table.h"

namespace {

// Tables from this number on are played with the large puck.
constexpr int kFirstLargePuckTable = 7;
constexpr int kSmallPuckRadius = 44;
constexpr int kLargePuckRadius = 50;

// A table asked for by its keys or by take_table: the lower of the two wins. Tables above
// the keys' are reached only through take_table.
int requestedTable(const GameState& g) {
    const int key = TableKeyHeld(g);
    const int taken = g.take_table >= 1 && g.take_table <= kTableCount ? g.take_table : 0;
    if (key == 0) return taken;
    return taken == 0 ? key : std::min(key, taken);
}

}  // namespace

const char* PuckModelFile(int pukRad) {
    return pukRad == kLargePuckRadius ? "data/model/puk2.ms3d" : "data/model/puk.ms3d";
}

GameBox PuckModelFailure(int pukRad) {
    return pukRad == kLargePuckRadius ? GameBox::LargePuckModelFailed : GameBox::PuckModelFailed;
}

TurnOutcome TableStep(GameState& g, Effects& fx) {
    // A requested table brings its puck, loaded again even when it is the same;
    // the digit keys keep whatever puck the last request chose.
    if (g.take_table > 0) {
        g.puk_rad = g.take_table >= kFirstLargePuckTable ? kLargePuckRadius : kSmallPuckRadius;
        fx.push_back({Effect::Kind::LoadPuck, PuckModelFile(g.puk_rad), PuckModelFailure(g.puk_rad)});
    }

    const int n = requestedTable(g);
    if (n == 0) return TurnOutcome::Continue;

    ApplyTableConstants(g, n);
    const TableConstants* t = TableConstantsOf(n);
    fx.push_back({Effect::Kind::LoadTable, t->modelFile, t->loadFailure});
    ReleaseTableKey(g, n);
    return TurnOutcome::SceneSwitch;
}
