"""Through the menus and training to a goal and its replay; the high-score list kept and shown without its file."""
import shutil
import unittest

from gamerun import heard, make_workdir
from menu_script import KICK_OFF, PLAY, STOP, TRAINING, Script, play, played, screens_visited, texts

JINGLE = {n: f"play data/sounds/{j}.mp3" for n, j in enumerate(["newgame", "highscore", "options", "credits", "exit"], 1)}


class WalkEveryMenu(unittest.TestCase):
    def test_jingles_help_and_credits_music(self):
        s = Script()
        s.wait(3).mark("down1").tap("DOWN", times=4).mark("wrap_down").tap("DOWN").mark("wrap_up").tap("UP")
        s.tap("DOWN").tap("ENTER", gap=10).tap("ESC").tap("DOWN").tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN", times=2).tap("ENTER", gap=10).tap("ESC")
        s.tap("DOWN", times=3).tap("ENTER", gap=10)
        s.mark("page2").tap("DOWN", gap=10).mark("page3").tap("DOWN", gap=10)
        s.mark("page1").tap("RIGHT", gap=10).mark("page3_wrapped").tap("LEFT", gap=10).tap("ESC")
        s.tap("UP").mark("exit").tap("ENTER", gap=20)
        r, line = play(self, s)
        self.assertEqual(texts(r.trace[0]), ["Puckslide3D", "-> New Game", "   Hiscore", "   Options/Help", "   Credits",
                                             "   Exit"])
        self.assertEqual([n for menu, n in screens_visited(r.trace)], [1, 11, 1, 2, 1, 5, 1, 3, 1])
        self.assertEqual([r.trace[-1][k] for k in ("frame", "hauptmenu_nr", "menu_1_nr")], [s.marks["exit"], 1, 5])
        # The arrows wrap and announce the new entry.
        for i, (mark, entry) in enumerate([("down1", 2), ("down1", 3), ("down1", 4), ("down1", 5),
                                          ("wrap_down", 1), ("wrap_up", 5)]):
            got = line(mark, 4 * i if mark == "down1" else 0)
            self.assertEqual((got["menu_1_nr"], got["music"]), (entry, [STOP, JINGLE[entry]]))
        # the credits music plays on the sounds page alone; reached by a wrap from page 1 it stays silent
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
        r, line = play(self, s, 60)
        start, set_up = line("start"), line("start", 1)
        self.assertEqual((start["take_table"], start["menu"], start["music"]), (7, False, []))
        self.assertEqual((set_up["table"], set_up["puk_rad"], set_up["gl_lighting"]), (7, 50, False))
        # Training counts on past seven; ESC leads to New Game and stops the music.
        before_esc, esc = line("esc_play", -1), line("esc_play")
        self.assertEqual((before_esc["menu"], before_esc["hauptmenu_nr"]), (False, 113))
        self.assertGreater(before_esc["my_score"], 7)
        self.assertEqual((esc["menu"], esc["hauptmenu_nr"], esc["music"]), (True, 11, [STOP]))
        self.assertEqual({(line("ladder_start", i)["a_round"], line("ladder_start", i)["pl1_final_score"])
                          for i in range(15)}, {(1, 0)})
        self.assertFalse(line("ladder_start", 5)["menu"])


# The computer off, the far mallet steered aside; the near one runs up and turns right just before the
# puck, which comes off both side walls into the far mouth.
SHOT_ON_FAR_GOAL = TRAINING + [
    f"{KICK_OFF + frame} {event}" for frame, event in [
        (2, "down SHIFT"), (2, "down CTRL"), (3, "down C"), (4, "up C"), (4, "up CTRL"), (4, "up SHIFT"),
        (6, "down L"), (36, "up L"), (40, "down W"), (46, "down D"), (48, "up W"), (48, "up D")]]


class ShotOnTheFarGoal(unittest.TestCase):
    def test_hit_walls_goal_replay_and_serve(self):
        trace = played(self, SHOT_ON_FAR_GOAL, frames=KICK_OFF + 330).trace
        self.assertEqual(len(trace), KICK_OFF + 330)
        self.assertFalse(trace[KICK_OFF + 3]["artif_int"])
        frames = {s: heard(trace, s) for s in ("shot", "sideshot", "goal")}
        self.assertEqual([len(frames[s]) for s in ("shot", "sideshot", "goal")], [1, 2, 1], frames)
        self.assertTrue(frames["shot"][0] < frames["sideshot"][0] < frames["sideshot"][1] < frames["goal"][0])
        # the goal starts the replay over the scorer's end
        goal = frames["goal"][0]
        self.assertEqual([trace[goal][k] for k in ("my_score", "his_score", "video", "my_goal", "camera_z")],
                         [1, 0, True, True, 560])
        self.assertEqual((trace[goal - 1]["video"], trace[goal + 1]["camera_z"]), (False, 550))
        # the replayed shot ends at rest in the far mouth, then the near end serves
        end = next(line["frame"] for line in trace[goal:] if not line["video"])
        self.assertEqual((trace[end - 1]["move_x"], trace[end - 1]["move_z"], trace[end - 1]["z"] <= -311), (0, 0, True))
        self.assertEqual([trace[end][k] for k in ("x", "z", "move_x", "move_z", "camera_z")], [150, 200, 0, 0, 560])
        # the score line is red and counts the goal
        for frame, text in ((KICK_OFF + 5, "My: 0 His: 0"), (goal + 5, "My: 1 His: 0")):
            self.assertEqual([(t["s"], t["rgba"]) for t in trace[frame]["texts"] if t["s"].startswith("My: ")],
                             [(text, [1, 0, 0, 1])])


# A file may hold any name: the trace must carry quotes, backslashes and control characters intact (test_install
# reads it so; NoFolderForTheFile shows a list).
NAMES = ["-", "ZOE", "A_B", "-", "MAX_POWER", "LU", "KIM", "SAM_2", 'O"D\\A\x01', "BEST"]
LISTED = ["", "ZOE", "A B", "", "MAX POWER", "LU", "KIM", "SAM 2", 'O"D\\A\x01', "BEST"]
SCORES = [-3, 0, 1, 2, 4, 4, 8, 10, 15, 21]
CONFIG = ("Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: x\nContact: y\nOwned by Valentino\n"
          + "".join(n + "\n" for n in NAMES) + "//Nothing\n" + "".join(f"{s}\n" for s in SCORES))


class NoFolderForTheFile(unittest.TestCase):
    def test_both_failures_are_reported_and_the_list_of_this_run_holds_the_name(self):
        workdir = make_workdir(config=False)
        shutil.rmtree(workdir / "Data")
        s = Script().first_ladder_match().win_match().win_match()
        s.wait(10).tap("ENTER", gap=8).tap("Q", gap=3).tap("SPACE", gap=3).tap("7", gap=3).wait(3)
        # ESC stores the name as ENTER does, and goes on to the main menu.
        s.mark("store").tap("ESC", gap=10).tap("DOWN").mark("list").tap("ENTER", gap=20)
        s.tap("ESC", gap=6).tap("ESC", gap=10)
        r, at = play(self, s, workdir=workdir, extra_args=["--seed", "15"])
        self.assertEqual(r.stderr.count("Error: Error: opening /Data/system/config.cfg"), 1, r.stderr)
        opening, writing = ({"caption": "Error", "text": f"Error: {what} /Data/system/config.cfg"}
                            for what in ("opening", "writing"))
        self.assertEqual((r.trace[0]["boxes"], r.all("boxes")), ([opening], [opening, writing]))
        store = at("store")
        self.assertEqual((store["boxes"], store["hauptmenu_nr"]), ([writing], 1))
        self.assertFalse((r.workdir / "Data").exists())
        line = at("list", 5)
        self.assertEqual((line["HSname"][9], line["hsscore"][9]), ("Q 7", 21))
        self.assertEqual(texts(line), ["", "0"] * 9 + ["Q 7", "21"])


if __name__ == "__main__":
    unittest.main()
