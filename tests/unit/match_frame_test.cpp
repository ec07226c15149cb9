// The match frame runs exactly the simulation step, in the step's own order,
// around its drawing, in normal play and in the replay.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "app/controls.h"
#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/physics.h"
#include "gl_test_context.h"

namespace {

struct Snapshot {
    float v[16];
    int ints[4];
    bool operator==(const Snapshot& o) const {
        for (int i = 0; i < 16; ++i)
            if (v[i] != o.v[i]) return false;
        for (int i = 0; i < 4; ++i)
            if (ints[i] != o.ints[i]) return false;
        return true;
    }
};

Snapshot snap(const GameState& g) {
    return {{g.x, g.z, g.move_x, g.move_z, g.schiesser_x, g.schiesser_z, g.schiesser_v_x, g.schiesser_v_z,
             g.gegner_x, g.gegner_z, g.gegner_v_x, g.gegner_v_z, g.camera_x, g.camera_z, g.video_x, g.video_z},
            {g.my_score, g.his_score, g.video ? 1 : 0, g.gegner_point_x}};
}

// The near mallet pushes the puck straight up the table past an opponent
// moved out of its way; the goal is replayed.
GameState shotOnTheFarGoal() {
    GameState g;
    g.menu = false;
    g.artif_int = false;
    g.gegner_x = 40;
    return g;
}

void holdW(GameState& g, int frame) { g.keys['W'] = frame < 20; }

}  // namespace

TEST(MatchFrame, RunsTheSameStepAsTheSimulationAlone) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    constexpr int kFrames = 400;

    GameState drawn = shotOnTheFarGoal();
    std::srand(5);
    std::vector<Snapshot> drawnStates;
    bool sawReplay = false;
    for (int frame = 0; frame < kFrames; ++frame) {
        ASSERT_EQ(DrawGLScene(drawn), 1);
        drawnStates.push_back(snap(drawn));
        sawReplay = sawReplay || drawn.video;
        holdW(drawn, frame);
        PlayKeysStep(drawn);
    }
    EXPECT_EQ(drawn.my_score, 1);
    EXPECT_TRUE(sawReplay);
    EXPECT_FALSE(drawn.video);

    GameState simulated = shotOnTheFarGoal();
    std::srand(5);
    for (int frame = 0; frame < kFrames; ++frame) {
        matchStep(simulated);
        ASSERT_TRUE(snap(simulated) == drawnStates[frame]) << "frame " << frame;
        holdW(simulated, frame);
        PlayKeysStep(simulated);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(MatchFrame, LeavesOpaqueWhiteForTheNextFrame) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    for (bool replay : {false, true}) {
        GameState g;
        g.menu = false;
        g.video = replay;
        g.blend_fac = 0.25f;
        DrawGLScene(g);
        GLfloat color[4];
        glGetFloatv(GL_CURRENT_COLOR, color);
        EXPECT_FLOAT_EQ(color[0], 1);
        EXPECT_FLOAT_EQ(color[1], 1);
        EXPECT_FLOAT_EQ(color[2], 1);
        EXPECT_FLOAT_EQ(color[3], 1);
    }
}
