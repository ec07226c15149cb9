// The frame drawn into the current GL context, the game's window.
#pragma once

#include <functional>
#include <utility>

#include "game/turn.h"
#include "render/draw_scene.h"

// `present` runs `onPresent` (a screenshot, the buffer swap) when one is given.
class WindowView : public FrameView {
public:
    explicit WindowView(std::function<void()> onPresent = {}) : onPresent_(std::move(onPresent)) {}
    bool drawn() const { return drawn_; }
    // Where the puck and the mallets were drawn (a match frame).
    const ShownPositions& shown() const { return shown_; }

    void begin(const GameState& g) override;
    void screen(const GameState& g, const ScreenPicture& picture) override;
    void table(const GameState& g) override { match_.table(g); }
    void mallets(const GameState& g) override;
    void puckAndScore(const GameState& g) override;
    void present() override;

private:
    std::function<void()> onPresent_;
    MatchDrawing match_;
    bool drawn_ = false;
    ShownPositions shown_;
};
