#include "events/emit.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

namespace dictation_agent {
namespace {

using nlohmann::json;

json roundTrip(const Event& event) {
  const std::optional<std::string> line = serializeEvent(event);
  if (!line) {
    ADD_FAILURE() << "the event was not serialised";
    return json();
  }
  EXPECT_EQ(line->find('\n'), std::string::npos) << "an event is one line";
  return json::parse(*line);
}

// Everything a pipe's reader gets until the writer closes.
std::string readAll(int fd) {
  std::string all;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0) return all;
    all.append(buffer, static_cast<std::size_t>(count));
  }
}

struct Pipe {
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  void closeRead() {
    if (fds[0] >= 0) ::close(std::exchange(fds[0], -1));
  }
  void closeWrite() {
    if (fds[1] >= 0) ::close(std::exchange(fds[1], -1));
  }
  int fds[2] = {-1, -1};
};

TEST(SerializeEvent, TranscriptTextDecodesBackExactly) {
  const std::string texts[] = {
      "say \"hi\"",
      "C:\\temp\\",
      "tab\there",
      "two\nlines\r\nand a carriage return\r",
      "bell\a escape\x1b",
      std::string("nul\0inside", 10),
      "你好，世界。",
      "e\u0301 👩‍👩‍👧 🇨🇳",
      "slash / and unicode escapes \\u0041 stay text",
      "",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(roundTrip({{"type", "transcript"}, {"text", text}}),
              (json{{"type", "transcript"}, {"text", text}}));
  }
}

TEST(SerializeEvent, IsCompactWithNoRawControlCharacters) {
  const std::string line =
      serializeEvent({{"type", "transcript"}, {"text", "a\tb\nc\x01"}}).value_or("");
  EXPECT_EQ(line.find(' '), std::string::npos);
  EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  })) << line;
  EXPECT_EQ(serializeEvent({{"type", "listening"}}), R"({"type":"listening"})");
}

TEST(SerializeEvent, BooleansAreJsonBooleansAndTheSnapshotAnObject) {
  const json final = roundTrip({{"type", "final"}, {"text", ""}, {"cancelled", true}});
  ASSERT_TRUE(final.contains("cancelled"));
  EXPECT_TRUE(final["cancelled"].is_boolean());
  EXPECT_EQ(final["cancelled"], true);
  EXPECT_EQ(final["text"], "") << "empty text is written, not left out";

  const json status = roundTrip(
      {{"type", "status"},
       {"available", false},
       {"permissions", PermissionSnapshot{{"speech", "granted"}, {"microphone", "denied"}}}});
  EXPECT_EQ(status, (json{{"type", "status"},
                          {"available", false},
                          {"permissions", {{"speech", "granted"}, {"microphone", "denied"}}}}));
  EXPECT_TRUE(status["available"].is_boolean());
}

TEST(SerializeEvent, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(roundTrip({{"type", "transcript"},
                       {"text",
                        "a\xff"
                        "b"}})["text"],
            "a\uFFFD"
            "b");

  // A character cut off at the end: the text before it survives, the stub is replaced.
  const std::string cut = roundTrip({{"type", "transcript"}, {"text", "cut \xe4\xbd"}})["text"];
  EXPECT_THAT(cut, ::testing::StartsWith("cut "));
  EXPECT_THAT(cut, ::testing::EndsWith("\uFFFD"));
}

TEST(SerializeEvent, ReplacesEachIllFormedSequenceByOneReplacementCharacter) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"\x80", "\uFFFD"},  // a lone continuation byte
      {"\xe4\xbd"
       "x",
       "\uFFFDx"},                                       // a character cut short: one stub
      {"\xc0\xaf", "\uFFFD\uFFFD"},                      // overlong: no lead can start it
      {"\xe0\x80\x80", "\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xf0\x9f\x91"
       "a\xf0\x9f\x91\x8d",
       "\uFFFDa\U0001F44D"},  // a stub, then the whole character
      {"\xff\xfe", "\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    EXPECT_EQ(roundTrip({{"type", "transcript"}, {"text", c.bytes}})["text"], c.text);
  }
}

TEST(SerializeEvent, EscapesEveryControlCharacterAndKeepsTheRestOfAscii) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii.push_back(static_cast<char>(byte));
  const std::string line = serializeEvent({{"type", "transcript"}, {"text", ascii}}).value_or("");
  EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  })) << line;
  EXPECT_EQ(json::parse(line)["text"], ascii);
}

TEST(Emit, WritesOneLineEndingInASingleLineFeed) {
  Pipe pipe;
  emit({{"type", "final"}, {"text", "first\nsecond"}, {"cancelled", false}}, pipe.fds[1]);
  pipe.closeWrite();

  const std::string written = readAll(pipe.fds[0]);
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.back(), '\n');
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1);
  EXPECT_EQ(json::parse(written.substr(0, written.size() - 1)),
            (json{{"type", "final"}, {"text", "first\nsecond"}, {"cancelled", false}}));
}

TEST(WriteFully, DeliversAPayloadFarLargerThanThePipe) {
  Pipe pipe;
  std::string payload(4 << 20, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>('a' + i % 26);

  std::string received;
  std::thread reader([&] { received = readAll(pipe.fds[0]); });
  writeFully(pipe.fds[1], payload);
  pipe.closeWrite();
  reader.join();

  EXPECT_EQ(received.size(), payload.size());
  EXPECT_TRUE(received == payload);
}

// A host, or its parent, may hand us a non-blocking pipe: a full one is waited for, not dropped.
TEST(WriteFully, WaitsForAFullNonBlockingPipeToBeReadAndLosesNothing) {
  Pipe pipe;
  ASSERT_EQ(::fcntl(pipe.fds[1], F_SETFL, ::fcntl(pipe.fds[1], F_GETFL) | O_NONBLOCK), 0);
  (void)::fcntl(pipe.fds[1], F_SETPIPE_SZ, 4096);  // the smallest pipe, when allowed
  std::string payload(256 * 1024, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>('a' + i % 26);

  std::string received;
  std::thread lateReader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    received = readAll(pipe.fds[0]);
  });
  writeFully(pipe.fds[1], payload);
  pipe.closeWrite();
  lateReader.join();

  EXPECT_EQ(received.size(), payload.size());
  EXPECT_TRUE(received == payload);
}

TEST(WriteFully, GivesUpQuietlyWhenTheReaderHasGone) {
  // The agent ignores SIGPIPE; so does this test, for as long as it runs.
  struct IgnoreSigpipe {
    IgnoreSigpipe() : previous(std::signal(SIGPIPE, SIG_IGN)) {}
    ~IgnoreSigpipe() { std::signal(SIGPIPE, previous); }
    void (*previous)(int);
  } ignore;

  Pipe pipe;
  pipe.closeRead();
  writeFully(pipe.fds[1], std::string(1 << 20, 'x'));  // returns instead of retrying forever
}

}  // namespace
}  // namespace dictation_agent
