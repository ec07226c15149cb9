"""The game as a player gets it: installed, its desktop files, its Debian package, and ./play's folder."""
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

from gamerun import BUILD_DIR, GAME, SOURCE_DIR
from menu_script import TRAINING, played
from test_play import CONFIG, LISTED, SCORES

APP_ID = "example.puckslide3d.Puckslide3D"
USER_FILE = "puckslide3d/Data/system/config.cfg"
# W drives the mallet into the puck: every kind of data file is read (models, their textures, a sound).
SHOT = TRAINING + ["24 down W"]


def files_below(root):
    return {p.relative_to(root).as_posix(): p.read_bytes() for p in root.rglob("*") if p.is_file()}


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    return result.returncode, result.stdout + result.stderr


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = pathlib.Path(tempfile.mkdtemp(prefix="puckslide-install-"))
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        subprocess.run(["cmake", "--install", str(BUILD_DIR), "--prefix", "/usr"], check=True, capture_output=True,
                       env=dict(os.environ, DESTDIR=str(cls.scratch / "root")))
        cls.usr = cls.scratch / "root" / "usr"

    def test_plays_from_any_folder_as_from_the_source_tree_with_the_players_own_high_scores(self):
        installed = files_below(self.usr)
        source = played(self, SHOT, frames=60, screenshots={40: "shot.png"})
        self.assertIn("data/sounds/shot.wav", source.all("sounds"))
        home = self.scratch / "home"
        # (environment, where the player's file is, what it holds before the start)
        cases = [({"XDG_DATA_HOME": str(self.scratch / "xdg")}, self.scratch / "xdg" / USER_FILE, None),
                 ({"XDG_DATA_HOME": "", "HOME": str(home)}, home / ".local/share" / USER_FILE, CONFIG)]
        for env, user_file, before in cases:
            with self.subTest(env=env):
                if before:
                    user_file.parent.mkdir(parents=True)
                    user_file.write_text(before)
                workdir = pathlib.Path(tempfile.mkdtemp(dir=self.scratch))
                r = played(self, SHOT, frames=60, screenshots={40: "shot.png"}, workdir=workdir, env=env,
                           game=[str(self.usr / "bin" / "puckslide3d")])
                self.assertNotIn("cannot play", r.stderr)
                self.assertEqual(sorted(os.listdir(workdir)), ["script.txt", "shot.png", "trace.jsonl"])
                if before is None:
                    # the player's file made from the shipped one, the play the source tree's to the pixel
                    self.assertEqual(user_file.read_bytes(), (SOURCE_DIR / "Data/system/config.cfg").read_bytes())
                    self.assertEqual(r.trace, source.trace)
                    self.assertEqual((workdir / "shot.png").read_bytes(), (source.workdir / "shot.png").read_bytes())
                else:
                    self.assertEqual((r.trace[0]["HSname"], r.trace[0]["hsscore"]), (LISTED, SCORES))
                    self.assertEqual(user_file.read_text(), before)
        self.assertEqual(files_below(self.usr), installed, "the game wrote into its install tree")

    def test_desktop_entry_and_metainfo_are_valid(self):
        share = self.usr / "share"
        self.assertEqual(run("desktop-file-validate", str(share / "applications" / f"{APP_ID}.desktop")), (0, ""))
        # the menu entry's two actions: host, and join with the clipboard's code or on the local network
        entry = (share / "applications" / f"{APP_ID}.desktop").read_text()
        actions = re.findall(r"\[Desktop Action (\w+)\]\nName=([^\n]+)\nExec=\S+ ([^\n]+)", entry)
        self.assertEqual(actions, [("host", "Host a network game", "--host"), ("join", "Join a network game", "--join")])
        # No --strict: its one note is that the reserved ".example" domain is not a known one.
        code, output = run("appstreamcli", "validate", "--no-net",
                           str(share / "metainfo" / f"{APP_ID}.metainfo.xml"))
        self.assertEqual(code, 0, output)


class DebianPackage(unittest.TestCase):
    def test_holds_the_install_tree_and_depends_on_every_library_the_game_needs(self):
        with tempfile.TemporaryDirectory() as tmp:
            code, output = run("cpack", "-G", "DEB", "--config", str(BUILD_DIR / "CPackConfig.cmake"), "-B", tmp)
            self.assertEqual(code, 0, output)
            deb = next(pathlib.Path(tmp).glob("puckslide3d_*.deb"))
            units = [f"/usr/lib/systemd/system/puckslide3d-{name}.service" for name in ("rendezvous", "scores")]
            listing = run("dpkg-deb", "-c", str(deb))[1]
            paths = {line.split()[-1].lstrip(".") for line in listing.splitlines()}
            icons = [f"icons/hicolor/{size}x{size}/apps/{APP_ID}.png" for size in (48, 64, 128, 256)]
            expected = ["/usr/bin/puckslide3d", "/usr/bin/puckslide3d-verify"] + ["/usr/share/" + p for p in icons + [
                f"icons/hicolor/scalable/apps/{APP_ID}.svg", f"applications/{APP_ID}.desktop",
                f"metainfo/{APP_ID}.metainfo.xml", "man/man6/puckslide3d.6.gz", "puckslide3d/data/model/puk.ms3d",
                "puckslide3d/data/sounds/2.mp3", "puckslide3d/Data/system/config.cfg", "doc/puckslide3d/README.md",
                "doc/puckslide3d/LICENSE", "doc/puckslide3d/copyright", "doc/puckslide3d/changelog.gz",
                "man/man8/puckslide3d-rendezvous.8.gz", "man/man6/puckslide3d-verify.6.gz", "man/man8/puckslide3d-scores.8.gz"]] + [
                "/usr/sbin/puckslide3d-rendezvous", "/usr/sbin/puckslide3d-scores"] + units
            self.assertEqual([p for p in expected if p not in paths], [])
            # The services' units are shipped, not enabled: no link in a .wants folder, no maintainer script.
            self.assertEqual([p for p in paths if ".wants/" in p], [])
            self.assertNotIn("postinst", run("dpkg-deb", "-I", str(deb))[1])
            self.assertEqual([p for p in paths if "puckslide3d/data/icons" in p or p.endswith("lengths.txt")], [])

            depends = run("dpkg-deb", "-f", str(deb), "Depends")[1]
            names = {alt.split()[0] for dep in depends.split(",") for alt in dep.split("|")}
            self.assertEqual([n for n in names if n.endswith("-dev")], [], depends)
            run("dpkg-deb", "-x", str(deb), tmp)
            # The units name the programs where the configured prefix puts them.
            for unit in units:
                self.assertRegex((pathlib.Path(tmp) / unit.lstrip("/")).read_text(), r"\nExecStart=/\S*/sbin/puckslide3d-\w+ ")
            binary = pathlib.Path(tmp) / "usr" / "bin" / "puckslide3d"
            needed = [line.split()[-1].strip("[]") for line in run("readelf", "-d", str(binary))[1].splitlines()
                      if "(NEEDED)" in line]
            for library in needed:  # some package that ships it is a dependency, in whichever folder of a merged /usr
                owners = {line.split(":")[0] for line in run("dpkg", "-S", f"*/{library}")[1].splitlines()}
                self.assertTrue(owners & names, f"{library}: {owners}")
            # This build keeps the game in /usr/bin; ./package puts it in /usr/games as lintian asks.
            code, output = run("lintian", "--fail-on", "error,warning", "--suppress-tags",
                               "package-section-games-but-contains-no-game", str(deb))
            self.assertEqual(code, 0, output)


class PlayFolder(unittest.TestCase):
    def test_reads_the_high_scores_in_the_players_folder(self):
        with tempfile.TemporaryDirectory() as xdg:
            user_file = pathlib.Path(xdg) / USER_FILE
            user_file.parent.mkdir(parents=True)
            user_file.write_text(CONFIG)
            r = played(self, "", frames=3, env={"XDG_DATA_HOME": xdg},
                       game=[str(SOURCE_DIR / "scripts" / "play-in-user-folder.sh"), GAME])
            self.assertEqual((r.trace[0]["HSname"], r.trace[0]["hsscore"]), (LISTED, SCORES))
            self.assertTrue((pathlib.Path(xdg) / "puckslide3d" / "data" / "model").is_dir())


if __name__ == "__main__":
    unittest.main()
