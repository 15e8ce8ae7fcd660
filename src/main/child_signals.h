#pragma once

#include <signal.h>
#include <spawn.h>

namespace dictation_agent {

// What every thread of the agent carries that a child must not inherit unchanged. posix_spawn
// gives the child the spawning thread's signal mask, and exec keeps an ignored signal ignored:
// - the termination signals are blocked in every thread (main/termination_signals.h); a child
//   that inherited the mask could not be ended by SIGTERM;
// - SIGPIPE is ignored, so that a host closing its end of standard output cannot kill the agent.
sigset_t signalsBlockedInEveryThread();
sigset_t signalsIgnoredByTheAgent();

// A helper that should not die of a terminal's Ctrl-C or hang-up before the agent has cancelled
// (those reach the whole foreground process group) belongs in a process group of its own
// (POSIX_SPAWN_SETPGROUP with 0); the agent then ends it itself.
//
// Sets, on spawn attributes, the spawning thread's signal mask without the agent's blocked
// signals (POSIX_SPAWN_SETSIGMASK) and default handling of the signals the agent ignores
// (POSIX_SPAWN_SETSIGDEF, replacing any set given before), keeping any flag already set. A signal
// that was ignored when the agent started stays ignored in the child too. 0, or the error number of
// the call that failed.
int resetInheritedSignals(posix_spawnattr_t& attributes);

// Ignores SIGPIPE for the whole process: a write to a closed pipe fails with EPIPE instead.
void ignoreBrokenPipes();

}  // namespace dictation_agent
