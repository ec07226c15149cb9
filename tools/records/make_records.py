"""Makes tests/records/ again with the real game (under Xvfb), after a change of the rules or the record's format:
python3 tools/records/make_records.py. Check and commit their verdicts with them. The seed draws table 1 for every
ladder match."""
import pathlib
import shutil
import sys

HERE = pathlib.Path(__file__).resolve().parents[2] / "tests" / "records"
sys.path.insert(0, str(HERE.parent / "e2e"))
from gamerun import run_game  # noqa: E402
from menu_script import MATCH_FRAMES, Script  # noqa: E402


def named(s, *keys):  # the finished ladder's name entry, then out of the game
    s.wait(10).tap("ENTER", gap=8)
    for key in keys:
        s.tap(key, gap=3)
    return s.tap("ENTER", gap=30).tap("ESC", gap=6).tap("ESC", gap=10)


single = named(Script().first_ladder_match().win_match().win_match(), "A", "C", "E")
multi = Script().first_ladder_match(1).win_match().win_match().win_match().tap("ENTER", gap=5).down("W", "J")
multi.wait(300).down("SHIFT", "CTRL").wait(1).tap("1", gap=2).up("CTRL", "SHIFT").wait(MATCH_FRAMES).up("W", "J")
multi = named(multi.wait(5), "M", "P")  # ...restarted by Ctrl+Shift+1
training = Script().wait(2).tap("ENTER").tap("DOWN", times=2).tap("ENTER", gap=8)
for table in range(1, 12):  # a shot and a stroll on every table
    training.tap("DOWN", times=table - 1).tap("ENTER", gap=10).down("W").wait(60).down("A").wait(30).up("W", "A")
    training.tap("ESC", gap=10).tap("DOWN", times=2).tap("ENTER", gap=8)
training.tap("ESC", gap=6).tap("ESC", gap=6).tap("ESC", gap=10)
for name, script in (("single_ladder", single), ("multi_ladder", multi), ("training", training)):
    run = run_game(script.text(), default_args=False,
                   extra_args=["--windowed", "--no-dialogs", "--no-pacing", "--seed", "15", "--record", "game.rec"])
    assert run.returncode == 0, run.stderr
    shutil.copy(run.workdir / "game.rec", HERE / f"{name}.rec")
