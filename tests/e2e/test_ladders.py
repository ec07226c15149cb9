"""Both ladders: the singleplayer one to a name in the high-score file, the multiplayer one to its final."""
import unittest

from menu_script import PLAY, STOP, Script, play, texts

# With this seed every ladder match is drawn on table 1, the table the scripted matches are made for.
SEED = ["--seed", "15"]


class SingleplayerLadder(unittest.TestCase):
    def test_to_a_name_in_the_list_and_its_file(self):
        s = Script().first_ladder_match()
        s.lose_match(name="m2").win_match(name="m3").win_match(name="m4")
        s.wait(10).mark("finished").tap("ENTER", gap=8)
        for key in ["A", "B", "X", "BACK", "SPACE", "C"]:  # "AB", a slip, Backspace, a blank and "C"
            s.tap(key, gap=3)
        s.wait(5).mark("typed").tap("ENTER", gap=30).mark("list").tap("ESC", gap=6).tap("ESC", gap=10)
        r, at = play(self, s, 200, extra_args=SEED)
        self.assertEqual((r.stderr.strip(), r.trace[-1]["hauptmenu_nr"]), ("", 1), r.stderr)
        for m in ("m1", "m2", "m3", "m4"):
            self.assertEqual((at(m)["music"], at(m)["menu"]), ([PLAY], False), m)
            self.assertEqual(at(m, 1)["table"], 1, "the seed no longer gives table 1; pick another")
        expected = [("m2", 2, 111, "Score:7"), ("m3", 2, 1110, "Repeat match?    score:0"),
                    ("m4", 3, 111, "Score:7"), ("finished", 4, 111, "Score:14 [ENTER]")]
        for mark, round_, screen, score_line in expected:
            line = at(mark, -1)
            self.assertEqual((line["menu"], line["a_round"], line["hauptmenu_nr"], texts(line)[1]),
                             (True, round_, screen, score_line), mark)
        line = at("finished")
        self.assertEqual((line["hauptmenu_nr"], line["HSfinalscore"], line["music"]), (21, 14, [PLAY, STOP]))
        self.assertEqual(texts(at("typed", -1)), ["Please enter you're name!", "AB C"])
        line = at("list", -25)
        self.assertEqual((line["hauptmenu_nr"], line["HSname"][9], line["hsscore"][9], texts(line)[18:20]),
                         (2, "AB C", 14, ["AB C", "14"]))
        # in the file as the game reads it back (test_install reads such a file)
        lines = (r.workdir / "Data" / "system" / "config.cfg").read_text().splitlines()
        self.assertEqual((len(lines), lines[5:15], lines[25]), (26, ["-"] * 9 + ["AB_C"], "14"))


HIGH_LIST = ("Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: x\nContact: y\n"
             "Owned by Valentino\n" + "".join(f"KEEPER{i}\n" for i in range(10)) + "//Nothing\n" +
             "".join(f"{20 + i}\n" for i in range(10)))


class MultiplayerLadder(unittest.TestCase):
    def test_to_the_final_with_the_computer_off(self):
        s = Script().first_ladder_match(1)
        s.lose_match(name="m2").win_match(name="m3").win_match(name="m4").win_match(name="m5")
        # Back through New Game: choosing the mode switches the computer on again,
        # and the ladder screen of the final switches it off.
        s.mark("dropped").tap("ENTER", gap=20).tap("ESC", gap=8).tap("DOWN").mark("reentered").tap("ENTER", gap=10)
        s.lose_match(name="final").wait(10).mark("finished").tap("ENTER", gap=20)
        s.mark("esc").tap("ESC", gap=10)
        s.tap("ENTER").tap("DOWN").tap("ENTER", gap=10).mark("again").tap("ENTER", gap=20)
        s.tap("ESC", gap=6).tap("ESC", gap=10)
        _, at = play(self, s, 200, extra_args=SEED, config=HIGH_LIST)
        for mark, *want in [  # (before mark, m_round, player1_turn, screen, pl1, pl2)
                ("m1", 1, True, 112, 0, 0), ("m2", 1, False, 112, 7, 0), ("m3", 1, False, 1120, 7, -7),
                ("m4", 2, True, 112, 7, 0), ("m5", 2, False, 112, 14, 0), ("dropped", 3, True, 112, 14, 7),
                ("finished", 4, False, 112, 7, 7)]:
            line = at(mark, -1)
            got = [line[k] for k in ("m_round", "player1_turn", "hauptmenu_nr", "pl1_final_score", "pl2_final_score")]
            self.assertEqual(got, want, mark)
        self.assertEqual((at("dropped", 20)["hauptmenu_nr"], at("dropped", 20)["m_round"]), (11, 3))
        # set by choosing the mode, cleared by the screen of round 3, off for the whole final
        self.assertEqual([at("reentered", i)["artif_int"] for i in (0, 1)], [True, False])
        self.assertEqual({(at("final", i)["menu"], at("final", i)["artif_int"]) for i in range(1, 200, 20)},
                         {(False, False)})
        shown = at("finished", -1)["texts"]
        self.assertEqual((shown[-1]["s"], shown[-1]["rgba"]), ("Player2", [1, 0, 0, 1]))
        end = at("finished")
        self.assertEqual((end["HSfinalscore"], end["hauptmenu_nr"], end["menu"], STOP in end["music"]), (7, 112, True, True))
        self.assertEqual(at("esc")["hauptmenu_nr"], 1)
        # The finished ladder stays finished for the rest of the run.
        self.assertEqual((at("again")["hauptmenu_nr"], at("again")["m_round"], at("again")["hsscore"]),
                         (112, 4, list(range(20, 30))))


if __name__ == "__main__":
    unittest.main()
