"""The data generator makes every committed file under data/ (the MP3s and their recorded
lengths aside, which need lame and espeak-ng) and the shipped Data/system/config.cfg byte for byte."""
import os
import pathlib
import subprocess
import tempfile
import unittest

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
GENERATOR = pathlib.Path(os.environ.get("PUCKSLIDE_BUILD_DIR", SOURCE_DIR / "build")) / "tools" / "gen" / "puckslide3d-gen"


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
