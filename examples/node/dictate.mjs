#!/usr/bin/env node
// Dictate through dictation-agent, with child_process. Node.js 18.3 or later (util.parseArgs).
//
//     node dictate.mjs [--agent PATH] [LOCALE]
//
// Starts the agent (by default `dictation-agent` from PATH) for LOCALE (default en-US), shows
// the transcript on one terminal line as it grows, stops the dictation when you press Enter and
// cancels it on Ctrl-D (the end of its input) or Ctrl-C before that. Prints the final text and
// exits 0; otherwise prints one line on standard error ("cancelled", "error: <code>", or what
// went wrong with the agent) and exits 1.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { parseArgs } from 'node:util';

const { values, positionals } = parseArgs({
  options: { agent: { type: 'string', default: 'dictation-agent' } },
  allowPositionals: true,
});
const locale = positionals[0] ?? 'en-US';

// A "transcript" line carries up to 16000 characters, JSON-escaped; a line longer than this is
// no event of this agent.
const LINE_LIMIT = 1 << 20;

class AgentFault extends Error {}

// The terminal columns a user-perceived character takes: 2 for wide East Asian ones (Chinese,
// Japanese, Korean, most emoji), 0 for marks and format characters, 1 otherwise.
function columns(cluster) {
  const code = cluster.codePointAt(0);
  if (/^[\p{Mn}\p{Me}\p{Cf}]/u.test(cluster)) return 0;
  const wide =
    (code >= 0x1100 && code <= 0x115f) || (code >= 0x2e80 && code <= 0x303e) ||
    (code >= 0x3041 && code <= 0x33ff) || (code >= 0x3400 && code <= 0x4dbf) ||
    (code >= 0x4e00 && code <= 0x9fff) || (code >= 0xa000 && code <= 0xa4cf) ||
    (code >= 0xac00 && code <= 0xd7a3) || (code >= 0xf900 && code <= 0xfaff) ||
    (code >= 0xfe30 && code <= 0xfe4f) || (code >= 0xff00 && code <= 0xff60) ||
    (code >= 0xffe0 && code <= 0xffe6) || (code >= 0x1f300 && code <= 0x1f64f) ||
    (code >= 0x1f900 && code <= 0x1f9ff) || (code >= 0x20000 && code <= 0x3fffd);
  return wide ? 2 : 1;
}

const segmenter = new Intl.Segmenter(undefined, { granularity: 'grapheme' });

// Rewrites the current terminal line with the end of `text` that fits on it, in columns.
function showLive(text) {
  // Not a terminal: $COLUMNS, as Python's shutil.get_terminal_size reads it, else 80.
  const columnsShown = process.stdout.columns ?? (Number(process.env.COLUMNS) || 80);
  const width = Math.max(columnsShown - 1, 10);
  const clusters = Array.from(segmenter.segment(text), (piece) => piece.segment);
  let line = text;
  if (clusters.reduce((sum, cluster) => sum + columns(cluster), 0) > width) {
    const kept = [];
    let used = 1; // the leading "…" takes one column
    for (let i = clusters.length - 1; i >= 0; i--) {
      used += columns(clusters[i]);
      if (used > width) break;
      kept.push(clusters[i]);
    }
    line = '…' + kept.reverse().join('');
  }
  process.stdout.write('\r\x1b[K' + line);
}

function fail(message) {
  process.stdout.write('\r\x1b[K');
  console.error(message);
  process.exitCode = 1;
}

// The agent's events, one per line, decoded strictly: a bad line throws AgentFault.
async function* events(stdout) {
  const decoder = new TextDecoder('utf-8', { fatal: true });
  let pending = [];
  let pendingBytes = 0;
  for await (const chunk of stdout) {
    let from = 0;
    for (let end = chunk.indexOf(0x0a); end !== -1; end = chunk.indexOf(0x0a, from)) {
      pending.push(chunk.subarray(from, end));
      const line = Buffer.concat(pending);
      pending = [];
      pendingBytes = 0;
      from = end + 1;
      if (line.length > LINE_LIMIT) {
        throw new AgentFault(`the agent wrote a line longer than ${LINE_LIMIT} bytes`);
      }
      let text;
      try {
        text = decoder.decode(line);
      } catch {
        throw new AgentFault('the agent wrote a line that is not UTF-8');
      }
      let event;
      try {
        event = JSON.parse(text);
      } catch {
        event = null;
      }
      if (event === null || typeof event !== 'object' || typeof event.type !== 'string') {
        throw new AgentFault('the agent wrote a line that is not a JSON event');
      }
      yield event;
    }
    pending.push(chunk.subarray(from));
    pendingBytes += chunk.length - from;
    if (pendingBytes > LINE_LIMIT) {
      throw new AgentFault(`the agent wrote a line longer than ${LINE_LIMIT} bytes`);
    }
  }
  if (pendingBytes > 0) throw new AgentFault("the agent's output ended in the middle of a line");
}

const agent = spawn(values.agent, [locale], { stdio: ['pipe', 'pipe', 'inherit'] });
const started = new Promise((resolve) => {
  agent.once('spawn', () => resolve(true));
  agent.once('error', (error) => {
    fail(`error: cannot start ${values.agent}: ${error.message}`);
    resolve(false);
  });
});
const exited = new Promise((resolve) => agent.once('close', (code, signal) => resolve(signal)));
// A write after the agent has exited fails with EPIPE; its last line, if any, is on its way.
agent.stdin.on('error', () => {});

// Standard input stays open until the last event: closing it would cancel the dictation.
function send(command) {
  if (agent.exitCode === null && agent.signalCode === null && agent.stdin.writable) {
    agent.stdin.write(command);
  }
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

// Ctrl-C cancels and waits for the agent's last line; a second one gives up on it.
let interrupted = false;
process.on('SIGINT', () => {
  if (interrupted) agent.kill('SIGKILL');
  interrupted = true;
  send('cancel\n');
});

// Ends an agent we no longer trust: SIGTERM is a cancel to it; SIGKILL if it hangs.
async function endAgent() {
  if (agent.exitCode !== null || agent.signalCode !== null) return;
  agent.kill('SIGTERM');
  const timer = setTimeout(() => agent.kill('SIGKILL'), 2000);
  await once(agent, 'close');
  clearTimeout(timer);
}

if (await started) {
  let outcome = null;
  let fault = null;
  try {
    for await (const event of events(agent.stdout)) {
      switch (event.type) {
        case 'listening':
          console.log('Listening. Press Enter to stop, Ctrl-D to cancel.');
          break;
        case 'transcript':
          showLive(String(event.text ?? ''));
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
  } catch (error) {
    if (!(error instanceof AgentFault)) throw error;
    fault = error;
    await endAgent();
  }
  const signal = await exited; // its exit status is always 0: the last line tells the outcome
  process.stdin.destroy(); // nothing more to send; lets the process end

  if (fault !== null) {
    fail(`error: ${fault.message}`);
  } else if (outcome === null) {
    fail(
      signal
        ? `error: the agent was killed by ${signal} before its last event`
        : 'error: the agent ended without a final event',
    );
  } else if (outcome.type === 'error') {
    fail(`error: ${outcome.code}`);
  } else if (outcome.cancelled) {
    fail('cancelled');
  } else {
    process.stdout.write('\r\x1b[K');
    console.log(outcome.text);
  }
}
process.exit();
