"""Host and guest through a home router made of network namespaces (nftables and miniupnpd):
the host's printed outside address lets a guest outside play; the mapping is renewed and
removed at the end, however the host ends; without miniupnpd the host says so in time; on the
home bridge --join alone finds one host, then lists two. Needs root; removes all it made."""
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, make_workdir, read_trace, spawn_game  # noqa: E402
from test_network import GUEST_SCRIPT, HOST_SCRIPT, assert_agree, stderr_of, wait_for  # noqa: E402

TAG = f"ps3d{os.getpid()}"
# miniupnpd maps ports only for a public outside address, so the outside network takes
# one; it exists only between these namespaces, and nothing routes out of them.
OUTSIDE_ROUTER, OUTSIDE_GUEST = "45.45.45.1", "45.45.45.2"
HOMES = {"h1": "192.168.77.11", "h2": "192.168.77.12", "h3": "192.168.77.13"}
PORT = 27315
LEASE = 3  # seconds; short, so that a missing renewal shows within the test
LIMIT = 60  # seconds any one step may take

# The home network: a router namespace masquerading its bridge br0 (the homes h1..h3) to wan0
# (the guest outside, in w), with the empty chains that miniupnpd fills.
SETUP = r"""set -e
for n in r w h1 h2 h3; do ip netns add $T$n; ip -n $T$n link set lo up; done
ip -n ${T}r link add br0 type bridge && ip -n ${T}r addr add 192.168.77.1/24 dev br0 && ip -n ${T}r link set br0 up
for i in 1 2 3; do
  ip -n ${T}r link add lan$i type veth peer name eth0 netns ${T}h$i && ip -n ${T}r link set lan$i master br0 up
  ip -n ${T}h$i addr add 192.168.77.1$i/24 brd + dev eth0 && ip -n ${T}h$i link set eth0 up
  ip -n ${T}h$i route add default via 192.168.77.1
done
ip -n ${T}r link add wan0 type veth peer name eth0 netns ${T}w
ip -n ${T}r addr add OUTSIDE_ROUTER/24 dev wan0 && ip -n ${T}r link set wan0 up
ip -n ${T}w addr add OUTSIDE_GUEST/24 dev eth0 && ip -n ${T}w link set eth0 up
ip netns exec ${T}r sysctl -qw net.ipv4.ip_forward=1
ip netns exec ${T}r nft -f - <<RULES
table inet filter {
  chain forward { type filter hook forward priority 0; policy drop;
                  ct state established,related accept; iifname != "wan0" accept; jump miniupnpd; }
  chain prerouting { type nat hook prerouting priority -100; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100; jump postrouting_miniupnpd; oifname "wan0" masquerade; }
  chain miniupnpd { }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
}
RULES
""".replace("OUTSIDE_ROUTER", OUTSIDE_ROUTER).replace("OUTSIDE_GUEST", OUTSIDE_GUEST)

MINIUPNPD_CONF = """ext_ifname=wan0
listening_ip=br0
enable_natpmp=yes
uuid=5e0b9d2a-3c41-4f7e-9a6b-2d8c1e0f4a37
allow 1024-65535 192.168.77.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
"""


class Network:
    """The namespaces, the router's daemon and the games started in them."""

    def __init__(self):
        self.namespaces, self.games, self.workdirs = [], [], []
        self.daemon = None
        self.scratch = pathlib.Path(tempfile.mkdtemp(prefix="puckslide-router-"))

    def ns(self, name):
        return f"{TAG}{name}"

    def run_in(self, name, *args, **kwargs):
        return subprocess.run(["ip", "netns", "exec", self.ns(name), *args], capture_output=True, text=True,
                              timeout=10, **kwargs)

    def build(self):
        self.namespaces = [self.ns(name) for name in ("r", "w", *HOMES)]
        done = subprocess.run(["bash", "-c", SETUP], env=dict(os.environ, T=TAG), capture_output=True, text=True,
                              timeout=30)
        if done.returncode != 0:
            raise AssertionError(f"cannot make the network namespaces: {done.stderr}")

    def start_daemon(self):
        conf, log = self.scratch / "miniupnpd.conf", self.scratch / "miniupnpd.log"
        conf.write_text(MINIUPNPD_CONF)
        with open(log, "w") as out:
            self.daemon = subprocess.Popen(["ip", "netns", "exec", self.ns("r"), "miniupnpd", "-d", "-f", str(conf),
                                            "-P", str(self.scratch / "miniupnpd.pid")],
                                           stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        if not wait_for(lambda: "HTTP listening on port" in log.read_text(), 10):
            raise AssertionError("miniupnpd did not start: " + log.read_text()[-2000:])

    def stop_daemon(self):
        if self.daemon and self.daemon.poll() is None:
            self.daemon.terminate()
            self.daemon.wait(10)
        self.daemon = None

    def mappings(self, home):
        listed = self.run_in("r", "nft", "list", "chain", "inet", "filter", "prerouting_miniupnpd")
        return [line.strip() for line in listed.stdout.splitlines() if f"dnat ip to {HOMES[home]}:" in line]

    def ask(self, name, address, request):
        """One datagram to a host's discovery port from namespace `name`; its reply, or b"" after a second."""
        probe = ("import socket,sys; s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM); s.settimeout(1)\n"
                 f"s.sendto(bytes.fromhex(sys.argv[1]),('{address}',27316))\n"
                 "try: print(s.recv(512).hex())\nexcept socket.timeout: print()")
        return bytes.fromhex(self.run_in(name, sys.executable, "-c", probe, request.hex()).stdout.strip())

    def game(self, name, args, script=()):
        workdir = make_workdir()
        self.workdirs.append(workdir)
        proc = spawn_game(workdir, args, list(script), prefix=["ip", "netns", "exec", self.ns(name)])
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
        self.stop_daemon()
        for name in self.namespaces:
            subprocess.run(["ip", "netns", "del", name], capture_output=True, timeout=10)
        for workdir in self.workdirs:
            shutil.rmtree(workdir, ignore_errors=True)
        shutil.rmtree(self.scratch, ignore_errors=True)


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
        cls.net.build()
        cls.net.start_daemon()

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
        marker = "a guest from the internet joins with --join "
        self.said(proc, workdir, marker)
        return stderr_of(workdir).split(marker)[1].split()[0]

    def test_a_guest_outside_joins_by_the_printed_address(self):
        host, host_dir = self.host("h1", ["--await-guest", "--frames", "300", "--router-lease", str(LEASE)],
                                   HOST_SCRIPT)
        address = self.mapped(host, host_dir)
        self.assertEqual(address, f"{OUTSIDE_ROUTER}:{PORT}")
        self.assertEqual(len(self.net.mappings("h1")), 1)
        time.sleep(LEASE + 1.5)  # the router drops a lease that is not renewed
        self.assertEqual(len(self.net.mappings("h1")), 1, "the mapping was not renewed")

        guest, guest_dir = self.net.game("w", ["--join", address, "--frames", "330"], GUEST_SCRIPT)
        self.assertEqual((host.wait(LIMIT), guest.wait(LIMIT)), (0, 0), stderr_of(guest_dir))
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

        guest, guest_dir = self.net.game("w", ["--join", f"{OUTSIDE_ROUTER}:{PORT}", "--frames", "1"])
        self.assertEqual(guest.wait(LIMIT), 0)
        self.assertIn(f"cannot join {OUTSIDE_ROUTER}:{PORT}: no game answered within 5 seconds: no game may be "
                      f"hosting there, a firewall may block UDP port {PORT}, or the host's router may not forward "
                      "it; playing alone", stderr_of(guest_dir))
        host.terminate()
        self.assertEqual(host.wait(LIMIT), 0)

    def test_join_alone_finds_one_host_then_lists_two(self):
        first, first_dir = self.host("h1")
        guest, guest_dir = self.net.game("h3", ["--join", "--frames", "100000"])
        self.said(guest, guest_dir, "joined the game at 192.168.77.11:27315")
        self.assertRegex(stderr_of(guest_dir), r"found a game at 192\.168\.77\.11:27315, hosting for \d+ s, "
                                               r"waiting for a guest\n")
        self.said(guest, first_dir, "a guest joined")

        second, second_dir = self.host("h2")
        # UPnP gives the port to h1 already; NAT-PMP finds h2 the next one outside
        self.said(second, second_dir, f"forwards UDP port {PORT + 1} to this machine port {PORT} (NAT-PMP)")
        late, late_dir = self.net.game("h3", ["--join", "--frames", "1"])
        self.assertEqual(late.wait(LIMIT), 0)
        found = stderr_of(late_dir)
        self.assertRegex(found, r"found a game at 192\.168\.77\.11:27315, hosting for \d+ s, already has a guest")
        self.assertRegex(found, r"found a game at 192\.168\.77\.12:27315, hosting for \d+ s, waiting for a guest")
        self.assertIn("2 games answered on the local network", found)
        self.assertIn("choose one with --join HOST[:PORT]; playing alone", found)

        # the host answers a whole request of its own version and nothing else
        ours, theirs = b"PS3D?\x00\x00\x01\x03", b"PS3D?\x00\x00\x09\x03"  # protocol 3, game 1.0.0 and 9.0.0
        replies = [self.net.ask("h3", HOMES["h1"], request) for request in (ours, theirs, ours[:-1], ours + b"!")]
        self.assertEqual([len(reply) for reply in replies], [16, 0, 0, 0])
        self.assertEqual(replies[0][:9], b"PS3D!" + ours[5:])

        other, other_dir = self.net.game("h3", ["--join", "--frames", "1", "--net-version", "0.9.0"])
        self.assertEqual(other.wait(LIMIT), 0)
        self.assertIn("no game answered on the local network within 2 seconds (asked on eth0 192.168.77.255)",
                      stderr_of(other_dir))
        for proc in (guest, first, second):
            proc.terminate()
            self.assertEqual(proc.wait(LIMIT), 0)
        self.assertEqual(self.net.mappings("h1") + self.net.mappings("h2"), [])


if __name__ == "__main__":
    unittest.main()
