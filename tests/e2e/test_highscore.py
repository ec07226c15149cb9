"""The high-score list and its file in the real game: the list's fly-in and
spin, a missing or hostile file at start-up, and a name that cannot be saved."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import make_workdir, run_game  # noqa: E402
from menu_script import (MATCH_FRAMES, Script, at_frame, discard, lit_fraction,  # noqa: E402
                         project_origin, texts)

HEADER = ("Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: x\nContact: y\n"
          "Owned by Valentino\n")
NAMES = ["-", "ZOE", "A_B", "-", "MAX_POWER", "LU", "KIM", "SAM_2", "ODA", "BEST"]
LISTED = ["", "ZOE", "A B", "", "MAX POWER", "LU", "KIM", "SAM 2", "ODA", "BEST"]
SCORES = [-3, 0, 1, 2, 4, 4, 8, 10, 15, 21]
CONFIG = HEADER + "".join(n + "\n" for n in NAMES) + "//Nothing\n" + "".join(f"{s}\n" for s in SCORES)


class ListFliesInThenSpins(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        s = Script()
        s.wait(2).tap("DOWN").mark("enter").tap("ENTER").wait(900).tap("ESC", gap=5).tap("ESC", gap=10)
        cls.s = s
        e = s.marks["enter"]
        cls.shots = {e + 60: "list_start.png", e + 400: "list_fly.png", e + 860: "list_spin.png"}
        cls.r = run_game(s.text(), frames=s.frame + 50, config=CONFIG, screenshots=cls.shots)

    @classmethod
    def tearDownClass(cls):
        discard(cls.r)

    def drawn(self, offset):
        """The trace line of a list frame and the clock it was drawn with."""
        line = at_frame(self.r.trace, self.s.marks["enter"] + offset)
        return line, line["rot"] - 0.5

    def test_reads_the_list_with_blanks_and_empty_names(self):
        self.assertEqual(self.r.trace[0]["HSname"], LISTED)
        self.assertEqual(self.r.trace[0]["hsscore"], SCORES)
        self.assertEqual(self.r.returncode, 0, self.r.stderr)

    def test_ten_names_and_ten_scores(self):
        line, _ = self.drawn(5)
        expected = []
        for name, score in zip(LISTED, SCORES):
            expected += [name, str(score)]
        self.assertEqual(texts(line), expected)
        # An empty name prints nothing, and its score stands 0.7 below the entry.
        self.assertEqual(line["texts"][0]["s"], "")

    def test_names_turn_yellow_and_scores_red_up_the_list(self):
        line, _ = self.drawn(5)
        colours = [t["rgba"] for t in line["texts"]]
        self.assertEqual(colours[0], [1, 1, 1, 1])
        self.assertEqual(colours[1], [1, 1, 1, 1])
        self.assertEqual(colours[2], [1, 1, 1.5, 1])
        self.assertEqual(colours[3], [1, 1.5, 1.5, 1])
        self.assertAlmostEqual(colours[18][2], 1.5 / 9, places=6)
        self.assertAlmostEqual(colours[19][1], 1.5 / 9, places=6)

    def test_fly_in_then_the_jump_to_the_spin(self):
        self.assertEqual(self.drawn(1)[1], 0.0)
        for offset in (1, 100, 799, 800, 850):
            line, rot = self.drawn(offset)
            if int(rot) <= 399:
                origin = (0, -rot / 15 - 2, rot / 15 - 15)
            else:
                origin = (0, -6, -17)
            x, y = project_origin(*origin)
            first = line["texts"][0]
            self.assertAlmostEqual(first["x"], x, delta=0.05, msg=f"rot {rot}")
            self.assertAlmostEqual(first["y"], y, delta=0.05, msg=f"rot {rot}")
        self.assertEqual(self.drawn(799)[1], 399.0)
        self.assertEqual(self.drawn(800)[1], 399.5)
        self.assertEqual(self.drawn(801)[1], 400.0)

    def test_screenshots(self):
        for name in self.shots.values():
            self.assertGreater(lit_fraction(self.r.workdir / name), 0.002, name)


class StartUpWithABadFile(unittest.TestCase):
    def test_missing_file_is_reported_once_and_the_game_goes_on(self):
        r = run_game("2 tap DOWN\n6 tap ENTER\n30 tap ESC\n34 tap ESC\n", frames=200, config=False)
        try:
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stderr.count("Error: Error: opening /Data/system/config.cfg"), 1, r.stderr)
            self.assertEqual(r.trace[0]["boxes"],
                             [{"caption": "Error", "text": "Error: opening /Data/system/config.cfg"}])
            self.assertEqual(r.all("boxes")[1:], [])
            self.assertEqual(at_frame(r.trace, 10)["hauptmenu_nr"], 2)
            self.assertEqual(texts(at_frame(r.trace, 10)), ["", "0"] * 10)
            # Nothing is written without a name.
            self.assertFalse((r.workdir / "Data" / "system" / "config.cfg").exists())
        finally:
            discard(r)

    def test_hostile_file_is_read_without_harm(self):
        workdir = make_workdir(config=False)
        hostile = bytearray(HEADER.encode())
        hostile += b"Q" * 300000 + b"\n" + bytes(range(1, 256)) * 40 + b"\n\x00\xff\xfe name\n"
        hostile += b"//Nothing 99999999999 -5 +7 -2147483648 2147483648 1 2\n"
        (workdir / "Data" / "system" / "config.cfg").write_bytes(bytes(hostile))
        r = run_game("2 tap DOWN\n6 tap ENTER\n30 tap ESC\n34 tap ESC\n", frames=200, workdir=workdir)
        try:
            self.assertEqual(r.returncode, 0, r.stderr)
            first = r.trace[0]
            self.assertEqual(len(first["HSname"]), 10)
            self.assertEqual(len(first["HSname"][0]), 255)
            self.assertTrue(all(len(n) <= 255 for n in first["HSname"]))
            self.assertEqual(len(texts(at_frame(r.trace, 10))), 20)
        finally:
            discard(r)


class NameThatCannotBeSaved(unittest.TestCase):
    """A ladder finished with no folder for the file: the name is kept in the
    list for this run, and the failure is reported instead of passing silently."""

    @classmethod
    def setUpClass(cls):
        workdir = make_workdir(config=False)
        shutil.rmtree(workdir / "Data")
        s = Script()
        s.wait(2).tap("ENTER").tap("ENTER", gap=12)
        s.tap("ENTER", gap=5).computer_off().tap("V", gap=2)
        s.down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)
        s.win_match().win_match()
        s.wait(10).tap("ENTER", gap=8).type_text(["Q", "SPACE", "7"]).wait(3)
        # ESC stores the name as ENTER does, and goes on to the main menu.
        s.mark("store").tap("ESC", gap=10).tap("DOWN").mark("list").tap("ENTER", gap=20)
        s.tap("ESC", gap=6).tap("ESC", gap=10)
        cls.s = s
        cls.r = run_game(s.text(), frames=s.frame + 100, workdir=workdir, extra_args=["--seed", "15"])

    @classmethod
    def tearDownClass(cls):
        discard(cls.r)

    def test_the_failure_is_reported(self):
        self.assertEqual(self.r.returncode, 0, self.r.stderr)
        store = at_frame(self.r.trace, self.s.marks["store"])
        self.assertEqual(store["boxes"], [{"caption": "Error", "text": "Error: writing /Data/system/config.cfg"}])
        self.assertEqual(store["hauptmenu_nr"], 1)
        self.assertFalse((self.r.workdir / "Data").exists())

    def test_the_list_of_this_run_holds_the_name(self):
        line = at_frame(self.r.trace, self.s.marks["list"] + 5)
        self.assertEqual(line["HSname"][9], "Q 7")
        self.assertEqual(line["hsscore"][9], 21)
        self.assertEqual(texts(line)[18:20], ["Q 7", "21"])


if __name__ == "__main__":
    unittest.main()
