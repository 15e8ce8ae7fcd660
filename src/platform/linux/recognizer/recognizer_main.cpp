// dictation-agent-recognizer: the process in which the agent runs pocketsphinx. The library
// parses model files it trusts completely and ends its process (exit, abort, a crash) when they
// are damaged; here that ends only this process, which the agent reports as a failed recognition.
//
//   dictation-agent-recognizer ACOUSTIC-MODEL LANGUAGE-MODEL DICTIONARY PARENT-PID
//
// Standard input and output are the agent's socket (see recognizer_protocol.h); standard error
// goes nowhere.

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>

#include "platform/linux/recognizer/decoding_sandbox.h"
#include "platform/linux/recognizer/pocketsphinx_decoder.h"
#include "platform/linux/recognizer/recognition_service.h"

int main(int argc, char** argv) {
  using namespace dictation_agent;
  if (argc != 5) return 2;
  // Ends with the agent, even while the model loads and nothing is read.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (std::to_string(::getppid()) != argv[4]) return 2;

  const PocketsphinxModel model{argv[1], argv[2], argv[3]};
  const auto decoder = PocketsphinxDecoder::load(model);
  if (!decoder) return 3;
  // From here on the model's files have been read and nothing else is needed from the system.
  // A kernel without seccomp leaves the process unconfined rather than without recognition.
  confineToDecoding();
  return serveRecognition(*decoder, STDIN_FILENO, STDOUT_FILENO);
}

#if defined(__SANITIZE_ADDRESS__)
// LeakSanitizer inspects the process from a helper it starts at exit, which the sandbox refuses;
// leaks are looked for in the agent and the tests instead.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}
#endif
