// The configuration and high-score file: hostile input, the round trip, the
// list insertion, the safe write and the name-entry keys.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>

#include "app/name_entry.h"
#include "platform/atomic_file.h"
#include "app/high_score_file.h"
#include "app/menu_flow.h"
#include "game/game_state.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader =
    "Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: somewhere\nContact: someone\n"
    "Owned by Valentino\n";

bool readText(const std::string& text, GameState& g) { std::istringstream in(text); return ReadHighScores(in, g); }

std::string slurp(const fs::path& p) {
    std::ostringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

void press(GameState& g, int key) {
    g.keys[key] = true, NameEntryStep(g);
}

}  // namespace

TEST(ConfigRead, HostileFilesChangeNothingOrStayInsideTheList) {
    GameState g;
    g.HSname[3] = "KEEP";
    g.hsscore[3] = 9;
    EXPECT_FALSE(readText("Puckslyde3D\nA\nB\n//Nothing\n1\n2\n", g));  // no owner word
    EXPECT_FALSE(readText("", g));
    EXPECT_EQ(g.HSname[3], "KEEP");
    EXPECT_EQ(g.hsscore[3], 9);

    const std::string huge(3 * 1024 * 1024, 'Q');
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37) & 0xFF));
    const std::string files[] = {
        std::string(kHeader) + huge + "\n" + binary,
        std::string(kHeader) + std::string(5000, '\n'),
        std::string("Valentino ") + std::string(100, '-') + " " + huge + " 1 2",
        std::string(kHeader) + "n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 1 2 3 4 5 6 7 8 9 10 11 12 13 14",
    };
    for (const std::string& f : files) {
        GameState h;
        readText(f, h);
        for (int i = 0; i < 12; ++i) EXPECT_LE(h.HSname[i].size(), static_cast<size_t>(kMaxNameLength));
        EXPECT_TRUE(h.HSname[11].empty());
        EXPECT_EQ(h.hsscore[11], 0);
    }
    GameState t;
    readText(std::string(kHeader) + "n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 1 2 3 4 5 6 7 8 9 10 11 12 13", t);
    EXPECT_EQ(t.HSname[10], "n11");
    EXPECT_EQ(t.hsscore[0], 0);  // "n12" is no number: the scores stay as they were
}

TEST(ConfigRead, AScoreWordThatIsNoNumberEndsTheScores) {
    for (const char* word : {"x", "12abc", "2147483648", "-2147483649", "99999999999999999999", "--4", "-", "+"}) {
        GameState g;
        for (int i = 0; i < 10; ++i) g.hsscore[i] = 100 + i;
        ASSERT_TRUE(readText(std::string(kHeader) + "a b c d e f g h i j //Nothing 1 -2 3 " + word + " 5 6", g));
        EXPECT_EQ(g.hsscore[0], 1) << word;
        EXPECT_EQ(g.hsscore[1], -2);
        EXPECT_EQ(g.hsscore[2], 3);
        for (int i = 3; i < 10; ++i) EXPECT_EQ(g.hsscore[i], 100 + i) << word << " slot " << i;
    }
    GameState g;
    ASSERT_TRUE(readText(std::string(kHeader) + "a b c d e f g h i j //Nothing 2147483647 -2147483648 +5", g));
    EXPECT_EQ(g.hsscore[0], INT_MAX);
    EXPECT_EQ(g.hsscore[1], INT_MIN);
    EXPECT_EQ(g.hsscore[2], 5);
}

TEST(ConfigRoundTrip, EmptyNamesAndBlanksReadBackIntoTheSameList) {
    GameState g;
    const std::string names[] = {"", "A B", " LEAD", "TRAIL ", "", "X  Y", "ONE", "", "  ", "LONGNAME 12345"};
    for (int i = 0; i < 10; ++i) g.HSname[i] = names[i], g.hsscore[i] = i * 2 - 3;
    const std::string text = ConfigFileText(g);
    GameState back;
    ASSERT_TRUE(readText(text, back));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(back.HSname[i], names[i]) << i;
        EXPECT_EQ(back.hsscore[i], i * 2 - 3) << i;
    }
    EXPECT_EQ(ConfigFileText(back), text);
}

TEST(HighScoreInsert, KeepsTheListAscendingWithTiesAbove) {
    // Listed scores 0, 2, 4, ..., 18; {score, slot it lands in}.
    const std::pair<int, int> cases[] = {{5, 2}, {8, 4}, {18, 9}, {40, 9}, {0, 0}, {1, 0}};
    for (const auto& c : cases) {
        GameState g;
        for (int i = 0; i < 10; ++i) g.HSname[i] = "N" + std::to_string(i), g.hsscore[i] = 2 * i;
        g.HS = "NEW";
        g.HSfinalscore = c.first;
        ASSERT_TRUE(QualifiesForHighScores(g));
        InsertHighScore(g);
        for (int i = 0; i < 10; ++i) {
            const std::string name = i < c.second ? "N" + std::to_string(i + 1) : "N" + std::to_string(i);
            EXPECT_EQ(g.HSname[i], i == c.second ? "NEW" : name) << c.first << " slot " << i;
            EXPECT_EQ(g.hsscore[i], i == c.second ? c.first : i < c.second ? 2 * (i + 1) : 2 * i);
        }
        EXPECT_EQ(g.HSname[10], "N0");  // what dropped out waits in the scratch slot
        EXPECT_EQ(g.hsscore[10], 0);
    }
}

TEST(ConfigWrite, ReplacesTheFileWholeOrLeavesTheOldOneIntact) {
    char pattern[] = "/tmp/puckslide-config-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern, file = dir / "config.cfg";
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    { std::ofstream(file) << "old contents that are much longer than the new ones\n"; }
    fs::permissions(file, mode);
    ASSERT_TRUE(ReplaceFileContents(file.string(), "new\n"));
    EXPECT_EQ(slurp(file), "new\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, mode);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left

    EXPECT_FALSE(ReplaceFileContents((dir / "missing" / "config.cfg").string(), "x\n"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    if (geteuid() != 0) {  // root writes anywhere; the permission cases mean nothing then
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ReplaceFileContents(file.string(), "lost\n"));
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(slurp(file), "new\n");
    }
    // A file the player made read-only is not replaced behind their back.
    fs::permissions(file, fs::perms::owner_read);
    if (access(file.c_str(), W_OK) != 0) {
        EXPECT_FALSE(ReplaceFileContents(file.string(), "lost\n"));
        EXPECT_EQ(slurp(file), "new\n");
    }
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
}

TEST(NameEntry, SwallowedKeysBackspaceOnNothingAndTheLengthLimits) {
    GameState empty;
    press(empty, 8);
    press(empty, 112);  // F1 is swallowed while the name is short
    EXPECT_EQ(empty.HS, "");
    EXPECT_EQ(empty.HSlenght, 0);
    EXPECT_FALSE(empty.keys[112]);

    GameState l;
    for (int i = 0; i < 20; ++i) press(l, 'A' + i);
    EXPECT_EQ(l.HS, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(l.HSlenght, 15);
    EXPECT_TRUE(l.keys['P' + 4]);  // no longer scanned: stays down for others

    // Blanks go on past fifteen, but never beyond what one print shows.
    GameState s;
    for (int i = 0; i < 400; ++i) press(s, 32);
    EXPECT_EQ(s.HS.size(), static_cast<size_t>(kMaxNameLength));
}
