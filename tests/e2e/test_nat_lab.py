"""The NAT lab with plain UDP sockets: which outside ports each kind of router gives, which pairs
of homes can punch holes to each other, coturn answering STUN and relaying with the rendezvous's
credentials, the slow link's delay and loss, and that a lab leaves nothing behind however it ends."""
import hashlib
import os
import pathlib
import select
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from nat_lab import SECOND, SERVER, TURN_PORT, Lab, stun_attributes, stun_message, xor_address, xor_value  # noqa

OBSERVER_PORT = 4000
DELAY_MS, LOSS = 25, 0.1


def echo(lab, sock, seconds=2.0):
    """The next datagram of an internet socket; it is sent back. (data, source) or None."""
    if not select.select([sock], [], [], seconds)[0]:
        return None
    data, source = sock.recvfrom(2048)
    sock.sendto(data, source)
    return data, source


def punch(a, b, a_outside, b_outside, seconds=1.5):
    """Both send to each other's outside address at once, repeatedly; what each received."""
    got = {a: None, b: None}
    end = time.monotonic() + seconds
    while time.monotonic() < end and None in got.values():
        a.sendto(b"from a", b_outside)
        b.sendto(b"from b", a_outside)
        for sock in select.select([a, b], [], [], 0.05)[0]:
            got[sock] = sock.recv(100)
    return got[a], got[b]


class InTheLab(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise AssertionError("the lab makes network namespaces and needs root")
        cls.lab = Lab()
        cls.addClassCleanup(cls.lab.close)
        cls.homes = {name: cls.lab.home(name.rstrip("12")) for name in
                     ("plain1", "plain2", "symmetric1", "symmetric2", "cgnat", "none")}
        cls.slow = cls.lab.home("plain", delay_ms=DELAY_MS, loss=LOSS)
        cls.lab.start_turn()
        cls.rendezvous = cls.lab.start_rendezvous()
        cls.observers = {where: cls.lab.udp(cls.lab.internet, where, OBSERVER_PORT) for where in (SERVER, SECOND)}

    def socket_in(self, home):
        sock = self.lab.udp(home.host)
        sock.settimeout(2)
        self.addCleanup(sock.close)
        return sock

    def outside(self, sock, where=SERVER):
        """The address the internet sees `sock` at when it sends to `where`."""
        sock.sendto(b"where am I", (where, OBSERVER_PORT))
        seen = echo(self.lab, self.observers[where])
        self.assertIsNotNone(seen, "the observer heard nothing")
        sock.recv(100)
        return seen[1]

    def test_each_router_maps_ports_as_its_kind_does(self):
        for name, same_port in (("plain1", True), ("cgnat", True), ("none", True), ("symmetric1", False)):
            with self.subTest(name):
                home, sock = self.homes[name], self.socket_in(self.homes[name])
                first, second = self.outside(sock, SERVER), self.outside(sock, SECOND)
                self.assertEqual((first[0], second[0]), (home.public, home.public))
                self.assertEqual(first[1] == second[1], same_port, (first, second))
                if name == "none":
                    self.assertEqual(first[1], sock.getsockname()[1])

    def test_simultaneous_hole_punching(self):
        for one, other, crosses in (("plain1", "plain2", True), ("plain1", "cgnat", True),
                                    ("plain1", "none", True), ("symmetric1", "symmetric2", False)):
            with self.subTest(f"{one} and {other}"):
                a, b = self.socket_in(self.homes[one]), self.socket_in(self.homes[other])
                got = punch(a, b, self.outside(a), self.outside(b))
                self.assertEqual(got, (b"from b", b"from a") if crosses else (None, None))

    def test_coturn_answers_stun_and_relays_with_the_rendezvous_credentials(self):
        a, b = self.socket_in(self.homes["plain1"]), self.socket_in(self.homes["plain2"])
        a_outside, b_outside = self.outside(a), self.outside(b)
        host, port = self.rendezvous.split(":")
        # a registration: the rendezvous sees the home's outside address and hands out TURN credentials
        lan = struct.unpack(">I", socket.inet_aton(self.homes["plain1"].address))[0]
        a.sendto(bytes([0xC7]) + b"P3R\x01\x01" + struct.pack("<QIBIH", 5, 0, 1, lan, 27315), (host, int(port)))
        answer = a.recv(600)
        self.assertEqual(answer[5], 2)
        seen_ip, seen_port = struct.unpack_from("<IH", answer, 18)
        self.assertEqual((socket.inet_ntoa(struct.pack(">I", seen_ip)), seen_port), a_outside)
        user = answer[34:34 + answer[33]].decode()
        password = answer[35 + answer[33]:].decode()

        def ask(kind, attributes, key=None):
            transaction = os.urandom(12)
            a.sendto(stun_message(kind, transaction, attributes, key), (SERVER, TURN_PORT))
            while True:
                parsed = stun_attributes(a.recv(2048))
                if parsed and parsed[1] == transaction:
                    return parsed[0], parsed[2]

        kind, found = ask(0x0001, [])
        self.assertEqual((kind, xor_address(found[0x0020])), (0x0101, a_outside))
        udp = [(0x0019, b"\x11\x00\x00\x00")]
        kind, found = ask(0x0003, udp)
        self.assertEqual(kind, 0x0113)  # the first allocation is refused with the realm and a nonce
        realm, nonce = found[0x0014], found[0x0015]
        key = hashlib.md5(f"{user}:{realm.decode()}:{password}".encode()).digest()
        signed = [(0x0006, user.encode()), (0x0014, realm), (0x0015, nonce)]
        kind, found = ask(0x0003, udp + signed, key)
        self.assertEqual(kind, 0x0103, found)
        relay = xor_address(found[0x0016])
        self.assertEqual(relay[0], SERVER)
        self.assertEqual(ask(0x0008, [(0x0012, xor_value(*b_outside))] + signed, key)[0], 0x0108)

        before = self.lab.counters()
        b.sendto(b"to the relay", relay)
        kind, found = stun_attributes(a.recv(2048))[::2]
        self.assertEqual((kind, found[0x0013], xor_address(found[0x0012])), (0x0017, b"to the relay", b_outside))
        a.sendto(stun_message(0x0016, os.urandom(12), [(0x0012, xor_value(*b_outside)), (0x0013, b"relayed")]),
                 (SERVER, TURN_PORT))
        self.assertEqual(b.recvfrom(100), (b"relayed", relay))
        after = self.lab.counters()
        self.assertEqual([after[name][0] - before[name][0] for name in ("relay_in", "relay_out")], [1, 1])

    def test_the_slow_link_delays_and_loses(self):
        sock = self.socket_in(self.slow)
        sock.setblocking(False)
        internet = self.observers[SERVER]
        for _ in range(20):  # the first datagrams also wait for the neighbours' addresses
            sock.sendto(b"-", (SERVER, OBSERVER_PORT))
            if echo(self.lab, internet, 0.5) and select.select([sock], [], [], 0.5)[0]:
                break
        while select.select([sock], [], [], 0.2)[0]:
            sock.recv(100)
        sent, back, count = {}, {}, 400
        for number in range(count):
            sent[number] = time.monotonic()
            sock.sendto(struct.pack(">I", number), (SERVER, OBSERVER_PORT))
            end = time.monotonic() + (0.003 if number + 1 < count else 0.5)
            while (left := end - time.monotonic()) > 0:
                for ready in select.select([sock, internet], [], [], left)[0]:
                    if ready is internet:
                        echo(self.lab, internet)
                    else:
                        back[struct.unpack(">I", sock.recv(100))[0]] = time.monotonic()
        trips = sorted(back[n] - sent[n] for n in back)
        lost = 1 - len(back) / count
        print(f"round trip min {trips[0] * 1000:.1f} ms, median {trips[len(trips) // 2] * 1000:.1f} ms, "
              f"lost {lost:.1%}", file=sys.stderr)
        self.assertGreaterEqual(trips[0], 2 * DELAY_MS / 1000)
        self.assertLess(trips[0], 2 * DELAY_MS / 1000 + 0.025)
        expected = 1 - (1 - LOSS) ** 2
        self.assertLess(abs(lost - expected), 0.08, lost)


def leftovers(tag):
    """The namespaces, the processes started with its folder and the folder of lab `tag`."""
    listed = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
    found = [line.split()[0] for line in listed.splitlines() if line.startswith(tag)]
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                if tag.encode() in cmdline.read() and int(pid) != os.getpid():
                    found.append(f"process {pid}")
        except OSError:
            pass
    return found + [str(folder) for folder in pathlib.Path(tempfile.gettempdir()).glob(f"{tag}-*")]


CHILD = """import sys, time; sys.path.insert(0, sys.argv[1]); import nat_lab
with nat_lab.Lab() as lab:
    lab.home("upnp"); lab.home("cgnat", delay_ms=5); lab.start_turn()
    print(lab.tag, flush=True); time.sleep(60)
"""


class NothingRemains(unittest.TestCase):
    def full_lab(self, lab):
        lab.home("upnp")
        lab.home("cgnat", delay_ms=5)
        lab.start_turn()

    def test_after_an_exception_inside_the_with(self):
        with self.assertRaises(ZeroDivisionError):
            with Lab() as lab:
                self.full_lab(lab)
                processes = list(lab.processes)
                self.assertEqual(len(leftovers(lab.tag)), 7 + 2 + 1)  # miniupnpd and coturn name the folder
                1 / 0
        self.assertEqual(leftovers(lab.tag), [])
        self.assertEqual([proc.poll() is None for proc in processes], [False] * 3)  # the forwarder too

    def test_after_a_signal_or_a_crash(self):
        for ending in (signal.SIGTERM, signal.SIGINT, signal.SIGKILL):
            with self.subTest(ending.name):
                child = subprocess.Popen([sys.executable, "-c", CHILD, os.path.dirname(__file__)],
                                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                tag = child.stdout.readline().strip()
                child.send_signal(ending)
                _, said = child.communicate(timeout=30)
                self.assertTrue(tag, f"the lab in the child did not start: {said}")
                if ending == signal.SIGKILL:
                    self.assertEqual(len(leftovers(tag)), 7 + 1)  # what the next lab must sweep
                    Lab().close()
                self.assertEqual(leftovers(tag), [])


if __name__ == "__main__":
    unittest.main()
