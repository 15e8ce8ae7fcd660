// The real agent, run with pipes as its host runs it, against the private sound server of
// scripts/test (PulseAudio or PipeWire) whose virtual microphone hears sentences spoken by flite.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iterator>
#include <sstream>

#include "e2e/agent_run.h"
#include "e2e/last_event_bounds.h"
#include "e2e/virtual_microphone.h"
#include "linux/word_error_rate.h"

namespace dictation_agent::testing {
namespace {

using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

const Json kGranted = {{"speech", "granted"}, {"microphone", "granted"}};

// The lines before "listening" or an error after authorization: three snapshots, all granted.
void expectAuthorizedStart(const std::vector<Json>& events) {
  ASSERT_GE(events.size(), 4u);
  const auto types = typesOf(events);
  EXPECT_THAT(std::vector(types.begin(), types.begin() + 4),
              ElementsAre("permissions", "authorizing", "permissions", "permissions"));
  for (const std::size_t i : {0u, 2u, 3u}) EXPECT_EQ(events[i]["permissions"], kGranted);
}

class Dictation : public ::testing::Test {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

struct Speech {
  const char* name;
  const char* wav;
  const char* text;     // the words said
  const char* written;  // as the agent is to write them
  // Two misheard words in a sentence of eight are the recogniser's, not the agent's.
  double maxWordErrorRate = 0.2;
};

// The words of `written` that formatting made (a capital, digits) and `heard` lacks. The other
// words are left to the word error rate: the recogniser may mishear them. The first word may be
// misheard too, so of it only its capital is asked for, whatever the word.
std::vector<std::string> formattedWordsMissing(const std::string& written,
                                               const std::string& heard) {
  std::istringstream expected(written);
  std::istringstream got(heard);
  const std::vector<std::string> heardWords{std::istream_iterator<std::string>(got), {}};
  std::vector<std::string> missing;
  std::string first;
  expected >> first;
  if (heardWords.empty() || !std::isupper(static_cast<unsigned char>(heardWords[0][0]))) {
    missing.push_back("a capital first letter");
  }
  for (std::string word; expected >> word;) {
    const bool formatted = std::any_of(word.begin(), word.end(), [](unsigned char c) {
      return std::isupper(c) || std::isdigit(c);
    });
    if (formatted && std::find(heardWords.begin(), heardWords.end(), word) == heardWords.end()) {
      missing.push_back(word);
    }
  }
  return missing;
}

std::string speechName(const ::testing::TestParamInfo<Speech>& speech) {
  return speech.param.name;
}

class SpokenSentence : public ::testing::TestWithParam<Speech> {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// The whole run as a host sees it: authorization, listening, a growing transcript while the
// sentence is spoken, and after the stop the final text, from the recogniser's own final result
// (the 2-second grace period would only end it later).
TEST_P(SpokenSentence, IsDictatedAndStopEndsItWithTheTranscript) {
  const Speech speech = GetParam();
  AgentRun agent({"en-US"});
  const auto start = agent.until("listening");
  expectAuthorizedStart(start);
  ASSERT_THAT(typesOf(start),
              ElementsAre("permissions", "authorizing", "permissions", "permissions", "listening"));

  VirtualMicrophone::speak(speech.wav);
  agent.write("stop\n");
  const auto stopped = Clock::now();
  const auto rest = agent.until("final");
  const std::chrono::duration<double> stopToFinal = Clock::now() - stopped;

  ASSERT_GE(rest.size(), 2u) << "no transcript before the final line";
  const Json& final = rest.back();
  for (std::size_t i = 0; i + 1 < rest.size(); ++i) EXPECT_EQ(rest[i]["type"], "transcript");
  EXPECT_EQ(final["cancelled"], false);
  ASSERT_TRUE(final["text"].is_string());
  EXPECT_EQ(final["text"], rest[rest.size() - 2]["text"]);
  const std::string heard = final["text"].get<std::string>();
  EXPECT_LE(wordErrorRate(speech.text, heard), speech.maxWordErrorRate)
      << "said: " << speech.text << "\nheard: " << heard;
  EXPECT_THAT(formattedWordsMissing(speech.written, heard), ::testing::IsEmpty())
      << "written: " << speech.written << "\nheard: " << heard;
  // The recogniser's own final result ends the run before the grace period would. Under the
  // sanitizers the recogniser is too slow for that to be a fair demand: there the run must only
  // end on the grace period's account, and the final text is the last transcript all the same.
  if (kBuildSlowdown == 1) {
    EXPECT_LT(stopToFinal, kGracePeriod)
        << "the final result did not come before the grace period ran out";
  } else {
    EXPECT_LE(stopToFinal, kLastEventAfterStop);
  }
  agent.expectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(
    Flite, SpokenSentence,
    ::testing::Values(Speech{"SltWeather", AGENT_SPEECH_DIR "/weather_slt.wav",
                             "the weather is nice today and I would like to go for a walk",
                             "The weather is nice today and I would like to go for a walk"},
                      Speech{"RmsStation", AGENT_SPEECH_DIR "/station_rms.wav",
                             "we will meet at the station at seven in the evening",
                             "We will meet at the station at seven in the evening"},
                      Speech{"SltForward", AGENT_SPEECH_DIR "/forward_slt.wav",
                             "go forward ten meters and then turn left",
                             "Go forward 10 meters and then turn left", 0.25},
                      // A pause of about 1 s between them: both reach the final text, and only
                      // the first word of the dictation has a capital.
                      Speech{"TwoSentencesWithAPause", AGENT_SPEECH_DIR "/two_sentences.wav",
                             "the weather is nice today and I would like to go for a walk "
                             "we will meet at the station at seven in the evening",
                             "The weather is nice today and I would like to go for a walk "
                             "we will meet at the station at seven in the evening"}),
    speechName);

struct Cancel {
  const char* name;
  bool closeInput;  // end of file rather than a "cancel" line
};

std::string cancelName(const ::testing::TestParamInfo<Cancel>& cancel) {
  return cancel.param.name;
}

class Cancelled : public ::testing::TestWithParam<Cancel> {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// Cancelled once words have been heard: the final line drops them.
TEST_P(Cancelled, EndsWithEmptyTextWhateverWasHeard) {
  AgentRun agent({"en-US"});
  expectAuthorizedStart(agent.until("listening"));
  auto player = VirtualMicrophone::startSpeaking(AGENT_SPEECH_DIR "/weather_slt.wav");
  agent.untilHeard();
  if (GetParam().closeInput) {
    agent.closeInput();
  } else {
    agent.write("cancel\n");
  }
  const auto rest = agent.until("final");
  ASSERT_FALSE(rest.empty());
  EXPECT_EQ(rest.back()["text"], "");
  EXPECT_EQ(rest.back()["cancelled"], true);
  agent.expectCleanExit();
  EXPECT_EQ(player->wait(AgentRun::kLongestWait), 0);
}

INSTANTIATE_TEST_SUITE_P(Host, Cancelled,
                         ::testing::Values(Cancel{"CancelLine", false}, Cancel{"EndOfFile", true}),
                         cancelName);

TEST_F(Dictation, WithoutAnAudioServerTheMicrophoneIsUnavailable) {
  AgentRun agent({"en-US"}, {{"PULSE_SERVER", "unix:/nonexistent/pulse/native"}});
  const auto events = agent.until("error");
  expectAuthorizedStart(events);
  EXPECT_THAT(typesOf(events),
              ElementsAre("permissions", "authorizing", "permissions", "permissions", "error"));
  EXPECT_EQ(events.back(), (Json{{"type", "error"}, {"code", "microphone_unavailable"}}));
  agent.expectCleanExit();
}

// scripts/test also opens a door on the private server that asks for a cookie this client does
// not have: the server refuses the connection for lack of access. Only PulseAudio can be made to
// refuse: pipewire-pulse loads the same TCP module but lets any client in, whatever its cookie.
TEST_F(Dictation, AServerThatRefusesThisClientDeniesTheMicrophone) {
  if (privateSoundServerKind() == "pipewire") {
    GTEST_SKIP() << "PulseAudio only: pipewire-pulse ignores the cookie, so no PipeWire server "
                    "refuses this client; scripts/test runs this test against PulseAudio";
  }
  const char* server = std::getenv("PRIVATE_PULSE_REFUSING_SERVER");
  const char* cookie = std::getenv("PRIVATE_PULSE_STRANGER_COOKIE");
  ASSERT_TRUE(server != nullptr && cookie != nullptr)
      << "PRIVATE_PULSE_REFUSING_SERVER and PRIVATE_PULSE_STRANGER_COOKIE are not set: run the "
         "tests with scripts/test";
  AgentRun agent({"en-US"}, {{"PULSE_SERVER", server}, {"PULSE_COOKIE", cookie}});
  const auto events = agent.until("error");
  expectAuthorizedStart(events);
  EXPECT_EQ(events.back(), (Json{{"type", "error"}, {"code", "microphone_denied"}}));
  agent.expectCleanExit();
}

struct Probe {
  const char* name;
  std::vector<std::string> arguments;
  bool available;
};

std::string probeName(const ::testing::TestParamInfo<Probe>& probe) {
  return probe.param.name;
}

class StatusProbe : public ::testing::TestWithParam<Probe> {};

// Answers from the installed models alone: no sound server is asked, none is needed.
TEST_P(StatusProbe, SaysWhetherTheLocaleHasAModel) {
  AgentRun agent(GetParam().arguments, {{"PULSE_SERVER", "unix:/nonexistent/pulse/native"}});
  EXPECT_EQ(
      agent.next(),
      (Json{{"type", "status"}, {"available", GetParam().available}, {"permissions", kGranted}}));
  agent.expectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(Locales, StatusProbe,
                         ::testing::Values(Probe{"EnUs", {"--status", "en-US"}, true},
                                           Probe{
                                               "LowerCaseUnderscore", {"en_us", "--status"}, true},
                                           Probe{"DefaultZhCn", {"--status"}, false},
                                           Probe{"FrFr", {"--status", "fr-FR"}, false}),
                         probeName);

class WithoutModel : public ::testing::TestWithParam<Probe> {};

// A locale without a model ends the dictation before anything else is written.
TEST_P(WithoutModel, DictationIsOnlyTheOnDeviceError) {
  AgentRun agent(GetParam().arguments);
  EXPECT_EQ(agent.next(), (Json{{"type", "error"}, {"code", "on_device_unavailable"}}));
  agent.expectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(Locales, WithoutModel,
                         ::testing::Values(Probe{"DefaultZhCn", {}, false},
                                           Probe{"ZhCn", {"zh-CN"}, false},
                                           Probe{"FrFr", {"fr-FR"}, false}),
                         probeName);

struct Answer {
  const char* name;
  std::vector<std::string> arguments;
  bool usage;  // else the version
};

class CommandLineAnswer : public ::testing::TestWithParam<Answer> {};

// Printed on stdout and exit 0, standard input left open, before anything is looked for: no
// sound server is needed, and no event is written.
TEST_P(CommandLineAnswer, PrintsAndExits) {
  std::vector<std::string> argv = {agentPath()};
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  ChildProcess agent(argv, {{"PULSE_SERVER", "unix:/nonexistent/pulse/native"}});
  ASSERT_EQ(agent.wait(std::chrono::seconds(10)), 0);
  EXPECT_EQ(agent.errorOutput(), "");
  const std::string& output = agent.unreadOutput();
  if (GetParam().usage) {
    EXPECT_TRUE(output.starts_with("Usage: dictation-agent [LOCALE] [--status]\n")) << output;
    for (const char* mention : {"--status", "--version", "zh-CN", "cancel", "protocol.md"})
      EXPECT_NE(output.find(mention), std::string::npos) << mention;
  } else {
    EXPECT_EQ(output, std::string("dictation-agent ") + AGENT_PACKAGE_VERSION + "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, CommandLineAnswer,
    ::testing::Values(
        Answer{"Help", {"--help"}, true}, Answer{"Version", {"--version"}, false},
        Answer{"HelpWinsOverEverything", {"en-US", "--status", "--version", "--help"}, true},
        Answer{"VersionWinsOverTheProbe", {"--status", "--version"}, false}),
    [](const ::testing::TestParamInfo<Answer>& answer) { return answer.param.name; });

}  // namespace
}  // namespace dictation_agent::testing
