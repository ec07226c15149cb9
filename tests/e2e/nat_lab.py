"""A small internet of network namespaces for play across home routers (root only; docs/HACKING.md shows its
use). Home n goes out from 45.45.n.1, its hosts are 192.168.n.11, .12, …; `plain` masquerades and drops what
comes unasked, `upnp` adds miniupnpd, `symmetric` takes a new outside port per destination, `cgnat` has a
carrier router behind the home's, `none` is a host at 45.45.n.1. Namespaces are named after the process:
closing the lab (`with`, atexit, SIGTERM, SIGHUP, SIGINT) deletes them, and a new lab sweeps a dead one's."""
import atexit
import contextlib
import ctypes
import fcntl
import heapq
import json
import os
import pathlib
import random
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import types

import gamerun

PREFIX = "ps3d"
SERVER = "45.45.0.1"
RENDEZVOUS_PORT, TURN_PORT = 27317, 3478
RELAY_PORTS = (50000, 50999)  # coturn's relay ports; the internet's own sockets use ports below them
REALM = "lab.puckslide.test"
KINDS = ("plain", "upnp", "symmetric", "cgnat", "none")
LIMIT = 10.0  # seconds any one command or wait may take
RENDEZVOUS = os.environ.get("PUCKSLIDE_RENDEZVOUS", str(gamerun.BUILD_DIR / "puckslide3d-rendezvous"))

_libc = ctypes.CDLL(None, use_errno=True)
_CLONE_NEWNET = 0x40000000
_labs_made = 0


def run(args, input=None):
    done = subprocess.run(args, input=input, capture_output=True, text=True, timeout=LIMIT)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(args)}: {done.stderr.strip()}")
    return done.stdout


def wait_for(predicate, seconds=LIMIT, step=0.05):
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            return False
        time.sleep(step)
    return True


def _remove(ns):
    for pid in subprocess.run(["ip", "netns", "pids", ns], capture_output=True, text=True, timeout=LIMIT).stdout.split():
        with contextlib.suppress(ProcessLookupError):
            os.kill(int(pid), signal.SIGKILL)
    subprocess.run(["ip", "netns", "del", ns], capture_output=True, timeout=LIMIT)


def sweep():
    """Removes the namespaces and folders of labs whose process has died."""
    def dead(name):
        found = re.match(rf"{PREFIX}(\d+)", name)
        return found and not os.path.exists(f"/proc/{found[1]}")

    for ns in run(["ip", "netns", "list"]).split():
        if dead(ns):
            _remove(ns)
    for folder in pathlib.Path(tempfile.gettempdir()).glob(f"{PREFIX}*-lab"):
        if dead(folder.name):
            shutil.rmtree(folder, ignore_errors=True)


def start(ns, args, script=()):
    """A game in namespace `ns`: its process and working folder."""
    workdir = gamerun.make_workdir()
    return gamerun.spawn_game(workdir, args, list(script), prefix=["ip", "netns", "exec", ns]), workdir


class LabGames:
    """For a unittest.TestCase of games in the lab, by the names its `namespaces` gives: each test's games end
    with it (CTest shows what they said), and said() waits for a line of one."""

    def setUp(self):
        self.games = []
        self.addCleanup(self.stop_games)

    def stop_games(self):
        print(f"{self.id()}:\n{gamerun.stop_all(self.games)}", file=sys.stderr)

    def game(self, name, args, script=()):
        self.games.append(start(self.namespaces[name], args, script))
        return self.games[-1]

    def said(self, proc, workdir, marker, seconds=60, step=0.05):
        text = lambda: (workdir / "stderr.txt").read_text()  # noqa: E731
        self.assertTrue(wait_for(lambda: marker in text() or proc.poll() is not None, seconds, step), marker)
        self.assertIn(marker, text())


class Lab(contextlib.AbstractContextManager):
    """The internet namespace with its counters, the homes made so far, and the daemons started."""

    def __init__(self):
        global _labs_made
        if os.geteuid() != 0:
            raise PermissionError("the NAT lab makes network namespaces and needs root")
        sweep()
        self.owner = os.getpid()
        self.tag = f"{PREFIX}{self.owner}x{_labs_made}"
        _labs_made += 1
        self.folder = pathlib.Path(tempfile.gettempdir()) / f"{self.tag}-lab"
        self.folder.mkdir()
        self.namespaces, self.processes, self.homes = [], [], []
        self.turn = self.rendezvous = None
        self.secret_file = self.folder / "turn-secret"
        self.secret_file.write_text(f"lab-secret-{random.getrandbits(64):016x}\n")
        self.closed, self.previous_handlers = False, {}
        atexit.register(self.close)
        with contextlib.suppress(ValueError):  # not the main thread: atexit and the `with` still clean up
            for number in (signal.SIGTERM, signal.SIGHUP):
                self.previous_handlers[number] = signal.signal(number, lambda n, _: sys.exit(128 + n))
        try:
            self.internet = self._namespace("net")
            self.ip(self.internet, "link add br0 type bridge", f"addr add {SERVER}/16 dev br0", "link set br0 up")
            self.run(self.internet, ["sysctl", "-qw", f"net.ipv4.ip_local_port_range=32768 {RELAY_PORTS[0] - 1}"])
            self.nft(self.internet, f"""table inet lab {{
  counter relay_in {{}}; counter relay_out {{}}; counter turn_in {{}}; counter turn_out {{}}
  counter channel_data {{}}; counter data_indications {{}}
  chain input {{ type filter hook input priority 0;
    udp dport {RELAY_PORTS[0]}-{RELAY_PORTS[1]} counter name relay_in; udp dport {TURN_PORT} counter name turn_in; }}
  chain output {{ type filter hook output priority 0;
    udp sport {RELAY_PORTS[0]}-{RELAY_PORTS[1]} counter name relay_out; udp sport {TURN_PORT} counter name turn_out;
    udp sport {TURN_PORT} @th,64,8 0x40-0x4f counter name channel_data;
    udp sport {TURN_PORT} @th,64,16 0x0017 counter name data_indications; }}
}}""")
        except BaseException:
            self.close()
            raise

    def __exit__(self, *exc):
        self.close()

    def ip(self, ns, *commands):
        run(["ip", "-n", ns, "-batch", "-"], input="\n".join(commands) + "\n")

    def run(self, ns, args, input=None):
        """Runs a command in namespace `ns` to its end; its standard output."""
        return run(["ip", "netns", "exec", ns, *args], input)

    def nft(self, ns, ruleset):
        self.run(ns, ["nft", "-f", "-"], ruleset)

    def _daemon(self, ns, args, log, ready=None):
        """Starts a daemon the lab ends when it closes, its output to `log`; waits for `ready` there."""
        path = self.folder / log
        with open(path, "w") as out:  # the death signal: no daemon outlives a test killed outright
            proc = subprocess.Popen(["ip", "netns", "exec", ns, *args], stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, preexec_fn=lambda: _libc.prctl(1, signal.SIGKILL))
        self.processes.append(proc)
        if ready and not (wait_for(lambda: ready in path.read_text() or proc.poll() is not None)
                          and ready in path.read_text() and proc.poll() is None):
            raise RuntimeError(f"{args[0]} did not start: {path.read_text()[-2000:]}")
        return proc

    def stop(self, proc):
        gamerun.end([proc])

    def udp(self, ns, address="0.0.0.0", port=0):
        """A UDP socket of this process that lives in namespace `ns`, bound to address:port."""
        with open("/proc/thread-self/ns/net") as here, open(f"/run/netns/{ns}") as there:
            if _libc.setns(there.fileno(), _CLONE_NEWNET) != 0:
                raise OSError(ctypes.get_errno(), f"cannot enter {ns}")
            try:
                sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            finally:
                if _libc.setns(here.fileno(), _CLONE_NEWNET) != 0:
                    os._exit(70)  # this thread is stranded in the lab: nothing it did after could be trusted
        sock.bind((address, port))
        return sock

    def _namespace(self, name):
        ns = f"{self.tag}{name}"
        run(["ip", "netns", "add", ns])
        self.namespaces.append(ns)
        self.run(ns, ["sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1", "net.ipv6.conf.default.disable_ipv6=1"])
        self.ip(ns, "link set lo up")
        return ns

    def _cable(self, ns, name, other, other_name):
        self.ip(ns, f"link add {name} type veth peer name {other_name} netns {other}", f"link set {name} up")
        self.ip(other, f"link set {other_name} up")

    def _to_internet(self, ns, device, index, address, delay_ms, loss):
        """Connects `device` of `ns` to the internet bridge, through a forwarder if the link is slow."""
        port = f"home{index}"
        if delay_ms or loss:
            wire = self._namespace(f"w{index}")
            self._cable(ns, device, wire, "in0")
            self._cable(wire, "out0", self.internet, port)
            self.ip(wire, "link add bin0 type bridge", "link set in0 master bin0", "link set bin0 up",
                    "link add bout0 type bridge", "link set out0 master bout0", "link set bout0 up")
            self._daemon(wire, [sys.executable, os.path.abspath(__file__), "forward", str(delay_ms), str(loss),
                                wire], f"forwarder{index}.log", "ready")
        else:
            self._cable(ns, device, self.internet, port)
        self.ip(self.internet, f"link set {port} master br0")
        self.ip(ns, f"addr add {address}/16 dev {device}")

    def _router(self, ns, masquerade):
        self.run(ns, ["sysctl", "-qw", "net.ipv4.ip_forward=1"])
        # The empty chains are miniupnpd's. Unsolicited datagrams from outside vanish, as at most homes: one the
        # router took in would claim its outside port, and a punch from inside would then leave from another.
        self.nft(ns, f"""table inet filter {{
  chain input {{ type filter hook input priority 0; iifname "wan0" ct state established,related accept;
                 iifname "wan0" drop; }}
  chain forward {{ type filter hook forward priority 0; policy drop;
                   ct state established,related accept; iifname != "wan0" accept; jump miniupnpd; }}
  chain prerouting {{ type nat hook prerouting priority -100; jump prerouting_miniupnpd; }}
  chain postrouting {{ type nat hook postrouting priority 100; jump postrouting_miniupnpd;
                       oifname "wan0" {masquerade}; }}
  chain miniupnpd {{ }}; chain prerouting_miniupnpd {{ }}; chain postrouting_miniupnpd {{ }}
}}""")

    def home(self, kind="plain", hosts=1, delay_ms=0, loss=0.0):
        """A new home of `kind`; its link to the internet delays each way by `delay_ms` and loses a share `loss`."""
        if kind not in KINDS or hosts < 1 or (kind == "none" and hosts != 1):
            raise ValueError(f"no home of kind {kind!r} with {hosts} hosts; the kinds are {KINDS}")
        index = len(self.homes) + 1
        public = f"45.45.{index}.1"
        if kind == "none":
            names, addresses, router = [self._namespace(f"h{index}")], [public], None
            self._to_internet(names[0], "eth0", index, public, delay_ms, loss)
        else:
            router = self._namespace(f"r{index}")
            self.ip(router, "link add br0 type bridge", f"addr add 192.168.{index}.1/24 dev br0", "link set br0 up")
            names, addresses = [self._namespace(f"h{index}-{k}") for k in range(1, hosts + 1)], []
            for k, host in enumerate(names, 1):
                addresses.append(f"192.168.{index}.{10 + k}")
                self._cable(router, f"lan{k}", host, "eth0")
                self.ip(router, f"link set lan{k} master br0")
                self.ip(host, f"addr add {addresses[-1]}/24 brd + dev eth0", f"route add default via 192.168.{index}.1")
            self._router(router, "masquerade random,fully-random" if kind == "symmetric" else "masquerade")
            outside = router
            if kind == "cgnat":
                outside = self._namespace(f"c{index}")
                self._cable(router, "wan0", outside, "lan0")
                self.ip(outside, f"addr add 100.64.{index}.1/24 dev lan0")
                self.ip(router, f"addr add 100.64.{index}.2/24 dev wan0", f"route add default via 100.64.{index}.1")
                self._router(outside, "masquerade")
            self._to_internet(outside, "wan0", index, public, delay_ms, loss)
        home = types.SimpleNamespace(index=index, hosts=names, host=names[0], addresses=addresses, public=public,
                                     router=router, upnp=None)
        self.homes.append(home)
        if kind == "upnp":
            self.start_upnp(home)
        return home

    def start_upnp(self, home):
        """miniupnpd on the home's router, answering UPnP and NAT-PMP on its home network."""
        conf = self.folder / f"miniupnpd{home.index}.conf"
        conf.write_text(f"ext_ifname=wan0\nlistening_ip=br0\nenable_natpmp=yes\n"
                        f"uuid=5e0b9d2a-3c41-4f7e-9a6b-2d8c1e0f4a{home.index:02x}\n"
                        f"allow 1024-65535 192.168.{home.index}.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n")
        home.upnp = self._daemon(home.router, ["miniupnpd", "-d", "-f", str(conf), "-P", f"{conf}.pid"],
                                 f"miniupnpd{home.index}.log", "HTTP listening on port")

    def start_turn(self):
        """coturn at SERVER:TURN_PORT with the lab's secret, relaying to the lab alone, once it answers STUN."""
        secret = self.secret_file.read_text().strip()
        conf = self.folder / "turnserver.conf"
        # -c keeps the machine's /etc/turnserver.conf out; the user database is the lab's own
        conf.write_text("\n".join([
            f"listening-ip={SERVER}", f"relay-ip={SERVER}", f"listening-port={TURN_PORT}",
            f"min-port={RELAY_PORTS[0]}", f"max-port={RELAY_PORTS[1]}",
            "use-auth-secret", f"static-auth-secret={secret}", f"realm={REALM}", "fingerprint",
            "no-tls", "no-dtls", "no-cli", "no-tcp-relay", "no-rfc5780", "no-multicast-peers",
            "allowed-peer-ip=45.45.0.0-45.45.255.255", "denied-peer-ip=0.0.0.0-45.44.255.255",
            "denied-peer-ip=45.46.0.0-255.255.255.255",
            f"userdb={self.folder / 'turndb'}", f"pidfile={self.folder / 'turnserver.pid'}",
            f"log-file={self.folder / 'turnserver.log'}", "simple-log", "no-stdout-log", "verbose", ""]))
        self.turn = self._daemon(self.internet, ["turnserver", "-c", str(conf)], "turnserver.out")
        with self.udp(self.internet) as probe:
            probe.settimeout(0.2)
            end = time.monotonic() + LIMIT
            while time.monotonic() < end and self.turn.poll() is None:
                probe.sendto(struct.pack(">HHI", 1, 0, 0x2112A442) + os.urandom(12), (SERVER, TURN_PORT))  # Binding
                try:
                    if probe.recv(2048):
                        return
                except (socket.timeout, ConnectionRefusedError):
                    pass
        log = self.folder / "turnserver.log"
        raise RuntimeError("coturn did not answer: " + (log.read_text()[-2000:] if log.exists() else ""))

    def start_rendezvous(self):
        """The rendezvous at SERVER:RENDEZVOUS_PORT, offering coturn; returns its ADDR:PORT."""
        self.rendezvous = self._daemon(self.internet, [RENDEZVOUS, "--listen", f"{SERVER}:{RENDEZVOUS_PORT}",
                                                       "--turn", f"{SERVER}:{TURN_PORT}", "--turn-secret-file",
                                                       str(self.secret_file)], "rendezvous.log", "listening on")
        return f"{SERVER}:{RENDEZVOUS_PORT}"

    def counters(self):
        """Packets and bytes to and from coturn's relay ports (relay_in, relay_out) and its own (turn_in, turn_out);
        of turn_out, ChannelData (channel_data) and Data indications (data_indications)."""
        listed = json.loads(self.run(self.internet, ["nft", "-j", "list", "counters", "table", "inet", "lab"]))
        return {c["counter"]["name"]: (c["counter"]["packets"], c["counter"]["bytes"])
                for c in listed["nftables"] if "counter" in c}

    def turn_log(self):
        return (self.folder / "turnserver.log").read_text(errors="replace")

    def close(self):
        if self.closed or os.getpid() != self.owner:
            return
        self.closed, ignoring = True, {}
        with contextlib.suppress(ValueError):  # a second signal must not cut the cleanup short
            for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
                ignoring[number] = signal.signal(number, signal.SIG_IGN)
        try:
            gamerun.end(self.processes[::-1])
            for ns in reversed(self.namespaces):
                _remove(ns)
            shutil.rmtree(self.folder, ignore_errors=True)
        finally:
            for number, handler in {**ignoring, **self.previous_handlers}.items():
                signal.signal(number, handler)
            atexit.unregister(self.close)


def forward(delay_ms, loss, seed):
    """Two TAP devices, one bridged to each side; every frame from one goes to the other `delay_ms` later
    unless lost (seeded with the wire's namespace). ARP is never lost: a lost frame costs a datagram,
    never a second of neighbour discovery."""
    chance = random.Random(seed)
    taps = []
    for name, bridge in (("tin0", "bin0"), ("tout0", "bout0")):
        fd = os.open("/dev/net/tun", os.O_RDWR)
        fcntl.ioctl(fd, 0x400454CA, struct.pack("16sH", name.encode(), 0x0002 | 0x1000))  # TUNSETIFF: TAP, no header
        taps.append(fd)
        run(["ip", "link", "set", name, "master", bridge, "up"])
    print("ready", flush=True)
    due, order = [], 0
    while True:
        wait = max(0.0, due[0][0] - time.monotonic()) if due else None
        for fd in select.select(taps, [], [], wait)[0]:
            frame = os.read(fd, 65536)
            if frame[12:14] == b"\x08\x06" or chance.random() >= loss:
                order += 1
                heapq.heappush(due, (time.monotonic() + delay_ms / 1000.0, order, taps[fd == taps[0]], frame))
        while due and due[0][0] <= time.monotonic():
            _, _, fd, frame = heapq.heappop(due)
            with contextlib.suppress(OSError):
                os.write(fd, frame)


if __name__ == "__main__" and sys.argv[1:2] == ["forward"]:
    forward(float(sys.argv[2]), float(sys.argv[3]), sys.argv[4])
