"""puckslide3d-verify on the records the real game made (tests/records/): what each proves, a record changed in
one input or one checksum refused at that frame, what is not a record of this version refused with its reason;
and it links nothing of the game."""
import json
import os
import pathlib
import struct
import subprocess
import tempfile
import unittest

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
VERIFY = os.environ.get("PUCKSLIDE_VERIFY", "build/puckslide3d-verify")
RECORDS = SOURCE_DIR / "tests" / "records"


def entry(ladder, name, frame, ladder_frames, switches):
    return {"ladder": ladder, "name": name, "score": 21, "frame": frame, "ladder_frames": ladder_frames,
            "switches": switches}


PROVEN = {  # the computer switched off in both ladders; the multiplayer final restarted by Ctrl+Shift+1
    "single_ladder": (2969, entry("single", "ACE", 2932, 2914, ["computer"])),
    "multi_ladder": (5193, entry("multi", "MP", 5156, 5134, ["computer", "table"])),
    "training": (1641, None),
}


def frame_offsets(data):
    """Where each frame starts, and where its players' input records start."""
    at = 14 + struct.unpack_from("<I", data, 10)[0]
    while at < len(data):
        players, at = [], at + 5
        for _ in range(2):
            players.append(at)
            at += 1 + (2 + 7 * struct.unpack_from("<H", data, at + 1)[0] if data[at] & 0x10 else 0)
        yield players
        at += 4


def verify(data):
    with tempfile.NamedTemporaryFile(suffix=".rec") as f:
        f.write(data)
        f.flush()
        r = subprocess.run([VERIFY, f.name], capture_output=True, text=True)
    return r.returncode, json.loads(r.stdout) if r.returncode < 2 else r.stderr


class Verify(unittest.TestCase):
    def test_proves_what_each_record_stored_and_refuses_a_changed_one_at_its_frame(self):
        for name, (frames, stored) in PROVEN.items():
            self.assertEqual(verify((RECORDS / f"{name}.rec").read_bytes()),
                             (0, {"verdict": "proven", "frames": frames, "entry": stored}), name)
        data = bytearray((RECORDS / "single_ladder.rec").read_bytes())
        offsets = list(frame_offsets(data))
        self.assertEqual(len(offsets), 2969)
        checksum, steer = bytearray(data), bytearray(data)
        checksum[-1] ^= 1
        player2 = offsets[1000][1]  # the second ladder match: Player2's far mallet goes up
        steer[player2] |= 1
        for changed, frame in ((checksum, 2968), (steer, 1000)):
            self.assertEqual(verify(bytes(changed)), (1, {"verdict": "refused", "frames": 2969, "reason":
                                                          f"the replay left the recorded game at frame {frame}"}))

    def test_refuses_what_is_not_a_record_of_this_version(self):
        data = (RECORDS / "training.rec").read_bytes()
        idle = bytes(11)  # a frame of no input: its checksum cannot hold, but the count is checked first
        for damaged, reason in [(data[:-2], "frame 1640 of the record is cut short"), (b"#!" + data[2:], "not a recorded game"),
                                (data[:8] + b"\x09" + data[9:], "recorded by another version"),
                                (data[:14] + b"\x07" + data[15:], "the record's start is damaged"),
                                (data + idle * (1 << 20), "cap of 1048576 frames"),
                                (data + bytes(16 << 20), "cap of 16777216 bytes")]:
            code, said = verify(damaged)
            self.assertEqual((code, reason in said), (2, True), said)

    def test_links_nothing_of_the_game(self):
        dynamic = subprocess.run(["readelf", "-d", VERIFY], capture_output=True, text=True, check=True).stdout
        needed = {line.split("[")[1].split(".so")[0] for line in dynamic.splitlines() if "(NEEDED)" in line}
        self.assertLessEqual(needed, {"libstdc++", "libm", "libgcc_s", "libc", "libasan", "libubsan"})
        symbols = subprocess.run(["nm", "-C", VERIFY], capture_output=True, text=True).stdout
        for other in ("SDL_", "enet_", "glBegin", "MilkshapeModel", "NetSession"):
            self.assertNotIn(other, symbols)


if __name__ == "__main__":
    unittest.main()
