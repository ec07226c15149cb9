"""The menus of the real game: jingles, help, credits music, training on table 7."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import run_game  # noqa: E402
from menu_script import PLAY, STOP, Script, at_frame, discard, screens_visited, texts  # noqa: E402

JINGLE = {n: f"play data/sounds/{j}.mp3" for n, j in enumerate(
    ["newgame", "highscore", "options", "credits", "exit"], 1)}


class WalkEveryMenu(unittest.TestCase):
    def test_jingles_help_and_credits_music(self):
        s = Script()
        s.wait(3).mark("down1").tap("DOWN", times=4).mark("wrap_down").tap("DOWN").mark("wrap_up").tap("UP")
        s.tap("DOWN").tap("ENTER", gap=10).tap("ESC").tap("DOWN").tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN", times=2).mark("help").tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN", times=3).tap("ENTER", gap=10)
        s.mark("page2").tap("DOWN", gap=10).mark("page3").tap("DOWN", gap=10)
        s.mark("page1").tap("RIGHT", gap=10).mark("page3_wrapped").tap("LEFT", gap=10).tap("ESC")
        s.tap("UP").mark("exit").tap("ENTER", gap=20)
        r = run_game(s.text(), frames=s.frame + 100)
        self.addCleanup(discard, r)
        line = lambda mark, offset=0: at_frame(r.trace, s.marks[mark] + offset)  # noqa: E731
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual([n for menu, n in screens_visited(r.trace)], [1, 11, 1, 2, 1, 5, 1, 3, 1])
        self.assertEqual((r.trace[-1]["frame"], r.trace[-1]["hauptmenu_nr"], r.trace[-1]["menu_1_nr"]),
                         (s.marks["exit"], 1, 5))
        # The arrows wrap and announce the new entry.
        for i, (mark, entry) in enumerate([("down1", 2), ("down1", 3), ("down1", 4), ("down1", 5),
                                          ("wrap_down", 1), ("wrap_up", 5)]):
            got = line(mark, 4 * i if mark == "down1" else 0)
            self.assertEqual((got["menu_1_nr"], got["music"]), (entry, [STOP, JINGLE[entry]]))
        for offset in range(1, 6):  # help holds the clock and leaves blending off
            self.assertEqual([line("help", offset)[k] for k in ("hauptmenu_nr", "rot", "gl_blend")], [5, 0.5, False])
        # The credits music starts on the sounds page and stops when it is left; the command sees
        # the entry before the wrap, so page 3 reached from page 1 stays silent.
        self.assertEqual(texts(line("page3", 1))[0], "Sounds")
        got = [(line(m)["music"], line(m)["menu_1_nr"]) for m in ("page2", "page3", "page1", "page3_wrapped")]
        self.assertEqual(got, [([STOP], 2), ([PLAY], 3), ([STOP], 1), ([STOP], 3)])


class TrainingOnTableSeven(unittest.TestCase):
    def test_table_seven_large_puck_no_ladder_win_and_the_way_back(self):
        s = Script()
        s.wait(2).tap("ENTER").tap("DOWN", times=2).tap("ENTER", gap=6).tap("UP", times=5)
        s.mark("start").tap("ENTER", gap=6)
        s.computer_off().tap("V").down("W", "J").wait(1100).up("W", "J").wait(5)
        s.mark("esc_play").tap("ESC", gap=8)
        # Straight into a ladder: the training goals must not count as a won match.
        s.tap("ENTER", gap=6).mark("ladder_start").tap("ENTER", gap=20)
        s.tap("ESC", gap=8).tap("ESC", gap=6).tap("ESC", gap=20)
        r = run_game(s.text(), frames=s.frame + 60)
        self.addCleanup(discard, r)
        line = lambda mark, offset=0: at_frame(r.trace, s.marks[mark] + offset)  # noqa: E731
        self.assertEqual(r.returncode, 0, r.stderr)
        start, set_up = line("start"), line("start", 1)
        self.assertEqual((start["take_table"], start["menu"], start["music"]), (7, False, []))
        self.assertEqual((set_up["table"], set_up["puk_rad"], set_up["gl_lighting"]), (7, 50, False))
        self.assertEqual(texts(line("start", 2)), ["My: 0 His: 0"])
        # Training counts on past seven; ESC leads to New Game and stops the music.
        before_esc, esc = line("esc_play", -1), line("esc_play")
        self.assertEqual((before_esc["menu"], before_esc["hauptmenu_nr"]), (False, 113))
        self.assertGreater(before_esc["my_score"], 7)
        self.assertEqual((esc["menu"], esc["hauptmenu_nr"], esc["music"]), (True, 11, [STOP]))
        self.assertTrue(line("esc_play", 1)["gl_lighting"])
        for offset in range(0, 15):
            self.assertEqual((line("ladder_start", offset)["a_round"], line("ladder_start", offset)["pl1_final_score"]),
                             (1, 0))
        self.assertEqual((line("ladder_start")["music"], line("ladder_start", 5)["menu"]), ([PLAY], False))
        self.assertEqual([n for menu, n in screens_visited(r.trace) if menu][-2:], [11, 1])


if __name__ == "__main__":
    unittest.main()
