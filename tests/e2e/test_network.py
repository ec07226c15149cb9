"""Host and guest on 127.0.0.1 agree on every frame both have, through loss, dark spells, desyncs and faults."""
import signal
import socket
import unittest

from gamerun import heard, make_workdir, read_trace, spawn_game
from menu_script import TRAINING
from nat_lab import wait_for
from udp_relay import Relay

# Training with the computer off; the near mallet shoots straight up the table and moves aside.
HOST_SCRIPT = TRAINING + ["14 down SHIFT", "14 down CTRL", "15 down C", "16 up C", "16 up CTRL", "16 up SHIFT",
                          "30 down W", "40 up W", "42 down A", "80 up A"]
# The guest holds S: the far mallet charges and sends the puck back into the near goal.
GUEST_SCRIPT = ["5 down S"]
# Fields each window keeps for itself, and the guest's own frame numbers.
OWN_FIELDS = {"frame", "host_frame", "drawn", "fullscreen", "active", "shown", "rollback", "waits", "made_ms", "texts",
              "sounds", "music", "boxes", "desyncs"}
LIMIT = 120  # seconds any one game may take
# Dark spells on the link, (start, seconds) after its first datagram: after the join, over by 15.5 s.
OUTAGES = ((5.0, 0.3), (7.0, 0.8), (9.5, 1.5), (13.0, 2.5))
FIRST_TABLE_MALLET_SPEED = 4.5


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def stderr_of(workdir):
    return (workdir / "stderr.txt").read_text()


def assert_agree(test, host, guest, min_share):
    """The guest's confirmed frames are the host's, but for what each window keeps for itself."""
    by_frame = {line["frame"]: line for line in host}
    shared = [line for line in guest if line.get("confirmed")]
    test.assertGreaterEqual(len(shared), min_share * len(host), "the guest saw too few of the host's frames")
    for line in shared:
        theirs = by_frame[line["host_frame"]]
        if not theirs.get("confirmed", True):
            continue  # the host ended before the guest's record of it arrived
        for key in line.keys() - OWN_FIELDS:
            test.assertEqual(line[key], theirs[key], f"host frame {line['host_frame']}: {key}")
    return shared


class Session:
    def __init__(self, host_frames, guest_frames, relay=None, host_args=(), guest_args=(),
                 host_script=HOST_SCRIPT, guest_script=GUEST_SCRIPT):
        self.port = free_port()
        self.host_dir, self.guest_dir = make_workdir(), make_workdir()
        self.host = spawn_game(self.host_dir, ["--seed", "1", "--host", f"127.0.0.1:{self.port}", "--await-guest",
                                               "--frames", str(host_frames), *host_args], host_script)
        # A guest's first try at a port not open yet is lost, and the next one comes later.
        if not wait_for(lambda: "hosting on" in stderr_of(self.host_dir), LIMIT):
            raise AssertionError("the host did not start")
        self.relay = relay(self.port) if relay else None
        join = self.relay.__enter__().port if self.relay else self.port
        self.guest = spawn_game(self.guest_dir, ["--join", f"127.0.0.1:{join}", "--frames", str(guest_frames),
                                                 *guest_args], guest_script)

    def finish(self):
        codes = (self.host.wait(LIMIT), self.guest.wait(LIMIT))
        if self.relay:
            self.relay.__exit__()
        return codes

    def kill_when_host_reaches(self, frame, process):
        if not wait_for(lambda: len(read_trace(self.host_dir)) > frame, LIMIT):
            raise AssertionError("the game did not get there in time")
        process.send_signal(signal.SIGKILL)


class HostAndGuest(unittest.TestCase):
    def assert_guest_scored(self, host, guest):
        goal = heard(host, "goal")[0]
        self.assertEqual((goal > 40, host[goal]["my_score"], host[goal]["his_score"]), (True, 0, 1))
        self.assertTrue(any(line["gegner_v_z"] == FIRST_TABLE_MALLET_SPEED for line in host[:goal]))
        for trace in (host, guest):  # the replay runs on both sides, drawn at the guest
            self.assertGreater(sum(line["video"] for line in trace if line.get("drawn", True)), 50)

    def test_a_match_with_two_refused_guests(self):
        session = Session(host_frames=300, guest_frames=330)
        self.assertTrue(wait_for(lambda: "a guest joined" in stderr_of(session.host_dir), LIMIT))
        for extra, reason in ((["--net-version", "0.9.0"], "the host runs version 1.0.0, this game 0.9.0"),
                              ([], "the host already has a guest")):
            workdir = make_workdir()
            late = spawn_game(workdir, ["--join", f"127.0.0.1:{session.port}", "--frames", "1"] + extra)
            self.assertEqual(late.wait(LIMIT), 0)
            self.assertIn(f"cannot join 127.0.0.1:{session.port}: {reason}; playing alone", stderr_of(workdir))
        self.assertEqual(session.finish(), (0, 0), stderr_of(session.guest_dir))
        host, guest = read_trace(session.host_dir), read_trace(session.guest_dir)
        shared = assert_agree(self, host, guest, min_share=0.95)  # the host ends a few frames ahead
        self.assertEqual([line["host_frame"] for line in shared], list(range(len(shared))))
        self.assert_guest_scored(host, guest)
        self.assertEqual(stderr_of(session.host_dir).count("refused a guest"), 2)
        # the host's end sends the guest back to its own main menu, where it goes on alone
        self.assertIn("the session has ended: the host has left", stderr_of(session.guest_dir))
        self.assertEqual((guest[-1]["hauptmenu_nr"], guest[-1]["menu"], "host_frame" in guest[-1]), (1, True, False))

    def test_dark_spells_of_up_to_two_and_a_half_seconds_on_a_lossy_corrupting_link_leave_the_session_playing(self):
        # after the last spell (no side is past frame 800 before) the guest's W turns the far mallet at the host
        guest_script = GUEST_SCRIPT + ["800 up S", "801 down W"]
        for link in ({}, {"drop": 0.1, "duplicate": 0.03, "delay_ms": (0, 150), "corrupt": 0.1}):
            with self.subTest(**link):
                relay = lambda port: Relay(port, outages=OUTAGES, seed=3, **link)  # noqa: E731
                session = Session(host_frames=1000, guest_frames=1100, relay=relay, guest_script=guest_script,
                                  host_args=["--record", "host.rec"], guest_args=["--record", "guest.rec"])
                self.assertEqual(session.finish(), (0, 0), stderr_of(session.guest_dir))
                # a damaged datagram is dropped, a spell outlived: the session lasts until the host ends it
                self.assertNotIn("the guest from", stderr_of(session.host_dir))
                self.assertIn("the session has ended: the host has", stderr_of(session.guest_dir))
                host, guest = read_trace(session.host_dir), read_trace(session.guest_dir)
                assert_agree(self, host, guest, min_share=0.95)
                self.assert_guest_scored(host, guest)
                pressed = next(line["host_frame"] for line in guest if line["frame"] == 801)
                self.assertTrue(any(line["gegner_v_z"] == -FIRST_TABLE_MALLET_SPEED for line in host[pressed:]))
                # each side's record, played back alone, reaches that side's confirmed states
                self.assert_replays(session.host_dir, "host.rec", host, "frame")
                self.assert_replays(session.guest_dir, "guest.rec", guest, "host_frame")

    def test_the_host_goes_on_when_the_guest_is_killed(self):
        session = Session(host_frames=700, guest_frames=5000)
        session.kill_when_host_reaches(150, session.guest)
        self.assertEqual(session.finish()[0], 0)
        host = read_trace(session.host_dir)
        self.assertEqual(len(host), 700)
        self.assertIn("has left (silent for more than 3 seconds)", stderr_of(session.host_dir))
        # the far mallet the guest held at full speed is let go: only the puck moves it now
        self.assertFalse(host[-1]["menu"])
        self.assertFalse(any(abs(line["gegner_v_z"]) == FIRST_TABLE_MALLET_SPEED for line in host[-150:]))

    def test_the_guest_returns_to_its_menu_when_the_host_is_killed(self):
        session = Session(host_frames=5000, guest_frames=250)
        session.kill_when_host_reaches(150, session.host)
        self.assertEqual(session.finish()[1], 0)
        # back at its own main menu as after the host's farewell (test_a_match_with_two_refused_guests)
        self.assertIn("the session has ended: the host has been silent for more than 3 seconds",
                      stderr_of(session.guest_dir))

    def test_an_injected_desync_heals_and_the_guests_f1_is_its_own(self):
        session = Session(host_frames=300, guest_frames=400, guest_args=["--inject-desync", "100"],
                          guest_script=GUEST_SCRIPT + ["60 tap F1"])
        self.assertEqual(session.finish(), (0, 0), stderr_of(session.guest_dir))
        host, guest = read_trace(session.host_dir), read_trace(session.guest_dir)
        self.assertIn("a desync injected at frame 100", stderr_of(session.guest_dir))
        # the first checksum after it tells one side or both; the host sends its game, the guest takes it
        self.assertIn("the games differ at frame 111 (desync 1)", stderr_of(session.host_dir) + stderr_of(session.guest_dir))
        self.assertIn("took the host's game over", stderr_of(session.guest_dir))
        healed = [line for line in guest if line.get("confirmed") and line["host_frame"] > 140]
        self.assertGreater(len(healed), 100)
        assert_agree(self, host, healed, min_share=0)
        self.assertEqual(max(line["desyncs"] for line in host if "desyncs" in line), 1)
        # F1 turned the guest's own window to fullscreen; the host's game did not see it
        self.assertEqual({line["fullscreen"] for line in guest if "host_frame" in line and line["frame"] > 62}, {True})
        self.assertFalse(any(line["fullscreen"] for line in host))

    def assert_replays(self, workdir, record, trace, frame_key):
        """The record played back on one machine reaches the states the side confirmed."""
        replay = spawn_game(workdir, ["--replay", record, "--no-pacing"])
        self.assertEqual(replay.wait(LIMIT), 0)
        self.assertNotIn("left the recorded game", stderr_of(workdir))
        replayed = {line["frame"]: line for line in read_trace(workdir)}
        confirmed = [line for line in trace if line.get("confirmed")]
        first = confirmed[0][frame_key] if frame_key == "host_frame" else 0
        for line in confirmed:
            mine = replayed[line[frame_key] - first]
            for key in ("x", "z", "schiesser_x", "gegner_z", "my_score", "his_score", "hauptmenu_nr"):
                self.assertEqual(mine[key], line[key], f"{workdir.name} frame {line[frame_key]}: {key}")


if __name__ == "__main__":
    unittest.main()
