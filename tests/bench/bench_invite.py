"""Invite codes across the NAT lab (25 ms, 1 % loss on both links), direct (plain routers) and relayed
(symmetric): seconds to the first shared frame, relayed bytes and coturn's CPU, key to mallet on the other
screen; then bench_rendezvous. As root, in a Release build (cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release):
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_invite.py [BUILD_DIR]"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
import nat_lab  # noqa: E402
from bench_network import GUEST_PRESSES, HOST_PRESSES, lags, script, spread  # noqa: E402
from test_invite import code_of, way_of  # noqa: E402
from test_network import HOST_SCRIPT, stderr_of  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bench")
RUNS, FRAMES = 3, 1200
DELAY_MS, LOSS = 25, 0.01


def cpu_seconds(proc):  # user and system time of a running process, all its threads
    with open(f"/proc/{proc.pid}/stat") as stat:
        return sum(map(int, stat.read().rsplit(")", 1)[1].split()[11:13])) / os.sysconf("SC_CLK_TCK")


def session(lab, host_home, guest_home, rendezvous):
    """One session by invite code: the figures main() prints, by name."""
    before, turn_cpu = lab.counters(), cpu_seconds(lab.turn)
    host, host_dir = nat_lab.start(host_home.host, ["--seed", "1", "--host", "--rendezvous", rendezvous, "--await-guest",
                                       "--frames", str(FRAMES)], HOST_SCRIPT + script(HOST_PRESSES))
    nat_lab.wait_for(lambda: code_of(host_dir) or host.poll() is not None, 60)
    started = time.monotonic()
    guest, guest_dir = nat_lab.start(guest_home.host, ["--join", code_of(host_dir), "--rendezvous", rendezvous,
                                          "--frames", str(FRAMES)], script(GUEST_PRESSES))
    nat_lab.wait_for(lambda: "asking the rendezvous" in stderr_of(guest_dir) or guest.poll() is not None, 60, 0.005)
    asking = time.monotonic()
    host.wait(300), guest.wait(300)
    after, turn_cpu = lab.counters(), cpu_seconds(lab.turn) - turn_cpu
    host_trace, guest_trace = gamerun.read_trace(host_dir), gamerun.read_trace(guest_dir)
    made = sorted(line["made_ms"] / 1000 for line in guest_trace if "host_frame" in line)
    said = stderr_of(guest_dir)
    if len(made) < 2:
        raise RuntimeError(f"the guest never shared a frame: {said}")
    seconds = made[-1] - made[0]
    rate = lambda name: (after[name][1] - before[name][1]) / seconds  # noqa: E731
    return {"way": way_of(said), "start": made[0] - started, "asking": made[0] - asking,
            "host_key": lags(HOST_PRESSES, host_trace, guest_trace, "schiesser_x", {"D": 1, "A": -1})[1],
            "guest_key": lags(GUEST_PRESSES, guest_trace, host_trace, "gegner_z", {"S": 1, "W": -1})[1],
            "to_guest": rate(f"to{guest_home.index}"), "to_host": rate(f"to{host_home.index}"),
            "coturn": sum(rate(name) for name in ("relay_in", "relay_out", "turn_in", "turn_out")),
            "coturn_out": rate("relay_out") + rate("turn_out"),
            "cpu": turn_cpu / seconds * 1000}


def main():
    gamerun.GAME = os.path.join(BUILD, "puckslide3d")
    nat_lab.RENDEZVOUS = os.path.join(BUILD, "puckslide3d-rendezvous")
    print(f"{RUNS} sessions of {FRAMES} frames each, {DELAY_MS} ms each way and {LOSS:.0%} loss on both homes' links")
    print("routers | ways | first shared frame after the guest's start; after its asking, s (min/median/max)"
          " | key to mallet on the other screen, host's key; guest's, frames"
          " | relayed to the guest; to the host; coturn in and out; coturn out, B/s of IP packets; coturn's CPU, ms/s"
          " (median)")
    with nat_lab.Lab() as lab:
        homes = {kind: [lab.home(kind, delay_ms=DELAY_MS, loss=LOSS) for _ in range(2)]
                 for kind in ("plain", "symmetric")}
        lab.start_turn()
        rendezvous = lab.start_rendezvous()
        # Each side sends to the other's relayed address and hears from its own allocation: what
        # coturn delivers to a home is what crossed the relay towards it.
        lab.nft(lab.internet, "".join(f"add counter inet lab to{home.index}\nadd rule inet lab output udp sport "
                                      f"{nat_lab.TURN_PORT} ip daddr {home.public} counter name to{home.index}\n"
                                      for pair in homes.values() for home in pair))
        for kind, (host_home, guest_home) in homes.items():
            runs = [session(lab, host_home, guest_home, rendezvous) for _ in range(RUNS)]
            of = lambda key: [run[key] for run in runs]  # noqa: E731
            seconds = [spread([round(t, 2) for t in of(key)]) for key in ("start", "asking")]
            keys = [spread(sum(of(key), [])) for key in ("host_key", "guest_key")]
            rates = [f"{statistics.median(of(key)):,.0f}" for key in ("to_guest", "to_host", "coturn", "coturn_out", "cpu")]
            print(f"{kind:>9} | {', '.join(of('way'))} | {'; '.join(seconds)} | {'; '.join(keys)} | {'; '.join(rates)}")
    print("the rendezvous on one core (bench_rendezvous):", flush=True)
    subprocess.run([os.path.join(BUILD, "tests", "bench_rendezvous")], check=True)


if __name__ == "__main__":
    main()
