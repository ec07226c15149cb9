"""Network figures of a session through the test relay at 0, 25, 50 and 100 ms one way (5 % loss, a
quarter of the delay as jitter) and on a harsh link, both sides steering in turn. Optimised:
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_network.py [GAME]"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
from test_network import HOST_SCRIPT, Session  # noqa: E402
from udp_relay import Relay  # noqa: E402

FRAMES = 1200
DELAYS = [int(d) for d in os.environ.get("BENCH_DELAYS", "0 25 50 100").split()]
HARSH = {"drop": 0.1, "duplicate": 0.03, "delay_ms": (0, 150)}
# From frame 100 on each side presses a key every 60 frames and holds it for 30.
GUEST_PRESSES = [(frame, "S" if n % 2 == 0 else "W") for n, frame in enumerate(range(100, FRAMES - 100, 60))]
HOST_PRESSES = [(frame + 15, "D" if n % 2 == 0 else "A") for n, frame in enumerate(range(100, FRAMES - 100, 60))]


def script(presses):
    return [line for frame, key in presses for line in (f"{frame} down {key}", f"{frame + 30} up {key}")]


def cpu_seconds(process):
    _, _, usage = os.wait4(process.pid, 0)
    process.returncode = 0
    return usage.ru_utime + usage.ru_stime


def moved(trace, start, field, sign):
    """The first line from `start` whose drawn mallet moved the key's way."""
    for before, line in zip(trace[start - 1:], trace[start:]):
        if line.get("drawn") and (line["shown"][field] - before["shown"][field]) * sign > 0:
            return line
    return None


def lags(presses, own, other, field, signs):
    """Frames from each press to its mallet moving on the pressing side's screen, and on the other's."""
    own_lags, other_lags = [], []
    own_session = [line for line in own if "shown" in line]
    by_frame = {line["frame"]: line for line in own_session}
    other_session = [line for line in other if "shown" in line]
    for frame, key in presses:
        pressed = by_frame.get(frame)
        if pressed is None:
            continue
        session_frame = pressed.get("host_frame", pressed["frame"])
        here = moved(own_session, own_session.index(pressed), field, signs[key])
        if here:
            own_lags.append(here["frame"] - pressed["frame"])
        start = next((i for i, line in enumerate(other_session)
                      if line.get("host_frame", line["frame"]) >= session_frame), None)
        there = moved(other_session, start, field, signs[key]) if start else None
        if there:
            other_lags.append(there.get("host_frame", there["frame"]) - session_frame)
    return own_lags, other_lags


def spread(values):
    return f"{min(values)}/{statistics.median(values):g}/{max(values)}" if values else "-"


def run_session(link):
    """Host and guest through a relay with `link`'s faults: their traces, CPU seconds and the relay."""
    s = Session(FRAMES, FRAMES, relay=lambda port: Relay(port, **link), host_script=HOST_SCRIPT + script(HOST_PRESSES),
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
        made = [line["made_ms"] for line in lines]
        made_seconds = (made[-1] - made[0]) / 1000
        out["sides"].append(((len(made) - 1) / made_seconds, sum(line["waits"] for line in lines) / made_seconds,
                     sum(line["drawn"] for line in lines) / len(lines), sum(line["rollback"] for line in lines) / seconds,
                     max(line["rollback"] for line in lines), cpu[side] / len(trace)))
    return out


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


if __name__ == "__main__":
    main()
