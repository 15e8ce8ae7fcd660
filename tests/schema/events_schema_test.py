#!/usr/bin/env python3
"""The event schema: a valid draft 2020-12 schema that accepts every example line of the protocol
guide and the man page, and rejects lines that break the protocol, each for its own reason.

    events_schema_test.py SCHEMA GUIDE MANPAGE
"""
import json
import re
import sys
import unittest

from event_lines import EventLines

SCHEMA, GUIDE, MANPAGE = sys.argv[1:4]


def example_lines(path):
    """Every line of the document that is an event written as the agent writes it."""
    with open(path, encoding="utf-8") as document:
        text = document.read().replace("\\(dq", '"').replace("\\e", "\\")
    return [line.strip() for line in text.splitlines() if line.strip().startswith('{"type":"')]


class EventSchema(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lines = EventLines(SCHEMA)  # checks the schema against the draft 2020-12 meta-schema

    def assertValid(self, line):
        self.assertIsNone(self.lines.problem(line.encode()), line)

    def test_every_example_of_the_guide_and_the_man_page_is_an_event(self):
        for path in (GUIDE, MANPAGE):
            examples = example_lines(path)
            self.assertTrue(examples, f"no example lines in {path}")
            for line in examples:
                with self.subTest(path=path, line=line):
                    self.assertValid(line)

    def test_the_guide_shows_every_event_type_and_every_error_code(self):
        events = [json.loads(line) for line in example_lines(GUIDE)]
        schema = self.lines.schema
        types = {definition["properties"]["type"]["const"]
                 for name, definition in schema["$defs"].items()
                 if "type" in definition.get("properties", {})}
        self.assertEqual(types, {event["type"] for event in events})
        with open(GUIDE, encoding="utf-8") as guide:
            text = guide.read()
        for code in schema["$defs"]["errorCode"]["enum"]:
            self.assertIn(f"`{code}`", text)

    def test_lines_the_agent_writes_in_any_key_order(self):
        for line in [
            '{"available":false,"permissions":{"microphone":"unknown","speech":"restricted"},"type":"status"}',
            '{"permissions":{"microphone":"denied","speech":"not-determined"},"type":"permissions"}',
            '{"text":"","type":"transcript"}',
            '{"text":"\\u00e9t\\u00e9 \\"quoted\\"\\n\\t\\\\","type":"transcript"}',
            '{"text":"今天天气很好","type":"transcript"}',
            '{"cancelled":false,"text":"","type":"final"}',
            '{"code":"recognition_failed","type":"error"}',
        ]:
            with self.subTest(line=line):
                self.assertValid(line)

    def test_lines_that_break_the_protocol_are_rejected_with_their_reason(self):
        cases = [
            ('{"type":"listening","extra":1}', "'extra' was unexpected"),
            ('{"type":"transcript"}', "'text' is a required property"),
            ('{"type":"transcript","text":null}', "None is not of type 'string'"),
            ('{"type":"final","text":"x","cancelled":"false"}', "'false' is not of type 'boolean'"),
            ('{"type":"final","text":"x","cancelled":true}', "'' was expected"),
            ('{"type":"final","text":"x","cancelled":0}', "0 is not of type 'boolean'"),
            ('{"type":"status","available":1,"permissions":{"speech":"granted","microphone":"granted"}}',
             "1 is not of type 'boolean'"),
            ('{"type":"status","available":true,"permissions":{"speech":"granted"}}',
             "'microphone' is a required property"),
            ('{"type":"permissions","permissions":{"speech":"authorized","microphone":"granted"}}',
             "'authorized' is not one of"),
            ('{"type":"permissions","permissions":{"speech":"granted","microphone":"granted","camera":"granted"}}',
             "'camera' was unexpected"),
            ('{"type":"error","code":"microphoneDenied"}', "'microphoneDenied' is not one of"),
            ('{"type":"error","code":"recognition_failed","text":""}', "'text' was unexpected"),
            ('{"type":"started"}', "unknown event type 'started'"),
            ('{"text":"hello"}', "'type' is a required property"),
            ('["listening"]', "is not of type 'object'"),
            ('{"type":"listening"', "not JSON"),
        ]
        for line, reason in cases:
            with self.subTest(line=line):
                self.assertIn(reason, self.lines.problem(line.encode()) or "accepted")
        self.assertIn("not UTF-8", self.lines.problem(b'{"type":"transcript","text":"\xff"}'))
        for line in ['{"type":"transcript","text":"a\\ud800"}', '{"type":"final","text":"\\udfff","cancelled":false}']:
            with self.subTest(line=line):
                self.assertIn("lone surrogate", self.lines.problem(line.encode()) or "accepted")
        self.assertValid('{"type":"transcript","text":"\\ud83d\\ude00"}')


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
