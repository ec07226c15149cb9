"""Runs the real game with scripted input in a scratch working directory.

The game reads data/ and Data/system/config.cfg relative to its working
directory, so every run gets a folder of its own with data/ linked in and its
own copy of the configuration file: a test never touches the tracked one.
"""
import inspect
import itertools
import json
import os
import pathlib
import shutil
import subprocess
import tempfile

SOURCE_DIR = pathlib.Path(os.environ.get("PUCKSLIDE_SOURCE_DIR",
                                         pathlib.Path(__file__).resolve().parents[2]))
GAME = os.environ.get("PUCKSLIDE_GAME", str(SOURCE_DIR / "build" / "puckslide3d"))

DEFAULT_ARGS = ["--windowed", "--no-dialogs", "--no-pacing", "--seed", "1"]


class GameRun:
    def __init__(self, returncode, trace, stderr, workdir):
        self.returncode, self.trace, self.stderr, self.workdir = returncode, trace, stderr, workdir

    def all(self, key):
        """Every entry of a per-turn list (sounds, music, texts, boxes) over the whole run."""
        return [item for line in self.trace for item in line[key]]


def run_name():
    """The test that asks for a folder, and how many it asked for before: with PUCKSLIDE_KEEP_RUNS set,
    every run's folder is kept under that name, so two builds' runs can be compared folder by folder."""
    test = next((f for f in inspect.stack() if f.function.startswith("test_")), None)
    name = f"{pathlib.Path(test.filename).stem}.{test.function}" if test else "run"
    return f"{name}.{next(_RUN_COUNTS.setdefault(name, itertools.count()))}"


_RUN_COUNTS = {}


def make_workdir(config=None, link_data=True):
    keep = os.environ.get("PUCKSLIDE_KEEP_RUNS")
    if keep:
        workdir = pathlib.Path(keep) / run_name()
        shutil.rmtree(workdir, ignore_errors=True)
        workdir.mkdir(parents=True)
    else:
        workdir = pathlib.Path(tempfile.mkdtemp(prefix="puckslide-e2e-"))
    if link_data:
        (workdir / "data").symlink_to(SOURCE_DIR / "data")
    system = workdir / "Data" / "system"
    system.mkdir(parents=True)
    if config is None:
        shipped = SOURCE_DIR / "Data" / "system" / "config.cfg"
        if shipped.exists():
            shutil.copy(shipped, system / "config.cfg")
    elif config is not False:
        (system / "config.cfg").write_text(config)
    return workdir


def run_game(script="", frames=None, screenshots=None, config=None, extra_args=(),
             audio="dummy", workdir=None, default_args=True, timeout=600, env=None, game=(GAME,)):
    if workdir is None:
        workdir = make_workdir(config)
    workdir = pathlib.Path(workdir)
    if isinstance(script, (list, tuple)):
        script = "\n".join(script) + "\n"
    (workdir / "script.txt").write_text(script)

    args = list(game)
    if default_args:
        args += DEFAULT_ARGS
    args += ["--script", str(workdir / "script.txt"), "--trace", str(workdir / "trace.jsonl")]
    if frames is not None:
        args += ["--frames", str(frames)]
    for frame, name in (screenshots or {}).items():
        args += ["--screenshot", f"{frame}:{name}"]
    args += list(extra_args)

    # The player's own settings file stays out of every run: the run's folder is its config home.
    run_env = dict(os.environ, XDG_CONFIG_HOME=str(workdir), SDL_AUDIODRIVER=audio)
    if audio == "disk":
        run_env["SDL_DISKAUDIOFILE"] = str(workdir / "audio.raw")
        run_env.setdefault("SDL_DISKAUDIODELAY", "0")
    # Mesa and SDL keep some allocations to process exit; leaks are checked in the unit tests.
    run_env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    run_env.update(env or {})

    proc = subprocess.run(args, cwd=workdir, env=run_env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return GameRun(proc.returncode, read_trace(workdir), proc.stderr.decode(errors="replace"), workdir)


def spawn_game(workdir, args, script="", prefix=(), env=None):
    """Starts the game without waiting for it, for tests that run two games at once or look at it
    while it runs: windowed unless `args` say --fullscreen, boxes to stderr (kept in
    workdir/stderr.txt), trace in workdir/trace.jsonl. `prefix` runs it through another command
    (a network namespace's, say); `env` adds to its environment."""
    workdir = pathlib.Path(workdir)
    (workdir / "script.txt").write_text("\n".join(script) + "\n" if isinstance(script, (list, tuple)) else script)
    run_env = dict(os.environ, SDL_AUDIODRIVER="dummy", XDG_CONFIG_HOME=str(workdir))
    run_env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    run_env.update(env or {})
    args = list(prefix) + [GAME, "--windowed", "--no-dialogs", "--script", "script.txt", "--trace", "trace.jsonl"] + list(args)
    with open(workdir / "stderr.txt", "w") as stderr:
        return subprocess.Popen(args, cwd=workdir, env=run_env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=stderr)


def read_trace(workdir):
    path = pathlib.Path(workdir) / "trace.jsonl"
    if not path.exists():
        return []
    # the last line may still be in writing
    lines = path.read_text().splitlines()
    return [json.loads(line) for line in lines if line.strip().endswith("}")]
