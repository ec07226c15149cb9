// Keys reach the game as Win32 virtual-key codes, from real keyboards and from scripts alike.
#include <SDL.h>
#include <gtest/gtest.h>

#include <iterator>

#include "app/dev_options.h"
#include "app/input_script.h"
#include "platform/key_mapping.h"

TEST(KeyMapping, GameKeysGetTheirVirtualKeyCodes) {
    struct Case { int sdl; int vk; };
    const Case cases[] = {
        {SDLK_a, 65}, {SDLK_w, 87}, {SDLK_z, 90}, {SDLK_0, 48}, {SDLK_9, 57},
        {SDLK_ESCAPE, 27}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_SPACE, 32},
        {SDLK_BACKSPACE, 8}, {SDLK_UP, 38}, {SDLK_DOWN, 40}, {SDLK_LEFT, 37}, {SDLK_RIGHT, 39},
        {SDLK_PAGEUP, 33}, {SDLK_PAGEDOWN, 34}, {SDLK_LSHIFT, 16}, {SDLK_RSHIFT, 16},
        {SDLK_LCTRL, 17}, {SDLK_RCTRL, 17}, {SDLK_F1, 112}, {SDLK_F12, 123},
    };
    for (const Case& c : cases) EXPECT_EQ(VirtualKeyFromSDL(c.sdl), c.vk) << SDL_GetKeyName(c.sdl);
}

TEST(KeyMapping, EveryKeyStaysInsideTheKeyTable) {
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int vk = VirtualKeyFromSDL(SDL_SCANCODE_TO_KEYCODE(scancode));
        EXPECT_TRUE(vk >= -1 && vk < 256) << scancode;
    }
}

TEST(InputScript, ParsesEveryEventAndKeyNotation) {
    InputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("# a comment\n"
                                 "0 down W   # held\n"
                                 "3 up 87\n"
                                 "5 tap ENTER\n"
                                 "7 mouse 400 300\n"
                                 "8 click 10 20\n"
                                 "9 tap F1\n"
                                 "10 minimize\n11 restore\n12 close\n",
                                 script, error))
        << error;
    ASSERT_EQ(script.byFrame[0].size(), 1u);
    EXPECT_EQ(script.byFrame[0][0].message, SyntheticMessage::KeyDown);
    EXPECT_EQ(script.byFrame[0][0].a, 87);
    EXPECT_EQ(script.byFrame[3][0].message, SyntheticMessage::KeyUp);
    // A tap is held for exactly one frame.
    EXPECT_EQ(script.byFrame[5][0].message, SyntheticMessage::KeyDown);
    EXPECT_EQ(script.byFrame[6][0].message, SyntheticMessage::KeyUp);
    EXPECT_EQ(script.byFrame[6][0].a, 13);
    EXPECT_EQ(script.byFrame[7][0].message, SyntheticMessage::MouseMove);
    EXPECT_EQ(script.byFrame[7][0].a, 400);
    EXPECT_EQ(script.byFrame[7][0].b, 300);
    EXPECT_EQ(script.byFrame[8][0].message, SyntheticMessage::MouseDown);
    EXPECT_EQ(script.byFrame[9][0].a, 112);
    EXPECT_EQ(script.byFrame[10][0].message, SyntheticMessage::KeyUp);  // the F1 tap ends first
    EXPECT_EQ(script.byFrame[10][1].message, SyntheticMessage::Minimize);
    EXPECT_EQ(script.byFrame[11][0].message, SyntheticMessage::Restore);
    EXPECT_EQ(script.byFrame[12][0].message, SyntheticMessage::Close);
}

TEST(InputScript, RejectsLinesItCannotUnderstandAndNamesThem) {
    const char* bad[] = {"x down W", "1 down", "1 down NOSUCHKEY", "1 down 256", "1 jump",
                         "1 mouse 10", "1 mouse -1 5", "1 close now", "-3 tap A", "1 tap F13"};
    for (const char* line : bad) {
        InputScript script;
        std::string error;
        EXPECT_FALSE(ParseInputScript(std::string("0 tap A\n") + line + "\n", script, error)) << line;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

TEST(KeyNames, NamedDigitLetterAndFunctionKeys) {
    const std::pair<const char*, int> cases[] = {{"ESC", 27}, {"BACK", 8}, {"PGDN", 34}, {"Q", 81},
                                                 {"7", 55}, {"F10", 121}, {"255", 255}, {"q", -1}};
    for (const auto& [name, code] : cases) EXPECT_EQ(KeyCodeFromName(name), code) << name;
}

TEST(DevOptions, ParsesEveryOption) {
    const char* argv[] = {"puckslide3d", "--windowed", "--no-dialogs", "--script", "s.txt", "--frames", "120",
                          "--screenshot", "5:a.png", "--screenshot", "9:dir/b:c.png", "--trace", "t.jsonl",
                          "--seed", "42", "--no-pacing"};
    DevOptions o;
    std::string error;
    ASSERT_TRUE(ParseDevOptions(static_cast<int>(std::size(argv)), const_cast<char**>(argv), o, error)) << error;
    EXPECT_EQ(o.fullscreen, std::optional<bool>(false));
    EXPECT_TRUE(o.noDialogs);
    EXPECT_EQ(o.scriptFile, "s.txt");
    EXPECT_EQ(o.frames, 120);
    EXPECT_EQ(o.screenshots.at(5), "a.png");
    EXPECT_EQ(o.screenshots.at(9), "dir/b:c.png");
    EXPECT_EQ(o.traceFile, "t.jsonl");
    EXPECT_EQ(o.seed, std::optional<unsigned>(42));
    EXPECT_TRUE(o.noPacing);
}

TEST(DevOptions, RefusesMalformedValues) {
    const std::vector<std::vector<const char*>> bad = {
        {"--frames"}, {"--frames", "ten"}, {"--frames", "-1"}, {"--seed", "x"},
        {"--seed", "99999999999"}, {"--screenshot", "5"}, {"--screenshot", "a:b.png"},
        {"--screenshot", "5:"}, {"--bogus"}};
    for (const auto& args : bad) {
        DevOptions o;
        std::string error;
        std::vector<char*> argv{const_cast<char*>("puckslide3d")};
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        EXPECT_FALSE(ParseDevOptions(static_cast<int>(argv.size()), argv.data(), o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}
