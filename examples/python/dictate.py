#!/usr/bin/env python3
"""Dictate through dictation-agent, with asyncio.

    python3 dictate.py [--agent PATH] [LOCALE]

Starts the agent (by default `dictation-agent` from PATH) for LOCALE (default en-US), shows the
transcript on one terminal line as it grows, stops the dictation when you press Enter and cancels
it on Ctrl-D (the end of its input) or Ctrl-C before that. Prints the final text and exits 0;
otherwise prints one line on standard error ("cancelled", "error: <code>", or what went wrong
with the agent) and exits 1.
"""
import argparse
import asyncio
import json
import os
import shutil
import signal
import sys
import threading
import unicodedata

# A "transcript" line carries up to 16000 characters, JSON-escaped: more than asyncio's default
# 64 KiB line limit can hold in the worst case. A longer line is no event of this agent.
LINE_LIMIT = 1 << 20


class AgentFault(Exception):
    """The agent's output broke the protocol; the message says how."""


def columns(character):
    """The terminal columns `character` takes: 2 for wide East Asian ones, 0 for marks."""
    if unicodedata.combining(character) or unicodedata.category(character) in ("Mn", "Me", "Cf"):
        return 0
    return 2 if unicodedata.east_asian_width(character) in ("W", "F") else 1


def show_live(text):
    """Rewrites the current terminal line with the end of `text` that fits on it, in columns."""
    width = max(shutil.get_terminal_size().columns - 1, 10)
    if sum(map(columns, text)) > width:
        kept, used = [], 1  # the leading "…" takes one column
        for character in reversed(text):
            used += columns(character)
            if used > width:
                break
            kept.append(character)
        text = "…" + "".join(reversed(kept))
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
            try:
                data = os.read(sys.stdin.fileno(), 4096)
            except OSError:
                data = b""
            loop.call_soon_threadsafe(on_input, data)
            if not data:
                return

    threading.Thread(target=read, daemon=True).start()


async def read_event(stdout):
    """The next event, or None at the end of the agent's output; AgentFault on a bad line."""
    try:
        line = await stdout.readuntil(b"\n")
    except asyncio.IncompleteReadError as error:
        if error.partial:
            raise AgentFault("the agent's output ended in the middle of a line") from None
        return None
    except asyncio.LimitOverrunError:
        raise AgentFault(f"the agent wrote a line longer than {LINE_LIMIT} bytes") from None
    try:
        text = line.decode("utf-8")
    except UnicodeDecodeError:
        raise AgentFault("the agent wrote a line that is not UTF-8") from None
    try:
        event = json.loads(text)
    except ValueError:
        event = None
    if not isinstance(event, dict) or not isinstance(event.get("type"), str):
        raise AgentFault("the agent wrote a line that is not a JSON event")
    return event


def signal_agent(agent, number):
    """Sends a signal with os.kill, not agent.send_signal: that one first polls the process and,
    if it has just exited, reaps it behind asyncio's back, which then warns on stderr and reports
    a made-up exit status. asyncio's own waiter reaps it, so the pid stays ours until then."""
    if agent.returncode is None:
        try:
            os.kill(agent.pid, number)
        except ProcessLookupError:
            pass


async def end_agent(agent):
    """Ends an agent we no longer trust: SIGTERM is a cancel to it; SIGKILL if it hangs."""
    signal_agent(agent, signal.SIGTERM)
    try:
        await asyncio.wait_for(agent.wait(), 2.0)
    except asyncio.TimeoutError:
        signal_agent(agent, signal.SIGKILL)
        await agent.wait()


async def dictate(agent_path, locale):
    try:
        agent = await asyncio.create_subprocess_exec(
            agent_path, locale,
            stdin=asyncio.subprocess.PIPE, stdout=asyncio.subprocess.PIPE, limit=LINE_LIMIT)
    except OSError as error:
        print(f"error: cannot start {agent_path}: {error}", file=sys.stderr)
        return 1

    loop = asyncio.get_running_loop()
    sending = set()  # the writes under way, kept until done

    async def write(command):
        # Standard input stays open until the last event: closing it would cancel the dictation.
        if agent.returncode is not None or agent.stdin.is_closing():
            return
        try:
            agent.stdin.write(command)
            await agent.stdin.drain()
        except ConnectionError:
            pass  # the agent has exited: its last line, if any, is on its way

    def send(command):
        task = loop.create_task(write(command))
        sending.add(task)
        task.add_done_callback(sending.discard)

    stopped = False
    interrupted = False

    def on_input(data):
        # Enter stops: the agent then sends the final text within 2 seconds. Ctrl-D (the end of
        # our input) cancels, unless a stop has been sent: then the text is on its way.
        nonlocal stopped
        if data:
            stopped = True
            send(b"stop\n")
        elif not stopped:
            send(b"cancel\n")

    def on_interrupt():
        # Ctrl-C cancels and waits for the agent's last line; a second one gives up on it.
        nonlocal interrupted
        if interrupted:
            signal_agent(agent, signal.SIGKILL)
        interrupted = True
        send(b"cancel\n")

    watch_keyboard(loop, on_input)
    loop.add_signal_handler(signal.SIGINT, on_interrupt)

    outcome = None
    try:
        while (event := await read_event(agent.stdout)) is not None:
            kind = event["type"]
            if kind == "listening":
                print("Listening. Press Enter to stop, Ctrl-D to cancel.", flush=True)
            elif kind == "transcript":
                show_live(event.get("text", ""))
            elif kind in ("final", "error"):
                outcome = event  # the last line: the agent exits right after it
            # "permissions" and "authorizing" matter to a host that explains permission prompts.
    except AgentFault as fault:
        await end_agent(agent)
        clear_live()
        print(f"error: {fault}", file=sys.stderr)
        return 1
    await agent.wait()  # its exit status is always 0: the last line tells the outcome

    clear_live()
    if outcome is None:
        if agent.returncode < 0:
            name = signal.Signals(-agent.returncode).name
            print(f"error: the agent was killed by {name} before its last event", file=sys.stderr)
        else:
            print("error: the agent ended without a final event", file=sys.stderr)
        return 1
    if outcome["type"] == "error":
        print(f"error: {outcome.get('code')}", file=sys.stderr)
        return 1
    if outcome.get("cancelled"):
        print("cancelled", file=sys.stderr)
        return 1
    print(outcome.get("text", ""))
    return 0


def main():
    parser = argparse.ArgumentParser(description="Dictate through dictation-agent.")
    parser.add_argument("--agent", default="dictation-agent", help="the agent executable")
    parser.add_argument("locale", nargs="?", default="en-US")
    arguments = parser.parse_args()
    return asyncio.run(dictate(arguments.agent, arguments.locale))


if __name__ == "__main__":
    sys.exit(main())
