#include "platform/linux/formatting/transcript_formatter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/word_error_rate.h"

namespace dictation_agent {
namespace {

struct Case {
  const char* locale;
  const char* words;      // as the recogniser gives them
  const char* formatted;  // as the host is to see them
};

// Each rule, its edge cases and the runs that must stay words.
const std::vector<Case> kCases = {
    {"en-US", "", ""},
    {"en-US", "the weather is nice today and i would like to go for a walk",
     "The weather is nice today and I would like to go for a walk"},
    {"en-US", "go forward ten meters and then turn left",
     "Go forward 10 meters and then turn left"},
    // Capitals: the first letter only, "i" as a word and in its contractions, not inside words.
    {"en-US", "i'm sure i'll know what i'd do if i've time",
     "I'm sure I'll know what I'd do if I've time"},
    {"en-US", "iowa is where i live", "Iowa is where I live"},
    {"en-US", "we drove from iowa to ohio in india ink hi i said",
     "We drove from iowa to ohio in india ink hi I said"},
    {"en-US", "ten people came", "10 people came"},  // a first word that becomes digits
    {"en-US", "one of them is here", "One of them is here"},
    // Numbers of 10 and more as digits, in every way they are said.
    {"en-US", "twenty five", "25"},
    {"en-US", "it took twenty-five minutes", "It took 25 minutes"},
    {"en-US", "one hundred and twelve", "112"},
    {"en-US", "one hundred twelve", "112"},
    {"en-US", "two thousand and six", "2006"},
    {"en-US", "in two thousand six", "In 2006"},
    {"en-US", "nineteen hundred and eighty four", "1984"},
    {"en-US", "eleven hundred", "1100"},
    {"en-US", "one thousand one hundred and one", "1101"},
    {"en-US", "twenty five thousand", "25,000"},
    {"en-US", "one million two hundred thousand and five", "1,200,005"},
    {"en-US", "one hundred and twelve thousand", "112,000"},
    {"en-US", "between twenty and thirty people", "Between 20 and 30 people"},
    {"en-US", "ninety seconds", "90 seconds"},
    {"en-US", "a ten second delay", "A 10 second delay"},
    {"en-US", "one hundred and i", "100 and I"},
    // Ordinals and decimals.
    {"en-US", "on the twenty first", "On the 21st"},
    {"en-US", "the twenty-third time", "The 23rd time"},
    {"en-US", "the eleventh hour", "The 11th hour"},
    {"en-US", "one hundred and first", "101st"},
    {"en-US", "the fifty second floor", "The fifty second floor"},  // 52nd floor or 50 s
    {"en-US", "three point five", "3.5"},
    {"en-US", "zero point two five", "0.25"},
    {"en-US", "ten point five", "10.5"},
    // Below ten, alone, or where a digit would be a guess: words.
    {"en-US", "we will meet at the station at seven in the evening",
     "We will meet at the station at seven in the evening"},
    {"en-US", "the first one", "The first one"},
    {"en-US", "zero", "Zero"},
    {"en-US", "five and six", "Five and six"},
    {"en-US", "in nineteen ninety nine", "In nineteen ninety nine"},
    {"en-US", "twenty twenty", "Twenty twenty"},
    {"en-US", "at seven thirty", "At seven thirty"},
    {"en-US", "call one two three", "Call one two three"},
    {"en-US", "ten ten", "Ten ten"},
    {"en-US", "hundreds of them", "Hundreds of them"},
    {"en-US", "a hundred people", "A hundred people"},
    {"en-US", "one fifth", "One fifth"},
    {"en-US", "one hundredth of a second", "One hundredth of a second"},
    {"en-US", "twenty five hundred thousand", "Twenty five hundred thousand"},
    {"en-US", "two thousand and five hundred", "Two thousand and five hundred"},
    {"en-US", "three point fourteen", "Three point fourteen"},
    {"en-US", "point five", "Point five"},
    {"en-US", "three point", "Three point"},
    {"en-US", "and ten", "And 10"},
    // Other spellings of English.
    {"en_GB", "i have twelve", "I have 12"},
    {"EN", "i have twelve", "I have 12"},
    // Chinese and Japanese: no space between their characters, a space beside Latin stays.
    {"zh-CN", "今天 天气 很 好", "今天天气很好"},
    {"zh-CN", "今天 天气 很 好 我们 去 公园", "今天天气很好我们去公园"},  // two utterances
    {"zh-CN", "我 用 iPhone 打 电话", "我用 iPhone 打电话"},
    {"zh-CN", "我用iPhone", "我用iPhone"},
    {"zh-CN", "你好 ， 世界 。", "你好，世界。"},
    {"zh-CN", "i have ten", "i have ten"},  // English rules are English only
    {"zh-Hans-CN", "中文  文字", "中文文字"},
    {"ja-JP", "今日 は いい 天気 です", "今日はいい天気です"},
    {"ja-JP", "カタカナ ひらがな", "カタカナひらがな"},
    {"th-TH", "สวัสดี ครับ", "สวัสดีครับ"},
    {"ko-KR", "오늘 날씨", "오늘 날씨"},  // Hangul is written with spaces
    // Other languages with capitals: the first letter, in any script; no English rules.
    {"fr-FR", "il fait beau i dix", "Il fait beau i dix"},
    {"fr-FR", "élan", "Élan"},
    {"ru-RU", "привет мир", "Привет мир"},
    {"de-DE", "3 äpfel", "3 äpfel"},
    {"tr-TR", "istanbul", "istanbul"},
    // A language it does not know: unchanged but for the spacing of unspaced scripts.
    {"tlh", "the weather i ten", "the weather i ten"},
    {"", "i have ten 今天 天气", "i have ten 今天天气"},
    // Bytes that are not UTF-8 are kept.
    {"zh-CN", "\xe4\xbb \xe5\xa4\xa9", "\xe4\xbb \xe5\xa4\xa9"},
    {"en-US", "\xff ten", "\xff 10"},
};

TEST(TranscriptFormatter, WritesTheWordsAsDictatedText) {
  for (const Case& c : kCases) {
    EXPECT_EQ(TranscriptFormatter(c.locale).format(c.words), c.formatted)
        << c.locale << ": \"" << c.words << "\"";
  }
}

// Each partial is formatted from the whole text: a revision that shrinks or changes a number is
// written as it now reads, not as the previous one was.
TEST(TranscriptFormatter, RevisedPartialsAreFormattedAfresh) {
  const TranscriptFormatter english("en-US");
  const std::vector<std::pair<const char*, const char*>> partials = {
      {"go forward ten meters", "Go forward 10 meters"},
      {"go forward ten", "Go forward 10"},
      {"go forward", "Go forward"},
      {"go", "Go"},
      {"", ""},
      {"i", "I"},
      {"nineteen", "19"},
      {"nineteen ninety", "Nineteen ninety"},
      {"nineteen", "19"},
      {"twenty", "20"},
      {"twenty five", "25"},
      {"twenty", "20"},
      {"one", "One"},
      {"one hundred and", "100 and"},
      {"one hundred and twelve", "112"},
  };
  for (const auto& [words, formatted] : partials) {
    EXPECT_EQ(english.format(words), formatted) << words;
  }
}

// Figures are compared on words whose case and way of writing numbers do not count.
TEST(WordErrorRate, IgnoresCaseAndHowANumberIsWrittenButNotItsValue) {
  using testing::wordErrorRate;
  EXPECT_EQ(wordErrorRate("go forward ten meters", "Go forward 10 meters"), 0.0);
  EXPECT_EQ(wordErrorRate("meet at seven", "Meet at 7"), 0.0);
  EXPECT_EQ(wordErrorRate("one hundred and twelve", "112"), 0.0);
  EXPECT_EQ(wordErrorRate("go forward ten meters", "Go forward 11 meters"), 0.25);
  EXPECT_EQ(wordErrorRate("go forward ten meters", "Go for word 10 meters"), 0.5);
  EXPECT_EQ(wordErrorRate("the weather", "The whether"), 0.5);
}

}  // namespace
}  // namespace dictation_agent
