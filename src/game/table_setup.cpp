// Table set-up between two frames of play: the puck model that goes with a
// requested table, then the table's constants and model. The models are loaded
// by the app, as effects of the turn.
#include "game/table_setup.h"

#include "game/game_state.h"
#include "game/table.h"
#include "platform/virtual_keys.h"

namespace {

// Tables above this are reached only through take_table, never by the digit keys.
constexpr int kLastKeyTable = 8;
// Tables from this number on are played with the large puck.
constexpr int kFirstLargePuckTable = 7;
constexpr int kSmallPuckRadius = 44;
constexpr int kLargePuckRadius = 50;

bool tableKeysHeld(const GameState& g, int n) {
    return g.keys[kKeyShift] && g.keys[kKeyCtrl] && g.keys[kKeyDigit0 + n];
}

// The lowest digit held wins; the others stay down for the next frames.
int requestedTable(const GameState& g) {
    for (int n = 1; n <= kLastKeyTable; ++n)
        if (tableKeysHeld(g, n) || g.take_table == n) return n;
    for (int n = kLastKeyTable + 1; n <= kTableCount; ++n)
        if (g.take_table == n) return n;
    return 0;
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
    if (n <= kLastKeyTable) g.keys[kKeyDigit0 + n] = false;
    return TurnOutcome::SceneSwitch;
}
