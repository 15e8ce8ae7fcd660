// The example hosts of examples/, run as a user runs them, with the real agent and the virtual
// microphone of scripts/test: what they show and print for a dictation, an error and a cancel;
// and with a stand-in agent that misbehaves: what they say about it.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "e2e/agent_run.h"
#include "e2e/virtual_microphone.h"
#include "linux/word_error_rate.h"

namespace dictation_agent::testing {
namespace {

constexpr const char* kSentence = "the weather is nice today and I would like to go for a walk";
constexpr const char* kListening = "Listening. Press Enter to stop, Ctrl-D to cancel.";
// Each rewrite of the live line starts by going back to its beginning and clearing it.
constexpr std::string_view kRewrite = "\r\x1b[K";

struct Host {
  const char* name;
  std::vector<std::string> command;
};

const Host kPython{"Python", {AGENT_PYTHON, AGENT_EXAMPLES_DIR "/python/dictate.py"}};
const Host kNode{"Node", {AGENT_NODE, AGENT_EXAMPLES_DIR "/node/dictate.mjs"}};

std::vector<std::string> commandFor(const Host& host, const std::string& locale) {
  std::vector<std::string> command = host.command;
  command.insert(command.end(), {"--agent", agentPath(), locale});
  return command;
}

// What the live line showed, rewrite by rewrite; the last entry is what stayed on screen.
std::vector<std::string> shownLines(std::string_view output) {
  std::vector<std::string> shown;
  for (std::size_t at = output.find(kRewrite); at != std::string_view::npos;) {
    const std::size_t from = at + kRewrite.size();
    at = output.find(kRewrite, from);
    shown.emplace_back(output.substr(from, at == std::string_view::npos ? at : at - from));
  }
  return shown;
}

class ExampleHost : public ::testing::TestWithParam<Host> {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// The live line grows while the sentence is spoken; Enter ends the dictation and the final text
// is printed on a line of its own.
TEST_P(ExampleHost, ShowsTheTranscriptLiveAndPrintsTheFinalTextAfterEnter) {
  ChildProcess host(commandFor(GetParam(), "en-US"));
  ASSERT_EQ(host.readLine(AgentRun::kLongestWait), kListening) << host.errorOutput();
  VirtualMicrophone::speak(AGENT_SPEECH_DIR "/weather_slt.wav");
  // On a busy machine recognition can lag behind the audio: let the live line catch up with the
  // last word before pressing Enter, so that the stop does not cut the sentence short.
  host.waitForOutput("walk", std::chrono::seconds(20));
  host.write("\n");
  ASSERT_EQ(host.wait(AgentRun::kLongestWait), 0) << host.errorOutput();

  const auto shown = shownLines(host.unreadOutput());
  ASSERT_GE(shown.size(), 2u) << "no live transcript before the final text: "
                              << host.unreadOutput();
  EXPECT_FALSE(shown[shown.size() - 2].empty()) << "the live line showed no words";
  const std::string& final = shown.back();
  ASSERT_FALSE(final.empty());
  EXPECT_EQ(final.back(), '\n') << "the final text ends its line";
  EXPECT_LE(wordErrorRate(kSentence, final), 0.2)
      << "said: " << kSentence << "\nprinted: " << final;
  EXPECT_EQ(host.errorOutput(), "");
}

std::string hostName(const ::testing::TestParamInfo<Host>& host) {
  return host.param.name;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleHost, ::testing::Values(kPython, kNode), hostName);

struct Ending {
  const char* name;
  std::string locale;
  EnvironmentChanges environment;
  bool endInputWhenListening;  // Ctrl-D
  std::string message;         // on standard error
};

class ExampleHostEnding : public ::testing::TestWithParam<std::tuple<Host, Ending>> {};

// Every ending but the final text goes to standard error with exit status 1.
TEST_P(ExampleHostEnding, PrintsWhatEndedTheDictation) {
  const auto& [host, ending] = GetParam();
  ChildProcess child(commandFor(host, ending.locale), ending.environment);
  if (ending.endInputWhenListening) {
    ASSERT_EQ(child.readLine(AgentRun::kLongestWait), kListening) << child.errorOutput();
    child.closeInput();
  }
  EXPECT_EQ(child.wait(AgentRun::kLongestWait), 1);
  EXPECT_EQ(child.errorOutput(), ending.message + "\n");
}

const Ending kEndings[] = {
    {"NoModel", "fr-FR", {}, false, "error: on_device_unavailable"},
    {"NoAudioServer",
     "en-US",
     {{"PULSE_SERVER", "unix:/nonexistent/pulse/native"}},
     false,
     "error: microphone_unavailable"},
    {"EndOfInput", "en-US", {}, true, "cancelled"},
};

std::string hostEndingName(const ::testing::TestParamInfo<std::tuple<Host, Ending>>& row) {
  return std::string(std::get<0>(row.param).name) + std::get<1>(row.param).name;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleHostEnding,
                         ::testing::Combine(::testing::Values(kPython, kNode),
                                            ::testing::ValuesIn(kEndings)),
                         hostEndingName);

class ExampleHostLiveLine : public ::testing::TestWithParam<Host> {};

// The live line keeps the end of the transcript that fits the terminal's width in columns: a
// Chinese character takes two, so 20 columns hold the leading "…" and nine characters.
TEST_P(ExampleHostLiveLine, FitsTheTerminalsWidthInColumns) {
  std::vector<std::string> command = GetParam().command;
  command.insert(command.end(), {"--agent", AGENT_STAND_IN, "wide-text"});
  ChildProcess child(command, {{"COLUMNS", "21"}});
  ASSERT_EQ(child.wait(std::chrono::seconds(20)), 0) << child.errorOutput();
  const auto shown = shownLines(child.unreadOutput());
  ASSERT_GE(shown.size(), 3u) << child.unreadOutput();
  EXPECT_EQ(shown[shown.size() - 2], "…天气很好我想去散步");
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleHostLiveLine, ::testing::Values(kPython, kNode),
                         hostName);

struct Misbehaviour {
  const char* name;
  const char* mode;  // of tests/e2e/stand_in_agent.py
  bool interrupt;    // Ctrl-C once the host listens
  std::string message;
};

class ExampleHostAgainstAStandIn : public ::testing::TestWithParam<std::tuple<Host, Misbehaviour>> {
};

// No traceback, no unhandled exception: one line on standard error and exit status 1.
TEST_P(ExampleHostAgainstAStandIn, SaysWhatWentWrongInOneLine) {
  const auto& [host, misbehaviour] = GetParam();
  std::vector<std::string> command = host.command;
  command.insert(command.end(), {"--agent", AGENT_STAND_IN, misbehaviour.mode});
  ChildProcess child(command);
  ASSERT_EQ(child.readLine(std::chrono::seconds(20)), kListening) << child.errorOutput();
  if (misbehaviour.interrupt) ::kill(child.pid(), SIGINT);
  EXPECT_EQ(child.wait(std::chrono::seconds(20)), 1);
  EXPECT_EQ(child.errorOutput(), misbehaviour.message + "\n");
}

const Misbehaviour kMisbehaviours[] = {
    {"PartialLastLine", "partial-line", false,
     "error: the agent's output ended in the middle of a line"},
    {"NotJson", "not-json", false, "error: the agent wrote a line that is not a JSON event"},
    {"NotUtf8", "not-utf8", false, "error: the agent wrote a line that is not UTF-8"},
    {"LineOverTheBuffer", "long-line", false,
     "error: the agent wrote a line longer than 1048576 bytes"},
    {"KilledAgent", "killed", false,
     "error: the agent was killed by SIGKILL before its last event"},
    // Ctrl-C sends a cancel, and the agent's last line tells the outcome.
    {"CtrlC", "cancel", true, "cancelled"},
};

INSTANTIATE_TEST_SUITE_P(Examples, ExampleHostAgainstAStandIn,
                         ::testing::Combine(::testing::Values(kPython, kNode),
                                            ::testing::ValuesIn(kMisbehaviours)),
                         [](const ::testing::TestParamInfo<std::tuple<Host, Misbehaviour>>& row) {
                           return std::string(std::get<0>(row.param).name) +
                                  std::get<1>(row.param).name;
                         });

}  // namespace
}  // namespace dictation_agent::testing
