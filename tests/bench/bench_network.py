"""Network figures of a rollback session through the test relay at 0, 25, 50 and 100 ms one
way (5 % loss, a quarter of the delay as jitter), both sides steering in turn: frames from a key
to its mallet on its own and on the other screen, frames drawn, re-runs and the deepest, CPU per
frame beside a game alone, UDP payload bytes per second each way. Under a display, optimised:
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_network.py [GAME]"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
from test_network import HOST_SCRIPT, free_port  # noqa: E402
from udp_relay import Relay  # noqa: E402

FRAMES = 1200
DELAYS = [int(d) for d in os.environ.get("BENCH_DELAYS", "0 25 50 100").split()]
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


def alone():
    workdir = gamerun.make_workdir()
    game = gamerun.spawn_game(workdir, ["--seed", "1", "--frames", str(FRAMES)], HOST_SCRIPT + script(HOST_PRESSES))
    return cpu_seconds(game) / FRAMES


def measure(delay_ms):
    port = free_port()
    host_dir, guest_dir = gamerun.make_workdir(), gamerun.make_workdir()
    host = gamerun.spawn_game(host_dir, ["--seed", "1", "--host", f"127.0.0.1:{port}", "--await-guest",
                                         "--frames", str(FRAMES)], HOST_SCRIPT + script(HOST_PRESSES))
    jitter = delay_ms / 4
    with Relay(port, drop=0.05, delay_ms=(delay_ms - jitter, delay_ms + jitter)) as relay:
        guest = gamerun.spawn_game(guest_dir, ["--join", f"127.0.0.1:{relay.port}", "--frames", str(FRAMES)],
                                   script(GUEST_PRESSES))
        host_cpu, guest_cpu = cpu_seconds(host), cpu_seconds(guest)
    host_trace, guest_trace = gamerun.read_trace(host_dir), gamerun.read_trace(guest_dir)
    seconds = relay.last - relay.first
    guest_own, guest_other = lags(GUEST_PRESSES, guest_trace, host_trace, "gegner_z", {"S": 1, "W": -1})
    host_own, host_other = lags(HOST_PRESSES, host_trace, guest_trace, "schiesser_x", {"D": 1, "A": -1})
    session = [[line for line in trace if "shown" in line] for trace in (host_trace, guest_trace)]
    drawn = [sum(line["drawn"] for line in lines) / max(1, len(lines)) for lines in session]
    reruns = [sum(line["rollback"] for line in lines) / seconds for lines in session]
    deepest = [max((line["rollback"] for line in lines), default=0) for lines in session]
    return {
        "own": (spread(host_own), spread(guest_own)),
        "other": (spread(host_other), spread(guest_other)),
        "drawn": drawn,
        "reruns": reruns + deepest,
        "cpu": (host_cpu / max(1, len(host_trace)), guest_cpu / max(1, len(guest_trace))),
        "bytes": (relay.bytes["host_to_guest"] / seconds, relay.bytes["guest_to_host"] / seconds),
    }


def main():
    if len(sys.argv) > 1:
        gamerun.GAME = os.path.abspath(sys.argv[1])
    local = alone()
    print(f"a game alone: {local * 1000:.2f} ms CPU per frame")
    print("one way | key to own mallet, own screen, frames host; guest (min/median/max) | on the other screen"
          " | drawn host; guest | re-run frames/s host; guest, deepest | CPU per frame vs alone host; guest"
          " | B/s host to guest; guest to host")
    for delay in DELAYS:
        m = measure(delay)
        print(f"{delay:>4} ms | {m['own'][0]}; {m['own'][1]} | {m['other'][0]}; {m['other'][1]}"
              f" | {m['drawn'][0]:.0%}; {m['drawn'][1]:.0%}"
              f" | {m['reruns'][0]:.0f}; {m['reruns'][1]:.0f}, {m['reruns'][2]}; {m['reruns'][3]}"
              f" | {m['cpu'][0] / local:.2f}x; {m['cpu'][1] / local:.2f}x"
              f" | {m['bytes'][0]:,.0f}; {m['bytes'][1]:,.0f}")


if __name__ == "__main__":
    main()
