"""Scripted input for walking the menus and playing ladder matches, and the
checks the menu scenarios share: projected print positions and screenshots.

Matches are driven with the game's own controls only. The computer opponent is
switched off with Ctrl+Shift+C, so the far mallet belongs to a second player:
  - a won match: the near player holds W and the far player holds J (out of the
    way); after each goal the puck is served in the near half again and the
    held keys score once more;
  - a lost match: the far player holds K; the near player shoots once with W
    and then holds A (out of the way); each goal against the near player serves
    the puck in the far half, where the held K shoots again.
"""
import math
import struct
import zlib

# Frames a match may take before the next key is pressed (a 7:0 match takes about 900).
MATCH_FRAMES = 1300
WIDTH, HEIGHT = 800, 600


class Script:
    """Builds a --script text; `frame` is where the next event goes."""

    def __init__(self):
        self.lines = []
        self.frame = 0
        self.marks = {}

    def _add(self, event, *keys):
        for key in keys:
            self.lines.append(f"{self.frame} {event} {key}")

    def tap(self, key, times=1, gap=4):
        for _ in range(times):
            self._add("tap", key)
            self.frame += gap
        return self

    def down(self, *keys):
        self._add("down", *keys)
        return self

    def up(self, *keys):
        self._add("up", *keys)
        return self

    def wait(self, frames):
        self.frame += frames
        return self

    def mark(self, name):
        """Remembers the frame where a key press will take effect."""
        self.marks[name] = self.frame
        return self

    def type_text(self, keys):
        for key in keys:
            self.tap(key, gap=3)
        return self

    def computer_off(self):
        self.down("SHIFT", "CTRL").wait(1).tap("C", gap=2).up("CTRL", "SHIFT").wait(2)
        return self

    def win_match(self, computer_off=False, name=None):
        """ENTER on a ladder screen, then a 7:0 win."""
        if name:
            self.mark(name)
        self.tap("ENTER", gap=5)
        if computer_off:
            self.computer_off()
        self.down("W", "J").wait(MATCH_FRAMES).up("W", "J").wait(5)
        return self

    def lose_match(self, computer_off=False, name=None):
        """ENTER on a ladder screen, then a 0:7 loss."""
        if name:
            self.mark(name)
        self.tap("ENTER", gap=5)
        if computer_off:
            self.computer_off()
        self.down("K", "W").wait(12).up("W").down("A").wait(MATCH_FRAMES).up("K", "A").wait(5)
        return self

    def text(self):
        return "\n".join(self.lines) + "\n"


def at_frame(trace, frame):
    for line in trace:
        if line["frame"] == frame:
            return line
    raise KeyError(frame)


def texts(line):
    return [t["s"] for t in line["texts"]]


def screens_visited(trace):
    """The screen numbers in the order shown, each run of frames counted once."""
    out = []
    for line in trace:
        key = (line["menu"], line["hauptmenu_nr"])
        if not out or out[-1] != key:
            out.append(key)
    return out


def project_origin(x, y, z):
    """Window position (origin top-left) of an eye-space point in the game's
    800x600 view with its 45 degree perspective."""
    f = 1.0 / math.tan(math.radians(45.0) / 2)
    aspect = WIDTH / HEIGHT
    ndc_x = (f / aspect) * x / -z
    ndc_y = f * y / -z
    return (ndc_x + 1) * 0.5 * WIDTH, HEIGHT - (ndc_y + 1) * 0.5 * HEIGHT


def read_png(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, "unsupported PNG"
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for r in range(height):
        kind = raw[r * (stride + 1)]
        line = bytearray(raw[r * (stride + 1) + 1:(r + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = prev[i]
            up_left = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)
                line[i] = (line[i] + pred) & 0xFF
        rows.append([tuple(line[c * channels:c * channels + 3]) for c in range(width)])
        prev = line
    return width, height, rows


def lit_fraction(path, step=2):
    """Share of sampled pixels that are not black."""
    _, _, rows = read_png(path)
    sampled = lit = 0
    for row in rows[::step]:
        for px in row[::step]:
            sampled += 1
            if max(px) > 24:
                lit += 1
    return lit / sampled


def discard(run):
    """Removes a run's scratch folder unless PUCKSLIDE_KEEP_RUNS asks to keep it for a look."""
    import os
    import shutil
    if run is not None and not os.environ.get("PUCKSLIDE_KEEP_RUNS"):
        shutil.rmtree(run.workdir, ignore_errors=True)
