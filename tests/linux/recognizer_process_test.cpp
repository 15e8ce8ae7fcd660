#include "platform/linux/recognition/recognizer_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "linux/temporary_folder.h"
#include "main/termination_signals.h"

namespace dictation_agent {
namespace {

using testing::TemporaryFolder;

// The mask in /proc's hexadecimal form has bit (signal - 1) set for each signal in it.
bool holds(const std::string& state, const std::string& line, int signal) {
  const auto at = state.find(line);
  if (at == std::string::npos) return false;
  const unsigned long long mask = std::stoull(state.substr(at + line.size()), nullptr, 16);
  return (mask >> (signal - 1)) & 1u;
}

// The agent blocks its termination signals in every thread and ignores SIGPIPE; the recogniser
// it starts must inherit neither, or it could not be ended by SIGTERM.
TEST(RecognizerProcess, StartsWithNoSignalBlockedOrIgnored) {
  const BlockedTerminationSignals blocked;
  struct sigaction previous {};
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);

  TemporaryFolder folder;
  const auto program =
      folder.write("recognizer", "#!/bin/sh\nexec grep -E '^Sig(Blk|Ign):' /proc/self/status\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  const auto process = RecognizerProcess::launch(program, {});
  ASSERT_TRUE(process);
  std::string state;
  char buffer[512];
  for (ssize_t count; (count = ::read(process->socket(), buffer, sizeof buffer)) > 0;) {
    state.append(buffer, static_cast<std::size_t>(count));
  }
  ::sigaction(SIGPIPE, &previous, nullptr);

  ASSERT_NE(state.find("SigBlk:"), std::string::npos) << state;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    EXPECT_FALSE(holds(state, "SigBlk:", signal)) << signal << "\n" << state;
  }
  EXPECT_FALSE(holds(state, "SigIgn:", SIGPIPE)) << state;
}

}  // namespace
}  // namespace dictation_agent
