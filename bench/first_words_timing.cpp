// How soon the first words are heard, as a host sees it, for a speaker who starts the moment
// "listening" arrives and for one who starts 0.5 s later, runs of the two interleaved: from the
// start of playback into the virtual microphone of a private sound server
// (bench/run_first_words_timing starts one) to the first "transcript" with text. Each AGENT given
// is measured the same way in the same rounds, so a build can be set beside another.
//
//   first_words_timing SENTENCE.wav RUNS AGENT...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/child_process.h"
#include "median.h"

using dictation_agent::bench::median;

namespace {

using dictation_agent::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

// Reads events until one of `type` (with text, for a transcript); false when the agent ends,
// fails or says nothing for 60 s first.
bool readUntil(ChildProcess& agent, const std::string& type) {
  while (const auto line = agent.readLine(std::chrono::seconds(60))) {
    const auto event = nlohmann::json::parse(*line, nullptr, false);
    if (event.is_discarded()) continue;
    const std::string kind = event.value("type", "");
    if (kind == type && (type != "transcript" || !event.value("text", "").empty())) return true;
    if (kind == "error" || kind == "final") {
      std::fprintf(stderr, "the agent ended with %s\n", line->c_str());
      return false;
    }
  }
  return false;
}

// Play start -> first transcript, in seconds, speech starting `delay` after "listening".
std::optional<double> measure(const std::string& agentPath, const std::string& wav,
                              std::chrono::milliseconds delay) {
  ChildProcess agent({agentPath, "en-US"});
  if (!agent.started() || !readUntil(agent, "listening")) return std::nullopt;
  std::this_thread::sleep_for(delay);
  const auto played = Clock::now();
  ChildProcess player({"paplay", "--device=virt", wav});
  if (!readUntil(agent, "transcript")) return std::nullopt;
  const double heard = std::chrono::duration<double>(Clock::now() - played).count();
  if (player.wait(std::chrono::seconds(60)) != 0) return std::nullopt;
  agent.write("stop\n");
  if (!readUntil(agent, "final") && agent.wait(std::chrono::seconds(60)) != 0) return std::nullopt;
  return heard;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SENTENCE.wav RUNS AGENT...\n", argv[0]);
    return 2;
  }
  const std::string wav = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  const std::vector<std::string> agents(argv + 3, argv + argc);
  using std::chrono::milliseconds;
  const milliseconds delays[] = {milliseconds(0), milliseconds(500)};
  // [agent][delay]: one figure per run
  std::vector<std::vector<std::vector<double>>> heard(agents.size(),
                                                      std::vector<std::vector<double>>(2));
  std::printf("%-5s %-6s %-24s %-24s %s\n", "run", "agent", "at once: play->words (s)",
              "0.5 s later (s)", "ratio");
  for (int run = 1; run <= runs; ++run) {
    for (std::size_t a = 0; a < agents.size(); ++a) {
      double figures[2];
      for (int d = 0; d < 2; ++d) {
        const auto figure = measure(agents[a], wav, delays[d]);
        if (!figure) {
          std::fprintf(stderr, "run %d of %s failed\n", run, agents[a].c_str());
          return 1;
        }
        figures[d] = *figure;
        heard[a][d].push_back(*figure);
      }
      std::printf("%-5d %-6zu %-24.3f %-24.3f %.2fx\n", run, a + 1, figures[0], figures[1],
                  figures[0] / figures[1]);
    }
  }
  for (std::size_t a = 0; a < agents.size(); ++a) {
    const double now = median(heard[a][0]);
    const double later = median(heard[a][1]);
    std::printf("%-5s %-6zu %-24.3f %-24.3f %.2fx   %s\n", "median", a + 1, now, later, now / later,
                agents[a].c_str());
  }
  return 0;
}
