#include "dictation/transcript_cap.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "oracles/utf8proc_text.h"

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

// Where the cap can cut `text`: the length of each result for 0 characters up to all of them.
std::vector<std::size_t> cutsOf(const std::string& text) {
  std::vector<std::size_t> cuts;
  for (std::size_t characters = 0;; ++characters) {
    cuts.push_back(capTranscript(text, characters).size());
    if (cuts.back() == text.size()) return cuts;
  }
}

// Where the short way hands over to the platform's segmentation and takes over again: stray bytes
// inside and right after a stretch, plain bases joined to a Prepend (one after another), a long
// stretch with no plain base at all, flags split across the hand-over, and words of a script the
// short way does not know, between spaces, for longer than a stretch holds (with a Prepend, a
// mark or a stray byte where the stretch may end).
TEST(CapTranscript, CutsWhereUtf8procAloneWouldAroundTheHandOvers) {
  const auto repeat = [](std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  const std::string arabic = repeat("\u0628\u0650", 300);  // a letter with a mark, no space
  const std::string devanagari = repeat("\u0915\u094d\u0937 \U0001F44D\U0001F3FD ", 30);
  const std::string texts[] = {
      "a\u0301\U0001F44D\xff\U0001F44D\xff"
      "b",
      "\xff\u0600a\u0600\u0600b\u0301c",
      "x\u0600",
      "\u0600",
      arabic + "a" + arabic,
      "a\U0001F1E8\U0001F1F3\U0001F1EF\U0001F1F5b\U0001F1E8\U0001F1F3\U0001F1EF",
      "\u0915\u094d\u0937a\u200d\U0001F468\u200d\U0001F469",
      "\r\n\r\na\r\n",
      devanagari,
      devanagari + "e\u0301" + devanagari,
      repeat("\u0600a", 100),
      repeat("\u0915 \u0600", 50),
      repeat("\u0915 \xff", 50),
      repeat("\u0915\u0301 ", 50),
      repeat("\u0915\u4e2d\u0301", 50),
      repeat("\u0600", 63) + "ab\u0301" + repeat("\u0600", 64) + "a\u0301",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(cutsOf(text), oracles::characterBoundaries(text));
  }
}

// The short way through plain text must cut exactly where utf8proc alone would: every code point
// of the basic plane, in contexts that would show it mistaken for a plain base or mark (after a
// Prepend, before a mark, inside an emoji sequence, an Indic conjunct or a pair of flags).
TEST(CapTranscript, CutsWhereUtf8procAloneWouldForEveryCodePointOfTheBasicPlane) {
  for (char32_t codepoint = 1; codepoint <= 0xFFFF; ++codepoint) {
    if (codepoint >= 0xD800 && codepoint <= 0xDFFF) continue;
    std::string character;
    if (codepoint < 0x80) {
      character = {static_cast<char>(codepoint)};
    } else if (codepoint < 0x800) {
      character = {static_cast<char>(0xC0 | (codepoint >> 6)),
                   static_cast<char>(0x80 | (codepoint & 0x3F))};
    } else {
      character = {static_cast<char>(0xE0 | (codepoint >> 12)),
                   static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F)),
                   static_cast<char>(0x80 | (codepoint & 0x3F))};
    }
    const std::string text = "a" + character + "e\u0301" + character + "\u0301\u200d" + character +
                             "\u0600" + character + "\u0915\u094d" + character + "\U0001F1E8" +
                             character + "\u4e2d" + character + character;
    const std::vector<std::size_t> expected = oracles::characterBoundaries(text);
    ASSERT_EQ(cutsOf(text), std::vector<std::size_t>(expected.begin(), expected.end()))
        << "U+" << std::hex << static_cast<std::uint32_t>(codepoint);
  }
}

}  // namespace
}  // namespace dictation_agent
