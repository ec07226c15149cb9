"""The NAT lab leaves nothing behind, however it ends. Each router kind's ports are proven by the ways the games
of test_invite take between every pair of kinds."""
import contextlib
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import unittest

from nat_lab import Lab, wait_for


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
