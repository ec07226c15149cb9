"""A host that sends damaged games (tests/tools/hostile_host.cpp) never takes the guest's game or file."""
import os
import subprocess
import unittest

from gamerun import BUILD_DIR, make_workdir, read_trace, spawn_game
from test_network import LIMIT, free_port, stderr_of
from test_play import CONFIG as OWN_FILE, SCORES as OWN_SCORES  # the guest's own list, not the host's empty one

HOSTILE_HOST = os.environ.get("PUCKSLIDE_HOSTILE_HOST", str(BUILD_DIR / "tests" / "hostile_host"))


# Which fields the guest checks is the unit StateBounds tests'; here what the guest does about it.
class HostileHost(unittest.TestCase):
    def test_a_damaged_game_at_the_join_is_refused_and_a_damaged_heal_ends_the_session_by_its_field(self):
        damaged = "the host's game is damaged"
        for kind, frames, said in (
                ("nan-puck", 30, [f"cannot join 127.0.0.1:{{}}: {damaged} (x not a finite number); playing alone"]),
                ("heal", 80, ["joined the game at 127.0.0.1:{}", f"the session has ended: {damaged} (move_z out of range)"])):
            with self.subTest(kind=kind):
                port = free_port()
                host = subprocess.Popen([HOSTILE_HOST, kind, str(port)], stdout=subprocess.PIPE, text=True)
                self.addCleanup(host.kill)
                self.assertIn("listening", host.stdout.readline())
                workdir = make_workdir(config=OWN_FILE)
                guest = spawn_game(workdir, ["--join", f"127.0.0.1:{port}", "--frames", str(frames), "--no-pacing"])
                self.assertEqual(guest.wait(LIMIT), 0, stderr_of(workdir))
                self.assertEqual(host.wait(LIMIT), 0)  # the guest told it that it left
                for message in said:
                    self.assertIn(message.format(port), stderr_of(workdir))
                self.assertEqual((workdir / "Data" / "system" / "config.cfg").read_text(), OWN_FILE)
                own = [line for line in read_trace(workdir) if "host_frame" not in line]
                self.assertGreater(len(own), 10)
                for line in own:  # its own main menu and list
                    self.assertEqual((line["menu"], line["hauptmenu_nr"], line["hsscore"]), (True, 1, OWN_SCORES))


if __name__ == "__main__":
    unittest.main()
