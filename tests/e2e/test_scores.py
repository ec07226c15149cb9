"""puckslide3d-scores on a real PostgreSQL (pg_virtualenv makes one for this test and removes it) and on SQLite: what
is proven is listed, the rest refused with a reason; each run goes to one worker at a time across processes, a killed
worker's run to another; a restart keeps everything; the page's ranks in order in a browser; the game's own sending."""
import concurrent.futures
import json
import os
import pathlib
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

if "PGHOST" not in os.environ and shutil.which("pg_virtualenv"):  # PostgreSQL for this test alone, always removed
    os.execvp("pg_virtualenv", ["pg_virtualenv", "-v", "15", sys.executable, __file__] + sys.argv[1:])

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD = pathlib.Path(os.environ.get("PUCKSLIDE_BUILD_DIR", SOURCE_DIR / "build"))
SCORES = os.environ.get("PUCKSLIDE_SCORES", str(BUILD / "puckslide3d-scores"))
RECORD_TOOL = os.environ.get("PUCKSLIDE_RECORD_TOOL", str(BUILD / "tests" / "record_tool"))
RECORDS = SOURCE_DIR / "tests" / "records"
LADDER = (RECORDS / "single_ladder.rec").read_bytes()
FAST = ["--runs-per-minute", "100000", "--connections-per-address", "0"]  # one address stands for many players
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
from gamerun import run_game  # noqa: E402
from menu_script import Script  # noqa: E402
from test_verify import changed, frames  # noqa: E402
GAME = os.environ.get("PUCKSLIDE_GAME", str(BUILD / "puckslide3d"))
KEEP = "3990"  # record_tool keeps the single ladder's frames to just past its name and leaves out its quit


def wait_for(what, seconds=60):
    end = time.monotonic() + seconds
    while not (found := what()):
        if time.monotonic() > end:
            raise AssertionError(f"not within {seconds} s")
        time.sleep(0.05)
    return found


class Service:
    """One puckslide3d-scores process on 127.0.0.1, its log in a file; in `owner`'s list from its start, to be ended."""
    def __init__(self, owner, store, *args, front=True):
        self.log = tempfile.NamedTemporaryFile(prefix="scores-", suffix=".log")
        where = ["--listen", "127.0.0.1:0"] if front else ["--worker"]
        self.proc = subprocess.Popen([SCORES, *where, *store, *args], stderr=self.log, stdout=subprocess.DEVNULL)
        owner.append(self)
        self.port = wait_for(lambda: re.search(r"event=start listen=\S*?(\d*) ", self.text()) or self.proc.poll())[1]

    def text(self):
        return pathlib.Path(self.log.name).read_text()

    def stop(self, sig=signal.SIGTERM):
        self.proc.send_signal(sig)
        return self.proc.wait(timeout=30)

    def ask(self, path, body=None):
        request = urllib.request.Request(f"http://127.0.0.1:{self.port}{path}", data=body,
                                         headers={"Content-Type": "application/octet-stream"})
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                status, data, kind = answer.status, answer.read(), answer.headers["Content-Type"]
        except urllib.error.HTTPError as e:
            status, data, kind = e.code, e.read(), e.headers["Content-Type"]
        return status, json.loads(data) if kind == "application/json" else data

    def settled(self, run_id, seconds=60):  # the run's answer once a worker has judged it
        return wait_for(lambda: (lambda r: r if r["status"] != "queued" else None)(self.ask(f"/runs/{run_id}")[1]), seconds)


class Behaviour:
    """The same tests on either store; `store()` gives the options of a fresh, empty one."""
    def setUp(self):
        self.services = []
        self.addCleanup(lambda: [s.stop(signal.SIGKILL) for s in self.services if s.proc.poll() is None])

    def start(self, store, *args, front=True):
        return Service(self.services, store, *args, front=front)

    def test_lists_what_is_proven_and_refuses_the_rest_with_reasons(self):
        store = self.store()
        s = self.start(store, "--accept-switched", "--workers", "2", *FAST)
        steered, checksum = changed(LADDER)
        sent = {name: s.ask("/runs", bytes(data)) for name, data in [
            ("ladder", LADDER), ("again", LADDER), ("multi", (RECORDS / "multi_ladder.rec").read_bytes()),
            ("steered", steered), ("checksum", checksum), ("no name", (RECORDS / "training.rec").read_bytes()),
            ("cut", LADDER[:-2]), ("version", LADDER[:8] + b"\x09" + LADDER[9:]), ("garbage", b"GET / HTTP/1.0"),
            ("empty", b""), ("frames", LADDER + bytes(11) * (1 << 20))]}
        self.assertEqual(sent["again"], sent["ladder"])
        for name, status, reason in [("cut", 400, "frame 4018 of the record is cut short"), ("empty", 400, ""),
                                     ("version", 400, "another version"), ("garbage", 400, "not a recorded game"),
                                     ("frames", 413, "cap of 1048576 frames")]:
            self.assertEqual(sent[name][0], status, name)
            self.assertIn(reason, sent[name][1]["error"], name)
        for name, reason in [("steered", "the replay left the recorded game at frame 1500"),
                             ("checksum", "the replay left the recorded game at frame 4018"),
                             ("no name", "the record stores no name in the high-score list")]:
            self.assertEqual(sent[name][0], 202)
            self.assertEqual(s.settled(sent[name][1]["id"])["reason"], reason, name)
        ladder = sent["ladder"][1]["id"]
        self.assertEqual(s.settled(ladder), {"id": ladder, "status": "proven", "name": "ACE", "ladder": "single",
                                             "score": 21, "frames": 4019, "ladder_frames": 3964, "attempts": 1})
        s.settled(sent["multi"][1]["id"])
        lists = {ladder: s.ask(f"/scores?ladder={ladder}") for ladder in ("single", "multi")}
        self.assertEqual(lists["single"], (200, [{"rank": 1, "name": "ACE", "score": 21, "frames": 3964, "id": ladder}]))
        self.assertEqual([line["name"] for line in lists["multi"][1]], ["MP"])
        self.assertEqual(s.ask(f"/runs/{ladder}/record"), (200, LADDER))
        self.assertEqual([s.ask(path)[0] for path in ("/scores?ladder=both", "/runs/" + "0" * 64)], [400, 404])
        self.assertEqual((s.stop(), "event=stopped" in s.text()), (0, True))
        again = self.start(store, *FAST, "--keep-refused-days", "0")  # a restarted service keeps the runs and the list...
        self.assertEqual({ladder: again.ask(f"/scores?ladder={ladder}") for ladder in ("single", "multi")}, lists)
        wait_for(lambda: again.ask(f"/runs/{sent['steered'][1]['id']}")[0] == 404)  # ...but only refused runs still kept
        self.assertEqual(again.ask(f"/runs/{ladder}")[1]["status"], "proven")

    def test_many_workers_of_several_processes_verify_each_run_exactly_once(self):
        store = self.store()
        front = self.start(store, "--workers", "0", *FAST)
        workers = [self.start(store, "--workers", "2", front=False) for _ in range(2)]
        ends = [end for _, end in frames(LADDER)]  # each refused at its own frame: a checksum's last byte turned
        records = [LADDER[:ends[f] - 1] + bytes([LADDER[ends[f] - 1] ^ 1]) + LADDER[ends[f]:] for f in range(200)]
        with concurrent.futures.ThreadPoolExecutor(16) as pool:  # all at once
            ids = [answer[1]["id"] for answer in pool.map(lambda r: front.ask("/runs", r), records + [LADDER])]
        self.assertEqual(len(set(ids)), 201)
        for frame, run_id in enumerate(ids[:200]):
            self.assertEqual(front.settled(run_id)["reason"], f"the replay left the recorded game at frame {frame}")
        self.assertIn("switched by key: computer", front.settled(ids[200])["reason"])  # a ladder not played as designed
        taken = re.findall(r"event=run_taken id=(\w+)", "".join(w.text() for w in workers))
        self.assertEqual(sorted(taken), sorted(ids))
        self.assertTrue(all(re.search(r"event=run_taken .*worker=1", w.text()) for w in workers))  # all took part

    def test_a_run_whose_worker_is_killed_goes_to_another_after_its_lease(self):
        store = self.store()
        front = self.start(store, "--workers", "0", *FAST)
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([RECORD_TOOL, RECORDS / "single_ladder.rec", f"{tmp}/long.rec", KEEP, "150000"], check=True)
            run_id = front.ask("/runs", pathlib.Path(f"{tmp}/long.rec").read_bytes())[1]["id"]
        lease = ["--workers", "1", "--lease-seconds", "2", "--accept-switched"]
        first = self.start(store, *lease, front=False)
        wait_for(lambda: "event=run_taken" in first.text())
        first.stop(signal.SIGKILL)
        self.assertNotIn("event=run_proven", first.text())
        self.assertEqual(front.ask(f"/runs/{run_id}")[1]["status"], "queued")
        second = self.start(store, *lease, front=False)
        # 154,000 frames: 2 s of a release build's replay, up to two minutes of a sanitized one on a busy machine
        self.assertEqual(front.settled(run_id, 300)["attempts"], 2)
        wait_for(lambda: f"event=run_proven id={run_id}" in second.text())


class OnSqlite(Behaviour, unittest.TestCase):
    def store(self):
        self.addCleanup(shutil.rmtree, folder := tempfile.mkdtemp(prefix="scores-"))
        return ["--data", folder]

    def test_the_page_shows_the_ranks_in_order_in_a_browser(self):
        s = self.start(self.store(), "--accept-switched", *FAST)
        with tempfile.TemporaryDirectory() as tmp:
            for idle in (10, 20, 30):  # three proven runs of the same ladder, listed in the order they were proven
                subprocess.run([RECORD_TOOL, RECORDS / "single_ladder.rec", f"{tmp}/r.rec", KEEP, str(idle)], check=True)
                s.settled(s.ask("/runs", pathlib.Path(f"{tmp}/r.rec").read_bytes())[1]["id"])
            dom = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", f"--user-data-dir={tmp}",
                                  "--dump-dom", f"http://127.0.0.1:{s.port}/"], capture_output=True, text=True,
                                 timeout=120).stdout
        rows = re.findall(r'<tr><td>(\d+)</td><td><a href="/runs/(\w+)/record">ACE</a></td><td>21</td>', dom)
        self.assertEqual(rows, [(str(line["rank"]), line["id"]) for line in s.ask("/scores?ladder=single")[1]])
        self.assertEqual(len(rows), 3)

    def test_a_trickling_client_is_cut_at_its_request_time_and_others_are_served_meanwhile(self):
        s = self.start(self.store(), "--request-seconds", "2", "--connections-per-address", "2", "--workers", "0")
        def connect():  # from another loopback address than the clients served meanwhile
            c = socket.create_connection(("127.0.0.1", int(s.port)), timeout=5, source_address=("127.0.0.2", 0))
            self.addCleanup(c.close)
            return c
        slow = [connect(), connect()]
        for c in slow:
            c.sendall(b"POST /runs HTTP/1.1\r\nX-Slow: ")
        def refused():  # once both are taken up, a third is refused before it is read
            probe = connect()
            probe.sendall(b"GET / HTTP/1.1\r\nConnection: close\r\n\r\n")
            return b"429 Too Many Requests" in probe.recv(200)
        wait_for(refused, 10)
        self.assertEqual(s.ask("/scores?ladder=single"), (200, []))
        cut = set()
        def trickle():  # a byte every 0.3 s, well inside each read's own 5 s
            for i, c in enumerate(slow):
                try:
                    c.sendall(b"a")
                except OSError:
                    cut.add(i)
            return len(cut) == 2 or time.sleep(0.3)
        wait_for(trickle, 20)
        self.assertEqual(s.text().count("event=request_too_slow address=127.0.0.2 request_s=2"), 2)


@unittest.skipUnless("PGHOST" in os.environ, "pg_virtualenv (postgresql-common) is not installed")
class OnPostgres(Behaviour, unittest.TestCase):
    count = 0

    def test_the_game_sends_a_finished_ladder_and_its_name_is_listed(self):
        # The computer cannot be beaten by a script: it is switched off, which only a test deployment lists...
        s = self.start(self.store(), "--accept-switched", *FAST)
        script = Script().first_ladder_match().win_match().win_match().wait(10).tap("ENTER", gap=8)
        script.tap("W", gap=3).tap("L", gap=3).tap("D", gap=3).tap("ENTER", gap=30).tap("ESC", gap=6).tap("ESC", gap=10)
        url = f"http://127.0.0.1:{s.port}"
        run = run_game(script.text(), default_args=False, extra_args=[
            "--windowed", "--no-dialogs", "--no-pacing", "--seed", "15", "--record", "game.rec", "--world-scores", url])
        self.assertEqual(run.returncode, 0, run.stderr)
        run_id = re.search(rf"puckslide3d: sent to the world list: {url}/runs/(\w+)", run.stderr)[1]
        self.assertEqual({k: v for k, v in s.settled(run_id).items() if k in ("status", "name", "score")},
                         {"status": "proven", "name": "WLD", "score": 21})
        self.assertEqual([(line["name"], line["id"]) for line in s.ask("/scores?ladder=single")[1]], [("WLD", run_id)])
        self.assertIn(f'<a href="/runs/{run_id}/record">WLD</a>', s.ask("/")[1].decode())
        # ...and the service as deployed refuses it, naming the switch.
        default = self.start(self.store(), *FAST)
        sent = subprocess.run([GAME, "--send-record", run.workdir / "game.rec", "--world-scores", f"http://127.0.0.1:{default.port}"],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(sent.returncode, 1, sent.stderr)
        self.assertIn('"reason":"the ladder was not played as designed: switched by key: computer"', sent.stdout)

    def store(self):
        OnPostgres.count += 1
        subprocess.run(["createdb", f"scores{OnPostgres.count}"], check=True)
        return ["--database", f"dbname=scores{OnPostgres.count}"]


if __name__ == "__main__":
    unittest.main()
