"""Games through a home router of network namespaces (nftables, miniupnpd). Needs root; removes all it made."""
import re
import signal
import time
import unittest

from nat_lab import Lab, LabGames
from test_network import stderr_of

PORT = 27315
LEASE = 3  # seconds; short, so that a missing renewal shows within the test
LIMIT = 60  # seconds any one step may take


class ThroughARouter(LabGames, unittest.TestCase):
    """A home of three hosts behind a router with miniupnpd, and a guest's machine on the internet."""
    @classmethod
    def setUpClass(cls):
        cls.lab = Lab()
        cls.addClassCleanup(cls.lab.close)
        cls.home = cls.lab.home("upnp", hosts=3)
        cls.namespaces = {"w": cls.lab.home("none").host, **{f"h{k}": ns for k, ns in enumerate(cls.home.hosts, 1)}}
        cls.addresses = {f"h{k}": address for k, address in enumerate(cls.home.addresses, 1)}
        cls.router = cls.home.public

    def mappings(self, home):
        listed = self.lab.run(self.home.router, ["nft", "list", "chain", "inet", "filter", "prerouting_miniupnpd"])
        return [line.strip() for line in listed.splitlines() if f"dnat ip to {self.addresses[home]}:" in line]

    def host(self, home, args=(), script=()):
        proc, workdir = self.game(home, ["--seed", "1", "--host", *args], script)
        self.said(proc, workdir, "--join alone")
        return proc, workdir

    def mapped(self, proc, workdir):
        """The router's outside address the host's invite code names, and the code."""
        self.said(proc, workdir, "joins with the invite code")
        self.said(proc, workdir, "invite code +")
        said = stderr_of(workdir)
        return said.split("to this machine")[1].split(" from ")[1].split(";")[0], said.split("invite code ")[1].split()[0]

    def test_a_guest_outside_joins_by_the_printed_address(self):
        host, host_dir = self.host("h1", ["--await-guest", "--frames", "60", "--router-lease", str(LEASE)])
        address, code = self.mapped(host, host_dir)
        self.assertEqual(address, f"{self.router}:{PORT}")
        self.assertEqual(len(self.mappings("h1")), 1)
        time.sleep(LEASE + 1.5)  # the router drops a lease that is not renewed
        self.assertEqual(len(self.mappings("h1")), 1, "the mapping was not renewed")

        # a stranger who found the open port is refused the seat; the friend with the code takes it (that
        # sessions through every kind of router agree is test_invite's)
        stranger, stranger_dir = self.game("w", ["--join", address, "--frames", "1"])
        self.assertEqual(stranger.wait(LIMIT), 0)
        self.assertIn("the host lets in only a guest with its invite code", stderr_of(stranger_dir))
        guest, guest_dir = self.game("w", ["--join", code, "--frames", "90"])
        self.assertEqual((host.wait(LIMIT), guest.wait(LIMIT)), (0, 0), stderr_of(guest_dir))
        self.assertIn(f"joining {address}", stderr_of(guest_dir))
        self.assertIn("a guest joined", stderr_of(host_dir))
        self.assertEqual(self.mappings("h1"), [])
        self.assertIn(f"forwarding of UDP port {PORT} (UPnP) is removed", stderr_of(host_dir))

    def test_the_mapping_goes_with_sigint_sigterm_and_a_closed_window(self):
        for end in (signal.SIGINT, signal.SIGTERM, "close"):
            script = ["250 close"] if end == "close" else []
            host, host_dir = self.host("h2", [], script)
            self.mapped(host, host_dir)
            self.assertEqual(len(self.mappings("h2")), 1, end)
            if end != "close":
                host.send_signal(end)
            self.assertEqual(host.wait(LIMIT), 0, end)
            self.assertEqual(self.mappings("h2"), [], end)

    def test_without_a_router_the_host_says_so_in_time(self):
        self.lab.stop(self.home.upnp)
        self.addCleanup(self.lab.start_upnp, self.home)
        host, host_dir = self.host("h1")
        hosting = time.monotonic()  # the answer may take 2 seconds, after the line above
        self.said(host, host_dir, f"forward UDP port {PORT} on the router to this machine by hand")
        self.assertLess(time.monotonic() - hosting, 2.5)
        self.assertIn("no router answered", stderr_of(host_dir))

        guest, guest_dir = self.game("w", ["--join", f"{self.router}:{PORT}", "--frames", "1"])
        self.assertEqual(guest.wait(LIMIT), 0)
        self.assertIn(f"cannot join {self.router}:{PORT}: no game answered within 5 seconds: no game may be "
                      f"hosting there, a firewall may block UDP port {PORT}, or the host's router may not forward "
                      "it; playing alone", stderr_of(guest_dir))
        host.terminate()
        self.assertEqual(host.wait(LIMIT), 0)

    def test_join_alone_finds_one_host_then_lists_two(self):
        first, first_dir = self.host("h1")
        guest, guest_dir = self.game("h3", ["--join", "--frames", "100000"])
        h1, h2 = (re.escape(f"{self.addresses[name]}:{PORT}") for name in ("h1", "h2"))
        self.said(guest, guest_dir, f"joined the game at {self.addresses['h1']}:{PORT}")
        self.assertRegex(stderr_of(guest_dir), rf"found a game at {h1}, hosting for \d+ s, waiting for a guest\n")
        self.said(guest, first_dir, "a guest joined")

        second, second_dir = self.host("h2")
        # UPnP gives the port to h1 already; NAT-PMP finds h2 the next one outside
        self.said(second, second_dir, f"forwards UDP port {PORT + 1} to this machine port {PORT} (NAT-PMP)")
        late, late_dir = self.game("h3", ["--join", "--frames", "1"])
        self.assertEqual(late.wait(LIMIT), 0)
        found = stderr_of(late_dir)
        self.assertRegex(found, rf"found a game at {h1}, hosting for \d+ s, already has a guest")
        self.assertRegex(found, rf"found a game at {h2}, hosting for \d+ s, waiting for a guest")
        self.assertIn("2 games answered on the local network", found)
        self.assertIn("choose one with --join HOST[:PORT]; playing alone", found)

        for proc in (guest, first, second):
            proc.terminate()
            self.assertEqual(proc.wait(LIMIT), 0)
        self.assertEqual(self.mappings("h1") + self.mappings("h2"), [])


if __name__ == "__main__":
    unittest.main()
