"""puckslide3d-inspect against readings of its own: a small MilkShape 3D reader written here from the
file layout, and ImageMagick's reading of BMP files."""
import json
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

INSPECT = os.environ.get("PUCKSLIDE_INSPECT", "")
THIRD_PARTY_MODELS = os.environ.get("PUCKSLIDE_ASSIMP_MODELS", "/usr/share/assimp/models/MS3D")


def f32(value):
    """The float32 nearest to value, as the game stores it."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def read_ms3d(path):
    """Reads the static part of a MilkShape 3D file: what the game's loader keeps."""
    data = open(path, "rb").read()
    if data[:10] != b"MS3D000000":
        raise ValueError("identifier")
    version, = struct.unpack_from("<i", data, 10)
    at = 14
    count, = struct.unpack_from("<H", data, at)
    at += 2
    positions = [struct.unpack_from("<3f", data, at + 15 * i + 1) for i in range(count)]
    at += 15 * count
    count, = struct.unpack_from("<H", data, at)
    at += 2
    ts = []
    for i in range(count):
        ts.extend(f32(1.0 - t) for t in struct.unpack_from("<3f", data, at + 56))
        at += 70
    count, = struct.unpack_from("<H", data, at)
    at += 2
    meshes = []
    for i in range(count):
        at += 33
        n, = struct.unpack_from("<H", data, at)
        at += 2 + 2 * n
        material, = struct.unpack_from("<b", data, at)
        at += 1
        meshes.append({"materialIndex": material, "numTriangles": n})
    count, = struct.unpack_from("<H", data, at)
    at += 2
    materials = []
    for i in range(count):
        floats = struct.unpack_from("<17f", data, at + 32)
        name = data[at + 105:at + 233].split(b"\0")[0].decode("latin-1")
        materials.append({"ambient": list(floats[0:4]), "diffuse": list(floats[4:8]),
                          "specular": list(floats[8:12]), "emissive": list(floats[12:16]),
                          "shininess": floats[16], "textureFilename": name})
        at += 361
    bounds = None
    if positions:
        bounds = {"min": [min(p[k] for p in positions) for k in range(3)],
                  "max": [max(p[k] for p in positions) for k in range(3)]}
    return {"version": version, "numVertices": len(positions), "numTriangles": len(ts) // 3,
            "numMeshes": len(meshes), "numMaterials": len(materials), "meshes": meshes,
            "materials": materials, "bounds": bounds,
            "tRange": [min(ts), max(ts)] if ts else None}


def inspect(*args):
    return subprocess.run([INSPECT, *args], capture_output=True, text=True, timeout=60)


def magick_rgb_bottom_up(path):
    """ImageMagick's pixels of the file, bottom row first, with the size."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    magic, width, height, maxval, pixels = ppm.split(maxsplit=4)
    assert magic == b"P6" and maxval == b"255"
    width, height = int(width), int(height)
    row = width * 3
    rows = [pixels[y * row:(y + 1) * row] for y in range(height)]
    return width, height, b"".join(reversed(rows))


@unittest.skipUnless(INSPECT, "PUCKSLIDE_INSPECT names the inspector")
class InspectModel(unittest.TestCase):
    def third_party(self):
        files = sorted(f for f in os.listdir(THIRD_PARTY_MODELS) if f.endswith(".ms3d"))
        self.assertGreaterEqual(len(files), 4, "Debian's assimp-testmodels should be installed")
        return [os.path.join(THIRD_PARTY_MODELS, f) for f in files]

    def assertClose(self, got, want, where):
        if isinstance(want, dict):
            self.assertEqual(sorted(got), sorted(want), where)
            for key in want:
                self.assertClose(got[key], want[key], f"{where}.{key}")
        elif isinstance(want, list):
            self.assertEqual(len(got), len(want), where)
            for i, (g, w) in enumerate(zip(got, want)):
                self.assertClose(g, w, f"{where}[{i}]")
        elif isinstance(want, float):
            self.assertAlmostEqual(got, want, delta=1e-6 * max(1.0, abs(want)), msg=where)
        else:
            self.assertEqual(got, want, where)

    def test_third_party_models_match_an_independent_reading(self):
        for path in self.third_party():
            with self.subTest(model=os.path.basename(path)):
                run = inspect("model", path)
                self.assertEqual(run.returncode, 0, run.stderr)
                got = json.loads(run.stdout)
                self.assertEqual(got.pop("file"), path)
                self.assertClose(got, read_ms3d(path), os.path.basename(path))

    def test_refused_model_reports_and_fails(self):
        source = os.path.join(THIRD_PARTY_MODELS, "twospheres.ms3d")
        with tempfile.TemporaryDirectory() as tmp:
            cut = os.path.join(tmp, "cut.ms3d")
            with open(source, "rb") as f, open(cut, "wb") as out:
                out.write(f.read(5000))
            for path in (cut, os.path.join(tmp, "missing.ms3d")):
                run = inspect("model", path)
                self.assertEqual(run.returncode, 1)
                self.assertEqual(run.stdout, "")
                self.assertIn(path, run.stderr)

    def test_usage(self):
        for args in ((), ("model",), ("sound", "x.wav"), ("model", "a", "b")):
            run = inspect(*args)
            self.assertEqual(run.returncode, 2, args)
            self.assertIn("usage", run.stderr)


@unittest.skipUnless(INSPECT, "PUCKSLIDE_INSPECT names the inspector")
class InspectImage(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def test_crc_of_bottom_up_rgb_matches_imagemagick(self):
        variants = {"24": ["-type", "truecolor", "BMP3:"], "8": ["-colors", "64", "-type", "palette", "BMP3:"],
                    "4": ["-colors", "16", "-type", "palette", "BMP3:"]}
        for name, options in variants.items():
            with self.subTest(bits=name):
                path = os.path.join(self.tmp, name + ".bmp")
                subprocess.run(["convert", "-size", "33x17", "gradient:red-blue", *options[:-1],
                                options[-1] + path], check=True)
                width, height, rgb = magick_rgb_bottom_up(path)
                run = inspect("image", path)
                self.assertEqual(run.returncode, 0, run.stderr)
                got = json.loads(run.stdout)
                self.assertEqual((got["width"], got["height"]), (width, height))
                self.assertEqual(got["crc32"], zlib.crc32(rgb))

    def test_refused_image_reports_and_fails(self):
        not_bmp = os.path.join(self.tmp, "x.bmp")
        with open(not_bmp, "wb") as f:
            f.write(b"P6\n1 1\n255\n\0\0\0")
        for path in (not_bmp, os.path.join(self.tmp, "missing.bmp")):
            run = inspect("image", path)
            self.assertEqual(run.returncode, 1)
            self.assertEqual(run.stdout, "")
            self.assertIn(path, run.stderr)


if __name__ == "__main__":
    unittest.main()
