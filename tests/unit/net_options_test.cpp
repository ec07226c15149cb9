#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dev_options.h"
#include "game/key_merge.h"
#include "game/game_state.h"

namespace {

bool parse(std::vector<const char*> args, DevOptions& o) {
    args.insert(args.begin(), "puckslide3d");
    std::string error;
    return ParseDevOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

}  // namespace

TEST(NetOptions, HostAndJoinAddresses) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
        bool host;
        std::string address, join;
        int port;
    };
    const Case cases[] = {
        {{"--host"}, true, true, "", "", 0},
        {{"--host", "--windowed"}, true, true, "", "", 0},
        {{"--host", "4000"}, true, true, "", "", 4000},
        {{"--host", "127.0.0.1:4001", "--await-guest"}, true, true, "127.0.0.1", "", 4001},
        {{"--join", "example.org"}, true, false, "", "example.org", 0},
        {{"--join", "10.0.0.2:4002"}, true, false, "", "10.0.0.2", 4002},
        {{"--host", "70000"}, false, true, "", "", 0},
        {{"--host", "x:"}, false, true, "", "", 0},
        {{"--join", ":5"}, false, false, "", "", 0},
        {{"--join"}, false, false, "", "", 0},
        {{"--host", "--join", "a"}, false, true, "", "a", 0},
        {{"--await-guest"}, false, false, "", "", 0},
    };
    for (const Case& c : cases) {
        DevOptions o;
        ASSERT_EQ(parse(c.args, o), c.ok) << c.args[0] << " " << c.args.size();
        if (!c.ok) continue;
        EXPECT_EQ(o.host, c.host);
        EXPECT_EQ(o.hostAddress, c.address);
        EXPECT_EQ(o.joinHost, c.join);
        EXPECT_EQ(o.port, c.port);
    }
}

// The host's W while the guest has the near mallet: resting hides it, the guest's
// own W still counts, and a W held through the rest acts again when it ends.
TEST(KeyMergeRest, RestingKeysCountAsUpUntilTheRestEnds) {
    GameState g;
    KeyMerge& keys = g.key_sources;
    HeldKeys w;
    w.set('W');
    keys.press(g.keys, KeySource::Keyboard, 'W');
    keys.rest(g.keys, KeySource::Keyboard, w);
    EXPECT_FALSE(g.keys['W']);
    keys.press(g.keys, KeySource::Keyboard, 'W');  // auto-repeat of a resting key
    EXPECT_FALSE(g.keys['W']);
    keys.hold(g.keys, KeySource::Directions2, w);
    EXPECT_TRUE(g.keys['W']);
    keys.releaseAll(g.keys, KeySource::Directions2);
    EXPECT_FALSE(g.keys['W']);
    keys.rest(g.keys, KeySource::Keyboard, HeldKeys{});
    EXPECT_TRUE(g.keys['W']);
    keys.release(g.keys, KeySource::Keyboard, 'W');
    EXPECT_FALSE(g.keys['W']);
}
