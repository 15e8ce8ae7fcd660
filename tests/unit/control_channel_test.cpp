#include "main/control_channel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAre;

struct ControlCase {
  std::string chunk;
  ControlCommand command;
};

const ControlCase kDecisions[] = {
    {"", ControlCommand::kCancel},  // end of file
    {"cancel\n", ControlCommand::kCancel},
    {"cancelled", ControlCommand::kCancel},
    {"please cancel it", ControlCommand::kCancel},
    {"stop\ncancel\nmore\n", ControlCommand::kCancel},
    {"取消 cancel", ControlCommand::kCancel},
    {std::string("\0cancel", 7), ControlCommand::kCancel},  // NUL is valid UTF-8
    {"cancel\xef\xbf\xbf", ControlCommand::kCancel},        // U+FFFF: a noncharacter, still UTF-8
    {"\n", ControlCommand::kStop},
    {"stop\n", ControlCommand::kStop},
    {"Cancel\n", ControlCommand::kStop},
    {"CANCEL", ControlCommand::kStop},
    {"can", ControlCommand::kStop},
    {"cel\n", ControlCommand::kStop},
    {std::string("can\0cel", 7), ControlCommand::kStop},
    // Not valid UTF-8: a stop, whatever it contains.
    {"cancel\xff", ControlCommand::kStop},
    {"cancel \xe4\xbd", ControlCommand::kStop},  // a character cut off at the end
    {"\xc0\xa0"
     "cancel",
     ControlCommand::kStop},                            // an overlong encoding
    {"cancel\xed\xa0\x80", ControlCommand::kStop},      // an encoded surrogate
    {"cancel\xf4\x90\x80\x80", ControlCommand::kStop},  // beyond U+10FFFF
};

TEST(DecideControl, CancelsOnEndOfFileOrValidTextContainingCancel) {
  for (const ControlCase& decision : kDecisions) {
    SCOPED_TRACE(::testing::PrintToString(decision.chunk));
    EXPECT_EQ(decideControl(decision.chunk), decision.command);
  }
}

TEST(IsValidUtf8, AcceptsWholeCharactersOnly) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("plain"));
  EXPECT_TRUE(isValidUtf8("中文 🇨🇳 e\u0301"));
  EXPECT_TRUE(isValidUtf8("\xf4\x8f\xbf\xbf"));  // U+10FFFF, the last code point
  EXPECT_FALSE(isValidUtf8("\x80"));
  EXPECT_FALSE(isValidUtf8("\xe4\xbd"));
  EXPECT_FALSE(isValidUtf8("\xc0\x80"));
  EXPECT_FALSE(isValidUtf8("\xed\xbf\xbf"));
}

// The control task applied to a running dictation.
class ControlTaskTest : public DictationTest {};

TEST_F(ControlTaskTest, CancelEndsAtOnceWithEmptyText) {
  listen();
  deliverPartial("hello");
  hostWrites("cancel\n");
  queue.runUntilIdle();

  EXPECT_EQ(lastEvent(), finalEvent("", true));
  EXPECT_EQ(platform.exitStatus(), 0);
  EXPECT_EQ(platform.exitTime(), 0.0);
}

TEST_F(ControlTaskTest, CanAndCelInTwoChunksAreTwoStopsNotACancel) {
  listen();
  deliverPartial("hello");
  queue.advanceBy(1.0);
  hostWrites("can");
  queue.advanceBy(0.5);
  hostWrites("cel\n");
  queue.runUntilIdle();
  EXPECT_TRUE(dictation->stopping);
  EXPECT_FALSE(platform.exitStatus());

  queue.advanceBy(10.0);
  EXPECT_EQ(lastEvent(), finalEvent("hello", false));
  EXPECT_EQ(platform.exitTime(), 3.0) << "2.0 s after the first stop";
}

TEST_F(ControlTaskTest, EndOfFileDuringTheGracePeriodCancelsAndTheTranscriptIsLost) {
  listen();
  deliverPartial("hello");
  hostWrites("\n");
  queue.advanceBy(1.0);
  hostWrites("");
  queue.runUntilIdle();

  EXPECT_EQ(lastEvent(), finalEvent("", true));
  EXPECT_EQ(platform.exitTime(), 1.0);
}

TEST_F(ControlTaskTest, EndOfFileFromTheStartCancelsBeforeAnyAnswerIsHandled) {
  authorize();
  hostWrites("");  // standard input was empty: the handler posted this during start-up
  platform.answerSpeech(3);
  queue.run();

  EXPECT_THAT(events.types(), ElementsAre("permissions", "authorizing", "final"));
  EXPECT_EQ(lastEvent(), finalEvent("", true));
  EXPECT_FALSE(platform.microphoneRequestPending());
}

}  // namespace
}  // namespace dictation_agent::fakes
