"""The rendezvous program on 127.0.0.1: a host registers, a guest looks it up and both learn the
other's address and the TURN credentials; garbage goes unanswered; SIGTERM ends it cleanly; a bad
secret file is refused; and the binary links nothing of the game."""
import base64
import hashlib
import hmac
import os
import pathlib
import signal
import socket
import struct
import subprocess
import tempfile
import time
import unittest

BUILD_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_BUILD_DIR", "build"))
PROGRAM = os.environ.get("PUCKSLIDE_RENDEZVOUS", str(BUILD_DIR / "puckslide3d-rendezvous"))
HEADER = bytes([0xC7]) + b"P3R\x01"
SECRET = "north-pole-secret"
REGISTER, REGISTERED, LOOKUP, FOUND, ARRIVING, NOT_FOUND, UNREGISTER = 1, 2, 3, 4, 5, 6, 9


def message(kind, *fields):
    return HEADER + bytes([kind]) + b"".join(fields)


def addresses(*pairs):
    return bytes([len(pairs)]) + b"".join(struct.pack("<IH", ip, port) for ip, port in pairs)


def endpoint(data, at):
    ip, port = struct.unpack_from("<IH", data, at)
    return socket.inet_ntoa(struct.pack(">I", ip)), port


class Rendezvous(unittest.TestCase):
    def start(self, *options):
        return subprocess.Popen([PROGRAM, "--listen", "127.0.0.1:0", *options], stderr=subprocess.PIPE, text=True)

    def client(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("127.0.0.1", 0))
        s.settimeout(5)
        self.addCleanup(s.close)
        return s

    def test_introduces_a_guest_to_its_host_and_stops_on_sigterm(self):
        with tempfile.NamedTemporaryFile("w", suffix=".secret") as secret:
            secret.write(SECRET + "\n")
            secret.flush()
            server = self.start("--turn", "127.0.0.1:3478", "--turn-secret-file", secret.name)
            try:
                start_line = server.stderr.readline()
            finally:
                self.addCleanup(server.kill)
        self.assertIn("TURN at 127.0.0.1:3478", start_line)
        where = ("127.0.0.1", int(start_line.split("listening on 127.0.0.1:")[1].split(",")[0]))
        host, guest = self.client(), self.client()

        host.sendto(message(REGISTER, struct.pack("<QI", 0xAB, 0), addresses((0xC0A80002, 27315))), where)
        answer = host.recv(600)
        self.assertEqual(answer[5], REGISTERED)
        token, lookup_id = struct.unpack_from("<QI", answer, 6)
        self.assertEqual(token, 0xAB)
        self.assertEqual(endpoint(answer, 18), host.getsockname())
        user_length = answer[33]
        user = answer[34:34 + user_length].decode()
        password = answer[35 + user_length:].decode()
        self.assertAlmostEqual(int(user), time.time() + 12 * 3600, delta=60)
        self.assertEqual(password, base64.b64encode(hmac.new(SECRET.encode(), user.encode(), hashlib.sha1).digest()).decode())

        garbage = [b"", b"hello", HEADER, HEADER + b"\x03" + bytes(40), message(FOUND, bytes(30)), bytes(1400)]
        for datagram in garbage:
            guest.sendto(datagram, where)
        guest.sendto(message(LOOKUP, struct.pack("<QI", 7, lookup_id), addresses((0xC0A80009, 4000))), where)
        found = guest.recv(600)  # the first answer is the lookup's: the garbage got none
        self.assertEqual((found[5], struct.unpack_from("<Q", found, 6)[0]), (FOUND, 7))
        self.assertEqual(endpoint(found, 18), host.getsockname())
        self.assertEqual((found[24], endpoint(found, 25)), (1, ("192.168.0.2", 27315)))
        self.assertEqual(endpoint(found, 31), guest.getsockname())
        arriving = host.recv(600)
        self.assertEqual((arriving[5], struct.unpack_from("<Q", arriving, 6)[0]), (ARRIVING, 0xAB))
        self.assertEqual(endpoint(arriving, 18), guest.getsockname())

        host.sendto(message(UNREGISTER, struct.pack("<Q", 0xAB)), where)
        late = self.client()  # a new lookup, not a repeat of the guest's
        late.sendto(message(LOOKUP, struct.pack("<QI", 8, lookup_id), addresses()), where)
        self.assertEqual(late.recv(600)[5], NOT_FOUND)

        server.send_signal(signal.SIGTERM)
        self.assertEqual(server.wait(timeout=10), 0)
        log = server.stderr.read()
        for expected in (f"registered {lookup_id:07X}", f"lookup {lookup_id:07X} from 127.0.0.1:{guest.getsockname()[1]}: found",
                         f"unregistered {lookup_id:07X}", "not found", "stopping on SIGTERM"):
            self.assertIn(expected, log)
        self.assertEqual(len(log.splitlines()), 5, log)

    def test_refuses_a_secret_it_cannot_use(self):
        with tempfile.TemporaryDirectory() as folder:
            empty = pathlib.Path(folder) / "empty"
            empty.write_text("\n")
            for path, reason in ((empty, "empty"), (pathlib.Path(folder) / "missing", "No such file")):
                server = self.start("--turn", "127.0.0.1:3478", "--turn-secret-file", str(path))
                _, error = server.communicate(timeout=10)
                self.assertEqual(server.returncode, 2)
                self.assertIn(reason, error)
        self.assertEqual(subprocess.run([PROGRAM, "--turn", "127.0.0.1:3478"], capture_output=True).returncode, 2)
        self.assertIn("--listen", subprocess.run([PROGRAM, "--help"], capture_output=True, text=True).stdout)

    def test_links_nothing_of_the_game(self):
        dynamic = subprocess.run(["readelf", "-d", PROGRAM], capture_output=True, text=True, check=True).stdout
        needed = {line.split("[")[1].split(".so")[0] for line in dynamic.splitlines() if "(NEEDED)" in line}
        self.assertLessEqual(needed, {"libcrypto", "libstdc++", "libm", "libgcc_s", "libc", "libasan", "libubsan"})
        symbols = subprocess.run(["nm", "-C", PROGRAM], capture_output=True, text=True).stdout
        self.assertNotIn("GameState", symbols)


if __name__ == "__main__":
    unittest.main()
