"""A host that sends a damaged game (tests/tools/hostile_host.cpp): the guest says which field is
wrong, does not crash and plays alone from its own high-score file, which it leaves untouched."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from gamerun import SOURCE_DIR, make_workdir, read_trace, spawn_game  # noqa: E402
from test_network import LIMIT, free_port, stderr_of  # noqa: E402

HOSTILE_HOST = os.environ.get("PUCKSLIDE_HOSTILE_HOST", str(SOURCE_DIR / "build" / "check" / "tests" / "hostile_host"))
# The guest's own list: a game taken from the host would show the host's empty one.
OWN_SCORES = [3, 5, 8, 0, 0, 0, 0, 0, 0, 0]
OWN_FILE = ((SOURCE_DIR / "Data" / "system" / "config.cfg").read_text().replace("-\n" * 10, "ANNA\nBEN\nCARL\n" + "-\n" * 7)
            .replace("0\n" * 10, "".join(f"{s}\n" for s in OWN_SCORES)))


class HostileHost(unittest.TestCase):
    def join(self, kind, frames):
        port = free_port()
        host = subprocess.Popen([HOSTILE_HOST, kind, str(port)], stdout=subprocess.PIPE, text=True)
        try:
            self.assertIn("listening", host.stdout.readline())
            workdir = make_workdir(config=OWN_FILE)
            guest = spawn_game(workdir, ["--join", f"127.0.0.1:{port}", "--frames", str(frames), "--no-pacing"])
            self.assertEqual(guest.wait(LIMIT), 0, stderr_of(workdir))
            self.assertEqual(host.wait(LIMIT), 0)  # the guest told it that it left
        finally:
            host.kill()
        self.assertEqual((workdir / "Data" / "system" / "config.cfg").read_text(), OWN_FILE)
        own = [line for line in read_trace(workdir) if "host_frame" not in line]
        self.assertGreater(len(own), 10)
        for line in own:  # its own main menu and list
            self.assertEqual((line["menu"], line["hauptmenu_nr"], line["hsscore"]), (True, 1, OWN_SCORES))
        return port, stderr_of(workdir)

    def test_a_damaged_game_at_the_join_is_refused_by_its_field(self):
        for kind, why in (("nan-puck", "x not a finite number"), ("menu-index", "menu_1_nr out of range"),
                          ("long-text", "zeichen too long")):
            with self.subTest(kind=kind):
                port, stderr = self.join(kind, frames=30)
                self.assertIn(f"cannot join 127.0.0.1:{port}: the host's game is damaged ({why}); playing alone",
                              stderr)

    def test_a_damaged_heal_ends_the_session(self):
        port, stderr = self.join("heal", frames=80)
        self.assertIn(f"joined the game at 127.0.0.1:{port}", stderr)
        self.assertIn("the session has ended: the host's game is damaged (move_z out of range)", stderr)


if __name__ == "__main__":
    unittest.main()
