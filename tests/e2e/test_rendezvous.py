"""The rendezvous program itself on 127.0.0.1 (its mailbox is unit-tested, and games meet through
it in test_invite): it logs a registration and stops cleanly on SIGTERM, refuses a TURN secret
it cannot use, and links nothing of the game."""
import os
import pathlib
import signal
import socket
import struct
import subprocess
import tempfile
import unittest

PROGRAM = os.environ.get("PUCKSLIDE_RENDEZVOUS", "build/puckslide3d-rendezvous")
REGISTER = bytes([0xC7]) + b"P3R\x01\x01"


class Rendezvous(unittest.TestCase):
    def start(self, secret_file):
        return subprocess.Popen([PROGRAM, "--listen", "127.0.0.1:0", "--turn", "127.0.0.1:3478", "--turn-secret-file",
                                 str(secret_file)], stderr=subprocess.PIPE, text=True)

    def test_logs_a_registration_and_stops_on_sigterm(self):
        with tempfile.NamedTemporaryFile("w") as secret, socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as host:
            secret.write("north-pole-secret\n")
            secret.flush()
            server = self.start(secret.name)
            self.addCleanup(server.kill)
            first = server.stderr.readline()
            self.assertIn("TURN at 127.0.0.1:3478", first)
            host.settimeout(5)
            host.sendto(REGISTER + struct.pack("<QIBIH", 0xAB, 0, 1, 0xC0A80002, 27315),
                        ("127.0.0.1", int(first.split("listening on 127.0.0.1:")[1].split(",")[0])))
            lookup_id = struct.unpack_from("<I", host.recv(600), 14)[0]
        server.send_signal(signal.SIGTERM)
        self.assertEqual(server.wait(timeout=10), 0)
        log = server.stderr.read()
        self.assertRegex(log, rf"^.*registered {lookup_id:07X} for 127.0.0.1:\d+\n.*stopping on SIGTERM.*\n$")

    def test_refuses_a_secret_it_cannot_use(self):
        with tempfile.TemporaryDirectory() as folder:
            empty = pathlib.Path(folder) / "empty"
            empty.write_text("\n")
            for path, reason in ((empty, "empty"), (pathlib.Path(folder) / "missing", "No such file")):
                server = self.start(path)
                self.assertEqual((server.wait(10), reason in server.stderr.read()), (2, True))
                server.stderr.close()
        self.assertEqual(subprocess.run([PROGRAM, "--turn", "127.0.0.1:3478"], capture_output=True).returncode, 2)

    def test_links_nothing_of_the_game(self):
        dynamic = subprocess.run(["readelf", "-d", PROGRAM], capture_output=True, text=True, check=True).stdout
        needed = {line.split("[")[1].split(".so")[0] for line in dynamic.splitlines() if "(NEEDED)" in line}
        self.assertLessEqual(needed, {"libcrypto", "libstdc++", "libm", "libgcc_s", "libc", "libasan", "libubsan"})
        symbols = subprocess.run(["nm", "-C", PROGRAM], capture_output=True, text=True).stdout
        self.assertNotIn("GameState", symbols)


if __name__ == "__main__":
    unittest.main()
