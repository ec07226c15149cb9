"""Host and guest through a home router made of network namespaces (nftables and miniupnpd):
the host's printed outside address lets a guest outside play; the mapping is renewed and
removed at the end, however the host ends; without miniupnpd the host says so in time; on the
home bridge --join alone finds one host, then lists two. Needs root; removes all it made."""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, make_workdir, read_trace, spawn_game  # noqa: E402
from nat_lab import Lab  # noqa: E402
from test_network import GUEST_SCRIPT, HOST_SCRIPT, assert_agree, stderr_of, wait_for  # noqa: E402

PORT = 27315
LEASE = 3  # seconds; short, so that a missing renewal shows within the test
LIMIT = 60  # seconds any one step may take


class Network:
    """A home of three hosts behind a router with miniupnpd, a guest's machine on the internet (both
    from the NAT lab), and the games started in them."""

    def __init__(self):
        self.lab = Lab()
        try:
            self.home = self.lab.home("upnp", hosts=3)
            guest = self.lab.home("none")
        except BaseException:
            self.lab.close()
            raise
        self.namespaces = {"w": guest.host, **{f"h{k}": ns for k, ns in enumerate(self.home.hosts, 1)}}
        self.addresses = {f"h{k}": address for k, address in enumerate(self.home.addresses, 1)}
        self.router = self.home.public
        self.games, self.workdirs = [], []

    def start_daemon(self):
        self.lab.start_upnp(self.home)

    def stop_daemon(self):
        self.lab.stop_upnp(self.home)

    def mappings(self, home):
        listed = self.lab.run(self.home.router, ["nft", "list", "chain", "inet", "filter", "prerouting_miniupnpd"])
        return [line.strip() for line in listed.stdout.splitlines() if f"dnat ip to {self.addresses[home]}:" in line]

    def ask(self, name, address, request):
        """One datagram to a host's discovery port from namespace `name`; its reply, or b"" after a second."""
        with self.lab.udp(self.namespaces[name]) as sock:
            sock.settimeout(1)
            sock.sendto(request, (address, 27316))
            try:
                return sock.recv(512)
            except socket.timeout:
                return b""

    def game(self, name, args, script=()):
        workdir = make_workdir()
        self.workdirs.append(workdir)
        proc = spawn_game(workdir, args, list(script), prefix=["ip", "netns", "exec", self.namespaces[name]])
        self.games.append((proc, workdir))
        return proc, workdir

    def stop_games(self):
        """Ends what a test left running; returns every game's standard error, for a failure's report."""
        for proc, _ in self.games:  # a host that is told to end removes its mapping
            if proc.poll() is None:
                proc.terminate()
        for proc, _ in self.games:
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(10)
        logs = "\n".join(f"--- {' '.join(proc.args[4:])}\n{stderr_of(workdir)}" for proc, workdir in self.games)
        self.games = []
        return logs

    def close(self):
        self.stop_games()
        self.lab.close()
        for workdir in self.workdirs:
            shutil.rmtree(workdir, ignore_errors=True)


@unittest.skipUnless((SOURCE_DIR / "data" / "model" / "table.ms3d").exists(), "needs the game's models")
class ThroughARouter(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise AssertionError("this test makes network namespaces and needs root")
        for tool in ("ip", "nft", "miniupnpd"):
            if not shutil.which(tool):
                raise AssertionError(f"{tool} is missing (scripts/packages-test.txt installs it)")
        cls.net = Network()
        cls.addClassCleanup(cls.net.close)

    def setUp(self):
        self.addCleanup(self.report)

    def report(self):
        # CTest shows this only when the test fails
        print(f"{self.id()}:\n{self.net.stop_games()}", file=sys.stderr)

    def said(self, proc, workdir, marker):
        self.assertTrue(wait_for(lambda: marker in stderr_of(workdir) or proc.poll() is not None), marker)
        self.assertIn(marker, stderr_of(workdir))

    def host(self, home, args=(), script=()):
        proc, workdir = self.net.game(home, ["--seed", "1", "--host", *args], script)
        self.said(proc, workdir, "--join alone")
        return proc, workdir

    def mapped(self, proc, workdir):
        """The router's outside address the host's invite code names, and the code."""
        self.said(proc, workdir, "joins with the invite code")
        self.said(proc, workdir, "invite code +")
        said = stderr_of(workdir)
        return said.split("to this machine")[1].split(" from ")[1].split(";")[0], said.split("invite code ")[1].split()[0]

    def test_a_guest_outside_joins_by_the_printed_address(self):
        host, host_dir = self.host("h1", ["--await-guest", "--frames", "300", "--router-lease", str(LEASE)],
                                   HOST_SCRIPT)
        address, code = self.mapped(host, host_dir)
        self.assertEqual(address, f"{self.net.router}:{PORT}")
        self.assertEqual(len(self.net.mappings("h1")), 1)
        time.sleep(LEASE + 1.5)  # the router drops a lease that is not renewed
        self.assertEqual(len(self.net.mappings("h1")), 1, "the mapping was not renewed")

        # a stranger who found the open port is refused the seat; the friend with the code takes it
        stranger, stranger_dir = self.net.game("w", ["--join", address, "--frames", "1"])
        self.assertEqual(stranger.wait(LIMIT), 0)
        self.assertIn("the host lets in only a guest with its invite code", stderr_of(stranger_dir))
        guest, guest_dir = self.net.game("w", ["--join", code, "--frames", "330"], GUEST_SCRIPT)
        self.assertEqual((host.wait(LIMIT), guest.wait(LIMIT)), (0, 0), stderr_of(guest_dir))
        self.assertIn(f"joining {address}", stderr_of(guest_dir))
        host_trace = read_trace(host_dir)
        assert_agree(self, host_trace, read_trace(guest_dir), min_share=0.9)
        self.assertEqual((host_trace[-1]["my_score"], host_trace[-1]["his_score"]), (0, 1))
        self.assertEqual(self.net.mappings("h1"), [])
        self.assertIn(f"forwarding of UDP port {PORT} (UPnP) is removed", stderr_of(host_dir))

    def test_the_mapping_goes_with_sigint_sigterm_and_a_closed_window(self):
        for end in (signal.SIGINT, signal.SIGTERM, "close"):
            script = ["250 close"] if end == "close" else []
            host, host_dir = self.host("h2", [], script)
            self.mapped(host, host_dir)
            self.assertEqual(len(self.net.mappings("h2")), 1, end)
            if end != "close":
                host.send_signal(end)
            self.assertEqual(host.wait(LIMIT), 0, end)
            self.assertEqual(self.net.mappings("h2"), [], end)

    def test_without_a_router_the_host_says_so_in_time(self):
        self.net.stop_daemon()
        self.addCleanup(self.net.start_daemon)
        host, host_dir = self.host("h1")
        hosting = time.monotonic()  # the answer may take 2 seconds, after the line above
        self.said(host, host_dir, f"forward UDP port {PORT} on the router to this machine by hand")
        self.assertLess(time.monotonic() - hosting, 2.5)
        self.assertIn("no router answered", stderr_of(host_dir))

        guest, guest_dir = self.net.game("w", ["--join", f"{self.net.router}:{PORT}", "--frames", "1"])
        self.assertEqual(guest.wait(LIMIT), 0)
        self.assertIn(f"cannot join {self.net.router}:{PORT}: no game answered within 5 seconds: no game may be "
                      f"hosting there, a firewall may block UDP port {PORT}, or the host's router may not forward "
                      "it; playing alone", stderr_of(guest_dir))
        host.terminate()
        self.assertEqual(host.wait(LIMIT), 0)

    def test_join_alone_finds_one_host_then_lists_two(self):
        first, first_dir = self.host("h1")
        guest, guest_dir = self.net.game("h3", ["--join", "--frames", "100000"])
        h1, h2 = (re.escape(f"{self.net.addresses[name]}:{PORT}") for name in ("h1", "h2"))
        self.said(guest, guest_dir, f"joined the game at {self.net.addresses['h1']}:{PORT}")
        self.assertRegex(stderr_of(guest_dir), rf"found a game at {h1}, hosting for \d+ s, waiting for a guest\n")
        self.said(guest, first_dir, "a guest joined")

        second, second_dir = self.host("h2")
        # UPnP gives the port to h1 already; NAT-PMP finds h2 the next one outside
        self.said(second, second_dir, f"forwards UDP port {PORT + 1} to this machine port {PORT} (NAT-PMP)")
        late, late_dir = self.net.game("h3", ["--join", "--frames", "1"])
        self.assertEqual(late.wait(LIMIT), 0)
        found = stderr_of(late_dir)
        self.assertRegex(found, rf"found a game at {h1}, hosting for \d+ s, already has a guest")
        self.assertRegex(found, rf"found a game at {h2}, hosting for \d+ s, waiting for a guest")
        self.assertIn("2 games answered on the local network", found)
        self.assertIn("choose one with --join HOST[:PORT]; playing alone", found)

        # the host answers a whole request of its own version and nothing else
        ours, theirs = b"PS3D?\x00\x00\x01\x04", b"PS3D?\x00\x00\x09\x04"  # protocol 4, game 1.0.0 and 9.0.0
        replies = [self.net.ask("h3", self.net.addresses["h1"], request) for request in (ours, theirs, ours[:-1], ours + b"!")]
        self.assertEqual([len(reply) for reply in replies], [16, 0, 0, 0])
        self.assertEqual(replies[0][:9], b"PS3D!" + ours[5:])

        other, other_dir = self.net.game("h3", ["--join", "--frames", "1", "--net-version", "0.9.0"])
        self.assertEqual(other.wait(LIMIT), 0)
        self.assertIn("no game answered on the local network within 2 seconds (asked on eth0 "
                      f"{self.net.home.lan.broadcast_address})",
                      stderr_of(other_dir))
        for proc in (guest, first, second):
            proc.terminate()
            self.assertEqual(proc.wait(LIMIT), 0)
        self.assertEqual(self.net.mappings("h1") + self.net.mappings("h2"), [])


if __name__ == "__main__":
    unittest.main()
