"""The window, the main loop and every way the program ends, with the real game under Xvfb."""
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import GAME, SOURCE_DIR, make_workdir, run_game  # noqa: E402

TITLE = "Puckslide 3D programmed by Marbeck Valentino"


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    return struct.unpack(">II", header[16:24])


def have_models():
    return (SOURCE_DIR / "data" / "model" / "kzmplane.ms3d").exists()


class Ending(unittest.TestCase):
    def test_close_box_ends_with_zero_after_the_frames_before_it(self):
        r = run_game("4 close\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual([line["frame"] for line in r.trace], [0, 1, 2, 3, 4])

    def test_escape_on_the_main_menu_ends_with_zero(self):
        r = run_game("2 tap ESC\n", frames=100)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.trace[-1]["frame"], 2)
        self.assertTrue(r.trace[-1]["menu"])

    def test_frames_limit_ends_like_a_closed_window(self):
        r = run_game("", frames=7)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(r.trace), 7)

    @unittest.skipUnless(have_models(), "needs the game's models")
    def test_missing_plane_model_is_fatal_before_any_window(self):
        workdir = make_workdir(link_data=False)
        model_dir = workdir / "data" / "model"
        shutil.copytree(SOURCE_DIR / "data" / "model", model_dir)
        (model_dir / "kzmplane.ms3d").unlink()
        r = run_game("", frames=50, workdir=workdir)
        self.assertEqual(r.returncode, 0)
        self.assertIn("Error: Couldn't load the model data\\kzmplane.ms3d", r.stderr)
        self.assertEqual(r.trace, [])

    @unittest.skipUnless(have_models(), "needs the game's models")
    def test_missing_table_or_puck_model_is_fatal_at_the_table_set_up(self):
        into_training = "2 tap ENTER\n6 tap DOWN\n10 tap DOWN\n14 tap ENTER\n"
        cases = [("table.ms3d", "", "table.ms3d"),                  # table 1
                 ("table2.ms3d", "".join(f"{18 + 2 * i} tap DOWN\n" for i in range(7)), "table.ms3d"),  # table 8
                 ("puk2.ms3d", "".join(f"{18 + 2 * i} tap DOWN\n" for i in range(6)), "puk2.ms3d")]     # table 7
        for missing, choose, named in cases:
            workdir = make_workdir(link_data=False)
            shutil.copytree(SOURCE_DIR / "data", workdir / "data")
            (workdir / "data" / "model" / missing).unlink()
            r = run_game(into_training + choose + "40 tap ENTER\n", frames=200, workdir=workdir)
            self.assertEqual(r.returncode, 0, missing)
            self.assertEqual(r.trace[-1]["boxes"], [{"caption": "Error",
                                                     "text": "Couldn't load the model data\\" + named}])
            self.assertEqual(r.trace[-1]["frame"], 41)

    def test_bad_developer_options_are_refused(self):
        proc = subprocess.run([GAME, "--frames", "many"], capture_output=True, text=True)
        self.assertEqual(proc.returncode, 2)
        self.assertIn("--frames", proc.stderr)


class Window(unittest.TestCase):
    def test_client_area_is_800_by_600(self):
        workdir = make_workdir()
        (workdir / "script.txt").write_text("300 close\n")
        env = dict(os.environ, SDL_AUDIODRIVER="dummy", ASAN_OPTIONS="detect_leaks=0")
        proc = subprocess.Popen([GAME, "--windowed", "--no-dialogs", "--script", "script.txt"],
                                cwd=workdir, env=env, stderr=subprocess.DEVNULL)
        size = None
        try:
            deadline = time.time() + 60
            while time.time() < deadline and size is None and proc.poll() is None:
                tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
                for line in tree.splitlines():
                    if f'"{TITLE}"' in line:
                        match = re.search(r"(\d+)x(\d+)\+", line)
                        if match:
                            size = (int(match.group(1)), int(match.group(2)))
                time.sleep(0.05)
        finally:
            proc.wait(timeout=60)
        self.assertEqual(size, (800, 600))
        self.assertEqual(proc.returncode, 0)

    def test_screenshot_is_the_whole_frame(self):
        r = run_game("", frames=3, screenshots={1: "shot.png"})
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(png_size(r.workdir / "shot.png"), (800, 600))

    def test_f1_toggles_fullscreen_and_back(self):
        r = run_game("2 tap F1\n6 tap F1\n", frames=10)
        self.assertEqual(r.returncode, 0, r.stderr)
        modes = [line["fullscreen"] for line in r.trace]
        self.assertEqual(modes[:2], [False, False])
        self.assertTrue(all(modes[2:6]), modes)
        self.assertFalse(any(modes[6:]), modes)
        # every new window comes with the fresh GL state: lit, not blended
        self.assertTrue(all(line["gl_lighting"] and not line["gl_blend"] for line in r.trace))

    def test_question_answered_by_default_asks_for_fullscreen(self):
        r = run_game("", frames=3, default_args=False,
                     extra_args=["--no-dialogs", "--no-pacing"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("Start FullScreen?: Would You Like To Run In Fullscreen Mode?", r.stderr)
        self.assertTrue(r.trace[0]["fullscreen"])

    def test_minimised_window_keeps_the_loop_turning_without_drawing(self):
        r = run_game("2 minimize\n5 restore\n", frames=8)
        self.assertEqual(r.returncode, 0, r.stderr)
        active = [line["active"] for line in r.trace]
        self.assertEqual(active, [True, True, False, False, False, True, True, True])


if __name__ == "__main__":
    unittest.main()
