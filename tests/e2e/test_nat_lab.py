"""What the NAT lab promises beyond the games played in it (test_invite): each kind of router
gives outside ports as its kind does, the slow link delays and loses as asked, and a lab leaves
nothing behind however it ends."""
import os
import pathlib
import select
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from nat_lab import SECOND, SERVER, Lab  # noqa: E402

OBSERVER_PORT = 4000
DELAY_MS, LOSS = 25, 0.1


class InTheLab(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise AssertionError("the lab makes network namespaces and needs root")
        cls.lab = Lab()
        cls.addClassCleanup(cls.lab.close)
        cls.homes = {kind: cls.lab.home(kind) for kind in ("plain", "symmetric", "cgnat", "none")}
        cls.slow = cls.lab.home("plain", delay_ms=DELAY_MS, loss=LOSS)
        cls.observers = {where: cls.lab.udp(cls.lab.internet, where, OBSERVER_PORT) for where in (SERVER, SECOND)}

    def socket_in(self, home):
        sock = self.lab.udp(home.host)
        self.addCleanup(sock.close)
        return sock

    def echo(self, observer, seconds):
        """The next datagram at an internet socket, sent back; its source, or None."""
        if not select.select([observer], [], [], seconds)[0]:
            return None
        data, source = observer.recvfrom(2048)
        observer.sendto(data, source)
        return source

    def test_each_router_maps_ports_as_its_kind_does(self):
        for kind, same_port in (("plain", True), ("cgnat", True), ("none", True), ("symmetric", False)):
            with self.subTest(kind):
                home, sock = self.homes[kind], self.socket_in(self.homes[kind])
                seen = []
                for where in (SERVER, SECOND):
                    sock.sendto(b"where am I", (where, OBSERVER_PORT))
                    seen.append(self.echo(self.observers[where], 2))
                self.assertEqual((seen[0][0], seen[1][0]), (home.public, home.public))
                self.assertEqual(seen[0][1] == seen[1][1], same_port, seen)
                if kind == "none":
                    self.assertEqual(seen[0][1], sock.getsockname()[1])

    def test_the_slow_link_delays_and_loses(self):
        # the first datagrams also wait for the neighbours' addresses, which only the fastest trip hides
        sock, internet = self.socket_in(self.slow), self.observers[SERVER]
        sent, back, count = {}, {}, 400
        for number in range(count):
            sent[number] = time.monotonic()
            sock.sendto(struct.pack(">I", number), (SERVER, OBSERVER_PORT))
            end = time.monotonic() + (0.003 if number + 1 < count else 0.5)
            while (left := end - time.monotonic()) > 0:
                for ready in select.select([sock, internet], [], [], left)[0]:
                    if ready is internet:
                        self.echo(internet, 0)
                    else:
                        back[struct.unpack(">I", sock.recv(100))[0]] = time.monotonic()
        fastest, lost = min(back[n] - sent[n] for n in back), 1 - len(back) / count
        self.assertGreaterEqual(fastest, 2 * DELAY_MS / 1000)
        self.assertLess(fastest, 2 * DELAY_MS / 1000 + 0.025)
        self.assertLess(abs(lost - (1 - (1 - LOSS) ** 2)), 0.08, lost)


def leftovers(tag):
    """The namespaces, the processes that name it and the folder of lab `tag`."""
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
    print(lab.tag, flush=True)
    time.sleep(60) if sys.argv[2] != "raise" else 1 / 0
"""
NAMESPACES = 7  # the internet, the upnp home's router and host, the cgnat home's two routers, host and wire


class NothingRemains(unittest.TestCase):
    def test_however_the_lab_ends(self):
        for ending in ("raise", "SIGTERM", "SIGINT", "SIGKILL"):
            with self.subTest(ending):
                child = subprocess.Popen([sys.executable, "-c", CHILD, os.path.dirname(__file__), ending],
                                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                self.addCleanup(child.terminate)  # a lab a failed check left running closes itself
                tag = child.stdout.readline().strip()
                if tag and ending != "raise":
                    # miniupnpd, coturn and the forwarder, the namespaces and the folder
                    self.assertEqual(len(leftovers(tag)), 3 + NAMESPACES + 1, leftovers(tag))
                    child.send_signal(getattr(signal, ending))
                _, said = child.communicate(timeout=30)
                self.assertTrue(tag, f"the lab in the child did not start: {said}")
                if ending == "SIGKILL":
                    self.assertEqual(len(leftovers(tag)), NAMESPACES + 1)  # what the next lab must sweep
                    Lab().close()
                self.assertEqual(leftovers(tag), [])


if __name__ == "__main__":
    unittest.main()
