#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "dictation/dictation.h"
#include "events/emit.h"
#include "main/command_line.h"
#include "main/control_channel.h"
#include "main/status_probe.h"
#include "main/stdin_reader.h"
#include "main/termination_signals.h"
#include "main/usage.h"
#include "platform/platform.h"

namespace dictation_agent {
namespace {

// Written once during start-up on the main thread, before any other thread exists that reads
// them, and never again.
Locale locale;
std::shared_ptr<SpeechRecognizer> recognizer;  // null: no recogniser for the locale
std::shared_ptr<Dictation> dictation;

// A host may start us with a standard descriptor closed. Left closed, the next file we open
// would take its number: stdin would then be some other file, and anything written to "stderr"
// could land in it. /dev/null keeps the numbers taken; a closed stdin then reads as end of file.
void openMissingStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

int run(int argc, char** argv) {
  // First of all, before any thread exists: every thread inherits the blocked termination
  // signals. In the status probe they stay blocked, and the probe ends as it always does.
  const BlockedTerminationSignals blockedSignals;
  openMissingStandardDescriptors();
  // A host that closes its end of our stdout must not kill us: the failed write is dropped.
  std::signal(SIGPIPE, SIG_IGN);

  const CommandLine commandLine = parseCommandLine(std::vector<std::string>(argv, argv + argc));
  // Answered before the platform exists: no recogniser, sound server or permission is touched.
  if (commandLine.help || commandLine.version) {
    writeFully(STDOUT_FILENO, commandLine.help ? usageText() : versionText());
    return 0;
  }
  std::unique_ptr<Platform> platform = makePlatform();
  StandardOutputEvents events;

  locale = Locale{commandLine.localeIdentifier};
  recognizer = platform->makeSpeechRecognizer(locale);

  if (commandLine.statusProbe) {
    runStatusProbe(recognizer.get(), *platform, events);
    return 0;
  }

  dictation = std::make_shared<Dictation>(*platform, recognizer, events);

  // Installed before authorization begins, so that input arriving meanwhile waits on the queue.
  MainQueue& queue = platform->mainQueue();
  StdinReader controlChannel(STDIN_FILENO, [&queue](std::string chunk) {
    queue.post([chunk = std::move(chunk)] { runControlTask(*dictation, chunk); });
  });

  // SIGTERM, SIGINT and SIGHUP are the host (or a terminal) asking us to go: a cancel.
  TerminationSignalWatcher signalWatcher(blockedSignals, [&queue] {
    queue.post([] { dictation->finish(std::nullopt, /*cancelled=*/true); });
  });

  dictation->authorize();
  queue.run();

  // The queue only returns when it is shut down; end the way every other path ends.
  platform->processExit().exit(0);
  return 0;
}

}  // namespace
}  // namespace dictation_agent

int main(int argc, char** argv) {
  return dictation_agent::run(argc, argv);
}
