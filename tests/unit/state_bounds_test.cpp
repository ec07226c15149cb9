// The bounds a guest checks the host's state against: the game itself reaches their
// edges, and a state outside them is refused by the field's name, leaving the game as it was.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "game/game_state.h"
#include "game/match_step.h"
#include "game/replay.h"
#include "game/screen_numbers.h"
#include "game/screen_step.h"
#include "game/table.h"
#include "net/state_codec.h"
#include "platform/virtual_keys.h"

namespace {

void playFrame(GameState& g) {
    Effects fx;
    MatchStep(g, fx);
    PlayKeysStep(g);
}

}  // namespace

// Where the game goes furthest, run for real: each bound must take what the run reaches.
TEST(StateBounds, TheGameReachesFarIntoItsBoundsAndEveryStateOnTheWayIsTaken) {
    struct Case {
        const char* what;
        std::function<void(GameState&)> setUp, frame;
        int frames;
        std::function<bool(const GameState&)> reached;
    };
    const Case cases[] = {
        // The mouse pulls the near mallet left through a replay of a puck that only slides sideways.
        {"the near mallet's speed under the mouse in a long replay",
         [](GameState& g) {
             ApplyTableConstants(g, 3);
             g.menu = false, g.mouse = true, g.mouse_x = 0, g.mouse_y = 400;
             g.video_x = 150, g.video_z = 0, g.video_move_x = 6, g.video_move_z = 0;
             StartReplay(g, true);
         },
         playFrame, 4000, [](const GameState& g) { return g.video && g.schiesser_v_x < -1000; }},
        {"a camera key held until adding 5 no longer moves the camera",
         [](GameState& g) { g.menu = false, g.camera_z = 134217728.0f - 1000, g.keys[kKeyPageUp] = true; },
         playFrame, 200, [](const GameState& g) { return g.camera_z == 134217728.0f; }},
        {"the credits' clock until adding 1 no longer moves it",
         [](GameState& g) { g.hauptmenu_nr = Screen::Credits, g.rot = 16777216.0f - 50; }, ScreenStepAfterDraw, 100,
         [](const GameState& g) { return g.rot == 16777216.0f; }},
        {"the main menu's clock swinging its step twice",
         [](GameState& g) { g.rot = 0; }, ScreenStepAfterDraw, 4000,
         [](const GameState& g) { return g.rot_fac < 0.5f && g.rot_fac > -0.51f; }},
    };
    for (const Case& c : cases) {
        GameState g;
        c.setUp(g);
        for (int f = 0; f < c.frames; ++f) {
            c.frame(g);
            GameState taken;
            std::string refused;
            ASSERT_TRUE(DecodeSharedState(EncodeSharedState(g), taken, &refused)) << c.what << ", frame " << f << ": " << refused;
        }
        EXPECT_TRUE(c.reached(g)) << c.what;
    }
}

TEST(StateBounds, AHostileStateIsRefusedByTheFieldsNameAndLeavesTheGameAsItWas) {
    const float nan = std::nanf(""), inf = INFINITY;
    const struct { std::function<void(GameState&)> tamper; const char* refused; } fields[] = {
        {[&](GameState& g) { g.x = nan; }, "x not a finite number"},
        {[&](GameState& g) { g.gegner_z = -inf; }, "gegner_z not a finite number"},
        {[](GameState& g) { g.move_x = 1e9f; }, "move_x out of range"},
        {[](GameState& g) { g.schiesser_z = 2000; }, "schiesser_z out of range"},
        {[](GameState& g) { g.blend_fac = 1.5f; }, "blend_fac out of range"},
        {[](GameState& g) { g.mouse_const = 0; }, "mouse_const out of range"},  // it divides
        {[](GameState& g) { g.x_pos[9] = -4; }, "x_pos[9] out of range"},
        {[](GameState& g) { g.hauptmenu_nr = 4; }, "hauptmenu_nr not one of its values"},
        {[](GameState& g) { g.menu_1_nr = INT_MAX; }, "menu_1_nr out of range"},  // one arrow would overflow it
        {[](GameState& g) { g.a_round = 5; }, "a_round out of range"},
        {[](GameState& g) { g.my_score = -1; }, "my_score out of range"},
        {[](GameState& g) { g.training_tables = 0; }, "training_tables out of range"},  // a draw divides by it
        {[](GameState& g) { g.table = 0; }, "table out of range"},
        {[](GameState& g) { g.steps[3] = 100000; }, "steps[3] out of range"},  // a frame would last minutes
        {[](GameState& g) { g.HSlenght = 256; }, "HSlenght out of range"},
        {[](GameState& g) { g.zeichen = std::string(10, 'Z'); }, "zeichen too long"},
        {[](GameState& g) { g.rng.front = 9; }, "rng not a generator's state"},
    };
    GameState mine;
    mine.hsscore[0] = 42;
    const std::vector<uint8_t> before = EncodeSharedState(mine);
    for (const auto& f : fields) {
        GameState hostile;
        f.tamper(hostile);
        std::string refused;
        EXPECT_FALSE(DecodeSharedState(EncodeSharedState(hostile), mine, &refused)) << f.refused;
        EXPECT_EQ(refused, f.refused);
    }
    // The bytes themselves: a flag that is no flag, every cut, a byte too many.
    std::vector<uint8_t> bytes = EncodeSharedState(GameState{});
    std::vector<std::pair<std::vector<uint8_t>, std::string>> damaged;
    damaged.push_back({bytes, "menu neither 0 nor 1"});
    damaged.back().first[0] = 2;  // the first field
    damaged.push_back({bytes, "bytes after the last field"});
    damaged.back().first.push_back(0);
    for (size_t n = 0; n < bytes.size(); ++n) damaged.push_back({{bytes.begin(), bytes.begin() + long(n)}, "cut short"});
    for (const auto& [d, why] : damaged) {
        std::string refused;
        ASSERT_FALSE(DecodeSharedState(d, mine, &refused)) << d.size() << " bytes";
        ASSERT_NE(refused.find(why), std::string::npos) << refused << ", " << d.size() << " bytes";
    }
    EXPECT_EQ(EncodeSharedState(mine), before);
    std::string refused;
    ASSERT_TRUE(DecodeSharedState(bytes, mine, &refused)) << refused;
}
