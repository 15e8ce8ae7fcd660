#include "platform/linux/recognizer/hypothesis_changes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dictation_agent {
namespace {

TEST(HypothesisChanges, GivesOutOnlyHypothesesThatDifferFromTheLastOneGivenOut) {
  HypothesisChanges changes;
  std::vector<std::string> givenOut;
  for (const char* hypothesis : {"", "go", "go", "go forward", "go forward", "go", ""}) {
    if (auto changed = changes.next(hypothesis)) givenOut.push_back(*changed);
  }
  EXPECT_THAT(givenOut, ::testing::ElementsAre("go", "go forward", "go", ""));
}

}  // namespace
}  // namespace dictation_agent
