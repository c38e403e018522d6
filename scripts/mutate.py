#!/usr/bin/env python3
"""Mutation testing of the compiler core (run through scripts/mutate.sh).

Changes one comparison, logical operator, "+ 1"/"- 1", integer constant or
statement at a time in the core's .cpp files, rebuilds the fast tests
(compila_core_tests) incrementally in a build folder of its own, runs them,
and puts the file back. A mutant is killed when the build's tests fail or
time out, survives when they pass; one that does not compile is left out.

The file being mutated is always put back: after each mutant, on any exit,
on SIGINT, SIGTERM and SIGHUP, and, should the script itself be killed
outright, at the start of the next run (from a copy kept in the build
folder). The script never runs git other than to read the commit.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The core: reading, both compilers, post-processing, the competition codes,
# the binary format and the plan.
CORE_FILES = [
    "src/reading/field_reader.cpp",
    "src/reading/source_reading.cpp",
    "src/line_compiler/line_source.cpp",
    "src/line_compiler/line_geometry.cpp",
    "src/line_compiler/line_objects.cpp",
    "src/train_compiler/train_source.cpp",
    "src/train_compiler/stations.cpp",
    "src/train_compiler/track_objects.cpp",
    "src/driver/post_processing.cpp",
    "src/driver/competition_codes.cpp",
    "src/format/binary_writer.cpp",
    "src/format/binary_reader.cpp",
    "src/model/track_plan.cpp",
]
EQUIVALENT_LIST = os.path.join(TOP, "scripts", "mutate_equivalent.txt")
TEST_TARGET = "compila_core_tests"


@dataclass(frozen=True)
class Mutant:
    path: str  # relative to the top of the tree
    line: int  # 1-based
    column: int  # 0-based, in the line
    before: str
    after: str
    kind: str
    line_text: str  # the line as written, trimmed
    occurrence: int  # which `before` of the line (1-based)

    def key(self):
        return (self.path, self.line_text, self.occurrence, self.before, self.after)

    def describe(self):
        mutated = self.line_text_after()
        return f"{self.path}:{self.line}: {self.line_text}  ->  {mutated}"

    def line_text_after(self):
        stripped_start = len(self.raw_line()) - len(self.raw_line().lstrip())
        col = self.column - stripped_start
        return (self.line_text[:col] + self.after + self.line_text[col + len(self.before):]).strip()

    def raw_line(self):
        return _raw_lines[self.path][self.line - 1]


_raw_lines = {}


# ---- Finding the mutants ----------------------------------------------------

def masked_lines(text):
    """The lines with comments, string and character literals blanked out
    (same length), and preprocessor lines blanked whole."""
    out, in_block = [], False
    for raw in text.split("\n"):
        chars, i, n = list(raw), 0, len(raw)
        if not in_block and raw.lstrip().startswith("#"):
            out.append(" " * n)
            continue
        while i < n:
            if in_block:
                end = raw.find("*/", i)
                stop = n if end < 0 else end + 2
                for j in range(i, stop):
                    chars[j] = " "
                in_block = end < 0
                i = stop
                continue
            c = raw[i]
            if raw.startswith("//", i):
                for j in range(i, n):
                    chars[j] = " "
                break
            if raw.startswith("/*", i):
                in_block = True
                continue
            if c in "\"'":
                # A digit separator is no character literal.
                if c == "'" and i > 0 and raw[i - 1].isdigit() and i + 1 < n and raw[i + 1].isdigit():
                    i += 1
                    continue
                j = i + 1
                while j < n and raw[j] != c:
                    j += 2 if raw[j] == "\\" else 1
                for k in range(i + 1, min(j, n)):
                    chars[k] = " "
                i = j + 1
                continue
            i += 1
        out.append("".join(chars))
    return out


SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
# clang-format puts blanks around every binary operator and none inside a
# template's brackets, so a blank on both sides tells a comparison apart.
OPERATOR = re.compile(r"(?<= )(<=|>=|==|!=|<|>|&&|\|\|)(?= )")
PLUS_MINUS_ONE = re.compile(r"(?<= )([+-]) 1(?![\w.'])")
INTEGER = re.compile(r"(?<![\w.'])(\d[\d']*)(?![\w.'])")
LVALUE = r"[A-Za-z_][\w]*(?:(?:\.|->|::)[A-Za-z_]\w*|\[[^\]]*\])*"
STATEMENT = re.compile(
    r"^(?:(?:\+\+|--)" + LVALUE + r"|" + LVALUE + r"(?:\+\+|--)"
    r"|\*?" + LVALUE + r" (?:=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=) .*"
    r"|" + LVALUE + r"\(.*\)"
    r")\s*;$")
GUARDED = re.compile(r"^(?:return\b.*|break|continue)\s*;$")
NOT_A_STATEMENT_START = re.compile(r"^(?:return|case|default|goto|delete|throw|co_)\b")


def balanced(text):
    depth = 0
    for c in text:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def condition_end(masked, start):
    """Index after the ')' that closes the '(' at `start`, or -1."""
    depth = 0
    for i in range(start, len(masked)):
        depth += masked[i] == "("
        depth -= masked[i] == ")"
        if depth == 0:
            return i + 1
    return -1


def statement_span(masked, previous_code):
    """(start, end) of a single-line statement that can be removed, or None.
    A statement standing alone must begin its line (the line before ended a
    statement or opened a block); one after `if (...)` or `else` on the same
    line may also be a return, break or continue."""
    stripped = masked.strip()
    if not stripped.endswith(";"):
        return None
    start = len(masked) - len(masked.lstrip())
    head = masked[start:]
    for word in ("if (", "else if (", "for (", "while ("):
        if head.startswith(word):
            close = condition_end(masked, start + len(word) - 1)
            if close < 0:
                return None
            rest = masked[close:]
            body = close + len(rest) - len(rest.lstrip())
            text = masked[body:].rstrip()
            if STATEMENT.match(text) or GUARDED.match(text):
                if balanced(text):
                    return body, body + len(text)
            return None
    if head.startswith("else "):
        body = start + 5
        text = masked[body:].rstrip()
        if (STATEMENT.match(text) or GUARDED.match(text)) and balanced(text):
            return body, body + len(text)
        return None
    if not previous_code.rstrip().endswith((";", "{", "}", ")", "else", ":")):
        return None
    text = head.rstrip()
    if NOT_A_STATEMENT_START.match(text) or not STATEMENT.match(text) or not balanced(text):
        return None
    # `x(y);` declares when x is a type; a call statement has no blank before
    # its parenthesis and lowercase names are ours, so only a bare `name(...)`
    # with a capitalised name is left out.
    if text[0].isupper():
        return None
    return start, start + len(text)


def find_mutants(path):
    with open(os.path.join(TOP, path), encoding="utf-8", newline="") as f:
        text = f.read()
    raw = text.split("\n")
    _raw_lines[path] = raw
    masked = masked_lines(text)
    mutants, previous_code = [], "{"

    def add(line_no, column, before, after, kind):
        occurrence = masked[line_no - 1][:column].count(before) + 1 if kind != "statement" else 1
        mutants.append(Mutant(path, line_no, column, before, after, kind, raw[line_no - 1].strip(), occurrence))

    for index, line in enumerate(masked):
        line_no = index + 1
        if not line.strip():
            continue
        for m in OPERATOR.finditer(line):
            op = m.group(1)
            add(line_no, m.start(), op, SWAPS[op], "logical" if op in ("&&", "||") else "comparison")
        for m in PLUS_MINUS_ONE.finditer(line):
            before = m.group(0)
            add(line_no, m.start(), before, ("- 1" if m.group(1) == "+" else "+ 1"), "plus-minus-one")
        for m in INTEGER.finditer(line):
            digits = m.group(1)
            value = int(digits.replace("'", ""))
            # The element count of a declared array changes its type, not a value.
            if line[:m.start()].rstrip().endswith((",", "<")) and ">" in line[m.end():m.end() + 2]:
                continue
            for moved in (value + 1, value - 1):
                if moved >= 0:
                    add(line_no, m.start(), digits, str(moved), "constant")
        span = statement_span(line, previous_code)
        if span:
            start, end = span
            add(line_no, start, raw[index][start:end], "{}", "statement")
        previous_code = line
    return mutants


def apply(text_lines, mutant):
    line = text_lines[mutant.line - 1]
    assert line[mutant.column:mutant.column + len(mutant.before)] == mutant.before, mutant
    changed = list(text_lines)
    changed[mutant.line - 1] = line[:mutant.column] + mutant.after + line[mutant.column + len(mutant.before):]
    return "\n".join(changed)


# ---- The list of equivalent mutants ----------------------------------------

def read_equivalents():
    """Lines `FILE | LINE TEXT | OCCURRENCE | BEFORE | AFTER | REASON`;
    '#' starts a comment line. A mutant is matched by its line's text, not
    its number, so the list survives edits elsewhere in the file."""
    equivalents = {}
    if not os.path.exists(EQUIVALENT_LIST):
        return equivalents
    with open(EQUIVALENT_LIST, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            # The line's text may hold " | " itself: the file is its first
            # field, the other four are the last ones.
            path, _, rest = line.rstrip("\n").partition(" | ")
            fields = [path.strip()] + [field.strip() for field in rest.rsplit(" | ", 4)]
            if len(fields) != 6 or not fields[5] or not fields[2].isdigit():
                sys.exit(f"{EQUIVALENT_LIST}:{number}: expected FILE | LINE | OCCURRENCE | BEFORE | AFTER | REASON")
            equivalents[(fields[0], fields[1], int(fields[2]), fields[3], fields[4])] = fields[5]
    return equivalents


# ---- Restoring the source ---------------------------------------------------

class Restorer:
    """Keeps the original of the file under mutation, in memory and in the
    build folder, and puts it back."""

    def __init__(self, build_dir):
        self.journal = os.path.join(build_dir, "mutating.path")
        self.copy = os.path.join(build_dir, "mutating.original")
        self.path = None
        self.original = None

    def recover_earlier_run(self):
        if not os.path.exists(self.journal):
            return
        with open(self.journal, encoding="utf-8") as f:
            path = f.read().strip()
        with open(self.copy, "rb") as f:
            original = f.read()
        with open(path, "wb") as f:
            f.write(original)
        os.remove(self.journal)
        print(f"mutate: put back {os.path.relpath(path, TOP)}, left mutated by an earlier run that was killed")

    def mutate(self, path, original, mutated):
        with open(self.copy, "wb") as f:
            f.write(original)
        with open(self.journal, "w", encoding="utf-8") as f:
            f.write(path)
        self.path, self.original = path, original
        with open(path, "wb") as f:
            f.write(mutated)

    def restore(self):
        if self.path is None:
            return
        with open(self.path, "wb") as f:
            f.write(self.original)
        self.path = None
        os.remove(self.journal)


# ---- Building and testing ---------------------------------------------------

class Runner:
    def __init__(self, build_dir, jobs):
        self.build_dir = build_dir
        self.jobs = jobs
        self.child = None
        self.env = dict(os.environ, CCACHE_DISABLE="1")
        for name in ("CMAKE_CXX_COMPILER_LAUNCHER", "CMAKE_C_COMPILER_LAUNCHER"):
            self.env.pop(name, None)

    def run(self, command, timeout=None, quiet=True):
        """Exit status of `command`, or None when it ran out of time. The
        command runs in a session of its own so that a signal meant for this
        script reaches it only through kill_child()."""
        out = subprocess.DEVNULL if quiet else None
        self.child = subprocess.Popen(command, cwd=TOP, env=self.env, stdout=out, stderr=out,
                                      start_new_session=True)
        with open(self.child_file(), "w", encoding="utf-8") as f:
            f.write(f"{self.child.pid} {command[0]}")
        try:
            return self.child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill_child()
            return None
        finally:
            self.child = None
            os.remove(self.child_file())

    def child_file(self):
        return os.path.join(self.build_dir, "mutating.child")

    def stop_earlier_child(self):
        """Ends the build or test that a run killed outright left behind (it
        runs in a session of its own), if it is still that program."""
        try:
            with open(self.child_file(), encoding="utf-8") as f:
                pid, program = f.read().split(" ", 1)
            os.remove(self.child_file())
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                running = f.read().split(b"\0")[0].decode(errors="replace")
        except (OSError, ValueError):
            return
        if running == program:
            try:
                os.killpg(int(pid), signal.SIGKILL)
            except ProcessLookupError:
                pass

    def kill_child(self, wait=True):
        """Ends the build or test under way. A signal handler passes
        wait=False: the wait it interrupted holds the Popen's lock, so waiting
        again there would hang; the process ends all the same."""
        child = self.child
        if child is None or child.returncode is not None:
            return
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        if wait:
            child.wait()

    def configure(self):
        """The build folder, configured once. The scenario is embedded by an
        embed_scenario built beforehand from the unchanged core, as a cross
        build takes it from the host: a mutant relinks no embedding tool and
        embeds nothing again."""
        if os.path.exists(os.path.join(self.build_dir, "CMakeCache.txt")):
            return True
        no_launcher = ["-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_COMPILER_LAUNCHER=", "-DCMAKE_C_COMPILER_LAUNCHER="]
        embed_dir = os.path.join(self.build_dir, "embed_tool")
        embed_tool = os.path.join(embed_dir, "embed_scenario")
        return (self.run(["cmake", "-S", TOP, "-B", embed_dir, "-DCOMPILA_EMBED_TOOL_ONLY=ON", "-DCOMPILA_TESTS=OFF"] +
                         no_launcher, quiet=False) == 0 and
                self.run(["cmake", "--build", embed_dir, "--target", "embed_scenario", "-j", str(self.jobs)],
                         quiet=False) == 0 and
                self.run(["cmake", "-S", TOP, "-B", self.build_dir, "-DCOMPILA_TESTS=ON",
                          f"-DCOMPILA_HOST_EMBED_TOOL={embed_tool}"] + no_launcher, quiet=False) == 0)

    def build(self, quiet=True):
        return self.run(["cmake", "--build", self.build_dir, "--target", TEST_TARGET, "-j", str(self.jobs)],
                        quiet=quiet) == 0

    def test_binary(self):
        return os.path.join(self.build_dir, "tests", TEST_TARGET)

    def tests_pass(self, timeout):
        """True when the fast tests pass, False when one fails, None when they
        ran out of time (counted as killed: the mutant hangs)."""
        status = self.run([self.test_binary(), "--gtest_fail_fast", "--gtest_brief=1"], timeout=timeout)
        return None if status is None else status == 0


# ---- The run ----------------------------------------------------------------

def commit_of_tree():
    try:
        top_level = subprocess.run(["git", "-C", TOP, "rev-parse", "--show-toplevel"], capture_output=True,
                                   text=True).stdout.strip()
        if not top_level or os.path.realpath(top_level) != os.path.realpath(TOP):
            return "unknown (the tree is no git checkout of its own)"
        head = subprocess.run(["git", "-C", TOP, "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", TOP, "status", "--porcelain", "--", "src", "tests"],
                               capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown commit"
    return head + (" with uncommitted changes in src/ or tests/" if dirty else "")


def parse_arguments():
    parser = argparse.ArgumentParser(prog="scripts/mutate.sh", description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=150, help="compiling mutants to test (default 150)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--build-dir", default=os.path.join(TOP, "build", "mutate"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--list", action="store_true", help="print the sample's mutants and stop")
    parser.add_argument("--retest", metavar="LOG",
                        help="test again the survivors printed in LOG by an earlier run, taking its other outcomes "
                             "as they were (the core's sources must be unchanged since, and the tests only added to)")
    parser.add_argument("files", nargs="*", metavar="FILE[:LINE]",
                        help="core files to mutate (default: all of the core); with :LINE only that line")
    return parser.parse_args()


def select_files(arguments):
    if not arguments:
        return [(path, None) for path in CORE_FILES]
    chosen = []
    for argument in arguments:
        path, _, line = argument.partition(":")
        path = os.path.relpath(os.path.abspath(path), TOP)
        if not os.path.isfile(os.path.join(TOP, path)) or not path.endswith(".cpp"):
            sys.exit(f"mutate: {argument}: not a .cpp file of the tree")
        chosen.append((path, int(line) if line else None))
    return chosen


def main():
    args = parse_arguments()
    os.makedirs(args.build_dir, exist_ok=True)
    runner = Runner(args.build_dir, args.jobs)
    restorer = Restorer(args.build_dir)
    # Before anything is read: a run killed outright may have left a file mutated.
    runner.stop_earlier_child()
    restorer.recover_earlier_run()
    equivalents = read_equivalents()
    candidates = []
    for path, line in select_files(args.files):
        candidates += [m for m in find_mutants(path) if line is None or m.line == line]
    random.Random(args.seed).shuffle(candidates)
    earlier = read_earlier_run(args.retest, candidates) if args.retest else None
    skipped = [m for m in candidates if m.key() in equivalents]
    candidates = [m for m in candidates if m.key() not in equivalents]
    if args.list:
        for m in candidates[:args.count]:
            print(f"{m.kind:15} {m.describe()}")
        return 0

    def interrupted(signum, _frame):
        for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(s, signal.SIG_IGN)
        runner.kill_child(wait=False)
        restorer.restore()
        print(f"\nmutate: stopped by signal {signum}; every file is as it was", flush=True)
        os._exit(128 + signum)

    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, interrupted)

    try:
        if not runner.configure():
            sys.exit("mutate: the build folder could not be configured")
        started = time.monotonic()
        if not runner.build(quiet=False):
            sys.exit("mutate: the unchanged tree does not build")
        built = time.monotonic()
        if runner.tests_pass(timeout=600) is not True:
            sys.exit("mutate: the fast tests fail on the unchanged tree")
        baseline = time.monotonic() - built
        timeout = max(30.0, 5 * baseline)
        commit = commit_of_tree()
        print(f"mutate: commit {commit}; {len(candidates)} mutants found ({len(skipped)} equivalent ones left out); "
              f"fast tests {baseline:.1f} s; build {built - started:.1f} s", flush=True)
        if earlier is None:
            results = run_sample(candidates, args.count, runner, restorer, timeout)
        else:
            results = retest_survivors(earlier, equivalents, runner, restorer, timeout)
    finally:
        restorer.restore()
    # Leave the build folder with the unchanged core in it.
    runner.build()
    return report(results, commit)


def run_sample(candidates, count, runner, restorer, timeout):
    """Tests mutants in batches, each batch grouped by file so that one file
    is recompiled per mutant, until `count` of them have compiled."""
    results, taken = [], 0
    while taken < len(candidates) and sum(r != "no-build" for _, r in results) < count:
        compiled = sum(r != "no-build" for _, r in results)
        batch_size = max(1, int((count - compiled) * 1.2))
        batch = sorted(candidates[taken:taken + batch_size], key=lambda m: (m.path, m.line, m.column, m.after))
        taken += batch_size
        for mutant in batch:
            if sum(r != "no-build" for _, r in results) >= count:
                break
            results.append((mutant, test_mutant(mutant, runner, restorer, timeout)))
            outcome = results[-1][1]
            done = sum(r != "no-build" for _, r in results)
            print(f"[{done:3}/{count}] {outcome:9} {mutant.describe()}", flush=True)
    return results


EARLIER_OUTCOME = re.compile(r"^\[\s*\d+/\s*\d+\] (\S+) +(\S+?):(\d+): (.*?)  ->  (.*)$")


def read_earlier_run(log_path, candidates):
    """The (mutant, outcome, moved) triples printed by an earlier run, each
    found again among today's mutants by its file and its line before and
    after the change; `moved` when its file has changed since (the mutant's
    line is no longer where it was)."""
    by_text = {}
    for m in candidates:
        by_text.setdefault((m.path, m.line_text, m.line_text_after()), []).append(m)
    earlier, changed_files = [], set()
    with open(log_path, encoding="utf-8") as f:
        for line in f:
            match = EARLIER_OUTCOME.match(line.rstrip("\n"))
            if not match:
                continue
            outcome, path, number, before, after = match.groups()
            found = by_text.get((path, before.strip(), after.strip()))
            if not found:
                sys.exit(f"mutate: {path}:{number} of {log_path} is no longer a mutant of the tree: "
                         "its line changed since that run, which must be made again")
            mutant = min(found, key=lambda m: abs(m.line - int(number)))
            if mutant.line != int(number):
                changed_files.add(path)
            earlier.append((mutant, outcome))
    if not earlier:
        sys.exit(f"mutate: {log_path} holds no outcome of a run")
    return [(m, outcome, m.path in changed_files) for m, outcome in earlier]


def retest_survivors(earlier, equivalents, runner, restorer, timeout):
    """Tests again the survivors, and every mutant of a file that has changed
    since; the other outcomes stand."""
    again = sum(outcome == "survived" or moved for _, outcome, moved in earlier)
    print(f"mutate: testing again {again} of {len(earlier)} earlier outcomes (the survivors and the mutants "
          "of files changed since)", flush=True)
    results = []
    for mutant, outcome, moved in earlier:
        if mutant.key() in equivalents:
            continue
        if outcome == "survived" or moved:
            outcome = test_mutant(mutant, runner, restorer, timeout)
            print(f"[again] {outcome:9} {mutant.describe()}", flush=True)
        results.append((mutant, outcome))
    return results


def test_mutant(mutant, runner, restorer, timeout):
    full_path = os.path.join(TOP, mutant.path)
    with open(full_path, "rb") as f:
        original = f.read()
    mutated = apply(original.decode("utf-8").split("\n"), mutant).encode("utf-8")
    restorer.mutate(full_path, original, mutated)
    try:
        if not runner.build():
            return "no-build"
        passed = runner.tests_pass(timeout)
        return "survived" if passed else ("timeout" if passed is None else "killed")
    finally:
        restorer.restore()


def report(results, commit):
    compiled = [(m, r) for m, r in results if r != "no-build"]
    survivors = [m for m, r in compiled if r == "survived"]
    killed = len(compiled) - len(survivors)
    print(f"\nmutate: {len(results) - len(compiled)} mutants did not compile")
    if survivors:
        print("Surviving mutants (as a line of scripts/mutate_equivalent.txt, if one is equivalent):")
        for m in survivors:
            print(f"  {m.path}:{m.line}: {m.before} -> {m.after}")
            print(f"    {m.path} | {m.line_text} | {m.occurrence} | {m.before} | {m.after} | REASON")
    score = 100.0 * killed / len(compiled) if compiled else 0.0
    print(f"score: {killed} killed of {len(compiled)} compiling mutants = {score:.1f}% on commit {commit}")
    return 0 if compiled else 1


if __name__ == "__main__":
    sys.exit(main())
