"""The NAT lab beyond the games played in it (test_invite): each router kind's ports, and no leftovers."""
import contextlib
import os
import pathlib
import select
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from nat_lab import SECOND, SERVER, Lab, wait_for  # noqa: E402


class InTheLab(unittest.TestCase):
    def test_each_router_maps_ports_as_its_kind_does(self):
        with Lab() as lab:
            observers = [lab.udp(lab.internet, where, 4000) for where in (SERVER, SECOND)]
            for kind, same_port in (("plain", True), ("cgnat", True), ("none", True), ("symmetric", False)):
                with self.subTest(kind), lab.udp(lab.home(kind).host) as sock:
                    seen = []
                    for observer in observers:
                        sock.sendto(b"where am I", observer.getsockname())
                        self.assertTrue(select.select([observer], [], [], 2)[0], kind)
                        seen.append(observer.recvfrom(100)[1])
                    self.assertEqual([address for address, _ in seen], [lab.homes[-1].public] * 2)
                    self.assertEqual(seen[0][1] == seen[1][1], same_port, seen)
                    if kind == "none":
                        self.assertEqual(seen[0][1], sock.getsockname()[1])


def leftovers(tag):
    """The namespaces, the processes that name it and the folder of lab `tag`."""
    listed = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
    found = [line.split()[0] for line in listed.splitlines() if line.startswith(tag)]
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError), open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            if tag.encode() in cmdline.read() and int(pid) != os.getpid():
                found.append(f"process {pid}")
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
                    # what the next lab must sweep, once the daemons' death signals have landed
                    wait_for(lambda: len(leftovers(tag)) <= NAMESPACES + 1, 5)
                    self.assertEqual(len(leftovers(tag)), NAMESPACES + 1, leftovers(tag))
                    Lab().close()
                self.assertEqual(leftovers(tag), [])


if __name__ == "__main__":
    unittest.main()
