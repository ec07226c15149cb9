#include "render/window_view.h"

#include "game/game_state.h"

void WindowView::begin(const GameState& g) {
    drawn_ = true;
    BeginFrame(g);
}

void WindowView::screen(const GameState& g, const ScreenPicture& picture) { DrawScreen(g, picture); }

void WindowView::mallets(const GameState& g) {
    shown_.schiesser_x = g.schiesser_x, shown_.schiesser_z = g.schiesser_z;
    shown_.gegner_x = g.gegner_x, shown_.gegner_z = g.gegner_z;
    match_.mallets(g);
}

void WindowView::puckAndScore(const GameState& g) {
    shown_.x = g.x, shown_.z = g.z;
    match_.puckAndScore(g);
}

void WindowView::present() {
    if (onPresent_) onPresent_();
}
