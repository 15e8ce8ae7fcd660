// A long dictation of recorded speech, measured as a host sees it and side by side with the bare
// pocketsphinx decoder (pocketsphinx_continuous -infile, same model) on the same file in the same
// run. bench/run_long_dictation builds the recording and starts the private sound server whose
// virtual microphone it is played into.
//
//   long_dictation AGENT RECORDING.wav REFERENCE.txt AUDIO_SECONDS MODEL_FOLDER
//                  [RUNS [SERVER_PID [OTHER_AGENT]]]
//
// OTHER_AGENT, another build of the agent (its recogniser beside it), is measured in each run too.
//
// Each run measures, one after the other, the agent, the live anchor (pocketsphinx_continuous
// -inmic yes, same model, recording from the same server's default source while the same
// recording is played into it) and the bare decoder on the file.
//
// How each figure is taken:
// - stop -> "final": the recording is played into the virtual microphone (paplay returns once
//   the server has played it all), the agent's events are read meanwhile, "stop" is written
//   0.5 s later, and the clock runs from that write to the "final" line.
// - peak RSS: the agent's figure counts the agent and every process it starts (the recogniser
//   may run in a child of its own). /proc/<pid>/status is sampled every 20 ms for the agent and
//   its descendants; the figure is the sum of each one's VmHWM, an upper bound of what they held
//   at once (the largest sum of VmRSS at one sample is printed beside it). The bare decoder's is
//   its ru_maxrss from wait4, which is its VmHWM.
// - CPU per audio second: user + system time from wait4, which includes the children each
//   process reaped itself. This program makes itself a child subreaper, so a descendant the
//   agent leaves behind when it exits comes to it and is reaped here with its own usage; the
//   agent's figure is the agent's usage plus those. The agent's is divided by the audio it
//   captured (from "listening" to the stop write), the bare decoder's by the recording's length;
//   both include loading the model.
//   The live anchor's is its usage from its start to the SIGINT that ends it, 0.5 s after the
//   playback, divided by the audio from the moment its record stream appeared on the server to
//   that signal.
// - server CPU per audio second: the sound server's user + system time (from /proc, when its pid
//   is given) over the same span as the process it served, divided the same way.
// - WER: word error rate of the agent's final text, and of the decoder's utterances joined, against
//   the reference transcription, all three compared with case folded and numbers read as values
//   ("Ten" = "10" = "ten"), so that the agent's formatting is no error.

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "e2e/child_process.h"
#include "linux/word_error_rate.h"
#include "process_tree_memory.h"

namespace {

using dictation_agent::bench::parentOf;
using dictation_agent::bench::ProcessTreeMemory;
using dictation_agent::testing::ChildProcess;
using dictation_agent::testing::wordErrorRate;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Figures {
  double stopToFinal = 0;  // seconds; the agent only
  double peakMegabytes = 0;
  double simultaneousMegabytes = 0;  // the agent only
  double cpuPerAudioSecond = 0;
  double wordErrorRate = 0;
  double serverCpuPerAudioSecond = 0;  // live runs only, with the server's pid
  std::string text;
};

// The sound server's user + system seconds so far; 0 without its pid.
double serverCpuSeconds(pid_t server) {
  if (server <= 0) return 0;
  std::ifstream file("/proc/" + std::to_string(server) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto end = stat.rfind(')');
  if (end == std::string::npos) return 0;
  std::istringstream fields(stat.substr(end + 2));
  std::string field;
  double ticks = 0;
  // Fields 14 and 15 (utime, stime); the first after the name is field 3.
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

double megabytes(long kilobytes) {
  return kilobytes / 1024.0;
}

// Reads and drops the agent's events until `deadline`; false when it ends or fails first.
bool readEventsUntil(ChildProcess& agent, Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const auto line = agent.readLine(std::min<std::chrono::milliseconds>(left, 20ms));
    if (!line) continue;
    const auto event = nlohmann::json::parse(*line, nullptr, false);
    const std::string type = event.is_discarded() ? "" : event.value("type", "");
    if (type == "error" || type == "final") {
      std::fprintf(stderr, "the agent ended before the stop: %s\n", line->c_str());
      return false;
    }
  }
  return true;
}

// Events up to the one of `type`; its text, or nothing when the agent ends or fails first.
std::optional<std::string> readUntil(ChildProcess& agent, const std::string& type) {
  while (const auto line = agent.readLine(60s)) {
    const auto event = nlohmann::json::parse(*line, nullptr, false);
    if (event.is_discarded()) continue;
    if (event.value("type", "") == type) return event.value("text", "");
    if (event.value("type", "") == "error" || event.value("type", "") == "final") {
      std::fprintf(stderr, "the agent ended with %s\n", line->c_str());
      return std::nullopt;
    }
  }
  std::fprintf(stderr, "no \"%s\" from the agent; standard error: %s\n", type.c_str(),
               agent.errorOutput().c_str());
  return std::nullopt;
}

// Reaps the descendants the agent left behind (they came to this subreaper); their CPU seconds.
// One still running 10 s after the agent's exit is reported and killed. Only processes whose
// parent is this one or another descendant count, so a pid reused meanwhile is left alone.
double reapLeftBehind(const std::set<pid_t>& descendants) {
  const auto running = [&] {
    std::vector<pid_t> pids;
    for (const pid_t pid : descendants) {
      const auto parent = parentOf(pid);
      if (parent && (*parent == ::getpid() || descendants.contains(*parent))) pids.push_back(pid);
    }
    return pids;
  };
  double cpu = 0;
  const auto deadline = Clock::now() + 10s;
  for (auto pids = running(); !pids.empty(); pids = running()) {
    int status = 0;
    rusage usage{};
    const pid_t done = ::wait4(-1, &status, WNOHANG, &usage);
    if (done > 0) {
      cpu += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
             usage.ru_stime.tv_usec / 1e6;
    } else if (Clock::now() >= deadline) {
      std::fprintf(stderr, "%zu descendants of the agent still ran 10 s after its exit: killed\n",
                   pids.size());
      for (const pid_t pid : pids) ::kill(pid, SIGKILL);
    } else {
      std::this_thread::sleep_for(10ms);
    }
  }
  return cpu;
}

// Plays `wav` into the virtual microphone, and reads `listener`'s output with `readOutput` until
// 0.5 s after the playback; false when either fails.
template <typename ReadOutput>
bool play(const std::string& wav, double audioSeconds, ReadOutput readOutput) {
  ChildProcess player({"paplay", "--device=virt", wav});
  player.closeInput();
  // paplay's exit status is known once it has ended; until then wait() says -1.
  const auto playedBy = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(audioSeconds + 30));
  while (player.wait(0ms) == -1 && Clock::now() < playedBy) {
    if (!readOutput(Clock::now() + 50ms)) return false;
  }
  return player.wait(0ms) == 0 && readOutput(Clock::now() + 500ms);
}

std::optional<Figures> measureAgent(const std::string& agentPath, const std::string& wav,
                                    double audioSeconds, const std::string& reference,
                                    pid_t server) {
  const double serverBefore = serverCpuSeconds(server);
  ChildProcess agent({agentPath, "en-US"});
  if (!agent.started() || !readUntil(agent, "listening")) return std::nullopt;
  const auto listening = Clock::now();
  ProcessTreeMemory memory(agent.pid(), 20ms);

  if (!play(wav, audioSeconds,
            [&](Clock::time_point deadline) { return readEventsUntil(agent, deadline); })) {
    return std::nullopt;
  }
  agent.write("stop\n");
  const auto stopped = Clock::now();
  Figures figures;
  const auto text = readUntil(agent, "final");
  if (!text) return std::nullopt;
  figures.stopToFinal = seconds(Clock::now() - stopped);
  figures.text = *text;

  if (agent.wait(60s) != 0) {
    std::fprintf(stderr, "the agent did not exit with status 0\n");
    return std::nullopt;
  }
  if (!agent.errorOutput().empty()) {
    std::fprintf(stderr, "the agent wrote to standard error: %s\n", agent.errorOutput().c_str());
  }
  const double leftBehindCpu = reapLeftBehind(memory.descendants());
  memory.stop();
  figures.peakMegabytes = megabytes(memory.summedPeakKilobytes());
  figures.simultaneousMegabytes = megabytes(memory.simultaneousPeakKilobytes());
  figures.cpuPerAudioSecond = (agent.cpuSeconds() + leftBehindCpu) / seconds(stopped - listening);
  figures.serverCpuPerAudioSecond =
      (serverCpuSeconds(server) - serverBefore) / seconds(stopped - listening);
  figures.wordErrorRate = wordErrorRate(reference, figures.text);
  return figures;
}

std::optional<Figures> measureBareDecoder(const std::string& wav, double audioSeconds,
                                          const std::string& modelFolder,
                                          const std::string& reference) {
  ChildProcess decoder({"pocketsphinx_continuous", "-infile", wav, "-hmm", modelFolder + "/en-us",
                        "-lm", modelFolder + "/en-us.lm.bin", "-dict",
                        modelFolder + "/cmudict-en-us.dict", "-logfn", "/dev/null"});
  decoder.closeInput();
  Figures figures;
  // One line per utterance.
  while (const auto line = decoder.readLine(120s)) {
    if (line->empty()) continue;
    figures.text += (figures.text.empty() ? "" : " ") + *line;
  }
  if (decoder.wait(60s) != 0) {
    std::fprintf(stderr, "pocketsphinx_continuous failed: %s\n", decoder.errorOutput().c_str());
    return std::nullopt;
  }
  figures.peakMegabytes = megabytes(decoder.peakRssKilobytes());
  figures.cpuPerAudioSecond = decoder.cpuSeconds() / audioSeconds;
  figures.wordErrorRate = wordErrorRate(reference, figures.text);
  return figures;
}

// The record streams on the sound server now.
std::size_t sourceOutputs() {
  FILE* pactl = ::popen("pactl list short source-outputs 2>/dev/null", "r");
  if (pactl == nullptr) return 0;
  std::size_t lines = 0;
  for (int c; (c = std::fgetc(pactl)) != EOF;) lines += c == '\n';
  ::pclose(pactl);
  return lines;
}

std::optional<Figures> measureLiveAnchor(const std::string& wav, double audioSeconds,
                                         const std::string& modelFolder,
                                         const std::string& reference, pid_t server) {
  const std::size_t before = sourceOutputs();
  const double serverBefore = serverCpuSeconds(server);
  ChildProcess anchor({"pocketsphinx_continuous", "-inmic", "yes", "-hmm", modelFolder + "/en-us",
                       "-lm", modelFolder + "/en-us.lm.bin", "-dict",
                       modelFolder + "/cmudict-en-us.dict", "-logfn", "/dev/null"});
  anchor.closeInput();
  Figures figures;
  const auto readLines = [&](Clock::time_point deadline) {
    while (Clock::now() < deadline) {
      if (const auto line = anchor.readLine(20ms); line && !line->empty()) {
        figures.text += (figures.text.empty() ? "" : " ") + *line;
      }
    }
    return true;
  };
  // It records once it has loaded its model: a record stream more on the server.
  const auto readyBy = Clock::now() + 60s;
  while (sourceOutputs() <= before && Clock::now() < readyBy) readLines(Clock::now() + 10ms);
  if (sourceOutputs() <= before) {
    std::fprintf(stderr, "pocketsphinx_continuous -inmic yes never recorded\n");
    return std::nullopt;
  }
  const auto ready = Clock::now();
  if (!play(wav, audioSeconds, readLines)) return std::nullopt;
  ::kill(anchor.pid(), SIGINT);
  const auto stopped = Clock::now();
  anchor.wait(60s);
  figures.peakMegabytes = megabytes(anchor.peakRssKilobytes());
  figures.cpuPerAudioSecond = anchor.cpuSeconds() / seconds(stopped - ready);
  figures.serverCpuPerAudioSecond =
      (serverCpuSeconds(server) - serverBefore) / seconds(stopped - ready);
  figures.wordErrorRate = wordErrorRate(reference, figures.text);
  return figures;
}

void printLive(const Figures& agent, const Figures& live, const Figures& bare) {
  std::printf(
      "      CPU/s: agent %.3f, live anchor %.3f (%.3fx), file decoder %.3f (%.3fx); server "
      "CPU/s beside the agent %.3f, beside the live anchor %.3f; agent + server %.3f against "
      "anchor + server %.3f (%.3fx); live anchor WER %.3f\n",
      agent.cpuPerAudioSecond, live.cpuPerAudioSecond,
      agent.cpuPerAudioSecond / live.cpuPerAudioSecond, bare.cpuPerAudioSecond,
      agent.cpuPerAudioSecond / bare.cpuPerAudioSecond, agent.serverCpuPerAudioSecond,
      live.serverCpuPerAudioSecond, agent.cpuPerAudioSecond + agent.serverCpuPerAudioSecond,
      live.cpuPerAudioSecond + live.serverCpuPerAudioSecond,
      (agent.cpuPerAudioSecond + agent.serverCpuPerAudioSecond) /
          (live.cpuPerAudioSecond + live.serverCpuPerAudioSecond),
      live.wordErrorRate);
}

void print(int run, const Figures& agent, const Figures& bare) {
  std::printf("%-5d %10.0f %9.1f %9.1f %9.1f %+9.1f %8.3f %8.3f %6.3fx %7.3f %7.3f\n", run,
              agent.stopToFinal * 1000, agent.peakMegabytes, agent.simultaneousMegabytes,
              bare.peakMegabytes, agent.peakMegabytes - bare.peakMegabytes, agent.cpuPerAudioSecond,
              bare.cpuPerAudioSecond, agent.cpuPerAudioSecond / bare.cpuPerAudioSecond,
              agent.wordErrorRate, bare.wordErrorRate);
}

std::string readReference(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr,
                 "usage: %s AGENT RECORDING.wav REFERENCE.txt AUDIO_SECONDS MODEL_FOLDER [RUNS]\n",
                 argv[0]);
    return 2;
  }
  const std::string agentPath = argv[1], wav = argv[2], modelFolder = argv[5];
  const std::string reference = readReference(argv[3]);
  const double audioSeconds = std::atof(argv[4]);
  const int runs = argc > 6 ? std::max(1, std::atoi(argv[6])) : 2;
  const pid_t server = argc > 7 ? static_cast<pid_t>(std::atoi(argv[7])) : 0;
  const std::string otherAgent = argc > 8 ? argv[8] : "";
  if (reference.empty() || audioSeconds <= 0) {
    std::fprintf(stderr, "no reference text in %s, or no audio length\n", argv[3]);
    return 2;
  }
  // Descendants the agent leaves behind come here, to be reaped with their usage.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);

  std::printf("Agent figures count the agent and its descendants; MB are MiB.\n");
  std::printf("%-5s %10s %9s %9s %9s %9s %8s %8s %7s %7s %7s\n", "run", "stop->fin", "RSS",
              "at once", "bare RSS", "RSS-bare", "CPU/s", "bare", "ratio", "WER", "bare");
  std::printf("%-5s %10s %9s %9s %9s %9s %8s %8s %7s %7s %7s\n", "", "(ms)", "(MB)", "(MB)", "(MB)",
              "(MB)", "", "CPU/s", "", "", "WER");
  for (int run = 1; run <= runs; ++run) {
    const auto agent = measureAgent(agentPath, wav, audioSeconds, reference, server);
    const auto live = measureLiveAnchor(wav, audioSeconds, modelFolder, reference, server);
    const auto bare = measureBareDecoder(wav, audioSeconds, modelFolder, reference);
    if (!agent || !live || !bare) {
      std::fprintf(stderr, "run %d failed\n", run);
      return 1;
    }
    print(run, *agent, *bare);
    printLive(*agent, *live, *bare);
    if (!otherAgent.empty()) {
      const auto other = measureAgent(otherAgent, wav, audioSeconds, reference, server);
      if (!other) {
        std::fprintf(stderr, "run %d of %s failed\n", run, otherAgent.c_str());
        return 1;
      }
      std::printf(
          "      other agent: CPU/s %.3f (%.3fx the live anchor), server CPU/s %.3f, with the "
          "server %.3f (%.3fx), WER %.3f\n",
          other->cpuPerAudioSecond, other->cpuPerAudioSecond / live->cpuPerAudioSecond,
          other->serverCpuPerAudioSecond, other->cpuPerAudioSecond + other->serverCpuPerAudioSecond,
          (other->cpuPerAudioSecond + other->serverCpuPerAudioSecond) /
              (live->cpuPerAudioSecond + live->serverCpuPerAudioSecond),
          other->wordErrorRate);
    }
    std::printf("      agent: %s\n      live:  %s\n      bare:  %s\n", agent->text.c_str(),
                live->text.c_str(), bare->text.c_str());
    std::fflush(stdout);
  }
  return 0;
}
