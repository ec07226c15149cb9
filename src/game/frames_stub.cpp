// Placeholder until the match and the screens land.
#include "game/draw_scene.h"
#include "game/game_state.h"
void DrawScreenFrame(GameState& g) { g.rot += g.hauptmenu_nr == 3 ? 1.0f : g.rot_fac; }
