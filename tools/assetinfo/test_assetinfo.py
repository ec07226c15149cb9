# puckslide3d-inspect's JSON for the third-party models against a MilkShape 3D reading written here
# from the file layout.
import json
import os
import struct
import subprocess
import unittest

INSPECT = os.environ.get("PUCKSLIDE_INSPECT", "")
MODELS = os.environ.get("PUCKSLIDE_ASSIMP_MODELS", "/usr/share/assimp/models/MS3D")


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def read_ms3d(data):
    # The static part of a MilkShape 3D file: what the game's loader keeps.
    version, count = struct.unpack_from("<iH", data, 10)
    positions = [struct.unpack_from("<3f", data, 17 + 15 * i) for i in range(count)]
    at = 16 + 15 * count
    count, = struct.unpack_from("<H", data, at)
    ts = [f32(1.0 - t) for i in range(count) for t in struct.unpack_from("<3f", data, at + 58 + 70 * i)]
    at += 2 + 70 * count
    meshes = []
    for _ in range(struct.unpack_from("<H", data, at)[0]):
        n, = struct.unpack_from("<H", data, at + 35)
        meshes.append({"materialIndex": struct.unpack_from("<b", data, at + 37 + 2 * n)[0], "numTriangles": n})
        at += 36 + 2 * n
    at += 2
    materials = []
    for i in range(struct.unpack_from("<H", data, at)[0]):
        start = at + 2 + 361 * i
        c = struct.unpack_from("<17f", data, start + 32)
        materials.append({"ambient": list(c[0:4]), "diffuse": list(c[4:8]), "specular": list(c[8:12]),
                          "emissive": list(c[12:16]), "shininess": c[16],
                          "textureFilename": data[start + 105:start + 233].split(b"\0")[0].decode("latin-1")})
    return {"version": version, "numVertices": len(positions), "numTriangles": len(ts) // 3,
            "numMeshes": len(meshes), "numMaterials": len(materials), "meshes": meshes, "materials": materials,
            "bounds": {"min": [min(p[k] for p in positions) for k in range(3)],
                       "max": [max(p[k] for p in positions) for k in range(3)]},
            "tRange": [min(ts), max(ts)]}


@unittest.skipUnless(INSPECT, "PUCKSLIDE_INSPECT names the inspector")
class InspectModel(unittest.TestCase):
    def test_third_party_models_match_an_independent_reading(self):
        paths = sorted(os.path.join(MODELS, f) for f in os.listdir(MODELS) if f.endswith(".ms3d"))
        self.assertGreaterEqual(len(paths), 4, "Debian's assimp-testmodels should be installed")
        for path in paths:
            with self.subTest(model=path):
                run = subprocess.run([INSPECT, "model", path], capture_output=True, text=True, timeout=60)
                self.assertEqual(run.returncode, 0, run.stderr)
                # Numbers as the float32 the game holds, so printed decimals compare exactly.
                got = json.loads(run.stdout, parse_float=lambda text: f32(float(text)))
                self.assertEqual(got.pop("file"), path)
                with open(path, "rb") as f:
                    self.assertEqual(got, read_ms3d(f.read()))


if __name__ == "__main__":
    unittest.main()
