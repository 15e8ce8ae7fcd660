#include "dictation/transcript_cap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation_agent {
namespace {

// Each of these is one user-perceived character made of several code points.
const std::vector<std::string> kClusters = {
    "e\u0301\u0302",              // a letter with two combining marks
    "👩‍👩‍👧‍👦",  // a ZWJ family of four
    "🇨🇳",                         // a flag: two regional indicators
    "👍🏽",                   // an emoji with a skin tone modifier
    "\u1100\u1161\u11A8",         // a Hangul syllable from conjoining jamo
    "\r\n",                       // CR LF
    "中",
    "a",
};

std::string repeatClusters(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += kClusters[i % kClusters.size()];
  return text;
}

TEST(CapTranscript, KeepsExactlyTheFirst16000CharactersOfALongerText) {
  EXPECT_EQ(capTranscript(repeatClusters(16005), 16000), repeatClusters(16000));
}

TEST(CapTranscript, NeverCutsACharacterOfSeveralCodePoints) {
  for (const std::string& cluster : kClusters) {
    SCOPED_TRACE(cluster);
    EXPECT_EQ(capTranscript(cluster + cluster + "x", 1), cluster);
    EXPECT_EQ(capTranscript(cluster + "x", 2), cluster + "x");
  }
}

TEST(CapTranscript, PairsRegionalIndicatorsIntoFlagsFromTheStart) {
  // Three flags in a row: a count of code points would stop inside the second.
  EXPECT_EQ(capTranscript("🇨🇳🇯🇵🇺🇸", 2), "🇨🇳🇯🇵");
}

TEST(CapTranscript, TakesAShortOrExactTextWhole) {
  EXPECT_EQ(capTranscript("", 16000), "");
  EXPECT_EQ(capTranscript("你好", 16000), "你好");
  EXPECT_EQ(capTranscript("你好", 2), "你好");
  EXPECT_EQ(capTranscript(repeatClusters(16000), 16000), repeatClusters(16000));
}

TEST(CapTranscript, CountsAStrayByteAsOneCharacterAndKeepsIt) {
  EXPECT_EQ(capTranscript("\xff"
                          "ab",
                          2),
            "\xff"
            "a");
}

}  // namespace
}  // namespace dictation_agent
