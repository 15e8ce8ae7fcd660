#!/usr/bin/env python3
"""Checks lines that dictation-agent wrote against docs/events.schema.json.

    event_lines.py SCHEMA            answers each line read on standard input at once, with "ok"
                                     or "invalid: <why>" on a line of its own (the end-to-end
                                     tests keep one running beside each agent they start)
    event_lines.py SCHEMA FILE...    checks every line of the files; exit status 1 when one is
                                     not an event, with the reason on standard error

Beyond the schema, a string holding an escaped lone surrogate ("\\ud800") is rejected: the agent
writes UTF-8 text only. The 16000-character cap on "text" counts grapheme clusters, which
neither JSON Schema nor Python's standard library can; the end-to-end tests check it
(tests/e2e/event_order.cpp).
"""
import json
import sys

import jsonschema


class EventLines:
    def __init__(self, schema_path):
        with open(schema_path, encoding="utf-8") as schema_file:
            self.schema = json.load(schema_file)
        jsonschema.Draft202012Validator.check_schema(self.schema)
        self.validator = jsonschema.Draft202012Validator(self.schema)
        # The branch of the oneOf that each event type must satisfy, for the reason given when
        # an event of a known type is invalid.
        self.branches = {
            self.schema["$defs"][ref["$ref"].rsplit("/", 1)[1]]["properties"]["type"]["const"]: i
            for i, ref in enumerate(self.schema["oneOf"])
        }

    def problem(self, line):
        """None when `line` (bytes, without its line feed) is one valid event, else why not."""
        try:
            event = json.loads(line.decode("utf-8"))
        except UnicodeDecodeError as error:
            return f"not UTF-8: {error}"
        except ValueError as error:
            return f"not JSON: {error}"
        surrogate = lone_surrogate(event)
        if surrogate is not None:
            return f"a lone surrogate U+{surrogate:04X} in a string"
        error = jsonschema.exceptions.best_match(self.validator.iter_errors(event))
        if error is None:
            return None
        return self.explain(error, event)

    def explain(self, error, event):
        if error.validator != "oneOf" or not isinstance(event, dict):
            return error.message
        branch = self.branches.get(event.get("type"))
        if branch is None:
            return f"unknown event type {event.get('type')!r}"
        reasons = [e.message for e in error.context if e.relative_schema_path[0] == branch]
        return "; ".join(reasons) or error.message


def lone_surrogate(value):
    """The first code point of a lone surrogate in the strings of `value`, or None."""
    if isinstance(value, str):
        # json.loads turns an escaped surrogate pair into one code point: any left is alone.
        return next((ord(c) for c in value if "\ud800" <= c <= "\udfff"), None)
    if isinstance(value, dict):
        value = [*value.keys(), *value.values()]
    if isinstance(value, list):
        return next((s for s in map(lone_surrogate, value) if s is not None), None)
    return None


def answer_each_line(lines):
    for line in sys.stdin.buffer:
        problem = lines.problem(line.rstrip(b"\n"))
        print("ok" if problem is None else "invalid: " + problem.replace("\n", " "), flush=True)
    return 0


def check_files(lines, paths):
    for path in paths:
        with open(path, "rb") as events:
            for number, line in enumerate(events, 1):
                problem = lines.problem(line.rstrip(b"\n"))
                if problem is not None:
                    print(f"{path}:{number}: {problem}", file=sys.stderr)
                    return 1
    return 0


def main(arguments):
    if not arguments:
        print(__doc__, file=sys.stderr)
        return 2
    lines = EventLines(arguments[0])
    return check_files(lines, arguments[1:]) if arguments[1:] else answer_each_line(lines)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
