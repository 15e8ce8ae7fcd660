// The floor for a one-shot run of the agent: a C++ program that writes one JSON line and exits.
// bench/run_startup_timing compares `dictation-agent --status` with it (and with copies of it
// linked against libraries the agent links, to price each of them).

#include <iostream>

int main() {
  std::cout << R"({"available":true,"permissions":{"microphone":"granted","speech":"granted"},)"
               R"("type":"status"})"
            << '\n';
  return 0;
}
