// The recogniser process starts as the dictation begins, while it is still being authorized. A
// dictation that ends before any audio flows must take that process with it, and end as it
// always does: one last event, exit status 0, nothing on standard error.

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e/agent_run.h"
#include "linux/temporary_folder.h"

namespace dictation_agent::testing {
namespace {

namespace fs = std::filesystem;

// A copy of the agent whose recogniser is a stand-in that notes its pid, then becomes the real
// recogniser.
class AgentWithAnnouncedRecognizer {
 public:
  AgentWithAnnouncedRecognizer() {
    const fs::path built = fs::path(agentPath()).parent_path();
    fs::copy_file(built / "dictation-agent", agent());
    fs::copy_file(built / "dictation-agent-recognizer", folder_.path() / "real-recognizer");
    const auto standIn =
        folder_.write("dictation-agent-recognizer",
                      "#!/bin/sh\necho $$ >>'" + pids().string() + "'\nexec '" +
                          (folder_.path() / "real-recognizer").string() + "' \"$@\"\n");
    fs::permissions(standIn, fs::perms::owner_all);
  }

  fs::path agent() const { return folder_.path() / "dictation-agent"; }

  // The stand-in's pid, once it has written it (it runs on even if the agent has gone).
  pid_t startedRecognizer() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream in(pids());
      pid_t pid = 0;
      if (in >> pid) return pid;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

 private:
  fs::path pids() const { return folder_.path() / "recognizer.pids"; }

  TemporaryFolder folder_;
};

// True once `pid` no longer runs the real recogniser of this copy (killed, or gone).
bool endsWithin(pid_t pid, const fs::path& real, std::chrono::seconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    if (error || (exe != real && exe.filename() != "sh" && exe.filename() != "dash")) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

struct EndBeforeAudio {
  const char* name;
  EnvironmentChanges environment;
  const char* code;
};

std::string endName(const ::testing::TestParamInfo<EndBeforeAudio>& end) {
  return end.param.name;
}

class EarlyRecognizer : public ::testing::TestWithParam<EndBeforeAudio> {};

TEST_P(EarlyRecognizer, EndsWithADictationThatEndsBeforeAudio) {
  const AgentWithAnnouncedRecognizer copy;
  AgentRun agent(AgentRun::Program{copy.agent().string()}, {"en-US"}, GetParam().environment);
  const auto events = agent.until("error");
  EXPECT_EQ(events.back()["code"], GetParam().code);
  agent.expectCleanExit();

  const pid_t recognizer = copy.startedRecognizer();
  ASSERT_GT(recognizer, 0) << "no recogniser was started while the dictation was authorized";
  EXPECT_TRUE(endsWithin(recognizer, copy.agent().parent_path() / "real-recognizer",
                         std::chrono::seconds(10)))
      << "the recogniser outlived the dictation";
}

INSTANTIATE_TEST_SUITE_P(Dictations, EarlyRecognizer,
                         ::testing::Values(EndBeforeAudio{
                             "NoSoundServer",
                             {{"PULSE_SERVER", "unix:/nonexistent/pulse/native"}},
                             "microphone_unavailable"}),
                         endName);

}  // namespace
}  // namespace dictation_agent::testing
