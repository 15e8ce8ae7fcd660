#!/usr/bin/env python3
"""A stand-in for dictation-agent that misbehaves as told, for the example hosts' tests.

    stand_in_agent.py MODE       (the hosts pass it where the locale goes)

Every mode starts as a dictation does (permissions, authorizing, permissions twice, listening,
one transcript), then:
    partial-line   writes half an event, no line feed, and exits
    not-json       writes a line that is no JSON
    not-utf8       writes an event whose text is not UTF-8
    long-line      writes a line longer than any event, 2 MiB of "a"
    killed         kills itself with SIGKILL
    cancel         waits for its standard input; on "cancel" in it, at its end or on SIGINT
                   (a terminal's Ctrl-C reaches the whole group), writes a cancelled "final"
                   and exits, as the agent does
    wide-text      writes a transcript of 60 Chinese characters and a "final" with it, and exits
The other modes then wait for the end of their standard input (the host's cancel) and exit.
"""
import os
import signal
import sys

GRANTED = '{"speech":"granted","microphone":"granted"}'


def write(data):
    os.write(1, data)


def cancelled(*_):
    write(b'{"type":"final","text":"","cancelled":true}\n')
    os._exit(0)


def main(mode):
    if mode == "cancel":
        signal.signal(signal.SIGINT, cancelled)
    for line in ['{"type":"permissions","permissions":%s}' % GRANTED, '{"type":"authorizing"}',
                 '{"type":"permissions","permissions":%s}' % GRANTED,
                 '{"type":"permissions","permissions":%s}' % GRANTED, '{"type":"listening"}',
                 '{"type":"transcript","text":"hello"}']:
        write(line.encode() + b"\n")
    if mode == "partial-line":
        write(b'{"type":"transcript","te')
        return 0
    if mode == "wide-text":
        text = "今天天气很好我想去散步" * 6
        write(('{"type":"transcript","text":"%s"}\n' % text).encode())
        write(('{"type":"final","text":"%s","cancelled":false}\n' % text).encode())
        return 0
    if mode == "killed":
        os.kill(os.getpid(), signal.SIGKILL)
    if mode == "not-json":
        write(b"hello world\n")
    elif mode == "not-utf8":
        write(b'{"type":"transcript","text":"\xff\xfe"}\n')
    elif mode == "long-line":
        try:
            write(b"a" * (2 << 20) + b"\n")
        except BrokenPipeError:
            return 0
    while True:
        data = os.read(0, 4096)
        if not data or (mode == "cancel" and b"cancel" in data):
            break
    if mode == "cancel":
        cancelled()
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else ""))
