// What a host of the agent waits for, measured on one spoken sentence played into the virtual
// microphone of a private sound server (bench/run_dictation_timing starts one):
//   - from process start to "listening",
//   - from the stop write to "final",
//   - the agent's CPU time (user + system) per second of audio it captured (listening to stop).
//
//   dictation_timing AGENT SENTENCE.wav [RUNS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "e2e/child_process.h"
#include "median.h"

using dictation_agent::bench::median;

namespace {

using dictation_agent::testing::ChildProcess;
using dictation_agent::testing::runToEnd;
using Clock = std::chrono::steady_clock;

struct Run {
  double startToListening = 0;
  double stopToFinal = 0;
  double cpuPerAudioSecond = 0;
  std::string text;
};

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Reads events until one of `type`; false when the agent ends first or says nothing for 60 s.
bool readUntil(ChildProcess& agent, const std::string& type, std::string* text = nullptr) {
  while (const auto line = agent.readLine(std::chrono::seconds(60))) {
    const auto event = nlohmann::json::parse(*line, nullptr, false);
    if (event.is_discarded()) continue;
    if (event.value("type", "") == type) {
      if (text != nullptr) *text = event.value("text", "");
      return true;
    }
    if (event.value("type", "") == "error") {
      std::fprintf(stderr, "the agent ended with %s\n", line->c_str());
      return false;
    }
  }
  return false;
}

std::optional<Run> measure(const std::string& agentPath, const std::string& wav) {
  Run run;
  const auto started = Clock::now();
  ChildProcess agent({agentPath, "en-US"});
  if (!agent.started() || !readUntil(agent, "listening")) return std::nullopt;
  const auto listening = Clock::now();
  if (runToEnd({"paplay", "--device=virt", wav}) != 0) return std::nullopt;
  agent.write("stop\n");
  const auto stopped = Clock::now();
  if (!readUntil(agent, "final", &run.text)) return std::nullopt;
  const auto finished = Clock::now();
  if (agent.wait(std::chrono::seconds(60)) != 0) return std::nullopt;
  run.startToListening = seconds(listening - started);
  run.stopToFinal = seconds(finished - stopped);
  run.cpuPerAudioSecond = agent.cpuSeconds() / seconds(stopped - listening);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s AGENT SENTENCE.wav [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::vector<double> listening, final, cpu;
  std::printf("%-5s %-22s %-18s %-22s %s\n", "run", "start->listening (s)", "stop->final (s)",
              "CPU s per audio s", "final text");
  for (int i = 1; i <= runs; ++i) {
    const auto run = measure(argv[1], argv[2]);
    if (!run) {
      std::fprintf(stderr, "run %d failed\n", i);
      return 1;
    }
    listening.push_back(run->startToListening);
    final.push_back(run->stopToFinal);
    cpu.push_back(run->cpuPerAudioSecond);
    std::printf("%-5d %-22.3f %-18.3f %-22.3f %s\n", i, run->startToListening, run->stopToFinal,
                run->cpuPerAudioSecond, run->text.c_str());
  }
  std::printf("%-5s %-22.3f %-18.3f %-22.3f\n", "median", median(listening), median(final),
              median(cpu));
  return 0;
}
