// One frame of the game as a function: the state and the frame's input records of
// both players give the next state and a list of effects. Drawing happens at its
// points through a view that only reads the state; a silent view draws nothing, so
// advancing without drawing and without effects is one call.
#pragma once

#include "game/effects.h"
#include "game/frame_input.h"
#include "game/match_step.h"
#include "game/screen_step.h"
#include "game/turn_outcome.h"

struct GameState;

// Where a frame showed the puck and the mallets.
struct ShownPositions {
    float x = 0, z = 0, schiesser_x = 0, schiesser_z = 0, gegner_x = 0, gegner_z = 0;
};

// Where a frame is drawn. The base draws nothing.
class FrameView : public MatchStepView {
public:
    virtual void begin(const GameState&) {}  // a frame is drawn (the window is not minimised)
    virtual void screen(const GameState&, const ScreenPicture&) {}
    virtual void present() {}                // every frame, drawn or not
};

TurnOutcome AdvanceFrame(GameState& g, const FrameInput& in, Effects& fx, FrameView& view);
// Without drawing; the effects are dropped.
TurnOutcome AdvanceFrame(GameState& g, const FrameInput& in);

// What a frame's input does before anything else of the frame: its messages (keys,
// mouse, activity), which the design applies one per loop turn, then the held
// directions by the players' seats.
void ApplyFrameInput(GameState& g, const FrameInput& in);
// The messages alone.
void ApplyInputMessages(GameState& g, const FrameInput& in);

// The frame `g` would draw, drawn from a copy: `g` itself does not change.
void DrawFrameOf(GameState g, uint32_t reseed, FrameView& view);
