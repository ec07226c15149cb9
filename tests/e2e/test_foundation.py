"""The window, the main loop and every way the program ends."""
import shutil
import subprocess
import unittest

from gamerun import GAME, SOURCE_DIR, make_workdir, run_game
from menu_script import played


class Ending(unittest.TestCase):
    def test_close_box_escape_and_frame_limit_end_with_zero(self):
        for script, frames, last in (("4 close\n", None, 4), ("2 tap ESC\n", 100, 2), ("", 7, 6)):
            r = played(self, script, frames=frames)
            self.assertEqual([line["frame"] for line in r.trace], list(range(last + 1)), script)

    def test_a_missing_model_is_fatal_with_its_message(self):
        into_training = "2 tap ENTER\n6 tap DOWN\n10 tap DOWN\n14 tap ENTER\n"
        down = lambda n: "".join(f"{18 + 2 * i} tap DOWN\n" for i in range(n))  # noqa: E731
        cases = [("kzmplane.ms3d", "", "kzmplane.ms3d"),  # loaded before any window opens
                 ("table.ms3d", "", "table.ms3d"), ("table2.ms3d", down(7), "table.ms3d"),  # tables 1 and 8
                 ("puk2.ms3d", down(6), "puk2.ms3d")]  # table 7
        for missing, choose, named in cases:
            workdir = make_workdir(link_data=False)
            shutil.copytree(SOURCE_DIR / "data", workdir / "data")
            (workdir / "data" / "model" / missing).unlink()
            # The box goes to standard error; the program ends in the frame whose table step failed.
            r = played(self, into_training + choose + "40 tap ENTER\n", frames=200, workdir=workdir)
            self.assertIn("Error: Couldn't load the model data\\" + named, r.stderr)
            self.assertEqual(len(r.trace), 0 if missing == "kzmplane.ms3d" else 42, missing)

    def test_bad_developer_options_are_refused_before_anything_starts(self):
        for bad in (["--frames", "many"], ["--frames", "-1"], ["--seed", "99999999999"], ["--screenshot", "5"],
                    ["--screenshot", "a:b.png"], ["--script"], ["--bogus"]):
            proc = subprocess.run([GAME] + bad, capture_output=True, text=True)
            self.assertEqual(proc.returncode, 2, bad)
            self.assertIn(bad[0], proc.stderr)

    def test_no_screen_to_show_it_on_is_told_not_played_unseen(self):
        # SDL would fall back to its offscreen driver, a screen of 1024x768 no one sees
        r = run_game("", frames=30, env={"DISPLAY": ":4093"})
        self.assertIn("no X display answers at :4093", r.stderr)
        self.assertIn("ERROR: Failed To Register The Window Class.", r.stderr)
        self.assertEqual(r.trace, [])


class Window(unittest.TestCase):
    def test_f1_minimise_and_the_fullscreen_question(self):
        r = played(self, "2 tap F1\n6 tap F1\n8 minimize\n11 restore\n", frames=14)
        self.assertEqual([line["fullscreen"] for line in r.trace], [False] * 2 + [True] * 4 + [False] * 8)
        self.assertEqual([line["active"] for line in r.trace], [True] * 8 + [False] * 3 + [True] * 3)
        # every new window comes with the fresh GL state: lit, not blended
        self.assertTrue(all(line["gl_lighting"] and not line["gl_blend"] for line in r.trace))
        r = played(self, "", frames=3, default_args=False, extra_args=["--no-dialogs", "--no-pacing"])
        self.assertIn("Start FullScreen?: Would You Like To Run In Fullscreen Mode?", r.stderr)
        self.assertTrue(r.trace[0]["fullscreen"])


if __name__ == "__main__":
    unittest.main()
