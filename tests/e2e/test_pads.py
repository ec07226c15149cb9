"""Gamepads through SDL's controller layer act as the keys do; the letter wheel and rumble."""
import unittest

from gamerun import heard, make_workdir
from menu_script import Script, at_frame, played, screens_visited, texts
from test_play import KICK_OFF, SHOT_ON_FAR_GOAL

# What stands for a key: a pad and its button, or its axis pushed that far (W just beyond the dead zone).
PAD = {"ENTER": "1 a", "ESC": "1 back", "V": "1 y", "DOWN": "1 dpdown", "A": "1 dpleft", "UP": "1 lefty -32768",
       "W": "1 lefty -9000", "J": "2 leftx -32768"}


def pressed(pad, control):
    """The script's events that press a button of `pad` (or push an axis: "lefty -32768"), and let go of it."""
    name, *at = control.split()
    return ((f"pad {pad} axis {name} {at[0]}", f"pad {pad} axis {name} 0") if at else
            (f"pad {pad} button {name} down", f"pad {pad} button {name} up"))


def on_pads(script, second_pad_from=None):
    """The key script on pads 1 and 2; from frame `second_pad_from` on, pad 2 does what pad 1 did."""
    lines = ["0 pad 1 add", "0 pad 2 add"]
    for line in script.lines:
        frame, event, key = line.split()
        if key not in PAD:
            lines.append(line)
            continue
        pad, control = PAD[key].split(" ", 1)
        down, up = pressed(2 if second_pad_from is not None and int(frame) >= second_pad_from else pad, control)
        lines += [f"{frame} {down}"] if event != "up" else []
        lines += [f"{int(frame) + (event == 'tap')} {up}"] if event != "down" else []
    return lines


def into_training(s):
    return s.wait(2).tap("ENTER").tap("DOWN", times=2).tap("ENTER", gap=6)


class PadsAsKeys(unittest.TestCase):
    def same_run(self, keys, pads, frames):
        a, b = played(self, keys, frames=frames), played(self, pads, frames=frames)
        self.assertEqual(b.stderr, "")
        self.assertEqual(len(a.trace), len(b.trace))
        for la, lb in zip(a.trace, b.trace):
            del la["rumble"], lb["rumble"]  # the keys have no pads to rumble
            self.assertEqual(la, lb, f"frame {la['frame']}: " + str({k: (v, lb[k]) for k, v in la.items() if v != lb[k]}))
        return a

    def test_menus_and_training_with_both_mallets_on_two_pads_and_back(self):
        s = into_training(Script()).tap("UP", times=2).tap("ENTER", gap=6).computer_off().down("J")
        s.down("W").wait(40).down("A").wait(20).up("W").wait(10).up("A", "J").tap("V").tap("ESC", gap=8).tap("ESC", gap=8)
        r = self.same_run(s.text(), on_pads(s), s.frame + 5)
        self.assertEqual(screens_visited(r.trace), [(True, 1), (True, 11), (True, 113), (False, 113), (True, 11), (True, 1)])
        for velocity in ("schiesser_v_z", "gegner_v_x"):  # the near mallet ran up, the far one to the left
            self.assertLess(min(line[velocity] for line in r.trace), -4, velocity)

    def test_a_pad_pulled_out_lets_go_and_player_one_passes_on_only_in_the_menus(self):
        s = into_training(Script()).tap("ENTER", gap=6).down("W").wait(30).mark("out").up("W").wait(40)
        s.mark("menus").tap("ESC", gap=8).tap("DOWN", times=2).tap("ENTER", gap=6).tap("ENTER", gap=6)
        s.down("W").wait(30).up("W").wait(5)
        pads = [line.replace("pad 1 axis lefty 0", "pad 1 remove") if line.startswith(f"{s.marks['out']} ") else line
                for line in on_pads(s, second_pad_from=s.marks["menus"])]
        # Mid-match the remaining pad is still Player2, who has no mallet while the computer plays.
        pads += [f"{s.marks['out'] + 5} pad 2 axis lefty -32768", f"{s.marks['out'] + 25} pad 2 axis lefty 0"]
        self.same_run(s.text(), pads, s.frame)


def pad_taps(frame, taps):
    """Script lines of pad presses 4 frames apart from `frame`, each PAD:CONTROL[:FRAMES HELD]; "stick" is up."""
    lines = []
    for tap in taps.split():
        pad, control, held = (tap + ":1").split(":")[:3]
        down, up = pressed(pad, "lefty -32768" if control == "stick" else control)
        lines += [f"{frame} {down}", f"{frame + int(held)} {up}"]
        frame += int(held) + 3
    return lines


LIGHT, STRONG = "low 6144 high 20480", "low 61440 high 40960"
PADS = ["0 pad 1 add", "0 pad 2 add"]


class FromTheCouch(unittest.TestCase):
    def test_a_name_on_the_letter_wheel_is_stored_and_a_recorded_game_stores_it_again(self):
        s = Script().first_ladder_match().win_match().win_match().wait(10).tap("ENTER", gap=8).mark("entry")
        # A; a new place, A, B; a new place held down from A past the blank to a slip, 9, turned back up;
        # a new place with an A taken back with B; a new place turned up to C; stored. Replayed with pads alike.
        e = s.marks["entry"]
        wheel = PADS + pad_taps(e, "1:dpup 1:x 1:stick 2:stick 1:dpright 1:dpdown:51 1:dpup 1:dpright 1:dpup 1:b 1:x "
                                   "2:dpup 1:dpup 1:dpup 1:a")
        game = played(self, s.text() + "\n".join(wheel), frames=e + 120, extra_args=["--seed", "15", "--record", "rec"])
        changes = [(b["frame"] - e, b["HS"]) for a, b in zip(game.trace, game.trace[1:]) if a["HS"] != b["HS"]]
        self.assertEqual(changes, [(0, "A"), (8, "AA"), (12, "AB"), (20, "ABA"), (60, "AB "), (70, "AB9"), (74, "AB "),
                                   (82, "AB A"), (86, "AB "), (94, "AB A"), (98, "AB B"), (102, "AB C")])
        self.assertEqual(texts(at_frame(game.trace, e + 71)), ["Please enter you're name!", "AB9"])  # drawn first
        replayed = played(self, PADS, workdir=game.workdir, extra_args=["--replay", "rec"])
        self.assertEqual(replayed.trace, game.trace)
        self.assertIn('"name": "AB C", "score": 21', replayed.stderr)  # the judge proves the wheel's name

    def test_a_hit_and_a_goal_let_in_rumble_their_players_pads_unless_switched_off(self):
        on = played(self, PADS + SHOT_ON_FAR_GOAL, frames=KICK_OFF + 330)
        felt = [(line["frame"], line["rumble"]) for line in on.trace if line["rumble"]]
        hit, goal = heard(on.trace, "shot")[0], heard(on.trace, "goal")[0]
        self.assertEqual(felt, [(hit, ["pad 1 " + LIGHT]), (goal, ["pad 2 " + STRONG])])  # none in the replay
        off = played(self, PADS + SHOT_ON_FAR_GOAL, frames=KICK_OFF + 330, workdir=make_workdir(settings="rumble = off\n"))
        self.assertEqual((off.all("rumble"), off.trace[-1]["my_score"]), ([], 1))


if __name__ == "__main__":
    unittest.main()
