// The turn as a function: a saved state run again from the same input records gives
// the same states and effects, on every table and through the menus and ladders; the
// state's field list covers the state, and its bounds take every state the game reaches
// and refuse a hostile one.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <type_traits>
#include <random>
#include <vector>

#include "game/controls.h"
#include "game/turn.h"
#include "game/game_state.h"
#include "game/match_step.h"
#include "game/replay.h"
#include "game/screen_numbers.h"
#include "game/screen_step.h"
#include "game/state_fields.h"
#include "game/table.h"
#include "net/state_codec.h"
#include "platform/virtual_keys.h"

namespace {

// Keys that move through the menus, the ladders and play; ESC only now and then, so
// that a run rarely reaches the main menu's exit.
const int kKeys[] = {kKeyEnter, kKeyEnter, kKeyDown, kKeyUp, kKeyLeft, kKeyRight, 'W', 'A', 'S', 'D', 'I', 'J',
                     'K', 'L', 'V', 'M', 'N', 'C', 'B', '3', '7', kKeyShift, kKeyCtrl, kKeyPageUp, kKeySpace, 'X'};

FrameInput randomInput(std::mt19937& rng, int frame) {
    FrameInput in;
    in.reseed = 1000u + static_cast<uint32_t>(frame / 60);  // the clock's second
    for (PlayerInput& p : in.players) {
        for (int m = 0, messages = static_cast<int>(rng() % 3); m < messages; ++m) {
            const int key = rng() % 200 == 0 ? kKeyEscape : kKeys[rng() % std::size(kKeys)];
            const auto kind = rng() % 3 ? InputMessage::Kind::KeyDown : InputMessage::Kind::KeyUp;
            p.messages.push_back({kind, KeySource::Keyboard, static_cast<uint8_t>(key)});
        }
        if (rng() % 10 == 0) p.held = {rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0};
    }
    if (rng() % 50 == 0)
        in.players[0].messages.push_back({InputMessage::Kind::MouseMove, KeySource::Keyboard, 0,
                                          static_cast<uint16_t>(rng() % 800), static_cast<uint16_t>(rng() % 600)});
    return in;
}

// Everything the next frames read: the shared state and the key table.
std::vector<uint8_t> snapshot(const GameState& g) {
    std::vector<uint8_t> bytes = EncodeSharedState(g);
    bytes.insert(bytes.end(), std::begin(g.keys), std::end(g.keys));
    return bytes;
}

struct Straight {
    std::vector<FrameInput> inputs;
    std::vector<GameState> before;  // the state each frame starts from
    std::vector<std::vector<uint8_t>> after;
    std::vector<Effects> effects;
};

// `frames` frames of random input from `g`. On the main menu only ENTER on its first
// entry or an arrow up is sent, so that a run never takes the exit.
Straight runStraight(GameState g, std::mt19937& rng, int frames) {
    Straight s;
    FrameView nothingDrawn;
    for (int f = 0; f < frames; ++f) {
        FrameInput in = randomInput(rng, f);
        if (g.menu && g.hauptmenu_nr == 1) {
            in.players[0].messages = {{InputMessage::Kind::KeyDown, KeySource::Keyboard,
                                       static_cast<uint8_t>(g.menu_1_nr == 1 ? kKeyEnter : kKeyUp)}};
            in.players[1].messages.clear();
        }
        s.inputs.push_back(in), s.before.push_back(g);
        Effects fx;
        AdvanceFrame(g, in, fx, nothingDrawn), s.after.push_back(snapshot(g)), s.effects.push_back(fx);
        GameState taken;  // every state the game reaches is one a guest takes
        std::string refused;
        EXPECT_TRUE(DecodeSharedState(EncodeSharedState(g), taken, &refused)) << refused << " at frame " << f;
    }
    return s;
}

// Restores each saved state in turn and runs up to ten frames again from it.
void expectReRunsMatch(const Straight& s, const char* what) {
    for (size_t from = 0; from < s.before.size(); from += 7) {
        GameState g = s.before[from];
        FrameView nothingDrawn;
        for (size_t f = from; f < s.before.size() && f < from + 10; ++f) {
            Effects fx;
            AdvanceFrame(g, s.inputs[f], fx, nothingDrawn);
            ASSERT_EQ(snapshot(g), s.after[f]) << what << ": frame " << f << " run again from " << from;
            ASSERT_EQ(fx, s.effects[f]) << what << ": frame " << f;
        }
    }
}

}  // namespace

TEST(TurnRerun, RestoredStatesRunAgainToTheSameStatesAndEffectsInMenusLaddersAndEveryTable) {
    std::mt19937 rng(7);
    bool sawLadder = false, sawMatch = false;
    for (int run = 0; run < 8; ++run) {  // from the main menu: menus, ladders, matches
        const Straight s = runStraight(GameState{}, rng, 3000);
        for (const GameState& g : s.before) sawLadder = sawLadder || g.done_1 || g.done_21, sawMatch = sawMatch || !g.menu;
        expectReRunsMatch(s, "from the main menu");
    }
    EXPECT_TRUE(sawLadder && sawMatch);  // the random runs reached what they are meant to test
    for (int n = 1; n <= kTableCount; ++n) {  // training on each table, the computer playing
        GameState g;
        ASSERT_TRUE(ApplyTableConstants(g, n));
        g.menu = false, g.hauptmenu_nr = 113, g.artif_int = true, g.puk_rad = n >= 7 ? 50 : 44, g.move_x = 4, g.move_z = -6;
        expectReRunsMatch(runStraight(g, rng, 2000), ("table " + std::to_string(n)).c_str());
    }
}

// A field missing from the list would neither cross the network nor be traced, nor
// stay with a guest's own game: every byte of GameState is a listed field or padding.
TEST(StateFields, TheListCoversEveryByteOfTheGameStateButPadding) {
    struct Span { size_t offset, size, align; std::string name; };
    GameState g;
    std::vector<Span> spans;
    VisitStateFields(g, [&](const char* name, const auto& field, auto, auto...) {
        using T = std::remove_reference_t<decltype(field)>;
        const size_t offset = static_cast<size_t>(reinterpret_cast<const char*>(&field) - reinterpret_cast<const char*>(&g));
        spans.push_back({offset, sizeof(T), alignof(T), name});
    });
    std::set<std::string> names;
    for (const Span& s : spans) EXPECT_TRUE(names.insert(s.name).second) << s.name << " is listed twice";
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.offset < b.offset; });
    auto alignUp = [](size_t n, size_t a) { return (n + a - 1) / a * a; };
    size_t end = 0;
    for (const Span& s : spans) {
        EXPECT_EQ(s.offset, alignUp(end, s.align)) << "unlisted bytes before " << s.name;
        end = s.offset + s.size;
    }
    EXPECT_EQ(sizeof(GameState), alignUp(end, alignof(GameState))) << "unlisted bytes at the end";
}

// Where the game goes furthest, run for real: every state on the way is one a guest takes.
TEST(StateBounds, TheGameGoesFarIntoThemAndEveryStateOnTheWayIsTaken) {
    const auto playFrame = [](GameState& g) { Effects fx; MatchStep(g, fx), PlayKeysStep(g); };
    const struct { const char* what; std::function<void(GameState&)> setUp, frame; int frames; std::function<bool(const GameState&)> reached; } cases[] = {
        {"the mouse pulling the near mallet through a replay of a puck sliding sideways",
         [](GameState& g) {
             ApplyTableConstants(g, 3);
             g.menu = false, g.mouse = true, g.mouse_x = 0, g.video_x = 150, g.video_z = 0, g.video_move_x = 6;
             StartReplay(g, true);
         }, playFrame, 4000, [](const GameState& g) { return g.video && g.schiesser_v_x < -1000; }},
        {"a camera key held until adding 5 no longer moves it",
         [](GameState& g) { g.menu = false, g.camera_z = 134217728.0f - 1000, g.keys[kKeyPageUp] = true; }, playFrame, 200,
         [](const GameState& g) { return g.camera_z == 134217728.0f; }},
        {"the credits' clock until adding 1 no longer moves it", [](GameState& g) { g.hauptmenu_nr = Screen::Credits, g.rot = 16777216.0f - 50; },
         ScreenStepAfterDraw, 100, [](const GameState& g) { return g.rot == 16777216.0f; }},
        {"the main menu's clock swinging its step", [](GameState&) {}, ScreenStepAfterDraw, 1000,
         [](const GameState& g) { return g.rot_fac < -0.49f; }},
    };
    for (const auto& c : cases) {
        GameState g, taken;
        c.setUp(g);
        std::string refused;
        for (int f = 0; f < c.frames; ++f, c.frame(g))
            ASSERT_TRUE(DecodeSharedState(EncodeSharedState(g), taken, &refused)) << c.what << ", frame " << f << ": " << refused;
        EXPECT_TRUE(c.reached(g)) << c.what;
    }
}

// A number that is not finite, an index near an int's end and a long text, each refused at a guest's join
// by its name, are e2e test_hostile_host's.
TEST(StateBounds, AHostileStateIsRefusedByTheFieldsNameAndLeavesTheGameAsItWas) {
    const struct { std::function<void(GameState&)> tamper; const char* refused; } fields[] = {
        {[](GameState& g) { g.hauptmenu_nr = 4; }, "hauptmenu_nr not one of its values"},
        {[](GameState& g) { g.training_tables = 0; }, "training_tables out of range"},  // a draw divides by it
        {[](GameState& g) { g.steps[3] = 100000; }, "steps[3] out of range"},  // a frame would last minutes
    };
    GameState mine;
    mine.hsscore[0] = 42;
    const std::vector<uint8_t> before = EncodeSharedState(mine), sound = EncodeSharedState(GameState{});
    std::vector<std::pair<std::vector<uint8_t>, std::string>> damaged{{sound, "menu neither 0 nor 1"}, {sound, "bytes after the last field"}};
    damaged[0].first[0] = 2, damaged[1].first.push_back(0);
    for (size_t n = 0; n < sound.size(); ++n) damaged.push_back({{sound.begin(), sound.begin() + long(n)}, "cut short"});
    for (const auto& f : fields) damaged.push_back({EncodeSharedState([&] { GameState h; f.tamper(h); return h; }()), f.refused});
    for (const auto& [bytes, why] : damaged) {
        std::string refused;
        ASSERT_FALSE(DecodeSharedState(bytes, mine, &refused)) << why;
        ASSERT_NE(refused.find(why), std::string::npos) << refused << ", " << bytes.size() << " bytes";
    }
    EXPECT_EQ(EncodeSharedState(mine), before);
}
