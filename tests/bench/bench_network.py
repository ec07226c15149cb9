"""Network figures of a session through the test relay at 0, 25, 50 and 100 ms one way (5 % loss, a
quarter of the delay as jitter) and on a harsh link, both sides steering in turn; then how soon both sides
are back after test_network's dark spells, on a clean link and at 10 % loss. Optimised:
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_network.py [GAME]"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
from test_network import HOST_SCRIPT, OUTAGES, Session  # noqa: E402
from udp_relay import Relay  # noqa: E402

FRAMES = 1200
BOUND = 120  # seconds a measured game may run: its 1200 paced frames take 40 on a clean link, 70 on the harsh one
DELAYS = [int(d) for d in os.environ.get("BENCH_DELAYS", "0 25 50 100").split()]
HARSH = {"drop": 0.1, "duplicate": 0.03, "delay_ms": (0, 150)}
# From frame 100 on each side presses a key every 60 frames and holds it for 30.
GUEST_PRESSES = [(frame, "S" if n % 2 == 0 else "W") for n, frame in enumerate(range(100, FRAMES - 100, 60))]
HOST_PRESSES = [(frame + 15, "D" if n % 2 == 0 else "A") for n, frame in enumerate(range(100, FRAMES - 100, 60))]


def script(presses):
    return [line for frame, key in presses for line in (f"{frame} down {key}", f"{frame + 30} up {key}")]


def cpu_seconds(process):
    """The CPU seconds of a game that ends by itself within BOUND seconds (a host whose guest never came does not)."""
    end = time.monotonic() + BOUND
    while time.monotonic() < end:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            process.returncode = os.waitstatus_to_exitcode(status)
            return usage.ru_utime + usage.ru_stime
        time.sleep(0.05)
    sys.exit(f"bench_network: {' '.join(map(str, process.args[4:]))} still ran after {BOUND} s; ended")


def moved(trace, start, field, sign):  # the first line from `start` whose drawn mallet moved the key's way
    for before, line in zip(trace[start - 1:], trace[start:]):
        if line.get("drawn") and (line["shown"][field] - before["shown"][field]) * sign > 0:
            return line
    return None


def lags(presses, own, other, field, signs):
    """Frames from each press to its mallet moving on the pressing side's screen, and on the other's."""
    own, other = ([line for line in trace if "shown" in line] for trace in (own, other))
    shared = lambda line: line.get("host_frame", line["frame"])  # noqa: E731
    index = {line["frame"]: i for i, line in enumerate(own)}
    own_lags, other_lags = [], []
    for frame, key in (press for press in presses if press[0] in index):
        pressed = own[index[frame]]
        here = moved(own, index[frame], field, signs[key])
        start = next((i for i, line in enumerate(other) if shared(line) >= shared(pressed)), None)
        there = moved(other, start, field, signs[key]) if start else None
        own_lags += [here["frame"] - frame] if here else []
        other_lags += [shared(there) - shared(pressed)] if there else []
    return own_lags, other_lags


def spread(values):
    return f"{min(values)}/{statistics.median(values):g}/{max(values)}" if values else "-"


def run_session(link, frames=FRAMES):
    """Host and guest through a relay with `link`'s faults: their traces, CPU seconds and the relay."""
    s = Session(frames, frames, relay=lambda port: Relay(port, **link), host_script=HOST_SCRIPT + script(HOST_PRESSES),
                guest_script=script(GUEST_PRESSES))
    cpu = cpu_seconds(s.host), cpu_seconds(s.guest)
    s.relay.__exit__()
    return gamerun.read_trace(s.host_dir), gamerun.read_trace(s.guest_dir), cpu, s.relay


def measure(link):
    host_trace, guest_trace, cpu, relay = run_session(link)
    seconds = relay.last - relay.first
    guest_own, guest_other = lags(GUEST_PRESSES, guest_trace, host_trace, "gegner_z", {"S": 1, "W": -1})
    host_own, host_other = lags(HOST_PRESSES, host_trace, guest_trace, "schiesser_x", {"D": 1, "A": -1})
    out = {"own": (spread(host_own), spread(guest_own)), "other": (spread(host_other), spread(guest_other)),
           "bytes": (relay.bytes["host_to_guest"] / seconds, relay.bytes["guest_to_host"] / seconds), "sides": []}
    for side, trace in enumerate((host_trace, guest_trace)):
        lines = [line for line in trace if "shown" in line]
        made = (lines[-1]["made_ms"] - lines[0]["made_ms"]) / 1000
        total = lambda key: sum(line[key] for line in lines)  # noqa: E731
        out["sides"].append(((len(lines) - 1) / made, total("waits") / made, total("drawn") / len(lines),
                             total("rollback") / seconds, max(line["rollback"] for line in lines), cpu[side] / len(trace)))
    return out


def recovery(link):
    """Per dark spell: seconds from its end until each side makes a frame, and until both stay within 2
    frames of each other for 0.5 s (None: not within 4 s)."""
    host, guest, _, relay = run_session(dict(link, outages=OUTAGES), 1000)
    sides = [sorted((line["made_ms"] / 1000, line[key]) for line in trace if "made_ms" in line)
             for trace, key in ((host, "frame"), (guest, "host_frame"))]

    def gap(t):
        now = [[frame for at, frame in side if at <= t][-1:] for side in sides]
        return abs(now[0][0] - now[1][0]) if all(now) else float("inf")
    for start, seconds in OUTAGES:
        end = relay.first + start + seconds
        resumed = [next((at - end for at, _ in side if at > end), None) for side in sides]
        gaps = [gap(end + tick / 100) for tick in range(450)]
        yield seconds, resumed, next((tick / 100 for tick in range(400) if max(gaps[tick:tick + 50]) <= 2), None)


def main():
    if len(sys.argv) > 1:
        gamerun.GAME = os.path.abspath(sys.argv[1])
    workdir = gamerun.make_workdir()
    alone = cpu_seconds(gamerun.spawn_game(workdir, ["--seed", "1", "--frames", str(FRAMES)],
                                           HOST_SCRIPT + script(HOST_PRESSES))) / FRAMES
    print(f"a game alone: {alone * 1000:.2f} ms CPU per frame")
    print("link | frames/s host; guest, waited frames/s host; guest | key to own mallet, own screen, frames host; guest"
          " (min/median/max) | on the other screen | drawn host; guest | re-run frames/s host; guest, deepest"
          " | CPU per frame vs alone host; guest | B/s host to guest; guest to host")
    links = [(f"{delay} ms", dict(drop=0.05, delay_ms=(delay * 0.75, delay * 1.25))) for delay in DELAYS]
    for name, link in links + [("harsh", HARSH)]:
        m = measure(link)
        (hf, hw, hd, hr, hdeep, hc), (gf, gw, gd, gr, gdeep, gc) = m["sides"]
        print(f"{name:>6} | {hf:.1f}; {gf:.1f}, {hw:.1f}; {gw:.1f} | {m['own'][0]}; {m['own'][1]}"
              f" | {m['other'][0]}; {m['other'][1]} | {hd:.0%}; {gd:.0%} | {hr:.0f}; {gr:.0f}, {hdeep}; {gdeep}"
              f" | {hc / alone:.2f}x; {gc / alone:.2f}x | {m['bytes'][0]:,.0f}; {m['bytes'][1]:,.0f}")
    print("dark spell | link | a frame again after, host; guest | both within 2 frames after")
    text = lambda v: "never" if v is None else f"{v:.2f} s"  # noqa: E731
    for name, link in (("clean", {}), ("10 % loss", {"drop": 0.1})):
        for seconds, resumed, steady in recovery(link):
            print(f"{seconds:>6.1f} s | {name} | {text(resumed[0])}; {text(resumed[1])} | {text(steady)}")


if __name__ == "__main__":
    main()
