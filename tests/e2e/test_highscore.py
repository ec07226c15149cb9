"""The high-score list in the real game: a file read back, the jump from fly-in
to spin, and a missing file that cannot be written either."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import make_workdir, run_game  # noqa: E402
from menu_script import MATCH_FRAMES, Script, at_frame, discard, project_origin, texts  # noqa: E402

HEADER = ("Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: x\nContact: y\n"
          "Owned by Valentino\n")
NAMES = ["-", "ZOE", "A_B", "-", "MAX_POWER", "LU", "KIM", "SAM_2", "ODA", "BEST"]
LISTED = ["", "ZOE", "A B", "", "MAX POWER", "LU", "KIM", "SAM 2", "ODA", "BEST"]
SCORES = [-3, 0, 1, 2, 4, 4, 8, 10, 15, 21]
CONFIG = HEADER + "".join(n + "\n" for n in NAMES) + "//Nothing\n" + "".join(f"{s}\n" for s in SCORES)


class ListFliesInThenSpins(unittest.TestCase):
    def test_reads_the_list_and_jumps_to_the_spin_at_four_hundred(self):
        r = run_game("2 tap DOWN\n6 tap ENTER\n920 tap ESC\n925 tap ESC\n", frames=1000, config=CONFIG)
        self.addCleanup(discard, r)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual((r.trace[0]["HSname"], r.trace[0]["hsscore"]), (LISTED, SCORES))
        self.assertEqual(texts(at_frame(r.trace, 11)), [x for n, s in zip(LISTED, SCORES) for x in (n, str(s))])
        # The clock each frame was drawn with, and where the first name stands: flying in below 400.
        for frame, rot in ((105, 49.0), (805, 399.0), (806, 399.5), (807, 400.0), (856, 424.5)):
            line = at_frame(r.trace, frame)
            self.assertEqual(line["rot"] - 0.5, rot)
            x, y = project_origin(*((0, -rot / 15 - 2, rot / 15 - 15) if rot < 400 else (0, -6, -17)))
            self.assertAlmostEqual(line["texts"][0]["x"], x, delta=0.05, msg=f"rot {rot}")
            self.assertAlmostEqual(line["texts"][0]["y"], y, delta=0.05, msg=f"rot {rot}")


class NoFolderForTheFile(unittest.TestCase):
    def test_both_failures_are_reported_and_the_list_of_this_run_holds_the_name(self):
        workdir = make_workdir(config=False)
        shutil.rmtree(workdir / "Data")
        s = Script()
        s.wait(2).tap("ENTER").tap("ENTER", gap=12).tap("ENTER", gap=5).computer_off().tap("V", gap=2)
        s.down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5).win_match().win_match()
        s.wait(10).tap("ENTER", gap=8).tap("Q", gap=3).tap("SPACE", gap=3).tap("7", gap=3).wait(3)
        # ESC stores the name as ENTER does, and goes on to the main menu.
        s.mark("store").tap("ESC", gap=10).tap("DOWN").mark("list").tap("ENTER", gap=20)
        s.tap("ESC", gap=6).tap("ESC", gap=10)
        r = run_game(s.text(), frames=s.frame + 100, workdir=workdir, extra_args=["--seed", "15"])
        self.addCleanup(discard, r)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr.count("Error: Error: opening /Data/system/config.cfg"), 1, r.stderr)
        opening, writing = ({"caption": "Error", "text": f"Error: {what} /Data/system/config.cfg"}
                            for what in ("opening", "writing"))
        self.assertEqual((r.trace[0]["boxes"], r.all("boxes")), ([opening], [opening, writing]))
        store = at_frame(r.trace, s.marks["store"])
        self.assertEqual((store["boxes"], store["hauptmenu_nr"]), ([writing], 1))
        self.assertFalse((r.workdir / "Data").exists())
        line = at_frame(r.trace, s.marks["list"] + 5)
        self.assertEqual((line["HSname"][9], line["hsscore"][9]), ("Q 7", 21))
        self.assertEqual(texts(line), ["", "0"] * 9 + ["Q 7", "21"])


if __name__ == "__main__":
    unittest.main()
