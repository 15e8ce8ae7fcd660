#!/usr/bin/env node
// Dictate through dictation-agent, with child_process.
//
//     node dictate.mjs [--agent PATH] [LOCALE]
//
// Starts the agent (by default `dictation-agent` from PATH) for LOCALE (default en-US), shows
// the transcript on one terminal line as it grows, stops the dictation when you press Enter and
// cancels it on Ctrl-D (the end of its input) before that. Prints the final text and exits 0;
// prints "error: <code>" (or "cancelled") on standard error and exits 1 otherwise.
import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import { parseArgs } from 'node:util';

const { values, positionals } = parseArgs({
  options: { agent: { type: 'string', default: 'dictation-agent' } },
  allowPositionals: true,
});
const locale = positionals[0] ?? 'en-US';

// Rewrites the current terminal line with the end of `text` that fits on it.
function showLive(text) {
  const width = Math.max((process.stdout.columns ?? 80) - 1, 10);
  const shown = [...text];
  const line = shown.length > width ? '…' + shown.slice(-(width - 1)).join('') : text;
  process.stdout.write('\r\x1b[K' + line);
}

function fail(message) {
  process.stdout.write('\r\x1b[K');
  console.error(message);
  process.exitCode = 1;
}

const agent = spawn(values.agent, [locale], { stdio: ['pipe', 'pipe', 'inherit'] });
agent.on('error', (error) => fail(`error: cannot start ${values.agent}: ${error.message}`));
// A write after the agent has exited fails with EPIPE; the outcome is already on its way.
agent.stdin.on('error', () => {});

// Standard input stays open until the last event: closing it would cancel the dictation.
function send(command) {
  if (agent.exitCode === null && agent.stdin.writable) agent.stdin.write(command);
}

// Enter stops: the agent then sends the final text within 2 seconds. Ctrl-D (the end of our
// input) cancels, unless a stop has been sent: then the text is on its way.
let stopped = false;
process.stdin.on('data', () => {
  stopped = true;
  send('stop\n');
});
process.stdin.on('end', () => {
  if (!stopped) send('cancel\n');
});

let outcome = null;
// readline yields whole lines however the pipe splits them, and decodes UTF-8 across pieces.
for await (const line of createInterface({ input: agent.stdout, crlfDelay: Infinity })) {
  const event = JSON.parse(line);
  switch (event.type) {
    case 'listening':
      console.log('Listening. Press Enter to stop, Ctrl-D to cancel.');
      break;
    case 'transcript':
      showLive(event.text);
      break;
    case 'final':
    case 'error':
      outcome = event; // the last line: the agent exits right after it
      break;
    default:
      // "permissions" and "authorizing" matter to a host that explains permission prompts.
      break;
  }
}
process.stdin.destroy(); // nothing more to send; lets the process end

// The agent's exit status is always 0: the last line tells the outcome.
if (outcome === null) {
  if (process.exitCode !== 1) fail('error: the agent ended without a final event');
} else if (outcome.type === 'error') {
  fail(`error: ${outcome.code}`);
} else if (outcome.cancelled) {
  fail('cancelled');
} else {
  process.stdout.write('\r\x1b[K');
  console.log(outcome.text);
}
