// Placeholder until controls, table set-up, menus and the config file land.
#include "app/config_file.h"
#include "app/controls.h"
#include "app/menu_flow.h"
#include "app/table_setup.h"
#include "game/game_state.h"
TurnOutcome MenuStep(GameState& g) {
    if (g.keys[27] && g.hauptmenu_nr == 1) return TurnOutcome::Quit;
    return TurnOutcome::Continue;
}
TurnOutcome MatchEndTest(GameState&) { return TurnOutcome::Continue; }
void ReadConfigFile(GameState&) {}
void NameEntryStep(GameState&) {}
