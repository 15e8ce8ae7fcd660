#include "platform/apple/utf8_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dictation_agent {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(RepairedUtf8, LeavesWellFormedTextUnchanged) {
  const std::string cases[] = {
      "",
      "zh-CN",
      "en_US",
      "de-DE@collation=phonebook",
      "  not a locale at all ",
      std::string("a\0b", 3),      // NUL is well-formed
      "\xE6\x97\xA5\xE6\x9C\xAC",  // 日本
      "\xF0\x9F\x98\x80",          // U+1F600
      "\xED\x9F\xBF",              // U+D7FF, just below the surrogates
      "\xEE\x80\x80",              // U+E000, just above them
      "\xF4\x8F\xBF\xBF",          // U+10FFFF, the last code point
  };
  for (const std::string& text : cases) EXPECT_EQ(repairedUtf8(text), text) << text;
}

TEST(RepairedUtf8, ReplacesEachMaximalSubpartOnce) {
  const std::string r = kReplacement;
  const struct {
    std::string input;
    std::string repaired;
  } cases[] = {
      {"\x80", r},
      {"a\xFFz", "a" + r + "z"},
      {"\xC0\xAF", r + r},                  // overlong '/'
      {"\xE0\x80\xAF", r + r + r},          // overlong, three bytes
      {"\xED\xA0\x80", r + r + r},          // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\xE6\x97", r},                      // cut short at the end
      {"\xE6\x97z", r + "z"},               // cut short by ASCII, which survives
      {"\xF0\x9F\x98\xF0\x9F\x98\x80", r + "\xF0\x9F\x98\x80"},
      // The example the Unicode Standard gives for this practice.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       "a" + r + r + r + "b" + r + "c" + r + r + "d"},
  };
  for (const auto& c : cases) EXPECT_EQ(repairedUtf8(c.input), c.repaired) << c.input;
}

TEST(Utf8FromUtf16, EncodesEveryLengthAndReplacesUnpairedSurrogates) {
  const std::string r = kReplacement;
  const struct {
    std::vector<std::uint16_t> units;
    std::string utf8;
  } cases[] = {
      {{}, ""},
      {{0x0041, 0x007F}, "A\x7F"},
      {{0x0080, 0x07FF}, "\xC2\x80\xDF\xBF"},
      {{0x0800, 0x65E5, 0xFFFF}, "\xE0\xA0\x80\xE6\x97\xA5\xEF\xBF\xBF"},
      {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},  // a pair
      {{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"},
      {{0xD83D}, r},                // high, at the end
      {{0xDE00, 0x0041}, r + "A"},  // low, alone
      {{0xD83D, 0x0041}, r + "A"},  // high, followed by no low
      {{0xD83D, 0xD83D, 0xDE00}, r + "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8FromUtf16(c.units), c.utf8) << c.utf8;
}

}  // namespace
}  // namespace dictation_agent
