"""The real game with scripted input, each run in a scratch folder with data/ linked in and its own copy of
Data/system/config.cfg; the folders go when the test program ends, unless PUCKSLIDE_KEEP_RUNS keeps them."""
import atexit
import collections
import inspect
import itertools
import json
import os
import pathlib
import shutil
import subprocess
import tempfile

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_BUILD_DIR", SOURCE_DIR / "build"))
GAME = os.environ.get("PUCKSLIDE_GAME", str(BUILD_DIR / "puckslide3d"))

DEFAULT_ARGS = ["--windowed", "--no-dialogs", "--no-pacing", "--seed", "1"]


class GameRun(collections.namedtuple("GameRun", "returncode trace stderr workdir")):
    def all(self, key):  # every entry of a per-turn list (sounds, music, texts, boxes) over the whole run
        return [item for line in self.trace for item in line[key]]


def heard(trace, sound):  # the frames that played data/sounds/SOUND.wav
    return [line["frame"] for line in trace if f"data/sounds/{sound}.wav" in line["sounds"]]


def run_name():
    """The asking test and its count of runs: kept folders' names, to compare two builds' runs folder by folder."""
    test = next((f for f in inspect.stack() if f.function.startswith("test_")), None)
    name = f"{pathlib.Path(test.filename).stem}.{test.function}" if test else "run"
    return f"{name}.{next(_RUN_COUNTS.setdefault(name, itertools.count()))}"


_RUN_COUNTS, _MADE = {}, []
atexit.register(lambda: [shutil.rmtree(workdir, ignore_errors=True) for workdir in _MADE])


def make_workdir(config=None, link_data=True, settings=None):
    """config: the high-score file (None: the shipped one, False: none); settings: the settings.conf."""
    keep = os.environ.get("PUCKSLIDE_KEEP_RUNS")
    if keep:
        workdir = pathlib.Path(keep) / run_name()
        shutil.rmtree(workdir, ignore_errors=True)
        workdir.mkdir(parents=True)
    else:
        workdir = pathlib.Path(tempfile.mkdtemp(prefix="puckslide-e2e-"))
        _MADE.append(workdir)
    if link_data:
        (workdir / "data").symlink_to(SOURCE_DIR / "data")
    system = workdir / "Data" / "system"
    system.mkdir(parents=True)
    if config is None:
        shutil.copy(SOURCE_DIR / "Data" / "system" / "config.cfg", system / "config.cfg")
    elif config is not False:
        (system / "config.cfg").write_text(config)
    if settings is not None:
        (workdir / "puckslide3d").mkdir()
        (workdir / "puckslide3d" / "settings.conf").write_text(settings)
    return workdir


def _prepare(workdir, script, audio, env):
    """Writes the script; the run's environment, its folder the config home so the player's settings stay out."""
    (workdir / "script.txt").write_text("\n".join(script) + "\n" if isinstance(script, (list, tuple)) else script)
    run_env = dict(os.environ, XDG_CONFIG_HOME=str(workdir), SDL_AUDIODRIVER=audio)
    if audio == "disk":
        run_env.update(SDL_DISKAUDIOFILE=str(workdir / "audio.raw"), SDL_DISKAUDIODELAY="0")
    # Mesa and SDL keep some allocations to process exit; leaks are checked in the unit tests.
    run_env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    return dict(run_env, **(env or {}))


def run_game(script="", frames=None, screenshots=None, config=None, extra_args=(),
             audio="dummy", workdir=None, default_args=True, timeout=600, env=None, game=(GAME,)):
    workdir = pathlib.Path(workdir or make_workdir(config))
    run_env = _prepare(workdir, script, audio, env)
    args = list(game) + (DEFAULT_ARGS if default_args else [])
    args += ["--script", str(workdir / "script.txt"), "--trace", str(workdir / "trace.jsonl")]
    args += (["--frames", str(frames)] if frames is not None else []) + [
        arg for frame, name in (screenshots or {}).items() for arg in ("--screenshot", f"{frame}:{name}")]
    proc = subprocess.run(args + list(extra_args), cwd=workdir, env=run_env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return GameRun(proc.returncode, read_trace(workdir), proc.stderr.decode(errors="replace"), workdir)


def spawn_game(workdir, args, script="", prefix=(), env=None):
    """Starts the game windowed through `prefix` (a namespace's, say), without waiting; stderr to workdir."""
    workdir = pathlib.Path(workdir)
    run_env = _prepare(workdir, script, "dummy", env)
    args = [*prefix, GAME, "--windowed", "--no-dialogs", "--script", "script.txt", "--trace", "trace.jsonl", *args]
    with open(workdir / "stderr.txt", "w") as stderr:
        proc = subprocess.Popen(args, cwd=workdir, env=run_env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=stderr)
    _SPAWNED.append(proc)
    return proc


def end(procs):
    for proc in procs:
        if proc.poll() is None:
            proc.terminate()
    for proc in procs:
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(10)


# A game a failed test or benchmark left running (a host still awaiting its guest) ends with the program.
_SPAWNED = []
atexit.register(lambda: end(_SPAWNED))


def stop_all(games):
    """Ends the (process, workdir) games still running and forgets them; what each said, headed by its arguments."""
    end([proc for proc, _ in games])
    said = "\n".join(f"--- {' '.join(map(str, proc.args[4:]))}\n{(workdir / 'stderr.txt').read_text()}" for proc, workdir in games)
    games.clear()
    return said


def read_trace(workdir):
    path = pathlib.Path(workdir) / "trace.jsonl"  # its last line may still be in writing
    return [json.loads(line) for line in path.read_text().splitlines() if line.strip().endswith("}")] if path.exists() else []


def pixels(png):  # (width, height, rgb bytes) of a PNG
    size = subprocess.run(["identify", "-format", "%w %h", str(png)], capture_output=True, text=True, check=True)
    rgb = subprocess.run(["convert", str(png), "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return (*map(int, size.stdout.split()), rgb)
