"""puckslide3d-verify on the records the real game made (tests/records/): a record changed in one input or checksum
is refused at that frame, what is not a record of this version is refused; it links nothing of the game."""
import json
import os
import pathlib
import struct
import subprocess
import unittest

VERIFY = os.environ.get("PUCKSLIDE_VERIFY", "build/puckslide3d-verify")
RECORDS = pathlib.Path(__file__).resolve().parents[1] / "records"


def frames(data):  # where each frame's input record of Player2 starts, and where the frame ends (after its checksum)
    at = 14 + struct.unpack_from("<I", data, 10)[0]
    while at < len(data):
        player2 = at + 6 + (2 + 7 * struct.unpack_from("<H", data, at + 6)[0] if data[at + 5] & 0x10 else 0)
        at = player2 + 5 + (2 + 7 * struct.unpack_from("<H", data, player2 + 1)[0] if data[player2] & 0x10 else 0)
        yield player2, at


def changed(data):
    """The ladder with Player2's far mallet going up in frame 1500, and with its last checksum changed."""
    steered = bytearray(data)
    steered[list(frames(data))[1500][0]] |= 1
    return bytes(steered), data[:-1] + bytes([data[-1] ^ 1])


def verify(data):
    r = subprocess.run([VERIFY, "/dev/stdin"], input=data, capture_output=True)
    return r.returncode, json.loads(r.stdout) if r.returncode < 2 else r.stderr.decode()


class Verify(unittest.TestCase):
    def test_refuses_a_record_changed_in_one_input_or_checksum_at_its_frame(self):
        # what each record proves unchanged: NAME.json beside it, checked by builds.same_game_on_every_build
        for record, frame in zip(changed((RECORDS / "single_ladder.rec").read_bytes()), (1500, 4018)):
            self.assertEqual(verify(record), (1, {"verdict": "refused", "frames": 4019,
                                                  "reason": f"the replay left the recorded game at frame {frame}"}))

    def test_refuses_what_is_not_a_record_of_this_version(self):
        data = (RECORDS / "training.rec").read_bytes()
        for damaged, reason in [(data[:-2], "frame 1640 of the record is cut short"), (b"#!" + data[2:], "not a recorded"),
                                (data[:8] + b"\x09" + data[9:], "recorded by another version"),
                                (data[:14] + b"\x07" + data[15:], "start is damaged (menu neither 0 nor 1)"),
                                (data + bytes(11 << 20), "cap of 1048576 frames"),  # idle frames, counted first
                                (data + bytes(16 << 20), "cap of 16777216 bytes")]:
            code, said = verify(damaged)
            self.assertEqual((code, reason in said), (2, True), said)

    def test_links_nothing_of_the_game(self):
        dynamic = subprocess.run(["readelf", "-d", VERIFY], capture_output=True, text=True, check=True).stdout
        needed = {line.split("[")[1].split(".so")[0] for line in dynamic.splitlines() if "(NEEDED)" in line}
        self.assertLessEqual(needed, {"libstdc++", "libm", "libgcc_s", "libc", "libasan", "libubsan"})


if __name__ == "__main__":
    unittest.main()
