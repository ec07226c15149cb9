#include "game/scene_switch.h"

#include "game/game_state.h"
#include "game/sounds.h"

void MakeWindowAnew(GameState& g, Effects& fx) {
    fx.push_back({Effect::Kind::NewWindow});
    g.gl_blend = false;
    g.gl_lighting = true;
}

void SceneSwitch(GameState& g, uint32_t reseed, Effects& fx) {
    g.rot = 0.0f;
    g.take_table = 0;
    if (!g.menu) g.gl_lighting = false;  // matches are drawn unlit
    if (g.menu) {
        if (g.sound) fx.push_back({Effect::Kind::StopMusic, kMatchMusic});
        // A fresh window brings the fresh GL state, undoing whatever play changed.
        MakeWindowAnew(g, fx);
    }
    ReseedRandom(g, reseed);
}
