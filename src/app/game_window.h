// The game's window: every window the game opens gets the models' textures and the
// font rebuilt in its new context, and its messages become input messages here.
#pragma once

#include <functional>
#include <utility>

#include "game/frame_input.h"

// Where a frame drew the puck and the mallets.
struct ShownPositions {
    float x = 0, z = 0, schiesser_x = 0, schiesser_z = 0, gegner_x = 0, gegner_z = 0;
};
#include "app/turn.h"
#include "render/draw_scene.h"

struct GameState;
struct WindowEvent;

// Start-up, the scene switch back to the screens and F1. false: the program must end
// (the failure has been reported).
// `fullscreen` is the window's mode: the state's own, or a network guest's own window's.
bool OpenGameWindow(GameState& g, bool& fullscreen);

// The input message a window message stands for: a key of the keyboard, the mouse,
// the window's activity. false for the others (a close, the pads, what the window handled).
bool InputMessageOf(const WindowEvent& event, InputMessage& m);

// The frame drawn into the game's window; `present` runs `onPresent` (a screenshot,
// the buffer swap) when one is given.
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
