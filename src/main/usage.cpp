#include "main/usage.h"

#include "main/command_line.h"

namespace dictation_agent {

std::string usageText() {
  return std::string(
             "Usage: dictation-agent [LOCALE] [--status]\n"
             "       dictation-agent --help | --version\n"
             "\n"
             "Dictates from the default microphone, on this machine only, and writes JSON events,\n"
             "one per line, on standard output; exits with status 0.\n"
             "\n"
             "  LOCALE     the language to recognise, such as en-US (default ") +
         kDefaultLocaleIdentifier +
         ")\n"
         "  --status   only report whether LOCALE can be recognised on this machine and how\n"
         "             the speech and microphone permissions stand; asks for nothing\n"
         "  --help     print this text\n"
         "  --version  print the version\n"
         "\n"
         "While dictating, a write on standard input stops: the \"final\" event carries the\n"
         "transcript. A write containing \"cancel\", end of file, SIGINT, SIGTERM or SIGHUP\n"
         "cancels: the \"final\" event carries empty text.\n"
         "\n"
         "The events and how a host drives the agent: protocol.md, installed in\n"
         "share/doc/dictation-agent; see also dictation-agent(1).\n";
}

std::string versionText() {
  return std::string("dictation-agent ") + AGENT_VERSION + "\n";
}

}  // namespace dictation_agent
