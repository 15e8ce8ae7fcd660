// The checks that every end-to-end run goes through, on runs written by hand.

#include "e2e/event_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation_agent::testing {
namespace {

std::vector<std::string> typesOf(const std::string& letters) {
  std::vector<std::string> types;
  for (char letter : letters) {
    switch (letter) {
      case 'P': types.push_back("permissions"); break;
      case 'A': types.push_back("authorizing"); break;
      case 'L': types.push_back("listening"); break;
      case 'T': types.push_back("transcript"); break;
      case 'F': types.push_back("final"); break;
      case 'E': types.push_back("error"); break;
      default: types.push_back("status"); break;
    }
  }
  return types;
}

TEST(EventOrder, WholeRunsAndTheirBeginnings) {
  const struct {
    std::string letters;
    bool whole;
    bool valid;
  } rows[] = {
      {"E", true, true},         {"PAF", true, true},      {"PAPE", true, true},
      {"PAPF", true, true},      {"PAPPE", true, true},    {"PAPPLF", true, true},
      {"PAPPLTTTE", true, true}, {"PAPPLTF", true, true},  {"PAPPLT", false, true},
      {"PA", false, true},       {"", false, true},        {"PAPPLT", true, false},
      {"PAPPTF", true, false},   {"PAPPLFT", true, false}, {"PAPPLFF", true, false},
      {"PPAF", true, false},     {"EE", true, false},      {"PAPPPLF", true, false},
      {"PAPPLLF", true, false},  {"PAPPLS", false, false}, {"", true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.letters + (row.whole ? " (whole)" : " (beginning)"));
    EXPECT_EQ(!eventOrderProblem(typesOf(row.letters), row.whole).has_value(), row.valid);
  }
}

TEST(EventText, CountsGraphemeClustersNotBytes) {
  const std::string e = "e\xCC\x81";  // e and a combining acute accent: one character
  std::string accented;
  for (std::size_t i = 0; i < kTextMaxCharacters; ++i) accented += e;
  EXPECT_FALSE(eventTextProblem({{"type", "transcript"}, {"text", accented}}).has_value());
  EXPECT_TRUE(eventTextProblem({{"type", "final"}, {"text", accented + "x"}}).has_value());
  EXPECT_TRUE(
      eventTextProblem({{"type", "transcript"}, {"text", std::string(16001, 'a')}}).has_value());
  EXPECT_FALSE(eventTextProblem({{"type", "listening"}}).has_value());
}

}  // namespace
}  // namespace dictation_agent::testing
