// The configuration and high-score file: reading, round trips, hostile input,
// the list insertion, the safe write and the name-entry keys.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/config_file.h"
#include "app/high_score_file.h"
#include "app/menu_flow.h"
#include "game/game_state.h"
#include "platform/message_box.h"
#include "platform/turn_log.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader =
    "Puckslyde3D\n"
    "Don't change this file or Puckslide3D won't work!\n"
    "Homepage: somewhere\n"
    "Contact: someone\n"
    "Owned by Valentino\n";

bool readText(const std::string& text, GameState& g) {
    std::istringstream in(text);
    return ReadHighScores(in, g);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A scratch folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/puckslide-config-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~ScratchDir() {
        if (path_.empty()) return;
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void press(GameState& g, int key) {
    g.keys[key] = true;
    NameEntryStep(g);
}

}  // namespace

TEST(ConfigRead, TenOneWordNamesReadAsWritten) {
    GameState g;
    std::string text = kHeader;
    const char* names[] = {"Anna", "Ben", "Cleo", "Dan", "Eve", "Finn", "Gus", "Hal", "Ida", "Jo"};
    for (const char* n : names) text += std::string(n) + "\n";
    text += "//Nothing\n";
    for (int i = 0; i < 10; ++i) text += std::to_string(i * 3 - 4) + "\n";
    ASSERT_TRUE(readText(text, g));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(g.HSname[i], names[i]);
        EXPECT_EQ(g.hsscore[i], i * 3 - 4);
    }
    EXPECT_EQ(g.HSname[10], "//Nothing");
    EXPECT_EQ(g.hsscore[10], 0);
    EXPECT_EQ(g.zeichen, "Valentino");
}

TEST(ConfigRead, WithoutTheHeaderWordNothingChanges) {
    GameState g;
    g.HSname[3] = "KEEP";
    g.hsscore[3] = 9;
    EXPECT_FALSE(readText("Puckslyde3D\nA\nB\n//Nothing\n1\n2\n", g));
    EXPECT_FALSE(readText("", g));
    EXPECT_EQ(g.HSname[3], "KEEP");
    EXPECT_EQ(g.hsscore[3], 9);
    EXPECT_TRUE(g.HSname[0].empty());
}

TEST(ConfigRead, AScoreWordThatIsNoNumberEndsTheScores) {
    struct Case { const char* word; int slotsRead; };
    const Case cases[] = {
        {"x", 3}, {"12abc", 3}, {"2147483648", 3}, {"-2147483649", 3}, {"99999999999999999999", 3},
        {"--4", 3}, {"-", 3}, {"+", 3},
    };
    for (const Case& c : cases) {
        GameState g;
        for (int i = 0; i < 10; ++i) g.hsscore[i] = 100 + i;
        std::string text = std::string(kHeader) + "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n//Nothing\n1\n-2\n3\n" + c.word +
                           "\n5\n6\n";
        ASSERT_TRUE(readText(text, g));
        EXPECT_EQ(g.hsscore[0], 1) << c.word;
        EXPECT_EQ(g.hsscore[1], -2);
        EXPECT_EQ(g.hsscore[2], 3);
        for (int i = c.slotsRead; i < 10; ++i) EXPECT_EQ(g.hsscore[i], 100 + i) << c.word << " slot " << i;
    }
    GameState g;
    ASSERT_TRUE(readText(std::string(kHeader) + "a b c d e f g h i j //Nothing 2147483647 -2147483648 +5", g));
    EXPECT_EQ(g.hsscore[0], INT_MAX);
    EXPECT_EQ(g.hsscore[1], INT_MIN);
    EXPECT_EQ(g.hsscore[2], 5);
}

TEST(ConfigRead, HostileFilesNeverOverflowTheList) {
    std::string huge(3 * 1024 * 1024, 'Q');
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37) & 0xFF));
    const std::string files[] = {
        huge,
        std::string(kHeader) + huge + "\n" + binary,
        binary + " Valentino " + binary + binary,
        std::string(kHeader) + std::string(5000, '\n'),
        std::string("Valentino ") + std::string(100, '-') + " " + huge + " 1 2",
        std::string(kHeader) + "n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 1 2 3 4 5 6 7 8 9 10 11 12 13 14",
    };
    for (const std::string& f : files) {
        GameState g;
        readText(f, g);
        for (int i = 0; i < 12; ++i) EXPECT_LE(g.HSname[i].size(), static_cast<size_t>(kMaxNameLength));
        EXPECT_TRUE(g.HSname[11].empty());
        EXPECT_EQ(g.hsscore[11], 0);
    }
    GameState g;
    readText(std::string(kHeader) + "n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 1 2 3 4 5 6 7 8 9 10 11 12 13", g);
    EXPECT_EQ(g.HSname[9], "n10");
    EXPECT_EQ(g.HSname[10], "n11");
    EXPECT_EQ(g.hsscore[0], 0);  // "n12" is no number: the scores stay as they were
}

TEST(ConfigRoundTrip, EmptyNamesAndBlanksReadBackIntoTheSameList) {
    GameState g;
    const std::string names[] = {"", "A B", " LEAD", "TRAIL ", "", "X  Y", "ONE", "", "  ", "LONGNAME 12345"};
    for (int i = 0; i < 10; ++i) {
        g.HSname[i] = names[i];
        g.hsscore[i] = i * 2 - 3;
    }
    const std::string text = ConfigFileText(g);
    GameState back;
    ASSERT_TRUE(readText(text, back));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(back.HSname[i], names[i]) << i;
        EXPECT_EQ(back.hsscore[i], i * 2 - 3) << i;
    }
    // Written again, the file is the same file.
    EXPECT_EQ(ConfigFileText(back), text);
}

TEST(ConfigRoundTrip, FileLayoutIsTheTwentySixLines) {
    GameState g;
    g.HSname[9] = "BEST ONE";
    g.hsscore[9] = 21;
    g.hsscore[0] = -7;
    std::istringstream lines(ConfigFileText(g));
    std::vector<std::string> l;
    for (std::string s; std::getline(lines, s);) l.push_back(s);
    ASSERT_EQ(l.size(), 26u);
    EXPECT_EQ(l[0], "Puckslyde3D");
    EXPECT_EQ(l[1], "Don't change this file or Puckslide3D won't work!");
    EXPECT_EQ(l[4].substr(l[4].size() - 9), "Valentino");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(l[i].find("Valentino"), std::string::npos);
    EXPECT_EQ(l[4].find("Valentino"), l[4].size() - 9);
    EXPECT_EQ(l[5], "-");
    EXPECT_EQ(l[14], "BEST_ONE");
    EXPECT_EQ(l[15], "//Nothing");
    EXPECT_EQ(l[16], "-7");
    EXPECT_EQ(l[25], "21");
}

TEST(HighScoreInsert, KeepsTheListAscendingWithTiesAbove) {
    struct Case { int score; int slot; };
    // Listed scores 0, 2, 4, ..., 18.
    const Case cases[] = {{5, 2}, {8, 4}, {18, 9}, {40, 9}, {0, 0}, {1, 0}};
    for (const Case& c : cases) {
        GameState g;
        for (int i = 0; i < 10; ++i) {
            g.HSname[i] = "N" + std::to_string(i);
            g.hsscore[i] = 2 * i;
        }
        g.HS = "NEW";
        g.HSfinalscore = c.score;
        ASSERT_TRUE(QualifiesForHighScores(g));
        InsertHighScore(g);
        EXPECT_EQ(g.HSname[c.slot], "NEW") << c.score;
        EXPECT_EQ(g.hsscore[c.slot], c.score);
        for (int i = 0; i < c.slot; ++i) {
            EXPECT_EQ(g.HSname[i], "N" + std::to_string(i + 1)) << c.score;
            EXPECT_EQ(g.hsscore[i], 2 * (i + 1));
        }
        for (int i = c.slot + 1; i < 10; ++i) EXPECT_EQ(g.HSname[i], "N" + std::to_string(i));
        for (int i = 1; i < 10; ++i) EXPECT_LE(g.hsscore[i - 1], g.hsscore[i]);
        // What dropped out waits in the scratch slot.
        EXPECT_EQ(g.HSname[10], "N0");
        EXPECT_EQ(g.hsscore[10], 0);
    }
}

TEST(HighScoreInsert, EmptyListTakesTheFirstScoreAtTheTopAndALowScoreIsRefused) {
    GameState g;
    g.HS = "FIRST";
    g.HSfinalscore = 5;
    InsertHighScore(g);
    EXPECT_EQ(g.HSname[9], "FIRST");
    EXPECT_EQ(g.hsscore[9], 5);
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(g.HSname[i].empty());
        EXPECT_EQ(g.hsscore[i], 0);
    }
    g.HS = "LOW";
    g.HSfinalscore = -1;
    EXPECT_FALSE(QualifiesForHighScores(g));
    InsertHighScore(g);
    EXPECT_EQ(g.HSname[9], "FIRST");
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(g.HSname[i].empty());
}

TEST(ConfigWrite, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    ScratchDir dir;
    const fs::path file = dir.path() / "config.cfg";
    { std::ofstream(file) << "old contents that are much longer than the new ones\n"; }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReplaceFileContents(file.string(), "new\n"));
    EXPECT_EQ(slurp(file), "new\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(ConfigWrite, AFailureLeavesTheOldFileIntact) {
    ScratchDir dir;
    EXPECT_FALSE(ReplaceFileContents((dir.path() / "missing" / "config.cfg").string(), "x\n"));
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    if (geteuid() != 0) {  // root writes anywhere; the permission cases mean nothing then
        const fs::path file = dir.path() / "config.cfg";
        { std::ofstream(file) << "keep\n"; }
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ReplaceFileContents(file.string(), "lost\n"));
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(slurp(file), "keep\n");
    }

    // A file the player made read-only is not replaced behind their back.
    const fs::path locked = dir.path() / "locked.cfg";
    { std::ofstream(locked) << "keep\n"; }
    fs::permissions(locked, fs::perms::owner_read);
    if (access(locked.c_str(), W_OK) != 0) {
        EXPECT_FALSE(ReplaceFileContents(locked.string(), "lost\n"));
        EXPECT_EQ(slurp(locked), "keep\n");
    }
}

TEST(ConfigFile, MissingFileIsReportedOnceAndTheListStaysEmpty) {
    SetMessageBoxesHeadless(true);
    turnLog().clear();
    GameState g;
    g.dateiname = "no/such/folder/config.cfg";
    ReadConfigFile(g);
    ASSERT_EQ(turnLog().boxes.size(), 1u);
    EXPECT_EQ(turnLog().boxes[0].caption, "Error");
    EXPECT_EQ(turnLog().boxes[0].text, "Error: opening /Data/system/config.cfg");
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(g.HSname[i].empty());
    turnLog().clear();
}

TEST(ConfigFile, ShippedFileReadsAsAnEmptyList) {
    const char* source = std::getenv("PUCKSLIDE_SOURCE_DIR");
    const fs::path shipped = fs::path(source ? source : ".") / "Data/system/config.cfg";
    if (!fs::exists(shipped)) GTEST_SKIP() << "no shipped configuration file yet";
    GameState g;
    g.dateiname = shipped.string();
    turnLog().clear();
    ReadConfigFile(g);
    EXPECT_TRUE(turnLog().boxes.empty());
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(g.HSname[i].empty()) << i;
        EXPECT_EQ(g.hsscore[i], 0);
    }
    EXPECT_EQ(g.HSname[10], "//Nothing");
}

TEST(NameEntry, LettersDigitsBlanksAndBackspace) {
    GameState g;
    g.hauptmenu_nr = 21;
    press(g, 'A');
    press(g, 32);
    press(g, '7');
    press(g, 112);  // F1 is swallowed while the name is short
    press(g, 186);  // so is any other key of the range
    EXPECT_EQ(g.HS, "A 7");
    EXPECT_EQ(g.HSlenght, 3);
    EXPECT_FALSE(g.keys[112]);
    EXPECT_FALSE(g.keys[186]);
    press(g, 8);
    EXPECT_EQ(g.HS, "A ");
    EXPECT_FALSE(g.keys[8]);

    GameState empty;
    press(empty, 8);
    EXPECT_EQ(empty.HS, "");
    EXPECT_EQ(empty.HSlenght, 0);
}

TEST(NameEntry, FifteenCharactersAtMostWhenTypedOneByOne) {
    GameState g;
    for (int i = 0; i < 20; ++i) press(g, 'A' + i);
    EXPECT_EQ(g.HS, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(g.HSlenght, 15);
    EXPECT_TRUE(g.keys['P' + 4]);  // no longer scanned: stays down for others
    press(g, 8);
    EXPECT_EQ(g.HS, "ABCDEFGHIJKLMN");

    // Keys of one frame are all taken while the name is short.
    GameState h;
    h.HS = "ABCDEFGHIJKLMN";
    h.HSlenght = 14;
    h.keys['X'] = h.keys['Y'] = h.keys['Z'] = true;
    NameEntryStep(h);
    EXPECT_EQ(h.HS, "ABCDEFGHIJKLMNXYZ");

    // Blanks go on past fifteen, but never beyond what one print shows.
    GameState s;
    for (int i = 0; i < 400; ++i) press(s, 32);
    EXPECT_EQ(s.HS.size(), static_cast<size_t>(kMaxNameLength));
}

TEST(NameEntry, EnterStoresWritesAndShowsTheList) {
    ScratchDir dir;
    GameState g;
    g.dateiname = (dir.path() / "config.cfg").string();
    g.hauptmenu_nr = 21;
    g.HSfinalscore = 11;
    g.HS = "ANN LEE";
    g.HSlenght = 7;
    g.menu_1_nr = 4;
    g.keys[13] = true;
    EXPECT_EQ(MenuStep(g), TurnOutcome::Continue);
    EXPECT_EQ(g.hauptmenu_nr, 2);
    EXPECT_EQ(g.menu_1_nr, 1);
    EXPECT_FALSE(g.keys[13]);
    EXPECT_EQ(g.HSname[9], "ANN LEE");
    // The name and the score are kept for the next entry of this run.
    EXPECT_EQ(g.HS, "ANN LEE");

    GameState back;
    back.dateiname = g.dateiname;
    ReadConfigFile(back);
    EXPECT_EQ(back.HSname[9], "ANN LEE");
    EXPECT_EQ(back.hsscore[9], 11);
}

TEST(NameEntry, EscStoresTooAndGoesOnToTheMainMenu) {
    ScratchDir dir;
    GameState g;
    g.dateiname = (dir.path() / "config.cfg").string();
    g.hauptmenu_nr = 21;
    g.HSfinalscore = 3;
    g.HS = "ZED";
    g.keys[27] = true;
    EXPECT_EQ(MenuStep(g), TurnOutcome::Continue);
    EXPECT_EQ(g.hauptmenu_nr, 1);
    EXPECT_EQ(g.HSname[9], "ZED");
    EXPECT_TRUE(fs::exists(g.dateiname));
}

TEST(NameEntry, AFailedWriteIsReportedAndTheListIsKept) {
    SetMessageBoxesHeadless(true);
    turnLog().clear();
    GameState g;
    g.dateiname = "no/such/folder/config.cfg";
    g.hauptmenu_nr = 21;
    g.HS = "Q";
    g.HSfinalscore = 1;
    g.keys[13] = true;
    MenuStep(g);
    EXPECT_EQ(g.HSname[9], "Q");
    ASSERT_EQ(turnLog().boxes.size(), 1u);
    EXPECT_EQ(turnLog().boxes[0].text, "Error: writing /Data/system/config.cfg");
    turnLog().clear();
}
