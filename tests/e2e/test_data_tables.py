"""Every table in the real game, seen from the default camera at the start of a training match:
the table is drawn where the camera should see it, its far rail and both far corners are in the
picture, and nothing is drawn beside it."""
import math
import os
import shutil
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import run_game  # noqa: E402

# table: (min_x, max_x, min_z, max_z), as the game's tables are set up
BOUNDS = {1: (31, 269, -315, 335), 2: (-40, 335, -315, 335), 3: (-40, 335, -218, 238), 4: (85, 215, -325, 345),
          5: (31, 269, -188, 218), 6: (-30, 330, -473, 503)}
BOUNDS.update({7: BOUNDS[1], 8: BOUNDS[2], 9: BOUNDS[3], 10: BOUNDS[5], 11: BOUNDS[6]})
LIFT, SURFACE_Y = 70.0, -10.0  # the match frame draws everything 70 up; the surface in table coordinates
RAIL_OUTSIDE = 22 + 16  # the rails' outer edge beyond the bounds: a puck radius and the rail
EYE, CENTRE, FOV, WIDTH, HEIGHT = (150.0, 380.0, 610.0), (150.0, 0.0, 0.0), 45.0, 800, 600


def to_screen(x, y, z):
    """Pixel (column, row from the top) of a point in table coordinates, as gluLookAt and gluPerspective map it."""
    f = [(c - e) / math.dist(CENTRE, EYE) for c, e in zip(CENTRE, EYE)]
    s = (-f[2] / math.hypot(f[0], f[2]), 0.0, f[0] / math.hypot(f[0], f[2]))  # forward x up
    u = (s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0])
    p = (x - EYE[0], y + LIFT - EYE[1], z - EYE[2])
    t = math.tan(math.radians(FOV / 2)) * sum(a * b for a, b in zip(f, p))
    ndc_x, ndc_y = sum(a * b for a, b in zip(s, p)) / (t * WIDTH / HEIGHT), sum(a * b for a, b in zip(u, p)) / t
    return int((ndc_x + 1) / 2 * WIDTH), int((1 - ndc_y) / 2 * HEIGHT)


def read_png(path):
    """Width, height and rows of bytes (r, g, b, r, ...) of the game's 8-bit RGB screenshots."""
    data, pos, idat = path.read_bytes(), 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[pos + 8:pos + 21])
            assert (depth, colour, interlace) == (8, 2, 0)
        idat += data[pos + 8:pos + 8 + length] if kind == b"IDAT" else b""
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = (line[i - 3] if i >= 3 else 0), prev[i], (prev[i - 3] if i >= 3 else 0)
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            line[i] = (line[i] + (0, a, b, (a + b) // 2, a if pa <= pb and pa <= pc else b if pb <= pc else c)[kind]) & 255
        rows.append(line)
        prev = line
    return width, height, rows


class TablesFromTheDefaultCamera(unittest.TestCase):
    def test_every_table(self):
        for table, (min_x, max_x, min_z, max_z) in BOUNDS.items():
            with self.subTest(table=table):
                # Main menu > New Game > Training, then down the list to the table.
                script = ["2 tap ENTER", "4 tap DOWN", "6 tap DOWN", "8 tap ENTER"]
                script += [f"{10 + 2 * i} tap DOWN" for i in range(table - 1)] + [f"{8 + 2 * table} tap ENTER"]
                shot = 11 + 2 * table
                run = run_game(script, frames=shot + 1, screenshots={shot: "table.png"})
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.trace[shot]["table"], table)
                width, height, rows = read_png(run.workdir / "table.png")
                shutil.rmtree(run.workdir, ignore_errors=True)
                self.assertEqual((width, height), (WIDTH, HEIGHT))

                def brightness(x, y, z):
                    column, row = to_screen(x, y, z)
                    return sum(rows[row][3 * column:3 * column + 3]) if 0 <= column < WIDTH and 0 <= row < HEIGHT else None
                # The surface between the serve spot and the far rail, and the far rail's corners.
                for point in [((min_x + max_x) / 2, SURFACE_Y, min_z / 2), (min_x - 30, 0, min_z - 30),
                              (max_x + 30, 0, min_z - 30)]:
                    self.assertGreater(brightness(*point) or 0, 30, f"nothing drawn at {point}")
                # Beside the table, at the height of its surface, is the black background.
                for x in (min_x - RAIL_OUTSIDE - 25, max_x + RAIL_OUTSIDE + 25):
                    for z in (min_z, (min_z + max_z) / 2):
                        self.assertLess(brightness(x, SURFACE_Y, z) or 0, 10, f"drawn beside the table at {(x, z)}")


if __name__ == "__main__":
    unittest.main()
