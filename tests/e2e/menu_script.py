"""Scripted input for the menu scenarios and the helpers they share. The computer
is switched off with Ctrl+Shift+C: to win, W and J are held (every serve in the
near half scores again); to lose, K is held and the near player moves away with A.
"""
import os
import shutil

from gamerun import run_game

# Frames a match may take before the next key is pressed (a 7:0 match takes about 900).
MATCH_FRAMES = 1300
PLAY, STOP = "play data/sounds/2.mp3", "stop data/sounds/2.mp3"


class Script:
    """Builds a --script text; `frame` is where the next event goes, `marks` names frames."""

    def __init__(self):
        self.lines, self.frame, self.marks = [], 0, {}

    def tap(self, key, times=1, gap=4):
        for _ in range(times):
            self.lines.append(f"{self.frame} tap {key}")
            self.frame += gap
        return self

    def down(self, *keys, event="down"):
        self.lines += [f"{self.frame} {event} {k}" for k in keys]
        return self

    def up(self, *keys):
        return self.down(*keys, event="up")

    def wait(self, frames):
        self.frame += frames
        return self

    def mark(self, name):  # the frame where the next key press takes effect
        self.marks[name] = self.frame
        return self

    def computer_off(self):
        return self.down("SHIFT", "CTRL").wait(1).tap("C", gap=2).up("CTRL", "SHIFT").wait(2)

    def first_ladder_match(self, screen_downs=0):
        """From the main menu into a ladder (0: singleplayer, 1: multiplayer) and its first match,
        marked m1, won 7:0 with the computer and the replay switched off."""
        self.wait(2).tap("ENTER").tap("DOWN", times=screen_downs).tap("ENTER", gap=12)
        self.mark("m1").tap("ENTER", gap=5).computer_off().tap("V", gap=2)
        return self.down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)

    def win_match(self, name=None):
        """ENTER on a ladder screen, then a 7:0 win."""
        return self.mark(name).tap("ENTER", gap=5).down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)

    def lose_match(self, name=None):
        """ENTER on a ladder screen, then a 0:7 loss."""
        self.mark(name).tap("ENTER", gap=5).down("K", "W").wait(12).up("W").down("A")
        return self.wait(MATCH_FRAMES).up("K", "A").wait(5)

    def text(self):
        return "\n".join(self.lines) + "\n"


def at_frame(trace, frame):
    return next(line for line in trace if line["frame"] == frame)


def texts(line):
    return [t["s"] for t in line["texts"]]


def screens_visited(trace):
    """The screen numbers in the order shown, each run of frames counted once."""
    out = []
    for line in trace:
        if not out or out[-1] != (line["menu"], line["hauptmenu_nr"]):
            out.append((line["menu"], line["hauptmenu_nr"]))
    return out


def discard(run):
    """Removes a run's scratch folder unless PUCKSLIDE_KEEP_RUNS asks to keep it for a look."""
    if run is not None and not os.environ.get("PUCKSLIDE_KEEP_RUNS"):
        shutil.rmtree(run.workdir, ignore_errors=True)


def played(test, script="", **kwargs):
    """run_game for a test: the game must end well, and its folder goes when the test ends."""
    run = run_game(script, **kwargs)
    test.addCleanup(discard, run)
    test.assertEqual(run.returncode, 0, run.stderr)
    return run


def play(test, s, frames_after=100, **kwargs):
    """A Script played to its end and `frames_after` frames more: the run, and its trace by mark,
    at("m1", -1) being the line of the frame before the mark m1."""
    run = played(test, s.text(), frames=s.frame + frames_after, **kwargs)
    return run, lambda mark, offset=0: at_frame(run.trace, s.marks[mark] + offset)
