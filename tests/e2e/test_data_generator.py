"""The data generator: it makes every committed file under data/ (the MP3s aside, which
need lame and espeak-ng) and the shipped Data/system/config.cfg byte for byte, and a
second run into the same folder changes nothing."""
import os
import pathlib
import subprocess
import tempfile
import unittest

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_BUILD_DIR", SOURCE_DIR / "build"))
GENERATOR = BUILD_DIR / "tools" / "gen" / "puckslide3d-gen"

# Made by lame and espeak-ng, whose output may differ between their versions.
ENCODED = {".mp3"}
ENCODED_NAMES = {"lengths.txt"}


def files_below(root):
    found = {}
    for folder in ("data", "Data/system"):
        base = root / folder
        if not base.exists():
            continue
        for path in base.rglob("*"):
            if path.is_file():
                found[path.relative_to(root).as_posix()] = path
    return found


def generated_kind(name):
    path = pathlib.PurePosixPath(name)
    return path.suffix not in ENCODED and path.name not in ENCODED_NAMES


class Generator(unittest.TestCase):
    def run_generator(self, out):
        result = subprocess.run([str(GENERATOR), "--out", str(out), "--skip-encoded"],
                                capture_output=True, text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def test_makes_the_committed_files_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = pathlib.Path(tmp)
            self.run_generator(out)
            made = files_below(out)
            committed = {name: path for name, path in files_below(SOURCE_DIR).items() if generated_kind(name)}
            self.assertEqual(sorted(made), sorted(committed))
            for name, path in made.items():
                with self.subTest(file=name):
                    self.assertTrue(path.read_bytes() == committed[name].read_bytes(),
                                    f"{name} differs from what the generator makes: run the regenerate-data target")

    def test_a_second_run_rewrites_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = pathlib.Path(tmp)
            self.run_generator(out)
            self.assertIn(" 0 changed", self.run_generator(out))

    def test_every_encoded_file_has_a_recorded_length(self):
        lengths = (SOURCE_DIR / "data" / "sounds" / "lengths.txt").read_text().splitlines()
        recorded = {line.split()[0] for line in lengths if line and not line.startswith("#")}
        mp3s = {path.name for path in (SOURCE_DIR / "data" / "sounds").glob("*.mp3")}
        self.assertEqual(recorded, mp3s)
        self.assertEqual(mp3s, {"2.mp3", "newgame.mp3", "highscore.mp3", "options.mp3", "credits.mp3", "exit.mp3"})


if __name__ == "__main__":
    unittest.main()
