"""Scripted input and the helpers the scenarios share. With the computer off (Ctrl+Shift+C) a match is
won holding W and J (every serve in the near half scores again) and lost holding K with A."""
import itertools

from gamerun import run_game

# Frames a match may take before the next key is pressed (a 7:0 match takes about 900).
MATCH_FRAMES = 1300
PLAY, STOP = "play data/sounds/2.mp3", "stop data/sounds/2.mp3"
# Main menu > New Game > Training > the first table; frame 11 still runs with the old state and its
# table step sets the table up; play starts at frame 12.
TRAINING, KICK_OFF = ["2 tap ENTER", "4 tap DOWN", "6 tap DOWN", "8 tap ENTER", "10 tap ENTER"], 12


class Script:
    def __init__(self):  # `frame` is where the next event goes, `marks` names frames
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
        """Into a ladder (0: singleplayer, 1: multiplayer) and its first match, m1, won 7:0, computer and replay off."""
        self.wait(2).tap("ENTER").tap("DOWN", times=screen_downs).tap("ENTER", gap=12)
        self.mark("m1").tap("ENTER", gap=5).computer_off().tap("V", gap=2)
        return self.down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)

    def win_match(self, name=None):  # from a ladder screen
        return self.mark(name).tap("ENTER", gap=5).down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)

    def lose_match(self, name=None):
        self.mark(name).tap("ENTER", gap=5).down("K", "W").wait(12).up("W").down("A")
        return self.wait(MATCH_FRAMES).up("K", "A").wait(5)

    def text(self):
        return "\n".join(self.lines) + "\n"


def at_frame(trace, frame):
    return next(line for line in trace if line["frame"] == frame)


def texts(line):
    return [t["s"] for t in line["texts"]]


def screens_visited(trace):  # (menu, hauptmenu_nr) in the order shown, each once per visit
    return [screen for screen, _ in itertools.groupby((line["menu"], line["hauptmenu_nr"]) for line in trace)]


def played(test, script="", **kwargs):
    """run_game for a test: the game must end well."""
    run = run_game(script, **kwargs)
    test.assertEqual(run.returncode, 0, run.stderr)
    return run


def play(test, s, frames_after=100, **kwargs):
    """A Script played to its end and `frames_after` frames more: the run, and at(mark, offset=0) its trace's line."""
    run = played(test, s.text(), frames=s.frame + frames_after, **kwargs)
    return run, lambda mark, offset=0: at_frame(run.trace, s.marks[mark] + offset)
