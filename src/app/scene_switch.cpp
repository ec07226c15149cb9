#include "app/scene_switch.h"

#include "app/window_title.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/render_state.h"
#include "platform/sound.h"
#include "platform/window.h"

bool SceneSwitch(GameState& g) {
    g.rot = 0.0f;
    g.take_table = 0;
    if (!g.menu) SetLighting(false);  // matches are drawn unlit
    if (g.menu) {
        if (g.sound) MusicCommand("stop data/sounds/2.mp3");
        // A fresh window brings the fresh GL state of InitGL, undoing whatever play changed.
        KillGLWindow();
        if (!CreateGLWindow(kWindowTitle, g.width, g.height, 32, g.fullscreen)) return false;
    }
    ReseedRandom();
    return true;
}
