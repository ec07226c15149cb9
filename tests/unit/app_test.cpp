// The game's side of the devices and the menus: play keys, menu flow, the configuration and
// high-score file with name entry, key codes and scripted input.
#include <gtest/gtest.h>
#include <SDL.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "assets_test_support.h"
#include "game/controls.h"
#include "game/high_score_list.h"
#include "game/menu_flow.h"
#include "game/name_entry.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "platform/atomic_file.h"
#include "platform/key_mapping.h"
#include "platform/virtual_keys.h"

// The play keys and mouse steering: which keys act every frame, which act
// once per key-down, and how the mouse nudges the mallet.
TEST(PlayKeys, MovementSetsVelocityTheLaterKeyWinsTheSecondPlayerOnlyWithoutTheComputerSwitchesOnce) {
    struct { int key1, key2; bool computer; float vx, vz, gvx, gvz; } cases[] = {
        {'W', 0, false, 0, -4.5f, 0, 0}, {'D', 0, false, 4.5f, 0, 0, 0}, {'W', 'S', false, 0, 4.5f, 0, 0},
        {'A', 'D', false, 4.5f, 0, 0, 0}, {'I', 'K', false, 0, 0, 0, 4.5f}, {'J', 'L', false, 0, 0, 4.5f, 0},
        {'J', 'K', true, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        GameState g;
        g.menu = false, g.artif_int = c.computer, g.keys[c.key1] = g.keys[c.key2] = true;
        for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(PlayKeysStep(g), TurnOutcome::Continue);
        EXPECT_EQ(std::vector<float>({g.schiesser_v_x, g.schiesser_v_z, g.gegner_v_x, g.gegner_v_z}),
                  std::vector<float>({c.vx, c.vz, c.gvx, c.gvz})) << char(c.key1) << char(c.key2);
        EXPECT_TRUE(g.keys[c.key1]);  // movement keys are not cleared
    }
    // The switches act once per key-down.
    GameState g;
    g.menu = false, g.keys['V'] = g.keys['C'] = true;  // C without Ctrl+Shift: nothing, and C stays down
    for (int i = 0; i < 2; ++i) PlayKeysStep(g);
    EXPECT_TRUE(!g.play_video && !g.keys['V'] && !g.artif_int && g.keys['C']);
    g.keys[kKeyShift] = g.keys[kKeyCtrl] = true;
    for (int i = 0; i < 2; ++i) PlayKeysStep(g);
    EXPECT_TRUE(g.artif_int && !g.keys['C']);
}

TEST(MouseSteering, NudgesByOneTowardTheTruncatedTarget) {
    // truncated, not rounded: 151.7 is 151, one more than 150, left alone
    struct { float mallet; float dv; } cases[] = {{151.7f, 0}, {150.9f, 0}, {152.0f, -1}, {149.9f, 1}};
    for (const auto& c : cases) {
        GameState g;
        g.menu = false, g.mouse = true, g.table_min_x = 0, g.mouse_const = g.mouse_const_z = 1, g.mouse_x = g.mouse_y = 150;
        g.schiesser_x = g.schiesser_z = c.mallet, g.schiesser_v_x = g.schiesser_v_z = 2, PlayKeysStep(g);
        EXPECT_TRUE(g.schiesser_v_x == 2 + c.dv && g.schiesser_v_z == 2 + c.dv) << c.mallet;
    }
}

namespace fs = std::filesystem;

// Menu arrows and ESC per screen, and the coin flip of a ladder match start; the configuration file.
namespace {

const std::string kHeader = "Puckslyde3D\nDon't change this file!\nHomepage: a\nContact: b\nOwned by Valentino\n";

bool readText(const std::string& text, GameState& g) { std::istringstream in(text); return ReadHighScores(in, g); }

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Names and scores as one line, to compare whole lists at once.
std::string listed(const GameState& g, int slots = 12) {
    std::string out;
    for (int i = 0; i < slots; ++i) out += g.HSname[i] + ":" + std::to_string(g.hsscore[i]) + " ";
    return out;
}

Effects effects;  // of the last press

TurnOutcome press(GameState& g, int key) {
    effects.clear(), g.keys[key] = true;
    return MenuStep(g, effects);
}

GameState onScreen(int screen, int entry = 1) {
    GameState g;
    return g.hauptmenu_nr = screen, g.menu_1_nr = entry, g;
}

}  // namespace

// The menu scenarios (e2e test_play) walk the main menu's, the training list's and the credits'
// arrows with the main menu's jingles, and ESC back from each screen the main menu leads to; ESC
// out of the game ends a run in e2e test_foundation.
TEST(MenuKeys, ArrowRangesPerScreenAndEscapeOneLevelBack) {
    struct { int screen, from, key, to; } cases[] = {
        {Screen::NewGame, 4, kKeyDown, 1}, {Screen::NewGame, 1, kKeyUp, 4}, {Screen::HighScores, 2, kKeyDown, 3}};
    for (const auto& c : cases) {
        GameState g = onScreen(c.screen, c.from);
        EXPECT_EQ((press(g, c.key), g.menu_1_nr), c.to) << "screen " << c.screen << " from " << c.from;
    }
    GameState q = onScreen(Screen::MainMenu, 3);
    q.sound = false;  // without sound only the stop is sent
    ASSERT_EQ((press(q, kKeyLeft), effects.size()), 1u);
    EXPECT_TRUE(effects[0].kind == Effect::Kind::StopMusic && effects[0].file == std::string("data/sounds/2.mp3"));
    EXPECT_EQ(q.menu_1_nr, 2);
    using namespace Screen;
    struct { int screen, round, to; } back[] = {  // a finished ladder leads back to the main menu
        {Training, 1, NewGame}, {Singleplayer, 1, Singleplayer}, {SingleplayerRepeat, 1, SingleplayerRepeat},
        {Multiplayer, 1, Multiplayer}, {MultiplayerRepeat, 1, MultiplayerRepeat}, {Singleplayer, 4, MainMenu},
        {MultiplayerRepeat, 4, MainMenu}};
    for (const auto& c : back) {
        GameState g = onScreen(c.screen, 3);
        g.a_round = g.m_round = c.round;
        EXPECT_EQ(std::make_tuple(press(g, kKeyEscape), g.hauptmenu_nr, g.menu_1_nr, g.keys[kKeyEscape]),
                  std::make_tuple(TurnOutcome::Continue, c.to, c.to == c.screen ? 3 : 1, false)) << c.screen;
    }
}

TEST(MenuEnter, LadderMatchStartFlipsBlendingAndDrawsATable) {
    bool sawBlend[2] = {};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        GameState g = onScreen(seed % 2 ? Screen::Singleplayer : Screen::MultiplayerRepeat);
        g.rng = SeededRandom(seed), g.my_score = 9;
        EXPECT_EQ(press(g, kKeyEnter), TurnOutcome::Continue);
        EXPECT_TRUE(!g.menu && g.take_table >= 1 && g.take_table <= 11 && g.my_score == 0 && g.gl_blend == !g.random) << seed;
        sawBlend[g.gl_blend] = true;
    }
    EXPECT_TRUE(sawBlend[0] && sawBlend[1]);
}

// The configuration and high-score file: hostile input, the list insertion, the safe write and the
// name-entry keys. That whatever a file holds comes back unchanged through the writer is fuzz_config's
// to prove; every end-to-end run starts from the shipped file, and the letter wheel's finds its name
// and score on their lines of the file the game wrote.
TEST(ConfigRead, HostileFilesStayInsideTheListAndScoresEndAtTheFirstWordThatIsNoNumber) {
    GameState g, before;
    g.HSname[3] = "KEEP", g.hsscore[3] = 9, before = g;
    EXPECT_FALSE(readText("Puckslyde3D\nA\nB\n//Nothing\n1\n2\n", g) || readText("", g));  // no owner word: nothing changes
    EXPECT_EQ(listed(g), listed(before));
    // Words far longer than a print: the fuzzer's inputs grow too slowly to reach them in its share of a check.
    std::string binary(3 * 1024 * 1024, 'Q');
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37) & 0xFF));
    for (const std::string& f : {kHeader + binary, "Valentino " + std::string(100, '-') + " " + binary + " 1 2"}) {
        GameState h;
        for (const std::string& name : (readText(f, h), h.HSname)) EXPECT_LE(name.size(), static_cast<size_t>(kMaxNameLength));
    }
    // Ten names and the separator are read, then at most eleven scores; a word that is no whole int ends them.
    const std::string names = "n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 //Nothing ";
    GameState all;
    ASSERT_TRUE(readText(kHeader + names + "1 -2 +3 4 5 6 7 8 9 10 11 12", all));
    EXPECT_EQ(listed(all), "n1:1 n2:-2 n3:3 n4:4 n5:5 n6:6 n7:7 n8:8 n9:9 n10:10 //Nothing:11 :0 ");
    for (const char* word : {"2147483648", "12abc", "-2147483649", "99999999999999999999", "--4", "-", "+", "x"}) {
        GameState h;
        ASSERT_TRUE(readText(kHeader + names + "2147483647 -2147483648 " + word + " 5", h));
        EXPECT_EQ(listed(h, 4), "n1:2147483647 n2:-2147483648 n3:0 n4:0 ") << word;
    }
}

TEST(HighScoreInsert, KeepsTheListAscendingWithTiesAbove) {
    // Listed scores 0, 2, 4, ..., 18; {score, slot it lands in}; -1 does not qualify.
    const std::pair<int, int> cases[] = {{5, 2}, {8, 4}, {18, 9}, {40, 9}, {0, 0}, {1, 0}, {-1, -1}};
    for (const auto& [score, slot] : cases) {
        GameState g, want;
        for (int i = 0; i < 10; ++i) g.HSname[i] = "N" + std::to_string(i), g.hsscore[i] = 2 * i;
        g.HS = "NEW", g.HSfinalscore = score, want = g;
        EXPECT_EQ(QualifiesForHighScores(g), slot >= 0);
        if (slot < 0) continue;
        InsertHighScore(g);
        for (int i = 0; i < slot; ++i) want.HSname[i] = want.HSname[i + 1], want.hsscore[i] = want.hsscore[i + 1];
        want.HSname[slot] = "NEW", want.hsscore[slot] = score;
        want.HSname[10] = "N0";  // what dropped out waits in the scratch slot
        EXPECT_EQ(listed(g), listed(want)) << score;
    }
}

// A folder that is not there is e2e test_play's (NoFolderForTheFile).
TEST(ConfigWrite, ReplacesTheFileWholeOrLeavesTheOldOneIntact) {
    TempDir tmp;
    const fs::path dir = tmp.file(""), file = tmp.file("config.cfg");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    std::ofstream(file) << "old contents that are much longer than the new ones\n";
    fs::permissions(file, mode);
    ASSERT_TRUE(ReplaceFileContents(file.string(), "new\n"));
    EXPECT_TRUE(slurp(file) == "new\n" && (fs::status(file).permissions() & fs::perms::all) == mode);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left
    if (geteuid() != 0) {  // root writes anywhere; the permission cases mean nothing then
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ReplaceFileContents(file.string(), "lost\n"));
        fs::permissions(dir, fs::perms::owner_all), fs::permissions(file, fs::perms::owner_read);  // read-only: left alone
        EXPECT_FALSE(ReplaceFileContents(file.string(), "lost\n"));
        EXPECT_EQ(slurp(file), "new\n");
    }
}

TEST(NameEntry, SwallowedKeysBackspaceOnNothingAndTheLengthLimits) {
    GameState g, blanks;
    for (int key : {kKeyBackspace, kKeyF1}) g.keys[key] = true, NameEntryStep(g, effects);
    EXPECT_EQ(g.HS + std::to_string(g.HSlenght) + std::to_string(g.keys[kKeyF1]), "00");  // F1 swallowed while short
    g.keys[kKeyBackspace] = false;
    for (int i = 0; i < 20; ++i) g.keys['A' + i] = true, NameEntryStep(g, effects);
    EXPECT_TRUE(g.HS == "ABCDEFGHIJKLMNO" && g.keys['T']);  // no longer scanned: stays down for others
    for (int i = 0; i < 400; ++i) blanks.keys[kKeySpace] = true, NameEntryStep(blanks, effects);
    EXPECT_EQ(blanks.HS.size(), static_cast<size_t>(kMaxNameLength));  // blanks go on past fifteen, up to one print
}

// A pad's letter wheel frame by frame (its timing at the default pace and storing the name are the end-to-end
// pad runs'): what each row's frames hold and the name after them. A typed letter is the last one, and
// Backspace takes the letter before an open place.
TEST(NameEntry, ThePadsLetterWheelWrapsSharesTheNameWithTheKeysAndKeepsItsTimeAtEveryPace) {
    constexpr int kUp = kKeyLetterUp, kDown = kKeyLetterDown, kNext = kKeyNextPlace;
    struct { std::vector<int> keys; int frames; const char* name; } rows[] = {
        {{kDown}, 1, "A"}, {{}, 1, "A"}, {{kDown}, 1, " "}, {{kUp}, 1, "A"},  // A first; round both ways at once
        {{kNext}, 1, "A"}, {{kUp}, 1, "AA"}, {{kUp, kDown}, 5, "AA"},         // both ways: none
        {{'Z'}, 1, "AAZ"}, {{kUp}, 1, "AA0"}, {{kNext}, 1, "AA0"}, {{kKeyBackspace}, 1, "AA"}, {{kDown}, 1, "A "},
    };
    GameState g;
    for (const auto& row : rows) {
        for (int f = 0; f < row.frames; ++f) {
            for (int key : {kUp, kDown}) g.keys[key] = false;
            for (int key : row.keys) g.keys[key] = true;
            NameEntryStep(g, effects);
        }
        ASSERT_EQ(g.HS + "|" + std::to_string(g.HSlenght), row.name + ("|" + std::to_string(std::strlen(row.name))));
    }
    g.adjust = 5, g.keys[kDown] = false;  // the slowest pace, 40 ms frames: turns on the 1st and 11th
    for (int f = 0; f < 13; ++f) g.keys[kUp] = true, NameEntryStep(g, effects);
    EXPECT_EQ(g.HS, "AB");
    g.HS = "ABCDEFGHIJKLMNO", g.HSlenght = 15, g.keys[kUp] = false, NameEntryStep(g, effects);
    g.keys[kNext] = g.keys[kUp] = true, NameEntryStep(g, effects);
    EXPECT_EQ(g.HS, "ABCDEFGHIJKLMNP");  // no place past fifteen letters, but the last one still turns
}

// Keys reach the game as Win32 virtual-key codes, from real keyboards and from scripts alike; scripts post
// the codes themselves, so a real keyboard's keys are proven here alone. The scripts are the end-to-end
// tests' language, which every run of them reads.
TEST(KeyMapping, GameKeysGetTheirVirtualKeyCodesAndEveryKeyStaysInsideTheTable) {
    const std::pair<int, int> cases[] = {
        {SDLK_a, 65}, {SDLK_z, 90}, {SDLK_0, 48}, {SDLK_9, 57}, {SDLK_ESCAPE, 27}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13},
        {SDLK_SPACE, 32}, {SDLK_BACKSPACE, 8}, {SDLK_UP, 38}, {SDLK_RIGHT, 39}, {SDLK_PAGEDOWN, 34}, {SDLK_RSHIFT, 16},
        {SDLK_LCTRL, 17}, {SDLK_F1, 112}, {SDLK_F12, 123}};
    for (const auto& [sdl, vk] : cases) EXPECT_EQ(VirtualKeyFromSDL(sdl), vk) << SDL_GetKeyName(sdl);
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int vk = VirtualKeyFromSDL(SDL_SCANCODE_TO_KEYCODE(scancode));
        EXPECT_TRUE(vk >= -1 && vk < 256) << scancode;
    }
}
