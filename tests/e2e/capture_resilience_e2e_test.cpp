// The real agent when its audio goes away mid-dictation, when the microphone has many channels,
// and when a shared library it needs cannot be loaded. Against the private PulseAudio server of
// scripts/test.

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "e2e/agent_run.h"
#include "e2e/frozen_process.h"
#include "e2e/last_event_bounds.h"
#include "e2e/virtual_microphone.h"
#include "linux/temporary_default_source.h"
#include "linux/word_error_rate.h"

namespace dictation_agent::testing {
namespace {

using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kSentence = "the weather is nice today and I would like to go for a walk";
constexpr const char* kSentenceWav = AGENT_SPEECH_DIR "/weather_slt.wav";

// Well before the listening cap, which would otherwise end a dictation that hears nothing more.
constexpr auto kEndsWithoutTheCap = 30s;

void playInto(const std::string& sink, const std::string& wav) {
  ASSERT_EQ(runToEnd({"paplay", "--device=" + sink, wav}), 0) << "paplay " << wav;
}

// "final", not cancelled, carrying what was said.
void expectFinalWithTheSentence(const std::vector<Json>& events) {
  ASSERT_FALSE(events.empty());
  const Json& final = events.back();
  ASSERT_EQ(final["type"], "final") << final.dump();
  EXPECT_EQ(final["cancelled"], false);
  ASSERT_TRUE(final["text"].is_string());
  EXPECT_LE(wordErrorRate(kSentence, final["text"].get<std::string>()), 0.2)
      << "heard: " << final["text"];
}

class VanishedAudio : public ::testing::Test {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// The microphone is unplugged after the sentence: no stop comes from the host, yet the dictation
// ends at once with the words heard, as a stop would end it.
TEST_F(VanishedAudio, AnUnloadedSourceEndsTheDictationWithTheWordsHeard) {
  TemporaryDefaultSource source("vanishing", 2, 44100);
  AgentRun agent({"en-US"});
  agent.until("listening");
  playInto(source.sink(), kSentenceWav);
  source.unload();
  const auto unloaded = Clock::now();
  const auto rest = agent.until("final");
  EXPECT_LT(Clock::now() - unloaded, kEndsWithoutTheCap);
  expectFinalWithTheSentence(rest);
  agent.expectCleanExit();
}

pid_t privateServerPid() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::ifstream file(std::string(runtime != nullptr ? runtime : "") + "/pulse/pid");
  pid_t pid = -1;
  file >> pid;
  return pid;
}

// A server that stops answering mid-run (frozen, not gone): once no audio has come for a while,
// the dictation ends with the words heard.
TEST_F(VanishedAudio, AFrozenServerEndsTheDictationWithTheWordsHeard) {
  const pid_t server = privateServerPid();
  ASSERT_GT(server, 0) << "no pid file for the private server in XDG_RUNTIME_DIR";
  AgentRun agent({"en-US"});
  agent.until("listening");
  VirtualMicrophone::speak(kSentenceWav);
  std::vector<Json> rest;
  {
    const FrozenProcess frozen(server);
    const auto stopped = Clock::now();
    rest = agent.until("final");
    EXPECT_LT(Clock::now() - stopped, kEndsWithoutTheCap);
  }
  expectFinalWithTheSentence(rest);
  agent.expectCleanExit();
}

struct EarlyWrite {
  const char* name;
  const char* bytes;
  bool cancels;
};

class FrozenServerAtStart : public ::testing::TestWithParam<EarlyWrite> {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// A server frozen before the dictation begins: the agent's wait for it must not hold up the
// host. A stop written soon after the start ends the run when the grace period runs out, a
// cancel ends it at once; capture never starts.
TEST_P(FrozenServerAtStart, AHostsEarlyWriteEndsTheRunOnTime) {
  const pid_t server = privateServerPid();
  ASSERT_GT(server, 0) << "no pid file for the private server in XDG_RUNTIME_DIR";
  const FrozenProcess frozen(server);
  ChildProcess agent({agentPath(), "en-US"});
  ASSERT_TRUE(agent.started());
  // The host's own timing: it writes 0.1 s after it started the agent, whatever it has read.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  agent.write(GetParam().bytes);
  const auto wrote = Clock::now();

  std::vector<Json> events;
  auto lastAt = wrote;
  while (const auto line = agent.readLine(AgentRun::kLongestWait)) {
    lastAt = Clock::now();
    events.push_back(Json::parse(*line, nullptr, false));
  }
  const auto bound = GetParam().cancels ? kLastEventAfterCancel : kLastEventAfterStop;
  EXPECT_LE(lastAt - wrote, bound)
      << "the last event came "
      << std::chrono::duration_cast<std::chrono::milliseconds>(lastAt - wrote).count()
      << " ms after the write";
  EXPECT_EQ(agent.wait(AgentRun::kLongestWait), 0);
  EXPECT_EQ(agent.errorOutput(), "");
  ASSERT_FALSE(events.empty());
  for (std::size_t i = 0; i + 1 < events.size(); ++i) {
    EXPECT_THAT(events[i]["type"], ::testing::AnyOf("permissions", "authorizing"))
        << events[i].dump();
  }
  EXPECT_EQ(events.back(),
            (Json{{"type", "final"}, {"text", ""}, {"cancelled", GetParam().cancels}}));
}

INSTANTIATE_TEST_SUITE_P(Host, FrozenServerAtStart,
                         ::testing::Values(EarlyWrite{"Stop", "stop\n", false},
                                           EarlyWrite{"Cancel", "cancel\n", true}),
                         [](const auto& write) { return std::string(write.param.name); });

struct Shape {
  const char* name;
  unsigned channels;
  unsigned rate;
};

class MultichannelSource : public ::testing::TestWithParam<Shape> {
 protected:
  void SetUp() override { VirtualMicrophone::expectReachable(); }
};

// An audio interface with many inputs as the default source: dictation works as with any
// microphone.
TEST_P(MultichannelSource, IsDictatedFrom) {
  TemporaryDefaultSource source(std::string("shape_") + GetParam().name, GetParam().channels,
                                GetParam().rate);
  AgentRun agent({"en-US"});
  agent.until("listening");
  playInto(source.sink(), kSentenceWav);
  agent.write("stop\n");
  expectFinalWithTheSentence(agent.until("final"));
  agent.expectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(Sources, MultichannelSource,
                         ::testing::Values(Shape{"EightChannels48k", 8, 48000},
                                           Shape{"ThirtyTwoChannels16k", 32, 16000}),
                         [](const auto& shape) { return std::string(shape.param.name); });

// Where the dynamic loader finds a library by its soname, in this process.
std::string loadedPathOf(const std::string& soname) {
  void* handle = ::dlopen(soname.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) return "";
  link_map* map = nullptr;
  std::string path;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) path = map->l_name;
  ::dlclose(handle);
  return path;
}

struct Unloadable {
  const char* name;
  const char* soname;
  std::vector<std::string> arguments;
  std::vector<Json> lastEvents;  // what comes after the start, up to the last event
};

class UnloadableLibrary : public ::testing::TestWithParam<Unloadable> {};

const Json kGranted = {{"speech", "granted"}, {"microphone", "granted"}};
const Json kPermissions = {{"type", "permissions"}, {"permissions", kGranted}};

// As root, in a mount namespace of its own, the library's file is replaced by an empty one for
// the agent alone: the dynamic loader finds a file too short to load, as on a machine where it
// is broken. The agent still keeps its promise: its last event, exit status 0, a quiet stderr.
TEST_P(UnloadableLibrary, KeepsTheContract) {
  const Unloadable& row = GetParam();
  const std::string library = loadedPathOf(row.soname);
  ASSERT_FALSE(library.empty()) << row.soname << " is not installed";
  if (::geteuid() != 0 || runToEnd({"unshare", "-m", "true"}) != 0) {
    GTEST_SKIP() << "hiding " << library << " needs root and a private mount namespace "
                 << "(unshare -m), which this machine refuses";
  }
  const AgentRun::Program hidden{
      agentPath(),
      {"unshare", "-m", "sh", "-c", "mount --bind /dev/null \"$0\" && exec \"$@\"", library}};
  AgentRun agent(hidden, row.arguments, {});
  std::vector<Json> events;
  for (std::size_t i = 0; i < row.lastEvents.size(); ++i) events.push_back(agent.next());
  EXPECT_EQ(events, row.lastEvents);
  agent.expectCleanExit();
}

const Json kStatus = {{"type", "status"}, {"available", true}, {"permissions", kGranted}};
const std::vector<Json> kAuthorized = {
    kPermissions, {{"type", "authorizing"}}, kPermissions, kPermissions};

std::vector<Json> authorizedThen(std::vector<Json> rest) {
  std::vector<Json> events = kAuthorized;
  events.insert(events.end(), rest.begin(), rest.end());
  return events;
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, UnloadableLibrary,
    ::testing::Values(
        Unloadable{"LibpulseStatus", "libpulse.so.0", {"--status", "en-US"}, {kStatus}},
        Unloadable{"LibpulseDictation",
                   "libpulse.so.0",
                   {"en-US"},
                   authorizedThen({{{"type", "error"}, {"code", "microphone_unavailable"}}})},
        Unloadable{"PocketsphinxStatus", "libpocketsphinx.so.3", {"--status", "en-US"}, {kStatus}},
        Unloadable{"PocketsphinxDictation",
                   "libpocketsphinx.so.3",
                   {"en-US"},
                   authorizedThen({{{"type", "listening"}},
                                   {{"type", "error"}, {"code", "recognition_failed"}}})}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace dictation_agent::testing
