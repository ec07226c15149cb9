"""A recorded game plays back frame for frame, picture for picture; a damaged record is refused or caught."""
import os
import shutil
import subprocess
import unittest

from gamerun import run_game
from menu_script import Script, played

ARGS = ["--windowed", "--no-dialogs", "--no-pacing"]
SEED = ["--seed", "15"]  # the ladder match on table 1, where holding W scores
VERIFY = os.environ.get("PUCKSLIDE_VERIFY", "build/puckslide3d-verify")


def ladder_then_training():
    s = Script()
    s.wait(2).tap("ENTER").tap("ENTER", gap=12).mark("ladder").tap("ENTER", gap=5).computer_off()
    s.down("W", "J").wait(300).mark("match").wait(200).up("W", "J").tap("ESC", gap=10)
    s.tap("DOWN", times=2).tap("ENTER", gap=8).tap("DOWN", times=4).tap("ENTER", gap=10)  # training, table 5
    return s.down("W").wait(150).mark("training").up("W").tap("ESC", gap=10).tap("ESC", gap=10)


class Recording(unittest.TestCase):
    def test_a_recorded_game_replays_frame_for_frame_and_damage_is_refused_or_caught(self):
        s = ladder_then_training()
        shots = {s.marks[m]: f"{m}.png" for m in ("ladder", "match", "training")}
        game = played(self, s.text(), frames=s.frame + 20, screenshots=shots, default_args=False,
                      extra_args=ARGS + SEED + ["--record", "game.rec"])
        self.assertTrue(any(line["video"] for line in game.trace))  # a goal and its replay were recorded
        record = game.workdir / "game.rec"

        watch = game.workdir / "watch"
        shutil.copytree(game.workdir, watch, symlinks=True)
        replayed = run_game("", screenshots=shots, default_args=False, workdir=watch,
                            extra_args=ARGS + ["--replay", str(record)])
        verdict = subprocess.run([VERIFY, record], capture_output=True, text=True).stdout  # the game's replay says it too
        self.assertEqual((replayed.returncode, replayed.stderr), (0, f"puckslide3d: the record's verdict: {verdict}"))
        self.assertEqual(replayed.trace, game.trace)
        for name in shots.values():
            self.assertEqual((game.workdir / name).read_bytes(), (watch / name).read_bytes(), name)
        # The replay wrote no high-score file of its own.
        self.assertEqual((watch / "Data/system/config.cfg").read_bytes(),
                         (game.workdir / "Data/system/config.cfg").read_bytes())

        data = record.read_bytes()
        for what, damaged, code, message in [  # the verifier's refusals (test_verify) are the same reader's
                ("another version", data[:8] + b"\x09" + data[9:], 2, "recorded by another version"),
                # the last frame's checksum changed: the replay says where it parts from the record
                ("another game", data[:-4] + bytes([data[-4] ^ 1]) + data[-3:], 0,
                 f"left the recorded game at frame {len(game.trace) - 1}")]:
            (watch / "bad.rec").write_bytes(damaged)
            r = run_game("", default_args=False, workdir=watch, extra_args=ARGS + ["--replay", "bad.rec"])
            self.assertEqual((r.returncode, message in r.stderr), (code, True), (what, r.stderr))
            if code == 0:  # and so does the verifier
                self.assertTrue(r.stderr.endswith(subprocess.run([VERIFY, "bad.rec"], cwd=watch, capture_output=True, text=True).stdout))


if __name__ == "__main__":
    unittest.main()
