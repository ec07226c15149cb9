"""The generator remakes the committed data byte for byte; every table is drawn where the camera sees it."""
import math
import os
import pathlib
import subprocess
import tempfile
import unittest

from gamerun import BUILD_DIR, SOURCE_DIR, pixels, run_game
from menu_script import TRAINING

GENERATOR = BUILD_DIR / "tools" / "gen" / "puckslide3d-gen"

# table: (min_x, max_x, min_z, max_z), as the game's tables are set up
BOUNDS = {1: (31, 269, -315, 335), 2: (-40, 335, -315, 335), 3: (-40, 335, -218, 238), 4: (85, 215, -325, 345),
          5: (31, 269, -188, 218), 6: (-30, 330, -473, 503)}
BOUNDS.update({7: BOUNDS[1], 8: BOUNDS[2], 9: BOUNDS[3], 10: BOUNDS[5], 11: BOUNDS[6]})
LIFT, SURFACE_Y = 70.0, -10.0  # the match frame draws everything 70 up; the surface in table coordinates
RAIL_OUTSIDE = 22 + 16  # the rails' outer edge beyond the bounds: a puck radius and the rail
EYE, CENTRE, WIDTH, HEIGHT = (150.0, 380.0, 610.0), (150.0, 0.0, 0.0), 800, 600


def to_screen(x, y, z):
    """Pixel (column, row from the top) of a point in table coordinates, as gluLookAt and gluPerspective (45°) map it."""
    f = [(c - e) / math.dist(CENTRE, EYE) for c, e in zip(CENTRE, EYE)]  # forward, in the y-z plane
    u = (0.0, -f[2], f[1])  # up: forward turned a quarter about x
    p = (x - EYE[0], y + LIFT - EYE[1], z - EYE[2])
    depth = math.tan(math.radians(22.5)) * sum(a * b for a, b in zip(f, p))
    ndc_x, ndc_y = p[0] / (depth * WIDTH / HEIGHT), sum(a * b for a, b in zip(u, p)) / depth
    return int((ndc_x + 1) / 2 * WIDTH), int((1 - ndc_y) / 2 * HEIGHT)


class TablesFromTheDefaultCamera(unittest.TestCase):
    def test_every_table(self):
        for table, (min_x, max_x, min_z, max_z) in BOUNDS.items():
            with self.subTest(table=table):
                script = TRAINING[:4] + [f"{10 + 2 * i} tap DOWN" for i in range(table - 1)] + [f"{8 + 2 * table} tap ENTER"]
                shot = 11 + 2 * table
                run = run_game(script, frames=shot + 1, screenshots={shot: "table.png"})
                self.assertEqual((run.returncode, run.trace[shot]["table"]), (0, table), run.stderr)
                rgb = pixels(run.workdir / "table.png")[2]
                self.assertEqual(len(rgb), WIDTH * HEIGHT * 3)

                def brightness(x, y, z):
                    column, row = to_screen(x, y, z)
                    at = 3 * (row * WIDTH + column)
                    return sum(rgb[at:at + 3]) if 0 <= column < WIDTH and 0 <= row < HEIGHT else 0
                # The surface between the serve spot and the far rail, and the far rail's corners.
                for point in [((min_x + max_x) / 2, SURFACE_Y, min_z / 2), (min_x - 30, 0, min_z - 30),
                              (max_x + 30, 0, min_z - 30)]:
                    self.assertGreater(brightness(*point), 30, f"nothing drawn at {point}")
                # Beside the table, at the height of its surface, is the black background.
                for x in (min_x - RAIL_OUTSIDE - 25, max_x + RAIL_OUTSIDE + 25):
                    for z in (min_z, (min_z + max_z) / 2):
                        self.assertLess(brightness(x, SURFACE_Y, z), 10, f"drawn beside the table at {(x, z)}")


def files_below(root):
    return {p.relative_to(root).as_posix(): p.read_bytes() for folder in ("data", "Data/system")
            for p in (root / folder).rglob("*") if p.is_file() and p.suffix != ".mp3" and p.name != "lengths.txt"}


class Generator(unittest.TestCase):
    def test_makes_the_committed_files_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as tmp:
            result = subprocess.run([str(GENERATOR), "--out", tmp, "--skip-encoded"], capture_output=True, text=True,
                                    timeout=600)
            self.assertEqual(result.returncode, 0, result.stderr)
            made, committed = files_below(pathlib.Path(tmp)), files_below(SOURCE_DIR)
            self.assertEqual(sorted(made), sorted(committed))
            self.assertEqual([name for name in made if made[name] != committed[name]], [],
                             "these differ from what the generator makes: run the regenerate-data target")


if __name__ == "__main__":
    unittest.main()
