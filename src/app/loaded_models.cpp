#include "app/loaded_models.h"

#include <cstring>

#include "app/game_boxes.h"
#include "assets/model.h"
#include "game/game_state.h"
#include "game/table.h"
#include "game/table_setup.h"

namespace {
constexpr const char* kStartupPuck = "data/model/puk.ms3d";
}  // namespace

bool LoadedModels::follow(GameState& g) {
    if (g.menu) return true;  // the screens draw no model
    const TableConstants* t = TableConstantsOf(g.table);
    if (t && g.table != table_) {
        if (!g.pTable->loadModelData(t->modelFile)) {
            ShowGameBox(t->loadFailure);
            return false;
        }
        table_ = g.table;
    }
    const char* puck = PuckModelFile(g.puk_rad);
    if (std::strcmp(puck, puck_ ? puck_ : kStartupPuck) != 0) {
        if (!g.pPuk->loadModelData(puck)) {
            ShowGameBox(PuckModelFailure(g.puk_rad));
            return false;
        }
        puck_ = puck;
    }
    return true;
}

bool LoadedModels::backToStart(GameState& g) {
    if (puck_ && std::strcmp(puck_, kStartupPuck) != 0 && !g.pPuk->loadModelData(kStartupPuck)) {
        ShowGameBox(GameBox::PuckModelFailed);
        return false;
    }
    puck_ = nullptr;
    table_ = 0;
    return true;
}
