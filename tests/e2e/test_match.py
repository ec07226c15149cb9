"""A match on the first table with the real game: a shot into the far goal, its
replay and the serve, the play keys, and the fatal table messages."""
import os
import shutil
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, make_workdir, run_game  # noqa: E402

SHOT = "data/sounds/shot.wav"
SIDESHOT = "data/sounds/sideshot.wav"
GOAL = "data/sounds/goal.wav"

# Main menu > New Game > Training > the first table; frame 11 still runs with the
# old state and its table step sets the first table up; play starts at frame 12.
TO_TRAINING_TABLE_1 = ["2 tap ENTER", "4 tap DOWN", "6 tap DOWN", "8 tap ENTER", "10 tap ENTER"]
PLAY = 12


def at(frame, event):
    return f"{PLAY + frame} {event}"


# The computer is switched off and the far mallet steered to the right wall
# with the second player's keys; the near mallet then runs up the table and
# turns right just before it reaches the puck, which leaves diagonally, comes
# off both side walls and enters the far mouth.
SHOT_ON_FAR_GOAL = TO_TRAINING_TABLE_1 + [
    at(2, "down SHIFT"), at(2, "down CTRL"), at(3, "down C"),
    at(4, "up C"), at(4, "up CTRL"), at(4, "up SHIFT"),
    at(6, "down L"), at(36, "up L"),
    at(40, "down W"), at(46, "down D"), at(48, "up W"), at(48, "up D"),
]


def have_models():
    return all((SOURCE_DIR / "data" / "model" / name).exists()
               for name in ("puk.ms3d", "schiesser.ms3d", "kzmplane.ms3d", "table.ms3d"))


def read_png_rgb(path):
    """Rows of (r, g, b) tuples from an 8-bit RGB or RGBA PNG without interlacing."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height, channels = 8, b"", 0, 0, 3
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and color in (2, 6), "only 8-bit RGB(A)"
            channels = 3 if color == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = prev[x]
            c = prev[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        prev = line
    return rows


def count_pixels(rows, test):
    return sum(1 for row in rows for p in row if test(p))


# The mallets are drawn in pure green (0, 0.7, 0) and pure blue (0, 0, 0.7) over
# their textures; the table's own blues and greens are never that pure.
def mallet_green(p):
    return p[1] > 60 and p[0] < 30 and p[2] < 30


def mallet_blue(p):
    return p[2] > 60 and p[0] < 30 and p[1] < 30


def score_texts(line):
    return [t for t in line["texts"] if t["s"].startswith("My: ")]


@unittest.skipUnless(have_models(), "needs the game's models")
class ShotOnTheFarGoal(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.game = run_game(SHOT_ON_FAR_GOAL, frames=PLAY + 330,
                           screenshots={PLAY + 70: "play.png", PLAY + 240: "replay.png"})
        cls.trace = cls.game.trace

    def frames_with(self, sound):
        return [line["frame"] for line in self.trace if sound in line["sounds"]]

    def test_runs_to_the_end(self):
        self.assertEqual(self.game.returncode, 0, self.game.stderr)
        self.assertEqual(len(self.trace), PLAY + 330)

    def test_training_sets_up_the_first_table_after_one_more_frame(self):
        chosen, setup = self.trace[PLAY - 2], self.trace[PLAY - 1]
        self.assertTrue(self.trace[PLAY - 3]["menu"])
        self.assertFalse(chosen["menu"])
        self.assertEqual(chosen["take_table"], 1)
        self.assertFalse(setup["menu"])
        self.assertEqual(setup["take_table"], 0)
        self.assertEqual(setup["table"], 1)
        self.assertFalse(setup["gl_lighting"])
        self.assertEqual((setup["x"], setup["z"]), (150, 200))
        self.assertEqual((setup["camera_x"], setup["camera_y"], setup["camera_z"]), (150, 300, 560))
        self.assertTrue(self.trace[PLAY]["artif_int"])
        self.assertFalse(self.trace[PLAY + 3]["artif_int"])

    def test_hit_walls_then_goal_in_that_order(self):
        shots, walls, goals = self.frames_with(SHOT), self.frames_with(SIDESHOT), self.frames_with(GOAL)
        self.assertEqual(len(shots), 1, shots)
        self.assertEqual(len(goals), 1, goals)
        self.assertEqual(len(walls), 2, walls)
        self.assertLess(shots[0], walls[0])
        self.assertLess(walls[-1], goals[0])

    def test_goal_starts_the_replay_over_the_scorers_end(self):
        goal = self.frames_with(GOAL)[0]
        line = self.trace[goal]
        self.assertEqual((line["my_score"], line["his_score"]), (1, 0))
        self.assertTrue(line["video"])
        self.assertTrue(line["my_goal"])
        self.assertEqual(line["camera_z"], 560)
        self.assertFalse(self.trace[goal - 1]["video"])
        self.assertEqual(self.trace[goal + 1]["camera_z"], 550)

    def test_replay_flies_stops_the_puck_in_the_goal_zone_and_serves(self):
        goal = self.frames_with(GOAL)[0]
        end = next(line["frame"] for line in self.trace[goal:] if not line["video"])
        self.assertGreaterEqual(end - goal, 113)
        replay = self.trace[goal + 1:end]
        self.assertEqual(replay[111]["camera_z"], -560)
        self.assertTrue(all(line["camera_z"] == -570 for line in replay[112:]))
        # the replayed shot ends at rest in the far mouth, and nothing is scored again
        stopped = replay[-1]
        self.assertEqual((stopped["move_x"], stopped["move_z"]), (0, 0))
        self.assertLessEqual(stopped["z"], -311)
        self.assertTrue(all(line["my_score"] == 1 for line in self.trace[goal:]))
        self.assertEqual([s for line in replay for s in line["sounds"]], [])
        served = self.trace[end]
        self.assertEqual((served["x"], served["z"], served["move_x"], served["move_z"]), (150, 200, 0, 0))
        self.assertEqual((served["schiesser_x"], served["schiesser_z"]), (150, 230))
        self.assertEqual((served["gegner_x"], served["gegner_z"]), (150, -300))
        self.assertEqual((served["camera_x"], served["camera_z"]), (150, 560))

    def test_score_line_is_red_and_counts_the_goal(self):
        goal = self.frames_with(GOAL)[0]
        for frame, text in ((PLAY + 5, "My: 0 His: 0"), (goal + 5, "My: 1 His: 0")):
            lines = score_texts(self.trace[frame])
            self.assertEqual([t["s"] for t in lines], [text])
            self.assertEqual(lines[0]["rgba"], [1, 0, 0, 1])

    def test_play_shows_both_mallets_and_the_replay_neither(self):
        self.assertFalse(self.trace[PLAY + 70]["video"])
        self.assertTrue(self.trace[PLAY + 240]["video"])
        play = read_png_rgb(self.game.workdir / "play.png")
        replay = read_png_rgb(self.game.workdir / "replay.png")
        self.assertGreater(count_pixels(play, mallet_green), 200)
        self.assertGreater(count_pixels(play, mallet_blue), 200)
        self.assertLess(count_pixels(replay, mallet_green), 20)
        self.assertLess(count_pixels(replay, mallet_blue), 20)


@unittest.skipUnless(have_models(), "needs the game's models")
class PlayKeys(unittest.TestCase):
    def test_escape_returns_to_the_new_game_menu_with_a_fresh_window(self):
        r = run_game(TO_TRAINING_TABLE_1 + [at(5, "tap ESC")], frames=PLAY + 10)
        self.assertEqual(r.returncode, 0, r.stderr)
        left = r.trace[PLAY + 5]
        self.assertTrue(left["menu"])
        self.assertEqual(left["hauptmenu_nr"], 11)
        self.assertTrue(left["gl_lighting"])
        self.assertIn("stop data/sounds/2.mp3", left["music"])

    def test_ctrl_shift_digit_sets_up_another_table_keeping_the_puck(self):
        r = run_game(TO_TRAINING_TABLE_1 + [at(2, "down W"), at(8, "up W"),
                                            at(12, "down SHIFT"), at(12, "down CTRL"), at(13, "down 3"),
                                            at(16, "up 3"), at(16, "up CTRL"), at(16, "up SHIFT")],
                     frames=PLAY + 20)
        self.assertEqual(r.returncode, 0, r.stderr)
        moved, switched = r.trace[PLAY + 12], r.trace[PLAY + 13]
        self.assertEqual(moved["table"], 1)
        self.assertNotEqual(moved["schiesser_z"], 230)
        self.assertEqual(switched["table"], 3)
        self.assertEqual(switched["puk_rad"], 44)
        self.assertEqual((switched["x"], switched["z"]), (150, 100))
        self.assertEqual((switched["schiesser_x"], switched["schiesser_z"]), (150, 230))
        self.assertEqual(switched["camera_z"], 560)
        self.assertFalse(switched["gl_lighting"])
        # the digit clears itself: one set-up, not one per frame
        self.assertEqual(r.trace[PLAY + 14]["z"], 100)

    def test_mouse_steers_the_mallet_toward_the_pointer(self):
        r = run_game(TO_TRAINING_TABLE_1 + [at(2, "down CTRL"), at(2, "down M"), at(3, "up M"), at(3, "up CTRL"),
                                            at(4, "mouse 700 500")],
                     frames=PLAY + 60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.trace[PLAY + 4]["mouse"])
        # the pointer at (700, 500) is the table point x 31 + 700 / (800 / 238) = 239.25,
        # z 500 / (600 / 289) = 240.8; the mallet settles where its truncated
        # coordinates equal the truncated target or exceed it by one
        for line in r.trace[-10:]:
            self.assertIn(int(line["schiesser_x"]), (239, 240))
            self.assertIn(int(line["schiesser_z"]), (240, 241))
            self.assertEqual((line["schiesser_v_x"], line["schiesser_v_z"]), (0, 0))


@unittest.skipUnless(have_models(), "needs the game's models")
class FatalTableMessages(unittest.TestCase):
    def run_without(self, missing, script):
        workdir = make_workdir(link_data=False)
        shutil.copytree(SOURCE_DIR / "data" / "model", workdir / "data" / "model")
        (workdir / "data" / "sounds").symlink_to(SOURCE_DIR / "data" / "sounds")
        (workdir / "data" / "model" / missing).unlink()
        return run_game(script, frames=PLAY + 20, workdir=workdir)

    def test_missing_table_model_ends_the_game_with_its_message(self):
        r = self.run_without("table.ms3d", TO_TRAINING_TABLE_1)
        self.assertEqual(r.returncode, 0)
        self.assertIn("Error: Couldn't load the model data\\table.ms3d", r.stderr)
        self.assertEqual(r.trace[-1]["frame"], PLAY - 1)
        self.assertEqual(r.trace[-1]["boxes"],
                         [{"caption": "Error", "text": "Couldn't load the model data\\table.ms3d"}])

    def test_second_table_model_failing_names_table_ms3d(self):
        r = self.run_without("table2.ms3d", TO_TRAINING_TABLE_1 + [
            at(2, "down SHIFT"), at(2, "down CTRL"), at(3, "down 2")])
        self.assertEqual(r.returncode, 0)
        self.assertIn("Error: Couldn't load the model data\\table.ms3d", r.stderr)
        self.assertEqual(r.trace[-1]["frame"], PLAY + 3)


if __name__ == "__main__":
    unittest.main()
