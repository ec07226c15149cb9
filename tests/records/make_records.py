"""Plays the committed records again with the real game (under Xvfb): python3 tests/records/make_records.py.
Remake them when the record's format or the rules change; tests/builds/every_build.sh replays them."""
import os
import pathlib
import shutil
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "e2e"))
from gamerun import run_game  # noqa: E402
from menu_script import Script  # noqa: E402

WIN = 950  # frames a 7:0 match takes with the computer off and W and J held


def win(s, first=False):
    s.tap("ENTER", gap=5)
    if first:
        s.computer_off().tap("V", gap=2)
    return s.down("W", "J").wait(WIN).up("W", "J").wait(5)


def name_entry(s, *keys):
    s.wait(10).tap("ENTER", gap=8)
    for key in keys:
        s.tap(key, gap=3)
    return s.tap("ENTER", gap=30).tap("ESC", gap=6).tap("ESC", gap=10)


def single_ladder():  # computer off: three wins on table 1, then "ACE"
    s = Script().wait(2).tap("ENTER").tap("ENTER", gap=12)
    win(s, first=True)
    win(win(s))
    return name_entry(s, "A", "C", "E")


def multi_ladder():  # computer off; Player1 and Player2 win both rounds, the final is reset by Ctrl+Shift+1
    s = Script().wait(2).tap("ENTER").tap("DOWN").tap("ENTER", gap=12)
    win(s, first=True)
    for _ in range(3):
        win(s)
    s.tap("ENTER", gap=5).down("W", "J").wait(300).down("SHIFT", "CTRL").wait(1).tap("1", gap=2).up("CTRL", "SHIFT")
    s.wait(WIN).up("W", "J").wait(5)
    return name_entry(s, "M", "P")


def training():  # each table in turn, a shot and a stroll on it
    s = Script().wait(2).tap("ENTER").tap("DOWN", times=2).tap("ENTER", gap=8)
    for table in range(1, 12):
        s.tap("DOWN", times=table - 1).tap("ENTER", gap=10).down("W").wait(60).down("A").wait(30).up("W", "A")
        s.tap("ESC", gap=10).tap("DOWN", times=2).tap("ENTER", gap=8)
    return s.tap("ESC", gap=6).tap("ESC", gap=6).tap("ESC", gap=10)


if __name__ == "__main__":
    for name, script in (("single_ladder", single_ladder()), ("multi_ladder", multi_ladder()), ("training", training())):
        run = run_game(script.text(), default_args=False,
                       extra_args=["--windowed", "--no-dialogs", "--no-pacing", "--seed", "15", "--record", "game.rec"])
        if run.returncode != 0:
            sys.exit(f"{name}: {run.stderr}")
        shutil.copy(run.workdir / "game.rec", HERE / f"{name}.rec")
        last = run.trace[-1]
        print(name, len(run.trace), "frames;", "list:", list(zip(last["HSname"], last["hsscore"]))[-3:], file=sys.stderr)
        if os.environ.get("PUCKSLIDE_KEEP_TRACE"):
            shutil.copy(run.workdir / "trace.jsonl", HERE / f"{name}.trace.jsonl")
