"""Walking every menu of the real game: entries, wrapping, jingles, the credits'
music, the help screen, the training list and the way back, with screenshots."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import run_game  # noqa: E402
from menu_script import Script, at_frame, discard, lit_fraction, project_origin, screens_visited, texts  # noqa: E402

STOP = "stop data/sounds/2.mp3"
PLAY = "play data/sounds/2.mp3"
JINGLE = {1: "play data/sounds/newgame.mp3", 2: "play data/sounds/highscore.mp3",
          3: "play data/sounds/options.mp3", 4: "play data/sounds/credits.mp3", 5: "play data/sounds/exit.mp3"}


class WalkEveryMenu(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        s = Script()
        s.wait(3)
        s.mark("down1").tap("DOWN").tap("DOWN").tap("DOWN").mark("down4").tap("DOWN")
        s.mark("wrap_down").tap("DOWN").mark("wrap_up").tap("UP").tap("DOWN")
        s.mark("new_game").tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN").mark("hiscore").tap("ENTER", gap=10).mark("hiscore_esc").tap("ESC")
        s.tap("DOWN", times=2).mark("help").tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN", times=3).mark("credits").tap("ENTER", gap=10)
        s.mark("page2").tap("DOWN", gap=10).mark("page3").tap("DOWN", gap=10)
        s.mark("page1").tap("RIGHT", gap=10).mark("page3_wrapped").tap("LEFT", gap=10)
        s.mark("credits_enter").tap("ENTER", gap=6).tap("ESC")
        s.tap("UP").mark("exit").tap("ENTER", gap=20)
        cls.s = s
        shots = {s.marks["new_game"] + 6: "new_game.png", s.marks["hiscore"] + 6: "hiscore.png",
                 s.marks["help"] + 6: "help.png", s.marks["credits"] + 6: "credits1.png",
                 s.marks["page2"] + 6: "credits2.png", s.marks["page3"] + 6: "credits3.png", 2: "main.png"}
        cls.shots = shots
        cls.r = run_game(s.text(), frames=s.frame + 100, screenshots=shots)

    @classmethod
    def tearDownClass(cls):
        discard(cls.r)

    def line(self, mark, offset=0):
        return at_frame(self.r.trace, self.s.marks[mark] + offset)

    def test_ends_through_the_exit_entry(self):
        self.assertEqual(self.r.returncode, 0, self.r.stderr)
        last = self.r.trace[-1]
        self.assertEqual(last["frame"], self.s.marks["exit"])
        self.assertEqual((last["hauptmenu_nr"], last["menu_1_nr"]), (1, 5))

    def test_arrows_wrap_and_announce_the_entry(self):
        for i in range(4):
            line = at_frame(self.r.trace, self.s.marks["down1"] + 4 * i)
            self.assertEqual(line["menu_1_nr"], i + 2)
            self.assertEqual(line["music"], [STOP, JINGLE[i + 2]])
        wrapped = self.line("wrap_down")
        self.assertEqual(wrapped["menu_1_nr"], 1)
        self.assertEqual(wrapped["music"], [STOP, JINGLE[1]])
        up = self.line("wrap_up")
        self.assertEqual(up["menu_1_nr"], 5)
        self.assertEqual(up["music"], [STOP, JINGLE[5]])
        self.assertIn("-> Exit", texts(at_frame(self.r.trace, self.s.marks["wrap_up"] + 1)))

    def test_every_screen_is_reached_and_left_one_level_at_a_time(self):
        screens = [n for menu, n in screens_visited(self.r.trace)]
        self.assertEqual(screens, [1, 11, 1, 2, 1, 5, 1, 3, 1])

    def test_high_score_list_starts_its_fly_in(self):
        line = self.line("hiscore", 1)
        self.assertEqual(line["rot"], 0.5)
        self.assertEqual(len(line["texts"]), 20)
        self.assertEqual(self.line("hiscore_esc")["hauptmenu_nr"], 1)

    def test_help_holds_the_clock_and_leaves_blending_off(self):
        for offset in range(1, 6):
            line = self.line("help", offset)
            self.assertEqual(line["hauptmenu_nr"], 5)
            self.assertEqual(line["rot"], 0.5)
            self.assertFalse(line["gl_blend"])
        shown = texts(self.line("help", 2))
        self.assertEqual(shown[0], "Player1: W/S/A/D")
        self.assertEqual(shown[-1], "Transparency: +=M -=N")
        self.assertEqual(len(shown), 8)
        self.assertEqual(self.line("help", 2)["texts"][-1]["rgba"][3], 0.5)

    def test_credits_pages_and_their_music(self):
        self.assertEqual(texts(self.line("credits", 1))[0], "Programmer")
        self.assertEqual(texts(self.line("page2", 1))[0], "Tutorials")
        self.assertEqual(texts(self.line("page3", 1))[0], "Sounds")
        self.assertEqual(self.line("page2")["music"], [STOP])
        self.assertEqual(self.line("page3")["music"], [PLAY])
        self.assertEqual(self.line("page1")["music"], [STOP])
        self.assertEqual(self.line("page1")["menu_1_nr"], 1)
        self.assertEqual(self.line("page3_wrapped")["music"], [STOP])
        self.assertEqual(self.line("page3_wrapped")["menu_1_nr"], 3)
        # ENTER returns to the first page; the clock runs at one per frame here.
        self.assertEqual(self.line("credits_enter")["menu_1_nr"], 1)
        a, b = self.line("page2", 2), self.line("page2", 3)
        self.assertEqual(b["rot"] - a["rot"], 1.0)

    def test_first_print_of_each_screen_stands_where_its_first_move_puts_it(self):
        # Before its first print every screen has only translated (rotations turn about the origin).
        cases = [
            (at_frame(self.r.trace, 0), "Puckslide3D", (-1, 2, -10)),
            (self.line("new_game", 2), None, (-2.5, 0, -12)),
            (self.line("help", 2), "Player1: W/S/A/D", (0, 7, -20)),
            (self.line("credits", 2), "Programmer", (-1, 2, -10)),
            (self.line("page3", 2), "Sounds", (-1, 2, -10)),
        ]
        for line, first, origin in cases:
            printed = line["texts"][0]
            if first:
                self.assertEqual(printed["s"], first)
            x, y = project_origin(*origin)
            self.assertAlmostEqual(printed["x"], x, delta=0.05, msg=printed["s"])
            self.assertAlmostEqual(printed["y"], y, delta=0.05, msg=printed["s"])
        # The high-score list's first name: fly-in at the clock's 0.5.
        line = self.line("hiscore", 2)
        r = line["rot"] - 0.5  # the clock of the drawing, before this frame's advance
        x, y = project_origin(0, -r / 15 - 2, r / 15 - 15)
        self.assertAlmostEqual(line["texts"][0]["x"], x, delta=0.05)
        self.assertAlmostEqual(line["texts"][0]["y"], y, delta=0.05)

    def test_screenshots_show_each_screen(self):
        for frame, name in self.shots.items():
            path = self.r.workdir / name
            self.assertTrue(path.exists(), name)
            # The empty list shows only its ten zeros.
            self.assertGreater(lit_fraction(path), 0.002 if name == "hiscore.png" else 0.01, name)


class TrainingOnTableSeven(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        s = Script()
        s.wait(2).tap("ENTER").tap("DOWN", times=2).mark("list").tap("ENTER", gap=6)
        s.mark("up_wrap").tap("UP").tap("UP", times=4)
        s.mark("start").tap("ENTER", gap=6)
        s.computer_off().tap("V").down("W", "J").mark("playing").wait(1100).up("W", "J").wait(5)
        s.mark("esc_play").tap("ESC", gap=8)
        # Straight into a ladder: the training goals must not count as a won match.
        s.tap("ENTER", gap=6).mark("ladder_start").tap("ENTER", gap=20)
        s.mark("esc_ladder_play").tap("ESC", gap=8).tap("ESC", gap=6).tap("ESC", gap=20)
        cls.s = s
        cls.r = run_game(s.text(), frames=s.frame + 60,
                         screenshots={s.marks["up_wrap"] + 2: "training_list.png",
                                      s.marks["start"] + 60: "training_play.png"})

    @classmethod
    def tearDownClass(cls):
        discard(cls.r)

    def line(self, mark, offset=0):
        return at_frame(self.r.trace, self.s.marks[mark] + offset)

    def test_the_list_wraps_to_the_last_table(self):
        self.assertEqual(self.line("up_wrap")["menu_1_nr"], 11)
        shown = texts(self.line("up_wrap", 1))
        self.assertEqual(shown[0], "Training")
        self.assertEqual(shown[11], "-> Table 11")
        self.assertEqual(len(shown), 12)
        x, y = project_origin(0, 2, -7)
        self.assertAlmostEqual(self.line("up_wrap", 1)["texts"][0]["x"], x, delta=0.05)
        self.assertAlmostEqual(self.line("up_wrap", 1)["texts"][0]["y"], y, delta=0.05)

    def test_enter_plays_table_seven_with_the_large_puck_and_no_music(self):
        start = self.line("start")
        self.assertEqual(start["take_table"], 7)
        self.assertFalse(start["menu"])
        self.assertEqual(start["music"], [])
        set_up = self.line("start", 1)
        self.assertEqual((set_up["table"], set_up["puk_rad"]), (7, 50))
        self.assertFalse(set_up["gl_lighting"])
        self.assertEqual(texts(self.line("start", 2)), ["My: 0 His: 0"])
        self.assertTrue(self.line("start", 2)["artif_int"])

    def test_training_counts_on_past_seven(self):
        before_esc = self.line("esc_play", -1)
        self.assertFalse(before_esc["menu"])
        self.assertGreater(before_esc["my_score"], 7)
        self.assertEqual(before_esc["hauptmenu_nr"], 113)

    def test_escape_from_play_leads_to_new_game_and_stops_the_music(self):
        esc = self.line("esc_play")
        self.assertTrue(esc["menu"])
        self.assertEqual(esc["hauptmenu_nr"], 11)
        self.assertEqual(esc["music"], [STOP])
        self.assertTrue(self.line("esc_play", 1)["gl_lighting"])

    def test_leftover_training_goals_do_not_win_a_ladder_match(self):
        for offset in range(0, 15):
            line = self.line("ladder_start", offset)
            self.assertEqual(line["a_round"], 1)
            self.assertEqual(line["pl1_final_score"], 0)
        self.assertFalse(self.line("ladder_start", 5)["menu"])
        self.assertEqual(self.line("ladder_start")["music"], [PLAY])

    def test_the_program_ends_after_escape_through_every_level(self):
        self.assertEqual(self.r.returncode, 0, self.r.stderr)
        screens = [n for menu, n in screens_visited(self.r.trace) if menu]
        self.assertEqual(screens[-2:], [11, 1])
        self.assertEqual(self.r.trace[-1]["hauptmenu_nr"], 1)

    def test_screenshots(self):
        for name in ("training_list.png", "training_play.png"):
            self.assertGreater(lit_fraction(self.r.workdir / name), 0.01, name)


if __name__ == "__main__":
    unittest.main()
