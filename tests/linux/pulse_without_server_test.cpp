#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <future>
#include <limits>

#include "linux/captured_buffers.h"
#include "linux/connected_session.h"
#include "linux/temporary_folder.h"
#include "platform/linux/capture/pcm_format.h"
#include "platform/linux/capture/pulse_audio_engine.h"
#include "platform/linux/capture/pulse_microphone_authorization.h"
#include "platform/linux/granted_speech_authorization.h"

namespace dictation_agent {
namespace {

using namespace std::chrono_literals;
using testing::CapturedBuffers;
using testing::connectedSession;

const PulseSettings kNoServer{"unix:/nonexistent/pulse/native", 1000ms};

// A socket that accepts connections into its backlog and never says a word: a server that hangs.
class SilentServer {
 public:
  SilentServer() {
    const auto path = folder_.path() / "native";
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    const bool listening =
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
        ::listen(fd_, 8) == 0;
    EXPECT_TRUE(listening);
    server_ = "unix:" + path.string();
  }
  ~SilentServer() { ::close(fd_); }
  const std::string& server() const { return server_; }

 private:
  testing::TemporaryFolder folder_;
  int fd_ = -1;
  std::string server_;
};

void expectNoInput(const AudioFormat& format) {
  EXPECT_EQ(format.sampleRate(), 0.0);
  EXPECT_EQ(format.channelCount(), 0u);
}

// A tap in a format the server could record goes in, yet the engine cannot start.
void expectTapButNoStart(PulseAudioEngine& engine, CapturedBuffers& captured) {
  EXPECT_TRUE(engine.inputNode().installTapOnBus(0, 1024, std::make_shared<PcmFormat>(44100, 2),
                                                 captured.block()));
  engine.prepare();
  EXPECT_FALSE(engine.start());
}

TEST(PulseAudioEngineWithoutServer, ReportsNoInputAndCannotStart) {
  PulseAudioEngine engine(connectedSession(kNoServer));
  engine.stop();  // before anything else
  expectNoInput(*engine.inputNode().outputFormatForBus(0));
  CapturedBuffers captured;
  expectTapButNoStart(engine, captured);
  engine.stop();
  engine.inputNode().removeTapOnBus(0);
  engine.stop();
  EXPECT_EQ(captured.count(), 0u);
}

// The timeout is what keeps a hung server from holding up the answer thread for ever; without it
// this test would never end.
TEST(PulseAudioEngineWithoutServer, GivesUpOnAServerThatNeverAnswers) {
  SilentServer silent;
  const auto session = std::make_shared<PulseSession>(PulseSettings{silent.server(), 200ms});
  const PulseLink link = session->connect();
  ASSERT_NE(link.connection, nullptr);
  EXPECT_EQ(link.connection->outcome(), PulseConnection::Outcome::kUnavailable);
  EXPECT_FALSE(link.source.has_value());
  session->keep(link);
  PulseAudioEngine engine(session);
  expectNoInput(*engine.inputNode().outputFormatForBus(0));
  EXPECT_FALSE(engine.start());
}

// The engine never visits the server itself: before the microphone request has, it reports no
// input and cannot start, however reachable the server would be.
TEST(PulseAudioEngineWithoutServer, NeverConnectsOnItsOwn) {
  SilentServer silent;
  PulseAudioEngine engine(std::make_shared<PulseSession>(PulseSettings{silent.server(), 60s}));
  expectNoInput(*engine.inputNode().outputFormatForBus(0));
  CapturedBuffers captured;
  expectTapButNoStart(engine, captured);
}

TEST(PulseAudioEngineWithoutServer, RefusesTapsItCannotRecord) {
  PulseAudioEngine engine(std::make_shared<PulseSession>(kNoServer));
  InputNode& node = engine.inputNode();
  const auto fine = std::make_shared<PcmFormat>(48000, 1);
  CapturedBuffers captured;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const auto& [rate, channels] : std::vector<std::pair<double, std::uint32_t>>{
           {0, 1}, {-44100, 2}, {nan, 2}, {44100, 0}, {1e9, 2}, {44100, 200}}) {
    EXPECT_FALSE(node.installTapOnBus(0, 1024, std::make_shared<PcmFormat>(rate, channels),
                                      captured.block()))
        << rate << " Hz, " << channels << " channels";
  }
  EXPECT_FALSE(node.installTapOnBus(1, 1024, fine, captured.block()));
  EXPECT_FALSE(node.installTapOnBus(0, 1024, nullptr, captured.block()));
  EXPECT_FALSE(node.installTapOnBus(0, 1024, fine, nullptr));
  EXPECT_TRUE(node.installTapOnBus(0, 1024, fine, captured.block()));
  EXPECT_FALSE(node.installTapOnBus(0, 1024, fine, captured.block())) << "one tap at a time";
  node.removeTapOnBus(0);
  EXPECT_TRUE(node.installTapOnBus(0, 1024, fine, captured.block()));
}

// Both answers come on a thread other than the caller's; a missing server is no refusal.
TEST(LinuxAuthorization, GrantsBothAndAnswersOnAnotherThread) {
  GrantedSpeechAuthorization speech;
  testing::ImmediateQueue queue;
  PulseMicrophoneAuthorization microphone(std::make_shared<PulseSession>(kNoServer), queue);
  EXPECT_EQ(speech.authorizationStatus(), 3);
  EXPECT_EQ(microphone.authorizationStatus(), 3);

  std::promise<std::pair<std::int64_t, std::thread::id>> speechAnswer;
  speech.requestAuthorization([&](std::int64_t status) {
    speechAnswer.set_value({status, std::this_thread::get_id()});
  });
  std::promise<std::pair<bool, std::thread::id>> microphoneAnswer;
  microphone.requestAccess([&](bool granted) {
    microphoneAnswer.set_value({granted, std::this_thread::get_id()});
  });
  const auto [status, speechThread] = speechAnswer.get_future().get();
  const auto [granted, microphoneThread] = microphoneAnswer.get_future().get();
  EXPECT_EQ(status, 3);
  EXPECT_TRUE(granted);
  EXPECT_NE(speechThread, std::this_thread::get_id());
  EXPECT_NE(microphoneThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace dictation_agent
