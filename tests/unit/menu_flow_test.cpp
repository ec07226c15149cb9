// Menu navigation, match start and end, and the two ladders, without a window
// except where the coin flip's blending switch is checked.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/menu_flow.h"
#include "game/game_state.h"
#include "gl_test_context.h"
#include "platform/message_box.h"
#include "platform/turn_log.h"

namespace {

constexpr int kEnter = 13, kEsc = 27, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

std::vector<std::string> pressMenuKey(GameState& g, int key, TurnOutcome* outcome = nullptr) {
    turnLog().clear();
    g.keys[key] = true;
    const TurnOutcome o = MenuStep(g);
    if (outcome) *outcome = o;
    return turnLog().music;
}

GameState onScreen(int screen, int entry = 1) {
    GameState g;
    g.hauptmenu_nr = screen;
    g.menu_1_nr = entry;
    return g;
}

}  // namespace

TEST(MenuArrows, MainMenuWrapsBothWaysAndAnnouncesTheNewEntry) {
    GameState g = onScreen(1, 5);
    auto music = pressMenuKey(g, kDown);
    EXPECT_EQ(g.menu_1_nr, 1);
    EXPECT_EQ(music, (std::vector<std::string>{"stop data/sounds/2.mp3", "play data/sounds/newgame.mp3"}));
    EXPECT_FALSE(g.keys[kDown]);

    music = pressMenuKey(g, kUp);
    EXPECT_EQ(g.menu_1_nr, 5);
    EXPECT_EQ(music, (std::vector<std::string>{"stop data/sounds/2.mp3", "play data/sounds/exit.mp3"}));
}

TEST(MenuArrows, EachMainMenuEntryHasItsJingle) {
    const char* jingles[] = {"newgame", "highscore", "options", "credits", "exit"};
    for (int entry = 1; entry <= 5; ++entry) {
        GameState g = onScreen(1, entry == 1 ? 5 : entry - 1);
        const auto music = pressMenuKey(g, kRight);
        ASSERT_EQ(g.menu_1_nr, entry);
        ASSERT_EQ(music.size(), 2u);
        EXPECT_EQ(music[1], std::string("play data/sounds/") + jingles[entry - 1] + ".mp3");
    }
}

TEST(MenuArrows, WithoutSoundOnlyTheStopIsSent) {
    GameState g = onScreen(1, 2);
    g.sound = false;
    EXPECT_EQ(pressMenuKey(g, kLeft), (std::vector<std::string>{"stop data/sounds/2.mp3"}));
    EXPECT_EQ(g.menu_1_nr, 1);
}

TEST(MenuArrows, RangesPerScreen) {
    struct Case { int screen, from, key, to; };
    const Case cases[] = {
        {11, 4, kDown, 1}, {11, 1, kUp, 4}, {113, 1, kUp, 11}, {113, 11, kDown, 1},
        {3, 3, kRight, 1}, {3, 1, kLeft, 3}, {113, 5, kDown, 6},
    };
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen, c.from);
        pressMenuKey(g, c.key);
        EXPECT_EQ(g.menu_1_nr, c.to) << "screen " << c.screen << " from " << c.from;
    }
    // Screens without entries are not wrapped.
    GameState g = onScreen(2, 1);
    pressMenuKey(g, kDown);
    pressMenuKey(g, kDown);
    EXPECT_EQ(g.menu_1_nr, 3);
}

TEST(MenuArrows, CreditsSoundsPageStartsTheMusicAndLeavingStopsIt) {
    GameState g = onScreen(3, 2);
    g.sound = false;  // the page's music does not ask for `sound`
    EXPECT_EQ(pressMenuKey(g, kDown), (std::vector<std::string>{"play data/sounds/2.mp3"}));
    EXPECT_EQ(pressMenuKey(g, kDown), (std::vector<std::string>{"stop data/sounds/2.mp3"}));
    EXPECT_EQ(g.menu_1_nr, 1);
    // The command looks at the entry before the wrap: page 3 reached from page 1 stays silent.
    EXPECT_EQ(pressMenuKey(g, kUp), (std::vector<std::string>{"stop data/sounds/2.mp3"}));
    EXPECT_EQ(g.menu_1_nr, 3);
}

TEST(MenuEscape, OneLevelBackPerScreen) {
    struct Case { int screen, to; };
    const Case cases[] = {{2, 1}, {3, 1}, {5, 1}, {11, 1}, {113, 11}, {111, 111}, {1110, 1110}, {112, 112},
                          {1120, 1120}};
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen, 3);
        TurnOutcome o;
        pressMenuKey(g, kEsc, &o);
        EXPECT_EQ(o, TurnOutcome::Continue);
        EXPECT_EQ(g.hauptmenu_nr, c.to) << c.screen;
        EXPECT_FALSE(g.keys[kEsc]);
        if (c.to != c.screen) EXPECT_EQ(g.menu_1_nr, 1);
    }
    GameState g = onScreen(1);
    TurnOutcome o;
    pressMenuKey(g, kEsc, &o);
    EXPECT_EQ(o, TurnOutcome::Quit);
}

TEST(MenuEscape, AFinishedLadderLeadsBackToTheMainMenu) {
    GameState sp = onScreen(111);
    sp.a_round = 4;
    pressMenuKey(sp, kEsc);
    EXPECT_EQ(sp.hauptmenu_nr, 1);

    GameState mp = onScreen(112);
    mp.m_round = 4;
    pressMenuKey(mp, kEsc);
    EXPECT_EQ(mp.hauptmenu_nr, 1);
}

TEST(MenuEnter, MainAndNewGameMenus) {
    struct Case { int screen, entry, to; bool ai; };
    const Case cases[] = {
        {1, 1, 11, false}, {1, 2, 2, false}, {1, 3, 5, false}, {1, 4, 3, false},
        {11, 1, 111, true}, {11, 2, 112, true}, {11, 3, 113, true}, {11, 4, 1, false},
    };
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen, c.entry);
        g.rot = 77.0f;
        TurnOutcome o;
        pressMenuKey(g, kEnter, &o);
        EXPECT_EQ(o, TurnOutcome::Continue);
        EXPECT_EQ(g.hauptmenu_nr, c.to) << c.screen << "/" << c.entry;
        EXPECT_EQ(g.artif_int, c.ai);
        EXPECT_EQ(g.menu_1_nr, 1);
        EXPECT_FALSE(g.keys[kEnter]);
        EXPECT_TRUE(g.menu);
        // Only the high-score list restarts the clock, so its fly-in starts from the beginning.
        EXPECT_EQ(g.rot, c.to == 2 ? 0.0f : 77.0f);
    }
    GameState g = onScreen(1, 5);
    TurnOutcome o;
    pressMenuKey(g, kEnter, &o);
    EXPECT_EQ(o, TurnOutcome::Quit);
}

TEST(MenuEnter, CreditsReturnToPageOneAndInformationScreensStay) {
    for (int screen : {2, 3, 5}) {
        GameState g = onScreen(screen, 3);
        pressMenuKey(g, kEnter);
        EXPECT_EQ(g.hauptmenu_nr, screen);
        EXPECT_EQ(g.menu_1_nr, 1);
    }
}

TEST(MenuEnter, TrainingStartsTheHighlightedTableWithoutMusic) {
    GameState g = onScreen(113, 7);
    g.my_score = 12;  // left over from a training match left with ESC
    const auto music = pressMenuKey(g, kEnter);
    EXPECT_TRUE(music.empty());
    EXPECT_FALSE(g.menu);
    EXPECT_EQ(g.take_table, 7);
    EXPECT_EQ(g.hauptmenu_nr, 113);
    EXPECT_EQ(g.my_score, 0);
}

TEST(MenuEnter, LadderMatchStartFlipsBlendingAndDrawsATable) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    bool sawBlendOn = false, sawBlendOff = false;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        GameState g = onScreen(seed % 2 ? 111 : 1120);
        g.my_score = 9;
        const auto music = pressMenuKey(g, kEnter);
        EXPECT_EQ(music, (std::vector<std::string>{"play data/sounds/2.mp3"}));
        EXPECT_FALSE(g.menu);
        EXPECT_GE(g.take_table, 1);
        EXPECT_LE(g.take_table, 11);
        EXPECT_EQ(g.my_score, 0);
        const bool blend = glIsEnabled(GL_BLEND) == GL_TRUE;
        EXPECT_EQ(blend, !g.random);
        (blend ? sawBlendOn : sawBlendOff) = true;
    }
    EXPECT_TRUE(sawBlendOn);
    EXPECT_TRUE(sawBlendOff);
}

TEST(LadderEnd, QualifyingScoreLeadsToNameEntryWithEnterCleared) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    GameState g = onScreen(111);
    g.a_round = 4;
    g.pl1_final_score = 15;
    g.hsscore[0] = 3;
    TurnOutcome o;
    pressMenuKey(g, kEnter, &o);
    EXPECT_EQ(o, TurnOutcome::SceneSwitch);
    EXPECT_EQ(g.HSfinalscore, 15);
    EXPECT_EQ(g.hauptmenu_nr, 21);
    EXPECT_TRUE(g.menu);
    EXPECT_EQ(g.take_table, 0);
    // A held ENTER must not store the name in the very next frame.
    EXPECT_FALSE(g.keys[kEnter]);
}

TEST(LadderEnd, MultiplayerOffersTheBetterTotalAndALowScoreStaysOnTheLadder) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    GameState g = onScreen(112);
    g.m_round = 4;
    g.pl1_final_score = -4;
    g.pl2_final_score = 2;
    g.hsscore[0] = 5;
    TurnOutcome o;
    pressMenuKey(g, kEnter, &o);
    EXPECT_EQ(o, TurnOutcome::SceneSwitch);
    EXPECT_EQ(g.HSfinalscore, 2);
    EXPECT_EQ(g.hauptmenu_nr, 112);
    EXPECT_TRUE(g.menu);
}

TEST(MatchEnd, SingleplayerLadderCountsEveryMatch) {
    GameState g = onScreen(111);
    g.menu = false;
    struct Match { int mine, his, round, screen, total; };
    const Match matches[] = {
        {7, 2, 2, 111, 5}, {3, 7, 2, 1110, 1}, {0, 7, 2, 1110, -6}, {7, 6, 3, 111, -5}, {7, 0, 4, 111, 2},
    };
    for (const Match& m : matches) {
        g.menu = false;
        g.my_score = m.mine;
        g.his_score = m.his;
        EXPECT_EQ(MatchEndTest(g), TurnOutcome::SceneSwitch);
        EXPECT_EQ(g.a_round, m.round);
        EXPECT_EQ(g.hauptmenu_nr, m.screen);
        EXPECT_EQ(g.pl1_final_score, m.total);
        EXPECT_TRUE(g.menu);
        EXPECT_EQ(g.my_score, 0);
        EXPECT_EQ(g.his_score, 0);
    }
}

TEST(MatchEnd, NothingEndsBeforeSevenAndTrainingNeverEnds) {
    GameState g = onScreen(111);
    g.menu = false;
    g.my_score = 6;
    g.his_score = 6;
    EXPECT_EQ(MatchEndTest(g), TurnOutcome::Continue);
    EXPECT_FALSE(g.menu);

    GameState t = onScreen(113);
    t.menu = false;
    t.my_score = 12;
    EXPECT_EQ(MatchEndTest(t), TurnOutcome::Continue);
    EXPECT_EQ(t.my_score, 12);
}

TEST(MatchEnd, MultiplayerLadderTakesTurnsAndEndsWithTheFinal) {
    GameState g = onScreen(112);
    struct Match { int mine, his; int round; bool p1; int screen, pl1, pl2; };
    const Match matches[] = {
        {7, 3, 1, false, 112, 4, 0},    // player 1 wins round 1
        {2, 7, 1, false, 1120, 4, -5},  // player 2 loses: same player again
        {7, 1, 2, true, 112, 4, 1},     // player 2 wins: round 2 with player 1
        {7, 5, 2, false, 112, 6, 1},
        {7, 6, 3, true, 112, 6, 2},     // the final, player 1 at the near mallet
        {4, 7, 4, false, 112, 3, 2},    // player 2 wins the final; booked on player 1
    };
    for (const Match& m : matches) {
        g.menu = false;
        g.my_score = m.mine;
        g.his_score = m.his;
        EXPECT_EQ(MatchEndTest(g), TurnOutcome::SceneSwitch);
        EXPECT_EQ(g.m_round, m.round);
        EXPECT_EQ(g.player1_turn, m.p1);
        EXPECT_EQ(g.hauptmenu_nr, m.screen);
        EXPECT_EQ(g.pl1_final_score, m.pl1);
        EXPECT_EQ(g.pl2_final_score, m.pl2);
    }
}

TEST(MatchEnd, WinningTheFinalMakesPlayerOneTheWinner) {
    GameState g = onScreen(112);
    g.m_round = 3;
    g.player1_turn = true;
    g.menu = false;
    g.my_score = 7;
    MatchEndTest(g);
    EXPECT_EQ(g.m_round, 4);
    EXPECT_TRUE(g.player1_turn);
}
