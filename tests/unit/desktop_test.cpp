// The player's settings file and the picture on screens of any size.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/settings.h"
#include "platform/presentation.h"

namespace {

// The settings a file gives and the lines named as bad.
std::pair<Settings, std::vector<int>> parsed(const std::string& text) {
    Settings s;
    std::vector<SettingsProblem> problems;
    ParseSettings(text, s, problems);
    std::vector<int> lines;
    for (const SettingsProblem& p : problems) lines.push_back(p.line);
    return {s, lines};
}

std::string keys(const SteeringKeys& k) { return {char(k.up), char(k.down), char(k.left), char(k.right)}; }

}  // namespace

TEST(SettingsFile, EachSettingItsValuesAndEveryBadLineNamedWithTheDefaultKept) {
    struct Case { std::string text; std::vector<int> badLines; bool (*holds)(const Settings&); };
    // The defaults are what every end-to-end run plays with; fullscreen = no, render_size, sound = off, the
    // volumes reaching the mixer and a French keyboard are e2e test_desktop's.
    const Case cases[] = {
        {"\xEF\xBB\xBF fullscreen = Yes # a comment\r\nsound=off\nrumble = Off\n", {},
         [](const Settings& s) { return s.fullscreen == FullscreenChoice::Yes && !s.sound && !s.rumble; }},
        {"music_volume = 0\neffects_volume = 100\nstick_dead_zone = 90\n", {},  // the ends of each range
         [](const Settings& s) { return s.musicVolume == 0 && s.effectsVolume == 100 && s.stickDeadZone == 90; }},
        {"music_volume = 101\neffects_volume = -1\nstick_dead_zone = 4\nsound = maybe\nrender_size = 4k\n", {1, 2, 3, 4, 5},
         [](const Settings& s) { return s.musicVolume == 100 && s.effectsVolume == 100 && s.stickDeadZone == 25 && s.sound &&
                                        s.renderSize == RenderSize::Auto; }},
        {"volume = 3\njust words\n# fine\n\n" + std::string(201, 'x') + "\nsound = off\nrumble = 1\n", {1, 2, 5, 7},
         [](const Settings& s) { return !s.sound && s.rumble; }},
        // The near and the far mallet's keys may swap.
        {"far_up = W\nfar_down = S\nnear_up = I\nnear_down = K\n", {},
         [](const Settings& s) { return keys(s.bindings.near) == "IKAD" && keys(s.bindings.far) == "WSJL"; }},
        // Bound twice, to each other or to a default: the later line takes its default again.
        {"near_up = I\nfar_left = D\nnear_down = M\nfar_right = ab\n", {1, 2, 3, 4},
         [](const Settings& s) { return keys(s.bindings.near) == "WSAD" && keys(s.bindings.far) == "IKJL"; }},
        {"far_up = Q\nnear_up = Q\nfar_down = W\n", {2, 3},  // near_up's default W then takes far_down's
         [](const Settings& s) { return keys(s.bindings.near) == "WSAD" && keys(s.bindings.far) == "QKJL"; }},
        // The world list: an http(s) URL or nothing; a later bad line keeps the earlier good one.
        {"world_scores = https://scores.example.org:8443/list\nworld_scores = ftp://x\nworld_scores = http://a b\n", {2, 3},
         [](const Settings& s) { return s.worldScores == "https://scores.example.org:8443/list"; }},
        {"sound = off\nfullscreen = yes\n\x01\x02\x03", {3},
         [](const Settings& s) { return s.sound && s.fullscreen == FullscreenChoice::Ask; }},
    };
    for (const Case& c : cases) {
        const auto [settings, badLines] = parsed(c.text);
        EXPECT_TRUE(badLines == c.badLines && c.holds(settings)) << c.text;
    }
    // An absolute XDG_CONFIG_HOME is every end-to-end run's.
    EXPECT_TRUE(SettingsFilePath("cfg", "/home/p") == "/home/p/.config/puckslide3d/settings.conf" && SettingsFilePath(nullptr, nullptr).empty());
}

TEST(SettingsFile, TheShippedExampleIsReadWithoutAProblemAndChangesNothing) {
    std::ifstream in(std::string(std::getenv("PUCKSLIDE_SOURCE_DIR")) + "/packaging/settings.conf");
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_NE(text.str().find("near_up"), std::string::npos);
    const auto [settings, badLines] = parsed(text.str());
    EXPECT_TRUE(badLines.empty() && settings.fullscreen == FullscreenChoice::Ask);
    EXPECT_EQ(keys(settings.bindings.near) + keys(settings.bindings.far), "WSADIKJL");
}

// Fullscreen at 16:9, the picture scaled up from 800x600 and centred, is e2e test_desktop's; here a
// taller screen, and the mouse found back in the picture.
TEST(Picture, WholeAndUnstretchedOnEveryScreenAndTheMouseFindsItsPixel) {
    const PixelRect p = FitPicture(1280, 1024, 800, 600);
    EXPECT_EQ(std::vector<int>({p.x, p.y, p.w, p.h}), std::vector<int>({0, 32, 1280, 960}));
    int w = 0, h = 0;
    CanvasSize(1280, 1024, 800, 600, w, h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(800, 640));
    // Wider: the design's height of view; taller: its width, so its picture is always whole.
    EXPECT_DOUBLE_EQ(FieldOfView(45.0, 4.0 / 3.0, 16.0 / 9.0), 45.0);
    EXPECT_NEAR(FieldOfView(45.0, 4.0 / 3.0, 5.0 / 4.0), 47.7, 0.1);
    // fullscreen 16:9; beside the picture: its edge; a scaled desktop's points; 5:4, above the picture
    const int mouse[][8] = {{240 + 720, 1079, 1920, 1080, 1920, 1080, 400, 599}, {10, 5, 1920, 1080, 1920, 1080, 0, 3},
                             {400, 300, 800, 600, 1600, 1200, 400, 300}, {640, 32, 1280, 1024, 1280, 1024, 400, 0}};
    for (const int* m : mouse) {
        int x = -1, y = -1;
        WindowToDesign(m[0], m[1], m[2], m[3], m[4], m[5], 800, 600, x, y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(m[6], m[7])) << m[0] << "," << m[1];
    }
    EXPECT_TRUE(IsSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)") && !IsSoftwareRenderer("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)"));
}
