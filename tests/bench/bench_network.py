"""Network figures of a rollback session through the test relay at 0, 25, 50 and 100 ms one
way (5 % loss, a quarter of the delay as jitter) and on a harsh link (10 % loss, 3 % duplicates,
0 to 150 ms), both sides steering in turn: frames from a key to its mallet on its own and on the
other screen, frames made and waited per second, frames drawn, re-runs and the deepest, CPU per
frame beside a game alone, UDP payload bytes per second each way. Then dark spells of 0.3 to
2.5 s, on a clean link and at 10 % loss: how long after each one a side makes frames again and
is back within 2 frames of the other. Under a display, optimised:
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_network.py [GAME]"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
from test_network import HOST_SCRIPT, OUTAGES, free_port, stderr_of, wait_for  # noqa: E402
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


def run_session(link, frames=FRAMES):
    """Host and guest through a relay with `link`'s faults: their traces, CPU seconds and the relay."""
    port = free_port()
    host_dir, guest_dir = gamerun.make_workdir(), gamerun.make_workdir()
    host = gamerun.spawn_game(host_dir, ["--seed", "1", "--host", f"127.0.0.1:{port}", "--await-guest",
                                         "--frames", str(frames)], HOST_SCRIPT + script(HOST_PRESSES))
    wait_for(lambda: "hosting on" in stderr_of(host_dir))
    with Relay(port, **link) as relay:
        guest = gamerun.spawn_game(guest_dir, ["--join", f"127.0.0.1:{relay.port}", "--frames", str(frames)],
                                   script(GUEST_PRESSES))
        cpu = cpu_seconds(host), cpu_seconds(guest)
    return gamerun.read_trace(host_dir), gamerun.read_trace(guest_dir), cpu, relay


def pace(lines, relay_seconds):
    """Frames made and loop turns waited per second, from the frames' own clock (an earlier build
    without one: frames over the relay's time, waits unknown)."""
    made = [line["made_ms"] for line in lines if "made_ms" in line]
    if len(made) < 2:
        return len(lines) / relay_seconds, float("nan")
    seconds = (made[-1] - made[0]) / 1000
    return (len(made) - 1) / seconds, sum(line["waits"] for line in lines) / seconds


def measure(link):
    host_trace, guest_trace, (host_cpu, guest_cpu), relay = run_session(link)
    seconds = relay.last - relay.first
    guest_own, guest_other = lags(GUEST_PRESSES, guest_trace, host_trace, "gegner_z", {"S": 1, "W": -1})
    host_own, host_other = lags(HOST_PRESSES, host_trace, guest_trace, "schiesser_x", {"D": 1, "A": -1})
    session = [[line for line in trace if "shown" in line] for trace in (host_trace, guest_trace)]
    drawn = [sum(line["drawn"] for line in lines) / max(1, len(lines)) for lines in session]
    reruns = [sum(line["rollback"] for line in lines) / seconds for lines in session]
    deepest = [max((line["rollback"] for line in lines), default=0) for lines in session]
    return {
        "pace": [pace(lines, seconds) for lines in session],
        "own": (spread(host_own), spread(guest_own)),
        "other": (spread(host_other), spread(guest_other)),
        "drawn": drawn,
        "reruns": reruns + deepest,
        "cpu": (host_cpu / max(1, len(host_trace)), guest_cpu / max(1, len(guest_trace))),
        "bytes": (relay.bytes["host_to_guest"] / seconds, relay.bytes["guest_to_host"] / seconds),
    }


def made_at(lines, key):
    """(time on the machine's monotonic clock, frame) of each frame as a side first made it."""
    return sorted((line["made_ms"] / 1000, line[key]) for line in lines if "made_ms" in line)


def recovery(link):
    """For each dark spell: how long after its end each side made a frame again, and was making
    frames within 2 of the other's present for good (0.5 s on end)."""
    host_trace, guest_trace, _, relay = run_session(dict(link, outages=OUTAGES), frames=1000)
    sides = [made_at(host_trace, "frame"), made_at(guest_trace, "host_frame")]

    def present(side, t):
        frames = [frame for at, frame in side if at <= t]
        return frames[-1] if frames else None

    results = []
    for start, seconds in OUTAGES:
        end = relay.first + start + seconds
        resumed = [next((at for at, _ in side if at > end), None) for side in sides]
        steady = None
        for step in range(0, 400):  # every 10 ms for 4 s
            t = end + step / 100
            window = [t + k / 100 for k in range(50)]
            if all(None not in (present(sides[0], u), present(sides[1], u)) and
                   abs(present(sides[0], u) - present(sides[1], u)) <= 2 for u in window):
                steady = t
                break
        results.append((seconds, [None if r is None else r - end for r in resumed],
                        None if steady is None else steady - end))
    return results


def main():
    if len(sys.argv) > 1:
        gamerun.GAME = os.path.abspath(sys.argv[1])
    local = alone()
    print(f"a game alone: {local * 1000:.2f} ms CPU per frame")
    print("link | frames/s host; guest, waited frames/s host; guest | key to own mallet, own screen, frames host; guest"
          " (min/median/max) | on the other screen | drawn host; guest | re-run frames/s host; guest, deepest"
          " | CPU per frame vs alone host; guest | B/s host to guest; guest to host")
    links = [(f"{delay} ms", dict(drop=0.05, delay_ms=(delay * 0.75, delay * 1.25))) for delay in DELAYS]
    for name, link in links + [("harsh", HARSH)]:
        m = measure(link)
        (host_fps, host_waits), (guest_fps, guest_waits) = m["pace"]
        print(f"{name:>6} | {host_fps:.1f}; {guest_fps:.1f}, {host_waits:.1f}; {guest_waits:.1f}"
              f" | {m['own'][0]}; {m['own'][1]} | {m['other'][0]}; {m['other'][1]}"
              f" | {m['drawn'][0]:.0%}; {m['drawn'][1]:.0%}"
              f" | {m['reruns'][0]:.0f}; {m['reruns'][1]:.0f}, {m['reruns'][2]}; {m['reruns'][3]}"
              f" | {m['cpu'][0] / local:.2f}x; {m['cpu'][1] / local:.2f}x"
              f" | {m['bytes'][0]:,.0f}; {m['bytes'][1]:,.0f}")
    print("dark spell | link | a frame again after, host; guest | both within 2 frames after")
    seconds_text = lambda v: "never" if v is None else f"{v:.2f} s"  # noqa: E731
    for name, link in (("clean", {}), ("10 % loss", {"drop": 0.1})):
        for seconds, resumed, steady in recovery(link):
            print(f"{seconds:>6.1f} s | {name} | {seconds_text(resumed[0])}; {seconds_text(resumed[1])}"
                  f" | {seconds_text(steady)}")


if __name__ == "__main__":
    main()
