"""Fullscreen at the screen's own mode, the picture whole and unstretched, and the player's settings file."""
import os
import re
import subprocess
import time
import unittest

from gamerun import make_workdir, pixels, read_trace, spawn_game
from menu_script import TRAINING, played

SHOT = TRAINING + ["0 pad 1 add", "24 pad 1 axis lefty -9000"]  # just beyond the default dead zone
JINGLE = ["2 tap DOWN"]  # the main menu announces its next entry: music


def table_box(png):
    """Left, top, right and bottom of what is drawn below the score line: the table."""
    w, h, rgb = pixels(png)
    lit = [(x, y) for y in range(h // 6, h, 2) for x in range(0, w, 2) if sum(rgb[3 * (y * w + x):3 * (y * w + x) + 3]) > 90]
    xs, ys = [p[0] for p in lit], [p[1] for p in lit]
    return min(xs), min(ys), max(xs), max(ys)


def screen_size(display, check=True):
    run = subprocess.run(["xdpyinfo", "-display", display], capture_output=True, text=True, check=check)
    found = re.search(r"dimensions:\s+(\d+x\d+) pixels", run.stdout)
    return found.group(1) if found else None


def game_windows(display):
    """The sizes of the game's windows on the display, as the X server has them."""
    run = subprocess.run(["xwininfo", "-display", display, "-root", "-children"], capture_output=True, text=True)
    return sorted(re.findall(r'"Puckslide 3D[^"]*": \(.*?\)\s+(\d+x\d+)\+', run.stdout))


def own_screen(test, size):
    """The display of an X server of the given size for one test, like a monitor without a window manager."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{size}x24", "-nolisten", "tcp"],
                              pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    test.addCleanup(lambda: (server.terminate(), server.wait()))
    with os.fdopen(read) as number:
        return ":" + number.readline().strip()


class Fullscreen(unittest.TestCase):
    def test_at_the_screens_own_mode_through_f1_and_exit_whole_and_unstretched(self):
        design = played(self, TRAINING, frames=41, screenshots={40: "shot.png"})
        left, top, right, bottom = table_box(design.workdir / "shot.png")
        for size in ("1280x720", "1920x1080"):
            with self.subTest(size=size):
                display = own_screen(self, size)
                workdir = make_workdir()
                game = spawn_game(workdir, ["--fullscreen", "--seed", "1", "--frames", "300", "--screenshot", "40:full.png",
                                            "--screenshot", "150:window.png", "--screenshot", "250:again.png"],
                                  TRAINING + ["100 tap F1", "200 tap F1"], env={"DISPLAY": display})
                # The screen's mode and the game's window as the X server has them, looked at while the game
                # is fullscreen, windowed and fullscreen again: between two frames well inside one of the three.
                seen = set()
                while game.poll() is None:
                    before = read_trace(workdir)
                    mode, windows = screen_size(display, check=False), game_windows(display)
                    after = read_trace(workdir)
                    frames = [lines[-1]["frame"] for lines in (before, after) if lines]
                    if mode and len(frames) == 2 and 30 <= frames[0] % 100 and frames[1] % 100 < 95 and frames[0] // 100 == frames[1] // 100:
                        seen.add((frames[0] // 100, after[-1]["fullscreen"], mode, *windows))
                    time.sleep(0.02)
                self.assertEqual(game.returncode, 0, (workdir / "stderr.txt").read_text())
                self.assertEqual(seen, {(0, True, size, size), (1, False, size, "800x600"), (2, True, size, size)})
                self.assertEqual(screen_size(display), size)

                w, h = map(int, size.split("x"))
                self.assertEqual([pixels(workdir / f"{shot}.png")[:2] for shot in ("window", "again")], [(800, 600), (w, h)])
                # The 800x600 picture, scaled to the screen's height and centred: same place, same proportions.
                scale, offset = h / 600, (w - 800 * h / 600) / 2
                expected = (left * scale + offset, top * scale, right * scale + offset, bottom * scale)
                for got, want in zip(table_box(workdir / "full.png"), expected):
                    self.assertAlmostEqual(got, want, delta=3 + 0.01 * w)


def peak(run):  # the loudest sample of a run's disk audio, as a fraction of full scale
    stat = subprocess.run(["sox", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16", "-c", "2",
                           str(run.workdir / "audio.raw"), "-n", "stat"], capture_output=True, text=True)
    return float(re.search(r"Maximum amplitude:\s+([\d.]+)", stat.stderr).group(1))


class SettingsFile(unittest.TestCase):
    def run_with(self, script, settings=None, frames=60, **kwargs):
        return played(self, script, frames=frames, workdir=make_workdir(settings=settings), **kwargs)

    def test_volumes_reach_the_mixer(self):
        quieter = "music_volume = 50\neffects_volume = 25\n"
        for script, heard, volume in ((JINGLE, "music", 0.5), (SHOT, "sounds", 0.25)):
            loud, soft = (self.run_with(script, settings, audio="disk") for settings in (None, quieter))
            self.assertTrue(loud.all(heard) and loud.all(heard) == soft.all(heard), heard)
            self.assertAlmostEqual(peak(soft) / peak(loud), volume, delta=0.03)

    def test_fullscreen_no_skips_the_question_sound_off_is_silent_and_bad_lines_are_named(self):
        settings = ("fullscreen = no\nsound = off\nmusic_volume = 150\n# a comment\nvolume = 3\n"
                    "near_up = Z\nfar_up = z\nstick_dead_zone = 30\n")
        r = self.run_with(SHOT, settings, default_args=False, extra_args=["--no-dialogs", "--no-pacing", "--seed", "1"])
        self.assertEqual(r.all("boxes") + r.all("sounds") + [m for m in r.all("music") if m.startswith("play")], [])
        self.assertFalse(r.trace[-1]["fullscreen"] or r.trace[-1]["sound"])
        named = re.findall(r"settings\.conf:(\d+): (.*)", r.stderr)
        self.assertEqual([int(line) for line, _ in named], [3, 5, 7], r.stderr)
        self.assertIn("far_up stays I", r.stderr)
        # The stick pushed as far as the default dead zone lets it steer stays short of this one.
        self.assertEqual({line["schiesser_v_z"] for line in r.trace[24:]}, {0})

    def test_a_french_keyboard_steers_with_z_q_s_d(self):
        r = self.run_with(TRAINING + ["30 down Q", "40 up Q", "50 down Z", "52 up Z", "70 down W", "80 up W"],
                          "near_up = Z\nnear_left = Q\n", frames=90)
        v = {line["frame"]: (line["schiesser_v_x"], line["schiesser_v_z"]) for line in r.trace}
        self.assertEqual((v[30][0], v[50][1]), (-4.5, -4.5))  # Q left, Z up the table
        self.assertTrue(all(v[f][1] != -4.5 for f in range(70, 80)))  # W no longer steers


if __name__ == "__main__":
    unittest.main()
