"""Invite codes through home routers of every kind in the NAT lab (root only): direct or relayed joins (in channels
refreshed every second; relays let go), a stranger's lookups and wrong secrets, a dead rendezvous, a missing relay."""
import os
import random
import re
import struct
import subprocess
import sys
import time
import unittest

from gamerun import BUILD_DIR, read_trace
from nat_lab import KINDS, RENDEZVOUS_PORT, SERVER, TURN_PORT, Lab, LabGames, wait_for
from test_network import GUEST_SCRIPT, HOST_SCRIPT, assert_agree, stderr_of

CODE_TOOL = os.environ.get("PUCKSLIDE_CODE_TOOL", str(BUILD_DIR / "tests" / "code_tool"))
LIMIT = 60  # seconds any one game may take
HOST_FRAMES, GUEST_FRAMES = 150, 210
JOIN_SECONDS = 5  # from the guest asking the rendezvous to its "joined the game"
REFRESH = ["--relay-refresh", "1"]
HEADER = bytes([0xC7]) + b"P3R\x01"
LOOKUP, FOUND, NOT_FOUND, RATE_LIMITED = 3, 4, 6, 7
BURST = 10  # lookups the rendezvous answers an address before it limits it

# Each kind hosts its own kind and the next two in KINDS: every kind hosts and joins, and every
# unordered pair of kinds plays once.
PAIRS = [(kind, kind) for kind in KINDS] + [(KINDS[i], KINDS[(i + step) % len(KINDS)])
                                           for i in range(len(KINDS)) for step in (1, 2)]


def expected_way(host, guest):
    """A symmetric router's new port per destination gets through only where nothing filters (a host on the
    internet) or the host's port is forwarded (UPnP); every other router keeps one port, which probes open."""
    if "symmetric" not in (host, guest) or "none" in (host, guest) or host == "upnp":
        return "direct"
    return "relay"


def code_of(workdir):  # the invite code a host printed, or None
    found = re.search(r"invite code\s+(\S+)", stderr_of(workdir))
    return found and found[1]


def unreleased(log):  # coturn's allocations in this part of its log that it has not freed
    return set(re.findall(r"session (\d+): .*ALLOCATE processed, success", log)) - set(re.findall(r"session (\d+): closed", log))


def way_of(said):
    return next((way for way, text in (("relay", "through the relay"), ("direct", "directly")) if f"connected {text}" in said), None)


class InviteCodes(LabGames, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lab = Lab()
        cls.addClassCleanup(cls.lab.close)
        cls.homes = {f"{kind}{n}": cls.lab.home(kind) for kind in KINDS for n in (1, 2)}
        cls.homes["flood"], cls.homes["stranger"] = cls.lab.home("none"), cls.lab.home("plain")
        cls.namespaces = {name: home.host for name, home in cls.homes.items()}
        cls.lab.start_turn()
        cls.rendezvous = cls.lab.start_rendezvous()

    def host(self, home, *args, script=()):
        """A host at `home` registered at the rendezvous, and its invite code."""
        proc, workdir = self.game(home, ["--seed", "1", "--host", "--rendezvous", self.rendezvous, *args], script)
        self.said(proc, workdir, "invite code +")
        return proc, workdir, code_of(workdir)

    def guest(self, home, code, frames, script=(), args=()):
        return self.game(home, ["--join", code, "--rendezvous", self.rendezvous, "--frames", str(frames), *args], script)

    def play(self, host_home, guest_home):
        """A short session by invite code: its way, seconds to the join, packets relayed (in all, in channels, in
        Data indications) and coturn's log of it."""
        packets = lambda: {name: count for name, (count, _) in self.lab.counters().items()}  # noqa: E731
        before, logged = packets(), len(self.lab.turn_log())
        host, host_dir, code = self.host(host_home, "--await-guest", "--frames", str(HOST_FRAMES), *REFRESH,
                                         script=HOST_SCRIPT)
        if host_home.startswith("upnp"):  # a guest sooner than the router's forwarding meets through the relay
            self.said(host, host_dir, "the router forwards UDP port")
        spawned = time.monotonic()
        guest, guest_dir = self.guest(guest_home, code, GUEST_FRAMES, GUEST_SCRIPT, REFRESH)
        # the join starts once the window is open, which may take seconds under the sanitizers
        self.said(guest, guest_dir, "asking the rendezvous", step=0.01)
        asking = time.monotonic()
        self.said(guest, guest_dir, f"joined the game at {code}", step=0.01)
        joined = time.monotonic() - asking
        self.assertEqual((host.wait(LIMIT), guest.wait(LIMIT)), (0, 0))
        way = way_of(stderr_of(guest_dir))
        self.assertEqual(way_of(stderr_of(host_dir)), way, "host and guest tell different ways")
        assert_agree(self, read_trace(host_dir), read_trace(guest_dir), min_share=0.9)
        # every relay is let go: one unused at the join, one used at the end
        self.assertTrue(wait_for(lambda: not unreleased(self.lab.turn_log()[logged:]), 5), "a relay left to expire")
        after = packets()
        counted = [after[name] - before[name] for name in ("relay_in", "channel_data", "data_indications")]
        return way, asking - spawned, joined, counted, self.lab.turn_log()[logged:]

    def test_every_pair_of_routers_meets_by_the_code(self):
        ways = []
        for host_kind, guest_kind in PAIRS:
            with self.subTest(host=host_kind, guest=guest_kind):
                try:
                    way, window, joined, (relayed, channelled, indicated), log = self.play(f"{host_kind}1", f"{guest_kind}2")
                finally:
                    self.stop_games()  # the next host in this home needs its port
                ways.append(f"{host_kind:>9} hosts {guest_kind:<9} {way or '?':<6} joined {joined:.2f} s after asking ({window:.2f}"
                            f" s to open the window), {relayed} packets relayed, {channelled} in channels, {indicated} in Data indications")
                self.assertLess(joined, JOIN_SECONDS)
                self.assertEqual(way, expected_way(host_kind, guest_kind))
                # the counters, not only the game's word: a relayed session goes through coturn's relay, in the
                # channels after the first few datagrams, which it kept past their refreshes
                if way == "relay":
                    self.assertGreater(min(relayed, channelled), HOST_FRAMES)
                    self.assertLess(indicated, 20)
                    self.assertGreater(log.count("CHANNEL_BIND processed, success"), 4)
                else:
                    self.assertLess(relayed + channelled + indicated, 10)
        print("\n".join(ways), file=sys.stderr)

    def test_a_stranger_finds_nothing_and_a_wrong_secret_never_takes_the_seat(self):
        host, host_dir, code = self.host("plain1", "--await-guest", "--frames", "60")
        # made-up lookup ids from one address: none is found, and the address is soon refused
        with self.lab.udp(self.homes["flood"].host) as flood:
            flood.settimeout(2)
            lookup = lambda nonce: HEADER + bytes([LOOKUP]) + struct.pack("<QIB", nonce, random.randrange(1, 1 << 25), 0)  # noqa: E731
            answers = [flood.sendto(lookup(nonce), (SERVER, RENDEZVOUS_PORT)) and flood.recv(600)[5] for nonce in range(1, 201)]
        self.assertNotIn(FOUND, answers)
        self.assertEqual(answers.count(NOT_FOUND), BURST)
        self.assertEqual(answers[BURST:], [RATE_LIMITED] * (200 - BURST))

        wrong = subprocess.run([CODE_TOOL, code], capture_output=True, text=True, check=True).stdout.strip()
        self.assertNotEqual(wrong, code)
        # from the refused address the stranger's game does not get as far as the host; from another it is refused
        # the seat: the code's secret is not its
        for home, refusal in (("flood", r"the rendezvous answers no more lookups from this address for \d+ seconds"),
                              ("stranger", "the host did not accept the invite code")):
            stranger, stranger_dir = self.guest(home, wrong, 5)
            self.assertEqual(stranger.wait(LIMIT), 0)
            self.assertRegex(stderr_of(stranger_dir), rf"cannot join \{wrong}: {refusal}; playing alone")
        self.assertIn(f"refused a guest from {self.homes['stranger'].public}:", stderr_of(host_dir))
        self.assertIn("it did not prove it holds the invite code", stderr_of(host_dir))

        guest, guest_dir = self.guest("none2", code, 100)
        self.said(guest, guest_dir, f"joined the game at {code}")
        self.assertEqual((host.wait(LIMIT), guest.wait(LIMIT)), (0, 0))
        self.assertEqual(stderr_of(host_dir).count("a guest joined"), 1)
        self.assertIn(f"a guest joined from {self.homes['none2'].public}:", stderr_of(host_dir))

    def test_a_host_whose_rendezvous_dies_says_so_and_plays_on(self):
        self.addCleanup(self.lab.start_rendezvous)  # at the same address
        host, host_dir, _ = self.host("upnp1", "--frames", "100000")
        self.lab.rendezvous.kill()
        self.lab.stop(self.lab.rendezvous)
        killed = time.monotonic()
        self.said(host, host_dir, f"the rendezvous at {self.rendezvous} no longer answers", seconds=15)
        self.assertLess(time.monotonic() - killed, 10)
        frames = len(read_trace(host_dir))
        self.assertTrue(wait_for(lambda: len(read_trace(host_dir)) > frames + 30, 10), "the host stopped")
        host.terminate()
        self.assertEqual(host.wait(LIMIT), 0)

    def test_without_the_relay_two_symmetric_routers_fail_in_time(self):
        self.lab.stop(self.lab.turn)
        self.addCleanup(self.lab.start_turn)
        host, _, code = self.host("symmetric1")
        started = time.monotonic()
        guest, guest_dir = self.guest("symmetric2", code, 30)
        self.said(guest, guest_dir, "playing alone")
        self.assertLess(time.monotonic() - started, 10)
        self.assertEqual(guest.wait(LIMIT), 0)
        self.assertRegex(stderr_of(guest_dir),
                         rf"cannot join \{code}: no probe crossed between the two routers within 3 seconds, and the "
                         rf"relay at {SERVER}:{TURN_PORT} (failed: .+|did not join the two sides within 7 seconds); "
                         "playing alone")
        trace = read_trace(guest_dir)
        self.assertEqual(len(trace), 30)
        self.assertFalse(any("host_frame" in line for line in trace))
        host.terminate()
        self.assertEqual(host.wait(LIMIT), 0)


if __name__ == "__main__":
    unittest.main()
