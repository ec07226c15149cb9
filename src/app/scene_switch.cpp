#include "app/scene_switch.h"

#include "app/game_window.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/sounds.h"
#include "platform/render_state.h"
#include "platform/sound.h"
#include "platform/window.h"

bool SceneSwitch(GameState& g) {
    g.rot = 0.0f;
    g.take_table = 0;
    if (!g.menu) SetLighting(false);  // matches are drawn unlit
    if (g.menu) {
        if (g.sound) StopMusic(kMatchMusic);
        // A fresh window brings the fresh GL state of InitGL, undoing whatever play changed.
        KillGLWindow();
        if (!OpenGameWindow(g)) return false;
    }
    ReseedRandom();
    return true;
}
