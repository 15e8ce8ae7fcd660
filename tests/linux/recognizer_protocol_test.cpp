#include "platform/linux/recognizer/recognizer_protocol.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace dictation_agent {
namespace {

// Both ends of a socket pair, closed with the fixture.
class FramesOverASocket : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0); }
  void TearDown() override {
    closeWriter();
    ::close(ends[1]);
  }
  void closeWriter() {
    if (ends[0] >= 0) ::close(ends[0]);
    ends[0] = -1;
  }

  int ends[2] = {-1, -1};
};

TEST_F(FramesOverASocket, ArriveWholeAndInOrderHoweverTheBytesAreSplit) {
  const std::vector<float> mono = {0.5f, -0.25f, 1.0f};
  std::string bytes = encodeFrame(FrameKind::kReady) + encodeAudio(44100.0, mono) +
                      encodeFrame(FrameKind::kPartial, "go forward \"ten\"\n") +
                      encodeFrame(FrameKind::kFinal, "");
  // One byte at a time, from another thread.
  std::jthread writer([&] {
    for (char byte : bytes) ASSERT_TRUE(sendAll(ends[0], std::string_view(&byte, 1)));
    closeWriter();
  });
  FrameReader reader(ends[1]);
  Frame frame;
  ASSERT_EQ(reader.next(frame), FrameReader::Status::kFrame);
  EXPECT_EQ(frame.kind, FrameKind::kReady);
  ASSERT_EQ(reader.next(frame), FrameReader::Status::kFrame);
  ASSERT_EQ(frame.kind, FrameKind::kAudio);
  const auto audio = decodeAudio(frame.payload);
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->sampleRate, 44100.0);
  EXPECT_EQ(audio->samples, mono);
  ASSERT_EQ(reader.next(frame), FrameReader::Status::kFrame);
  EXPECT_EQ(frame.kind, FrameKind::kPartial);
  EXPECT_EQ(frame.payload, "go forward \"ten\"\n");
  ASSERT_EQ(reader.next(frame), FrameReader::Status::kFrame);
  EXPECT_EQ(frame.kind, FrameKind::kFinal);
  EXPECT_EQ(frame.payload, "");
  writer.join();
  EXPECT_EQ(reader.next(frame), FrameReader::Status::kClosed);
}

TEST_F(FramesOverASocket, ABrokenStreamIsToldApartFromAClosedOne) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string oversized = {'P', '\xff', '\xff', '\xff', '\x7f'};
  for (const Case& c :
       {Case{"unknown kind", std::string("X\0\0\0\0", 5)}, Case{"oversized payload", oversized},
        Case{"cut inside a frame", encodeFrame(FrameKind::kFinal, "go").substr(0, 6)}}) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    ASSERT_TRUE(sendAll(ends[0], c.bytes));
    closeWriter();
    FrameReader reader(ends[1]);
    Frame frame;
    EXPECT_EQ(reader.next(frame), FrameReader::Status::kBroken);
  }
}

TEST_F(FramesOverASocket, AWaitIsBoundedWhenAskedAndAPeerGoneIsNoSignal) {
  FrameReader reader(ends[1]);
  Frame frame;
  EXPECT_EQ(reader.next(frame, std::chrono::milliseconds(20)), FrameReader::Status::kTimedOut);
  ::close(ends[1]);
  ends[1] = ::dup(ends[0]);  // keep a descriptor for TearDown; the peer end is gone
  ::shutdown(ends[0], SHUT_RD);
  EXPECT_FALSE(sendAll(ends[0], encodeFrame(FrameKind::kEndOfAudio))) << "no SIGPIPE, just false";
}

TEST(AudioPayload, WithoutWholeSamplesIsRefused) {
  EXPECT_FALSE(decodeAudio(""));
  EXPECT_FALSE(decodeAudio(std::string(8 + 3, '\0')));
  const auto empty = decodeAudio(std::string(8, '\0'));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->samples.empty());
}

}  // namespace
}  // namespace dictation_agent
