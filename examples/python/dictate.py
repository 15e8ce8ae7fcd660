#!/usr/bin/env python3
"""Dictate through dictation-agent, with asyncio.

    python3 dictate.py [--agent PATH] [LOCALE]

Starts the agent (by default `dictation-agent` from PATH) for LOCALE (default en-US), shows the
transcript on one terminal line as it grows, stops the dictation when you press Enter and cancels
it on Ctrl-D (the end of its input) before that. Prints the final text and exits 0; prints
"error: <code>" (or "cancelled") on standard error and exits 1 otherwise.
"""
import argparse
import asyncio
import json
import os
import shutil
import sys
import threading

# A "transcript" line carries up to 16000 characters, JSON-escaped: more than asyncio's default
# 64 KiB line limit can hold in the worst case.
LINE_LIMIT = 1 << 20


def show_live(text):
    """Rewrites the current terminal line with the end of `text` that fits on it."""
    width = max(shutil.get_terminal_size().columns - 1, 10)
    if len(text) > width:
        text = "…" + text[-(width - 1):]
    sys.stdout.write("\r\x1b[K" + text)
    sys.stdout.flush()


def clear_live():
    sys.stdout.write("\r\x1b[K")
    sys.stdout.flush()


def watch_keyboard(loop, on_input):
    """Calls on_input(bytes) on the loop for each read of our standard input; b"" at its end.

    The reads block, so they run on a daemon thread, which never holds up the exit."""

    def read():
        while True:
            data = os.read(sys.stdin.fileno(), 4096)
            loop.call_soon_threadsafe(on_input, data)
            if not data:
                return

    threading.Thread(target=read, daemon=True).start()


async def dictate(agent_path, locale):
    try:
        agent = await asyncio.create_subprocess_exec(
            agent_path, locale,
            stdin=asyncio.subprocess.PIPE, stdout=asyncio.subprocess.PIPE, limit=LINE_LIMIT)
    except OSError as error:
        print(f"error: cannot start {agent_path}: {error}", file=sys.stderr)
        return 1

    def send(command):
        # Standard input stays open until the last event: closing it would cancel the dictation.
        if agent.returncode is None and not agent.stdin.is_closing():
            agent.stdin.write(command)

    stopped = False

    def on_input(data):
        # Enter stops: the agent then sends the final text within 2 seconds. Ctrl-D (the end of
        # our input) cancels, unless a stop has been sent: then the text is on its way.
        nonlocal stopped
        if data:
            stopped = True
            send(b"stop\n")
        elif not stopped:
            send(b"cancel\n")

    watch_keyboard(asyncio.get_running_loop(), on_input)

    outcome = None
    # Iterating the stream yields whole lines however the pipe splits them.
    async for line in agent.stdout:
        event = json.loads(line)
        kind = event.get("type")
        if kind == "listening":
            print("Listening. Press Enter to stop, Ctrl-D to cancel.", flush=True)
        elif kind == "transcript":
            show_live(event["text"])
        elif kind in ("final", "error"):
            outcome = event  # the last line: the agent exits right after it
        # "permissions" and "authorizing" matter to a host that explains permission prompts.
    await agent.wait()  # its exit status is always 0: the last line tells the outcome

    clear_live()
    if outcome is None:
        print("error: the agent ended without a final event", file=sys.stderr)
        return 1
    if outcome["type"] == "error":
        print(f"error: {outcome['code']}", file=sys.stderr)
        return 1
    if outcome["cancelled"]:
        print("cancelled", file=sys.stderr)
        return 1
    print(outcome["text"])
    return 0


def main():
    parser = argparse.ArgumentParser(description="Dictate through dictation-agent.")
    parser.add_argument("--agent", default="dictation-agent", help="the agent executable")
    parser.add_argument("locale", nargs="?", default="en-US")
    arguments = parser.parse_args()
    return asyncio.run(dictate(arguments.agent, arguments.locale))


if __name__ == "__main__":
    sys.exit(main())
