#!/usr/bin/env python3
"""Runs the README's recipes as a reader would copy them, against the built programs.

A recipe is a fenced block after a line `<!-- recipe -->`. Recipes run in order, in one scratch
folder where `build` is the build tree, `examples` a copy of the examples and the virtual printer
is on the PATH. In a block whose lines start with "$ ", each such line is a command and the lines
after it are the output it must print (a pseudo-terminal's number may differ); a command ending
in "&" runs in the background until the block ends, and its output lines are waited for. In any
other block every line must succeed. The ports 9100, 8080 and 8631 of the text are replaced by
free ones, so that the recipes can run beside anything else on the machine.

Usage: run_recipes.py README.md BUILD_DIR
"""
import os
import queue
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
from pathlib import Path

PATIENCE = 60  # seconds a command or a background program's output may take, at most
PTY = re.compile(r"/dev/pts/\d+")


def recipes(readme):
    """(line number, text) of every block marked as a recipe."""
    lines = readme.read_text(encoding="utf-8").splitlines()
    found = []
    for number, line in enumerate(lines):
        if line.strip() != "<!-- recipe -->":
            continue
        start = number + 1
        if not lines[start].startswith("```"):
            sys.exit(f"README line {number + 1}: a recipe mark is not followed by a block")
        end = next(i for i in range(start + 1, len(lines)) if lines[i].startswith("```"))
        found.append((start + 2, "\n".join(lines[start + 1:end])))
    return found


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return str(probe.getsockname()[1])


class Shell:
    """One bash that keeps its background jobs and folder from command to command; its standard
    output and error arrive, merged, line by line on a queue."""

    def __init__(self, folder, env):
        self.process = subprocess.Popen(["bash", "--norc", "--noprofile"], cwd=folder, env=env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True,
                                        start_new_session=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.count = 0

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def _line(self):
        line = self.lines.get(timeout=PATIENCE)
        if line is None:
            raise RuntimeError("the shell ended")
        return line

    def run(self, command, expected_lines):
        """The command's output and exit status; a background command's first lines."""
        self.count += 1
        if command.endswith("&"):
            self.process.stdin.write(command + "\n")
            self.process.stdin.flush()
            return [self._line() for _ in range(expected_lines)], 0
        end = f"__recipe_end_{self.count}__"
        self.process.stdin.write(f"{command}\n__status=$?; echo; echo {end} $__status\n")
        self.process.stdin.flush()
        output = []
        while not (line := self._line()).startswith(end):
            output.append(line)
        if output and output[-1] == "":
            output.pop()  # the echo's newline after output that ended in one, or none
        return output, int(line.split()[1])

    def close(self):
        try:
            self.process.stdin.write("kill $(jobs -p) 2>/dev/null; wait; exit\n")
            self.process.stdin.flush()
            self.process.wait(timeout=PATIENCE)
        except (subprocess.TimeoutExpired, BrokenPipeError):
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()


def run_session(block, folder, env):
    """Runs "$ " lines, compares their output; False on the first difference."""
    steps = []
    for line in block.splitlines():
        if line.startswith("$ "):
            steps.append((line[2:], []))
        elif steps:
            steps[-1][1].append(line)
    shell = Shell(folder, env)
    try:
        for command, expected in steps:
            print(f"$ {command}")
            output, status = shell.run(command, len(expected))
            print("\n".join(output) if output else "", end="\n" if output else "")
            # A command's own output ends with a newline or not; both read the same here.
            normalised = [PTY.sub("/dev/pts/N", line) for line in output]
            wanted = [PTY.sub("/dev/pts/N", line) for line in expected]
            if status != 0 or normalised != wanted:
                print(f"-- exit status {status}; expected this output:")
                print("\n".join(expected))
                return False
        return True
    finally:
        shell.close()


def run_lines(block, folder, env):
    print(block)
    result = subprocess.run(["bash", "-e", "-c", block], cwd=folder, env=env, text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=PATIENCE)
    print(result.stdout, end="")
    if result.returncode != 0:
        print(f"-- exit status {result.returncode}")
    return result.returncode == 0


def main():
    readme, build = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    ports = {"9100": free_port(), "8080": free_port(), "8631": free_port()}
    failed = []
    with tempfile.TemporaryDirectory(prefix="readme-recipes-") as scratch:
        folder = Path(scratch)
        (folder / "build").symlink_to(build)
        shutil.copytree(readme.parent / "examples", folder / "examples",
                        ignore=shutil.ignore_patterns("node_modules"))
        (folder / "bin").mkdir()
        (folder / "bin" / "virtual-printer").symlink_to(build / "virtual-printer" / "virtual-printer")
        (folder / "runtime").mkdir(mode=0o700)  # as a desktop session gives, so Qt is quiet
        env = dict(os.environ, PATH=f"{folder / 'bin'}:{os.environ['PATH']}",
                   QT_QPA_PLATFORM="offscreen", PYTHONDONTWRITEBYTECODE="1",
                   XDG_RUNTIME_DIR=str(folder / "runtime"))
        env.pop("VIRTUAL_PRINTER", None)
        for line, block in recipes(readme):
            for printed, free in ports.items():
                block = block.replace(printed, free)
            print(f"== README line {line}")
            session = any(text.startswith("$ ") for text in block.splitlines())
            ok = (run_session if session else run_lines)(block, folder, env)
            print(f"-- {'ok' if ok else 'FAILED'}\n")
            if not ok:
                failed.append(line)
    if failed:
        sys.exit(f"README recipes that fail, by line: {', '.join(map(str, failed))}")
    print(f"README recipes: all {len(recipes(readme))} ran as printed "
          f"(ports 9100, 8080 and 8631 were {ports['9100']}, {ports['8080']} and {ports['8631']})")


if __name__ == "__main__":
    main()
