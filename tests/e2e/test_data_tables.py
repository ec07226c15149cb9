"""Every table in the real game, seen from the default camera at the start of a training match,
opaque and then blended at opacity 0.4: the table is drawn where the camera should see it,
its far rail and both far corners are in the picture, and nothing is drawn beside it.
Set PUCKSLIDE_KEEP_SCREENSHOTS to a folder to keep the pictures for a look."""
import math
import os
import pathlib
import shutil
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, run_game  # noqa: E402

# name: (min_x, max_x, min_z, max_z), as the game's tables are set up
BOUNDS = {
    1: (31, 269, -315, 335), 2: (-40, 335, -315, 335), 3: (-40, 335, -218, 238), 4: (85, 215, -325, 345),
    5: (31, 269, -188, 218), 6: (-30, 330, -473, 503), 7: (31, 269, -315, 335), 8: (-40, 335, -315, 335),
    9: (-40, 335, -218, 238), 10: (31, 269, -188, 218), 11: (-30, 330, -473, 503),
}
LIFT = 70.0         # the match frame draws everything this far up
SURFACE_Y = -10.0   # the playing surface in table coordinates
RAIL_OUTSIDE = 22 + 16  # the rails' outer edge beyond the bounds: a puck radius and the rail

EYE, CENTRE, FOV, WIDTH, HEIGHT = (150.0, 380.0, 610.0), (150.0, 0.0, 0.0), 45.0, 800, 600


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def unit(a):
    n = math.sqrt(dot(a, a))
    return tuple(x / n for x in a)


def to_screen(x, y, z):
    """Pixel (column, row from the top) of a point in table coordinates."""
    f = unit(sub(CENTRE, EYE))
    s = unit(cross(f, (0.0, 1.0, 0.0)))
    u = cross(s, f)
    p = sub((x, y + LIFT, z), EYE)
    depth = dot(f, p)
    t = math.tan(math.radians(FOV / 2))
    ndc_x = dot(s, p) / (depth * t * WIDTH / HEIGHT)
    ndc_y = dot(u, p) / (depth * t)
    return int((ndc_x + 1) / 2 * WIDTH), int((1 - ndc_y) / 2 * HEIGHT)


def read_png(path):
    """Rows of (r, g, b) from an 8-bit RGB or RGBA PNG without interlacing."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, channels)])
        previous = line
    return rows


def brightness(rows, column, row):
    return sum(rows[row][column])


def have_models():
    return (SOURCE_DIR / "data" / "model" / "table.ms3d").exists()


@unittest.skipUnless(have_models(), "no generated models")
class TablesFromTheDefaultCamera(unittest.TestCase):
    def check_picture(self, rows, table):
        min_x, max_x, min_z, max_z = BOUNDS[table]
        self.assertEqual((len(rows[0]), len(rows)), (WIDTH, HEIGHT))
        mid_x = (min_x + max_x) / 2
        # The surface between the serve spot and the far rail, and the far rail's corners.
        for point in [(mid_x, SURFACE_Y, min_z / 2), (min_x - 30, 0, min_z - 30), (max_x + 30, 0, min_z - 30)]:
            column, row = to_screen(*point)
            self.assertTrue(0 <= column < WIDTH and 0 <= row < HEIGHT, point)
            self.assertGreater(brightness(rows, column, row), 30, f"nothing drawn at {point}")
        # Beside the table, at the height of its surface, is the black background.
        for x in (min_x - RAIL_OUTSIDE - 25, max_x + RAIL_OUTSIDE + 25):
            for z in (min_z, (min_z + max_z) / 2):
                column, row = to_screen(x, SURFACE_Y, z)
                if 0 <= column < WIDTH and 0 <= row < HEIGHT:
                    self.assertLess(brightness(rows, column, row), 10, f"something drawn beside the table at {(x, z)}")

    def test_every_table(self):
        keep = os.environ.get("PUCKSLIDE_KEEP_SCREENSHOTS")
        for table in range(1, 12):
            with self.subTest(table=table):
                # Main menu > New Game > Training, then down the list to the table.
                script = ["2 tap ENTER", "4 tap DOWN", "6 tap DOWN", "8 tap ENTER"]
                frame = 10
                for _ in range(table - 1):
                    script.append(f"{frame} tap DOWN")
                    frame += 2
                script.append(f"{frame} tap ENTER")
                play = frame + 2
                opaque, blended = play + 1, play + 6
                # N switches blending on and lowers the opacity a step, M raises it back to 0.4.
                script += [f"{play + 2} tap N", f"{play + 4} tap M"]
                run = run_game(script, frames=blended + 1,
                               screenshots={opaque: "opaque.png", blended: "blended.png"})
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.trace[opaque]["table"], table)
                self.assertAlmostEqual(run.trace[blended]["blend_fac"], 0.4, places=4)
                for name in ("opaque.png", "blended.png"):
                    self.check_picture(read_png(run.workdir / name), table)
                    if keep:
                        pathlib.Path(keep).mkdir(parents=True, exist_ok=True)
                        shutil.copy(run.workdir / name, pathlib.Path(keep) / f"table{table}_{name}")
                shutil.rmtree(run.workdir, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
