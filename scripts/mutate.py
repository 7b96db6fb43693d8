#!/usr/bin/env python3
"""Mutation testing: how many small, realistic faults does the test suite catch?

Each mutation in tests/mutations.txt replaces one exact piece of text in one source file. For
each, this script applies it, rebuilds incrementally in its own build folder, runs ctest (the
likely killers first, then everything else, each pass stopping at its first failure), reverts
the file and prints a table and the kill rate.

The likely killers are the mutation's 'first:' selection, by default the tests of the mutated
file's layer: a core layer's GoogleTest label, or for src/views and src/app that layer's
offscreen window tests (ctest names views.* and app.*; their ctest ENVIRONMENT sets
QT_QPA_PLATFORM=offscreen). Only their targets are built before they run; everything (the
window tests, the programs, the fuzz corpus replay) is built before the rest runs. The first
build of the run (the baseline) builds everything once; each mutation after it rebuilds only
what the mutated file reaches.

A stale mutation (its text is no longer in its file), an ambiguous one (the text is there more
than once) or one whose 'first:' names no test is an error of --list, and a run reports it,
does not count it and exits non-zero.

The source tree is never left changed: every mutated file is restored in a finally block, with
SIGINT/SIGTERM/SIGHUP turned into an orderly unwind and blocked while the file is restored, and
its text compared with the original afterwards. The original is also written to a journal in
the build folder first, so that a run killed outright (SIGKILL, power loss) is repaired by the
next run before it does anything else.

Needs Python 3, CMake and ctest only (Ninja and ccache are used when present).

    nice -n 10 scripts/mutate.py                 # every mutation
    scripts/mutate.py --only maps-rowfamily-stride,model-*   # some of them (shell-style patterns)
    scripts/mutate.py --layer views,app          # the window mutations
    scripts/mutate.py --list                     # what the list holds; exit 1 if any is stale
    scripts/mutate.py --first-only --list-file new.txt   # a quick look at new mutations

--first-only runs each mutation's first tests only: a quick way to see whether a new mutation
survives them (write its test) or dies; its figure is not the suite's score.
"""

from __future__ import annotations

import argparse
import fnmatch
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
# Layers whose tests are one GoogleTest executable (test_<layer>) labelled with the layer.
LAYERS = ["model", "maps", "documents", "protocol", "comms", "link", "monitor", "sim", "cli"]
# Layers whose tests are one QtTest executable per file: tests/<layer>/<Name>.cpp is the
# target <layer>_<Name> and the ctest test <layer>.<Name>.
WINDOW_LAYERS = ["views", "app"]
JOURNAL = "mutate-journal.json"


def window_tests(layer: str) -> list[str]:
    """The ctest names of a window layer's tests, from the source tree (no build needed)."""
    folder = ROOT / "tests" / layer
    return sorted(f"{layer}.{p.stem}" for p in folder.glob("*.cpp")) if folder.is_dir() else []


def test_target(test: str) -> str:
    return test.replace(".", "_", 1)


@dataclass
class Selection:
    """Tests to run first: core layers by label, window tests by name."""
    labels: list[str] = field(default_factory=list)
    tests: list[str] = field(default_factory=list)

    def __bool__(self) -> bool:
        return bool(self.labels or self.tests)

    def targets(self) -> list[str]:
        return [f"test_{label}" for label in self.labels] + [test_target(t) for t in self.tests]

    def label_regex(self) -> str:
        return "^(" + "|".join(self.labels) + ")$"

    def name_regex(self) -> str:
        return "^(" + "|".join(re.escape(t) for t in self.tests) + ")$"


def selection_of(tokens: list[str]) -> tuple[Selection, list[str]]:
    """-> (selection, tokens that name nothing). A token is a core layer ('maps'), a window
    layer ('views': all its tests) or one window test ('app.MenusTest')."""
    sel, unknown = Selection(), []
    for token in tokens:
        if token in LAYERS:
            if token not in sel.labels:
                sel.labels.append(token)
        elif token in WINDOW_LAYERS and window_tests(token):
            sel.tests += [t for t in window_tests(token) if t not in sel.tests]
        elif token.split(".", 1)[0] in WINDOW_LAYERS and token in window_tests(token.split(".", 1)[0]):
            if token not in sel.tests:
                sel.tests.append(token)
        else:
            unknown.append(token)
    return sel, unknown


class Interrupted(Exception):
    pass


@dataclass
class Mutation:
    id: str
    file: str
    find: str
    replace: str
    fault: str
    first: list[str] = field(default_factory=list)  # test labels to run first
    survives: str = ""  # the reason, for a survivor that is kept on purpose
    line: int = 0  # where it stands in the list

    @property
    def layer(self) -> str:
        parts = Path(self.file).parts
        return parts[1] if len(parts) > 2 and parts[0] == "src" else ""

    def first_selection(self) -> tuple[Selection, list[str]]:
        return selection_of(self.first or ([self.layer] if self.layer else []))


@dataclass
class Result:
    mutation: Mutation
    status: str  # killed, timeout, survived, stale, ambiguous, no-build
    seconds: float = 0.0
    detail: str = ""


# ---------------------------------------------------------------------------------------------
# The list

def parse_list(path: Path) -> list[Mutation]:
    """Blocks separated by blank lines; '#' lines are comments. Keys: id, file, fault, find,
    replace, first (labels), survives (reason). 'find+:' / 'replace+:' continue the text on a
    new line. The text after 'find: ' is taken exactly, spaces inside included."""
    mutations: list[Mutation] = []
    block: dict[str, str] = {}
    start = 0

    def flush() -> None:
        if not block:
            return
        missing = [k for k in ("id", "file", "fault", "find", "replace") if k not in block]
        if missing:
            raise SystemExit(f"{path}:{start}: mutation lacks {', '.join(missing)}")
        if block["find"] == block["replace"]:
            raise SystemExit(f"{path}:{start}: find and replace are the same text")
        mutations.append(Mutation(
            id=block["id"], file=block["file"], find=block["find"], replace=block["replace"],
            fault=block["fault"], first=block.get("first", "").split(),
            survives=block.get("survives", ""), line=start))
        block.clear()

    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if raw.startswith("#"):
            continue
        if not raw.strip():
            flush()
            continue
        m = re.match(r"^(id|file|fault|find|replace|first|survives)(\+?):(?: (.*))?$", raw)
        if not m:
            raise SystemExit(f"{path}:{number}: cannot read: {raw!r}")
        key, more, value = m.group(1), m.group(2), m.group(3) or ""
        if not block:
            start = number
        if more:
            if key not in block:
                raise SystemExit(f"{path}:{number}: '{key}+:' without '{key}:' before it")
            block[key] += "\n" + value
        else:
            if key in block:
                raise SystemExit(f"{path}:{number}: '{key}' twice in one mutation")
            block[key] = value
    flush()
    seen: set[str] = set()
    for m in mutations:
        if m.id in seen:
            raise SystemExit(f"{path}:{m.line}: id {m.id} used twice")
        seen.add(m.id)
    return mutations


def occurrences(m: Mutation) -> int:
    path = ROOT / m.file
    if not path.is_file():
        return 0
    return path.read_bytes().count(m.find.encode("utf-8"))


def problem(m: Mutation) -> tuple[str, str]:
    """-> (status, detail) of a mutation that cannot be counted, or ('', '') for a sound one."""
    n = occurrences(m)
    if n == 0:
        return "stale", "text not found" if (ROOT / m.file).is_file() else "file not found"
    if n > 1:
        return "ambiguous", f"text found {n} times"
    sel, unknown = m.first_selection()
    if unknown:
        return "stale", "first: names no test: " + " ".join(unknown)
    if not sel:
        return "stale", "no test selection for this file"
    return "", ""


# ---------------------------------------------------------------------------------------------
# Safe mutation of one file

def journal_path(build: Path) -> Path:
    return build / JOURNAL


def repair_from_journal(build: Path) -> None:
    """A run that was killed outright left its journal: put the file back before anything."""
    jp = journal_path(build)
    if not jp.exists():
        return
    entry = json.loads(jp.read_text(encoding="utf-8"))
    target = ROOT / entry["file"]
    original = bytes.fromhex(entry["original"])
    if not target.exists() or target.read_bytes() != original:
        target.write_bytes(original)
        print(f"restored {entry['file']} from the journal of an interrupted run", file=sys.stderr)
    if target.read_bytes() != original:
        raise SystemExit(f"could not restore {entry['file']}; its original is in {jp}")
    jp.unlink()


class Applied:
    """Applies one mutation for the time of a with-block; the file's original text comes back on
    leaving it, whatever happens, and is checked."""

    SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)

    def __init__(self, m: Mutation, build: Path) -> None:
        self.m = m
        self.path = ROOT / m.file
        self.journal = journal_path(build)
        self.original = b""

    def __enter__(self) -> "Applied":
        self.original = self.path.read_bytes()
        find = self.m.find.encode("utf-8")
        if self.original.count(find) != 1:
            raise RuntimeError(f"{self.m.file}: the text to mutate is not there exactly once")
        mutant = self.original.replace(find, self.m.replace.encode("utf-8"), 1)
        self.journal.write_text(json.dumps({"file": self.m.file, "original": self.original.hex()}),
                                encoding="utf-8")
        self.path.write_bytes(mutant)
        if self.path.read_bytes() != mutant:
            raise RuntimeError(f"{self.m.file}: the mutant did not reach the disk")
        return self

    def __exit__(self, *exc) -> None:
        # No signal may cut the restore in half: block them until the file is back and checked.
        old = signal.pthread_sigmask(signal.SIG_BLOCK, self.SIGNALS)
        try:
            for _ in range(3):
                self.path.write_bytes(self.original)
                if self.path.read_bytes() == self.original:
                    break
            else:
                raise SystemExit(f"FATAL: {self.m.file} could not be restored; its original text "
                                 f"is in {self.journal}")
            # Newer than anything built from the mutant, so the next build recompiles it.
            now = time.time()
            os.utime(self.path, (now, now))
            self.journal.unlink(missing_ok=True)
        finally:
            signal.pthread_sigmask(signal.SIG_SETMASK, old)


def on_signal(signum, frame):  # noqa: ARG001
    raise Interrupted(signal.Signals(signum).name)


# ---------------------------------------------------------------------------------------------
# Build and test

def run(cmd: list[str], cwd: Path, timeout: float | None, log) -> tuple[int | None, str]:
    """Runs cmd in its own process group; on a timeout or an interrupt the whole group goes."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        if log:
            log.write(f"$ {' '.join(cmd)}\n{out}\n")
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        return None, ""
    except BaseException:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        raise


class Runner:
    def __init__(self, args) -> None:
        self.build = args.build_dir
        self.jobs = str(args.jobs)
        self.timeout = args.timeout
        self.test_timeout = args.test_timeout
        self.first_only = args.first_only
        self.log = open(self.build / "mutate.log", "w", encoding="utf-8") if self.build.exists() else None

    def configure(self) -> None:
        if (self.build / "CMakeCache.txt").exists():
            return
        cmd = ["cmake", "-S", str(ROOT), "-B", str(self.build), "-DCMAKE_BUILD_TYPE=Debug",
               "-DCORVANE_BUILD_TESTS=ON", "-DCORVANE_BUILD_BENCH=OFF"]
        if shutil.which("ninja"):
            cmd += ["-G", "Ninja"]
        if shutil.which("ccache"):
            cmd += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        print("configuring", self.build, flush=True)
        code, out = run(cmd, ROOT, None, None)
        if code != 0:
            raise SystemExit(f"configure failed:\n{out}")
        self.log = open(self.build / "mutate.log", "w", encoding="utf-8")

    def build_targets(self, targets: list[str], timeout: float | None) -> tuple[bool, str]:
        """Builds the targets, or everything (tests, window tests, programs) for none."""
        cmd = ["cmake", "--build", str(self.build), "-j", self.jobs]
        if targets:
            cmd += ["--target", *targets]
        code, out = run(cmd, ROOT, timeout, self.log)
        if code is None:
            return False, "build timed out"
        return code == 0, "\n".join(l for l in out.splitlines() if "error" in l)[:400]

    def ctest(self, select: list[str], timeout: float) -> tuple[str, str]:
        """-> ('pass' | 'fail' | 'timeout' | 'none', first failing test)"""
        cmd = ["ctest", "--test-dir", str(self.build), "-j", self.jobs, "--stop-on-failure",
               "--timeout", str(self.test_timeout), *select]
        code, out = run(cmd, ROOT, timeout, self.log)
        if code is None:
            return "timeout", ""
        if "No tests were found" in out:
            return "none", ""
        failed = re.findall(r"^\s*\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Subprocess aborted|"
                            r"Child aborted|Exception|Not Run|[^)]*)\)", out, re.M)
        if code == 0:
            return "pass", ""
        return "fail", failed[0] if failed else "(see mutate.log)"

    def baseline(self) -> None:
        print("baseline: building everything and running the unmutated suite", flush=True)
        ok, err = self.build_targets([], None)
        if not ok:
            raise SystemExit(f"the unmutated tree does not build:\n{err}")
        verdict, first = self.ctest([], self.timeout * 6)
        if verdict != "pass":
            raise SystemExit(f"the unmutated suite is not green ({verdict}: {first}); "
                             "a mutation run would count that as kills")

    @staticmethod
    def passes(m: Mutation, first: Selection) -> list[list[str]]:
        """The ctest selections after the likely killers: the other window tests, and the core's
        and the programs' tests, a window mutation's window tests first. ctest's -L/-R select
        an intersection, so each pass names what it leaves out."""
        window = r"^(" + "|".join(WINDOW_LAYERS) + r")\."
        rest = ["-E", window] + (["-LE", first.label_regex()] if first.labels else [])
        rest_window = ["-R", window] + (["-E", first.name_regex()] if first.tests else [])
        return [rest_window, rest] if m.layer in WINDOW_LAYERS else [rest, rest_window]

    def one(self, m: Mutation) -> Result:
        start = time.monotonic()
        status, detail = problem(m)
        if status:
            return Result(m, status, 0.0, detail)
        deadline = start + self.timeout

        def left() -> float:
            return max(1.0, deadline - time.monotonic())

        def finished(verdict: str, failed: str) -> Result:
            return Result(m, "killed" if verdict == "fail" else "timeout", time.monotonic() - start, failed)

        first, _ = m.first_selection()
        with Applied(m, self.build):
            # Phase 1: only what the likely killers need, then those tests.
            ok, err = self.build_targets(first.targets(), left())
            if not ok:
                return Result(m, "no-build", time.monotonic() - start, err)
            selects = ([["-L", first.label_regex()]] if first.labels else []) + \
                      ([["-R", first.name_regex()]] if first.tests else [])
            for select in selects:
                verdict, failed = self.ctest(select, left())
                if verdict in ("fail", "timeout"):
                    return finished(verdict, failed)
            if self.first_only:
                return Result(m, "survived", time.monotonic() - start, "its first tests pass")
            # Phase 2: everything else, built whole.
            ok, err = self.build_targets([], left())
            if not ok:
                return Result(m, "no-build", time.monotonic() - start, err)
            for select in self.passes(m, first):
                verdict, failed = self.ctest(select, left())
                if verdict in ("fail", "timeout"):
                    return finished(verdict, failed)
        return Result(m, "survived", time.monotonic() - start, m.survives)


# ---------------------------------------------------------------------------------------------

def print_table(results: list[Result], out=sys.stdout) -> tuple[int, int]:
    w = max([len(r.mutation.id) for r in results] + [8])
    print(f"\n{'mutation':<{w}}  {'layer':<9}  {'result':<9}  {'time':>5}  detail", file=out)
    print("-" * (w + 60), file=out)
    for r in results:
        status = r.status
        if status == "survived" and r.mutation.survives:
            status = "survived*"
        print(f"{r.mutation.id:<{w}}  {r.mutation.layer:<9}  {status:<9}  {r.seconds:5.0f}  "
              f"{r.detail.splitlines()[0][:90] if r.detail else ''}", file=out)
    killed = sum(r.status in ("killed", "timeout") for r in results)
    survived = sum(r.status == "survived" for r in results)
    counted = killed + survived
    print("-" * (w + 60), file=out)
    counts = {s: sum(r.status == s for r in results) for s in
              ("killed", "timeout", "survived", "stale", "ambiguous", "no-build")}
    print("  ".join(f"{k} {v}" for k, v in counts.items() if v), file=out)
    if counted:
        print(f"kill rate: {killed}/{counted} = {100.0 * killed / counted:.1f} %"
              "  (* = a listed survivor; stale, ambiguous and no-build are not counted)", file=out)
    unlisted = [r.mutation.id for r in results if r.status == "survived" and not r.mutation.survives]
    if unlisted:
        print("survivors without a reason in the list: " + ", ".join(unlisted), file=out)
    newly = [r.mutation.id for r in results if r.status in ("killed", "timeout") and r.mutation.survives]
    if newly:
        print("listed as survivors but now killed (drop their 'survives:' line): " + ", ".join(newly),
              file=out)
    return killed, counted


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--list-file", type=Path, default=ROOT / "tests" / "mutations.txt")
    ap.add_argument("--build-dir", type=Path, default=ROOT / "build" / "mutate",
                    help="build folder of its own (configured on first use); default build/mutate")
    ap.add_argument("--only", default="", help="comma-separated ids or shell patterns (maps-*)")
    ap.add_argument("--layer", default="", help="only the mutations of these layers (comma-separated)")
    ap.add_argument("--jobs", type=int, default=2, help="build and ctest parallelism (2)")
    ap.add_argument("--timeout", type=float, default=300.0,
                    help="seconds for one mutation's build and tests; past it the mutant counts as "
                         "killed by a hang (300)")
    ap.add_argument("--test-timeout", type=float, default=60.0,
                    help="default ctest time limit of one test without its own (60)")
    ap.add_argument("--no-baseline", action="store_true",
                    help="skip the check that the unmutated suite is green")
    ap.add_argument("--first-only", action="store_true",
                    help="run only each mutation's first tests (a quick look, not a score)")
    ap.add_argument("--list", action="store_true", help="print the mutations and whether each applies")
    ap.add_argument("--min-score", type=float, default=0.0,
                    help="exit 1 when the kill rate is below this percentage")
    args = ap.parse_args()
    args.build_dir = args.build_dir.resolve()

    mutations = parse_list(args.list_file)
    if args.only:
        pats = [p.strip() for p in args.only.split(",") if p.strip()]
        mutations = [m for m in mutations if any(fnmatch.fnmatchcase(m.id, p) for p in pats)]
    if args.layer:
        layers = set(args.layer.split(","))
        mutations = [m for m in mutations if m.layer in layers]
    if not mutations:
        raise SystemExit("no mutation selected")

    problems = {m.id: problem(m) for m in mutations}
    unsound = [m for m in mutations if problems[m.id][0]]
    if args.list:
        for m in mutations:
            state, detail = problems[m.id]
            print(f"{m.id:<40} {m.layer:<9} {state or 'ok':<9} {m.fault}")
            if state:
                print(f"{'':<40} {'':<9} {'':<9} ^ {detail}")
        if unsound:
            print(f"\n{len(unsound)} of {len(mutations)} cannot be counted (stale or ambiguous): fix or "
                  "replace each so that it stands for the same kind of fault", file=sys.stderr)
            return 1
        return 0

    for s in Applied.SIGNALS:
        signal.signal(s, on_signal)
    args.build_dir.mkdir(parents=True, exist_ok=True)
    repair_from_journal(args.build_dir)
    runner = Runner(args)
    results: list[Result] = []
    try:
        runner.configure()
        if not args.no_baseline:
            runner.baseline()
        for i, m in enumerate(mutations, 1):
            print(f"[{i}/{len(mutations)}] {m.id} ({m.file}) ...", end=" ", flush=True)
            r = runner.one(m)
            results.append(r)
            print(f"{r.status} {r.seconds:.0f}s {r.detail.splitlines()[0][:80] if r.detail else ''}",
                  flush=True)
    except Interrupted as e:
        print(f"\ninterrupted ({e}); the tree is restored", file=sys.stderr)
        if not results:
            return 130
    finally:
        repair_from_journal(args.build_dir)
    killed, counted = print_table(results)
    score = 100.0 * killed / counted if counted else 0.0
    if unsound:
        print("not counted, the list must be brought up to date: " +
              ", ".join(f"{m.id} ({problems[m.id][1]})" for m in unsound), file=sys.stderr)
        return 2
    return 1 if score < args.min_score else 0


if __name__ == "__main__":
    sys.exit(main())
