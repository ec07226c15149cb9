"""A match on the first table with the real game: a shot into the far goal, its
replay and the serve, all read from the trace."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, run_game  # noqa: E402

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


@unittest.skipUnless(all((SOURCE_DIR / "data" / "model" / name).exists()
                         for name in ("puk.ms3d", "schiesser.ms3d", "kzmplane.ms3d", "table.ms3d")),
                     "needs the game's models")
class ShotOnTheFarGoal(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.game = run_game(SHOT_ON_FAR_GOAL, frames=PLAY + 330)
        cls.trace = cls.game.trace

    def frames_with(self, sound):
        return [line["frame"] for line in self.trace if sound in line["sounds"]]

    def test_hit_walls_goal_replay_and_serve(self):
        self.assertEqual(self.game.returncode, 0, self.game.stderr)
        self.assertEqual(len(self.trace), PLAY + 330)
        self.assertFalse(self.trace[PLAY + 3]["artif_int"])
        shots, walls, goals = self.frames_with(SHOT), self.frames_with(SIDESHOT), self.frames_with(GOAL)
        self.assertEqual((len(shots), len(walls), len(goals)), (1, 2, 1), (shots, walls, goals))
        self.assertLess(shots[0], walls[0])
        self.assertLess(walls[-1], goals[0])
        # the goal starts the replay over the scorer's end
        goal = goals[0]
        line = self.trace[goal]
        self.assertEqual([line[k] for k in ("my_score", "his_score", "video", "my_goal", "camera_z")],
                         [1, 0, True, True, 560])
        self.assertFalse(self.trace[goal - 1]["video"])
        self.assertEqual(self.trace[goal + 1]["camera_z"], 550)
        # the camera flies to the far end and parks; the replayed shot ends at
        # rest in the far mouth, silent, and nothing is scored again
        end = next(line["frame"] for line in self.trace[goal:] if not line["video"])
        self.assertGreaterEqual(end - goal, 113)
        replay = self.trace[goal + 1:end]
        self.assertEqual(replay[111]["camera_z"], -560)
        self.assertTrue(all(line["camera_z"] == -570 for line in replay[112:]))
        stopped = replay[-1]
        self.assertEqual((stopped["move_x"], stopped["move_z"]), (0, 0))
        self.assertLessEqual(stopped["z"], -311)
        self.assertTrue(all(line["my_score"] == 1 for line in self.trace[goal:]))
        self.assertEqual([s for line in replay for s in line["sounds"]], [])
        served = self.trace[end]
        keys = ("x", "z", "move_x", "move_z", "schiesser_x", "schiesser_z", "gegner_x", "gegner_z", "camera_x", "camera_z")
        self.assertEqual(dict((k, served[k]) for k in keys),
                         dict(zip(keys, (150, 200, 0, 0, 150, 230, 150, -300, 150, 560))))
        # the score line is red and counts the goal
        for frame, text in ((PLAY + 5, "My: 0 His: 0"), (goal + 5, "My: 1 His: 0")):
            lines = [t for t in self.trace[frame]["texts"] if t["s"].startswith("My: ")]
            self.assertEqual([t["s"] for t in lines], [text])
            self.assertEqual(lines[0]["rgba"], [1, 0, 0, 1])


if __name__ == "__main__":
    unittest.main()
