#!/usr/bin/env python3
"""Where a dictation's start-up goes, step by step, from the system calls that mark each step
(strace -f -ttt): spawn (execve), the first event line, the first dlopen of libpulse, the
connection to the server, the microphone answer's event line, the recogniser's spawn, and
"listening". strace slows every system call, so the steps are longer than untraced; what matters
is their shares. bench/run_startup_steps starts the private server and runs this.

    startup_steps.py AGENT [RUNS]
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile


def trace(agent):
    with tempfile.NamedTemporaryFile(suffix=".strace") as log:
        child = subprocess.Popen(
            ["strace", "-f", "-ttt", "-qq", "-o", log.name, "-e",
             "trace=execve,openat,connect,write,clone,clone3,vfork", agent, "en-US"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        for line in child.stdout:
            if b'"listening"' in line:
                break
        child.stdin.close()
        child.stdout.read()
        child.wait()
        return open(log.name).read().splitlines()


def steps(lines):
    marks = {}
    agent_pid = None
    for line in lines:
        match = re.match(r"(\d+)\s+(\d+\.\d+)\s+(.*)", line)
        if not match:
            continue
        pid, time, call = int(match[1]), float(match[2]), match[3]
        if agent_pid is None and call.startswith("execve("):
            agent_pid = pid
            marks["spawn"] = time
        elif call.startswith("execve(") and "recognizer" in call:
            marks.setdefault("recogniser exec", time)
        elif "libpulse.so" in call and call.startswith("openat("):
            marks.setdefault("dlopen libpulse", time)
        elif call.startswith("connect(") and "pulse" in call:
            marks.setdefault("connect to server", time)
        elif call.startswith("write(1,"):
            if '\\"authorizing\\"' in call or '"authorizing"' in call:
                marks.setdefault("\"authorizing\" written", time)
            elif '"permissions"' in call or '\\"permissions\\"' in call:
                count = marks.get("_permissions", 0) + 1
                marks["_permissions"] = count
                if count == 3:
                    marks["microphone answer written"] = time
            elif "listening" in call:
                marks.setdefault("\"listening\" written", time)
    return {name: (at - marks["spawn"]) * 1000 for name, at in marks.items()
            if not name.startswith("_")}


def main():
    agent = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    trace(agent)  # warm-up
    collected = {}
    for _ in range(runs):
        for name, at in steps(trace(agent)).items():
            collected.setdefault(name, []).append(at)
    print(f"{runs} traced runs, median ms after spawn (strace-inflated):")
    previous = 0.0
    for name, values in sorted(collected.items(), key=lambda item: statistics.median(item[1])):
        at = statistics.median(values)
        print(f"  {name:32s} {at:8.2f}  (+{at - previous:6.2f})")
        previous = at


if __name__ == "__main__":
    main()
