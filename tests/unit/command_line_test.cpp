#include "main/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation_agent {
namespace {

// The arguments as a failure shows them: "[agent][--status]", so that empty and spaced ones show.
std::string bracketed(const std::vector<std::string>& arguments) {
  std::string shown;
  for (const std::string& argument : arguments) shown += "[" + argument + "]";
  return shown;
}

struct CommandLineCase {
  std::vector<std::string> arguments;
  std::string localeIdentifier;
  bool statusProbe;
};

const CommandLineCase kCases[] = {
    {{"agent"}, "zh-CN", false},
    {{"agent", "en-US"}, "en-US", false},
    {{"agent", "--status"}, "zh-CN", true},
    {{"agent", "--status", "en-US"}, "en-US", true},
    {{"agent", "en-US", "--status"}, "en-US", true},
    // "--" is no end-of-options marker: skipped like any other "--" argument.
    {{"agent", "--", "en-US"}, "en-US", false},
    {{"agent", "--verbose"}, "zh-CN", false},
    {{"agent", "fr-FR", "de-DE"}, "fr-FR", false},
    {{"agent", "-x"}, "-x", false},
    {{"agent", ""}, "", false},
    {{"agent", " en-US "}, " en-US ", false},
    // Only the exact option selects the probe; the look-alikes are not identifiers either.
    {{"agent", "--status=1"}, "zh-CN", false},
    {{"agent", "--STATUS"}, "zh-CN", false},
    {{"agent", "--statuses"}, "zh-CN", false},
    // The option counts anywhere, the program name included; the identifier never comes from it.
    {{"--status"}, "zh-CN", true},
    {{"en-US"}, "zh-CN", false},
    {{"--status", "ja-JP"}, "ja-JP", true},
};

TEST(ParseCommandLine, FirstIdentifierWinsAndOnlyTheExactOptionProbes) {
  for (const CommandLineCase& expected : kCases) {
    SCOPED_TRACE(bracketed(expected.arguments));
    const CommandLine parsed = parseCommandLine(expected.arguments);
    EXPECT_EQ(parsed.localeIdentifier, expected.localeIdentifier);
    EXPECT_EQ(parsed.statusProbe, expected.statusProbe);
  }
}

struct OptionCase {
  std::vector<std::string> arguments;
  bool help;
  bool version;
  std::string localeIdentifier;
};

// The two options are exact and never the identifier; everything else keeps its meaning.
const OptionCase kOptionCases[] = {
    {{"agent", "--help"}, true, false, "zh-CN"},
    {{"agent", "--version"}, false, true, "zh-CN"},
    {{"agent", "en-US", "--status", "--help", "--version"}, true, true, "en-US"},
    {{"agent", "--HELP", "-h", "--version=1"}, false, false, "-h"},
    {{"agent", "--helpme", "--versions"}, false, false, "zh-CN"},
    // The program name is never taken for an option.
    {{"--help"}, false, false, "zh-CN"},
    {{"--version", "fr-FR"}, false, false, "fr-FR"},
};

TEST(ParseCommandLine, HelpAndVersionAreExactOptionsAfterTheProgramName) {
  for (const OptionCase& expected : kOptionCases) {
    SCOPED_TRACE(bracketed(expected.arguments));
    const CommandLine parsed = parseCommandLine(expected.arguments);
    EXPECT_EQ(parsed.help, expected.help);
    EXPECT_EQ(parsed.version, expected.version);
    EXPECT_EQ(parsed.localeIdentifier, expected.localeIdentifier);
  }
}

}  // namespace
}  // namespace dictation_agent
