"""Network figures: host and guest on 127.0.0.1 through the test relay, delaying
every datagram by 0, 25 and 50 ms one way. Prints, per delay, the frames from the
host frame the guest was showing when it pressed a key to the host frame in which
the far mallet's velocity answers (the key's way to the host plus the frame's way
to the guest), the bytes per second each way and the host's frame rate.
Run under a display, with an optimised build:
  xvfb-run -a -s "-screen 0 800x600x24" python3 tests/bench/bench_network.py [GAME]"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import gamerun  # noqa: E402
from test_network import HOST_SCRIPT, free_port  # noqa: E402
from udp_relay import Relay  # noqa: E402

FRAMES = 1200
SPEED = 4.5  # the first table's mallet speed
# From frame 100 on the guest presses S and W in turn, each for 30 frames, one every 60.
PRESSES = [(frame, "S" if n % 2 == 0 else "W") for n, frame in enumerate(range(100, FRAMES - 100, 60))]
GUEST_SCRIPT = [line for frame, key in PRESSES for line in (f"{frame} down {key}", f"{frame + 30} up {key}")]


def measure(delay_ms):
    port = free_port()
    host_dir, guest_dir = gamerun.make_workdir(), gamerun.make_workdir()
    host = gamerun.spawn_game(host_dir, ["--seed", "1", "--host", f"127.0.0.1:{port}", "--await-guest",
                                         "--frames", str(FRAMES)], HOST_SCRIPT)
    with Relay(port, delay_ms=(delay_ms, delay_ms)) as relay:
        guest = gamerun.spawn_game(guest_dir, ["--join", f"127.0.0.1:{relay.port}", "--frames", str(FRAMES + 50)],
                                   GUEST_SCRIPT)
        host.wait(600)
        guest.wait(600)
    trace = gamerun.read_trace(host_dir)
    shown = sorted(line["host_frame"] for line in gamerun.read_trace(guest_dir) if line.get("drawn"))
    lags = []
    for frame, key in PRESSES:
        # A key scripted for guest frame F comes once the guest has shown host frame F - 1 or a later one.
        pressed = next((k for k in shown if k >= frame - 1), None)
        wanted = SPEED if key == "S" else -SPEED
        answer = next((line["frame"] for line in trace[frame - 1:] if line["gegner_v_z"] == wanted), None)
        if answer is not None and pressed is not None:
            lags.append(answer - pressed)
    seconds = relay.last - relay.first
    return lags, relay.bytes["host_to_guest"] / seconds, relay.bytes["guest_to_host"] / seconds, len(trace) / seconds


def main():
    if len(sys.argv) > 1:
        gamerun.GAME = sys.argv[1]
    print("one-way delay | key to far mallet, host frames (min / median / max) | host to guest B/s | guest to host B/s | host frames/s")
    for delay in (0, 25, 50):
        lags, down, up, rate = measure(delay)
        print(f"{delay:>10} ms | {min(lags)} / {statistics.median(lags)} / {max(lags)} ({len(lags)} presses)"
              f" | {down:,.0f} | {up:,.0f} | {rate:.0f}")


if __name__ == "__main__":
    main()
