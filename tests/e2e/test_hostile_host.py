"""A host that sends a damaged game (tests/tools/hostile_host.cpp): the guest refuses it at
once, says which field is wrong, does not crash and plays alone from its own high-score
file, which it leaves untouched. A damaged heal mid-session ends the session the same way."""
import os
import pathlib
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, make_workdir, read_trace, spawn_game  # noqa: E402
from test_network import LIMIT, free_port, stderr_of  # noqa: E402

HOSTILE_HOST = os.environ.get("PUCKSLIDE_HOSTILE_HOST", str(SOURCE_DIR / "build" / "check" / "tests" / "hostile_host"))
CONFIG = pathlib.Path("Data") / "system" / "config.cfg"
# The guest's own list: a state taken from the host would show the host's (empty) one instead.
OWN_SCORES = [3, 5, 8, 0, 0, 0, 0, 0, 0, 0]
OWN_LIST = ("Puckslyde3D\nDon't change this file or Puckslide3D won't work!\nHomepage: puckslide3d.example\n"
            "Contact: puckslide3d.example/contact\nThis file belongs to Puckslide3D by Marbeck Valentino\n"
            "ANNA\nBEN\nCARL\n" + "-\n" * 7 + "//Nothing\n" + "".join(f"{s}\n" for s in OWN_SCORES))


class HostileHost(unittest.TestCase):
    def join(self, kind, frames):
        """The guest against the hostile host; returns the guest's stderr and trace."""
        port = free_port()
        host = subprocess.Popen([HOSTILE_HOST, kind, str(port)], stdout=subprocess.PIPE, text=True)
        try:
            self.assertIn("listening", host.stdout.readline())
            workdir = make_workdir(config=OWN_LIST)
            guest = spawn_game(workdir, ["--join", f"127.0.0.1:{port}", "--frames", str(frames), "--no-pacing"])
            self.assertEqual(guest.wait(LIMIT), 0, stderr_of(workdir))
            # the guest told the host it was leaving
            self.assertEqual(host.wait(LIMIT), 0)
        finally:
            if host.poll() is None:
                host.kill()
                host.wait()
        self.assertEqual((workdir / CONFIG).read_text(), OWN_LIST)
        return port, stderr_of(workdir), read_trace(workdir)

    def assert_plays_alone(self, own):
        self.assertGreater(len(own), 10)
        for line in own:
            self.assertNotIn("host_frame", line)
            self.assertEqual((line["menu"], line["hauptmenu_nr"], line["hsscore"]), (True, 1, OWN_SCORES))

    def test_a_damaged_game_at_the_join_is_refused_by_its_field(self):
        for kind, why in (("nan-puck", "x not a finite number"), ("menu-index", "menu_1_nr out of range"),
                          ("long-text", "zeichen too long")):
            with self.subTest(kind=kind):
                port, stderr, trace = self.join(kind, frames=30)
                self.assertIn(f"cannot join 127.0.0.1:{port}: the host's game is damaged ({why}); playing alone",
                              stderr)
                self.assertNotIn("joined the game", stderr)
                self.assert_plays_alone(trace)
                self.assertEqual(len(trace), 30)

    def test_a_damaged_heal_ends_the_session(self):
        port, stderr, trace = self.join("heal", frames=80)
        self.assertIn(f"joined the game at 127.0.0.1:{port}", stderr)
        self.assertIn("the session has ended: the host's game is damaged (move_z out of range)", stderr)
        self.assertNotIn("took the host's game over", stderr)
        self.assert_plays_alone([line for line in trace if "host_frame" not in line])


if __name__ == "__main__":
    unittest.main()
