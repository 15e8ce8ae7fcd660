// Start-up of the agent against the floors it is measured by, in the same run, interleaved so
// that both sides of a ratio see the same machine (bench/run_startup_timing starts a private
// PulseAudio server and runs it):
//   - `dictation-agent --status en-US`, spawn to exit, over anchor_json_line (a C++ program
//     that writes one JSON line and exits);
//   - a dictation's spawn to "listening", over anchor_pulse_record's spawn to its line (a C
//     program that opens a record stream on the default source with pa_simple_new);
//   - the price of linking soxr and utf8proc: anchor_json_line linked against each of them
//     (and both), spawn to exit, over the bare anchor; the same for pocketsphinx and
//     sphinxbase, which the agent links for as long as it recognises in-process.
// Medians of the runs, and their ratios.
//
//   startup_timing AGENT BENCH_DIR [RUNS [OTHER_AGENT]]
//
// OTHER_AGENT, another build of the agent, has its spawn to "listening" measured in the same
// rounds.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "median.h"

extern char** environ;

using dictation_agent::bench::median;

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

// A program with its standard input and output on pipes and its standard error discarded,
// reaped with a blocking wait so that no polling interval shows in the figures.
class Spawned {
 public:
  explicit Spawned(const std::vector<std::string>& command) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~Spawned() {
    closeInput();
    if (output_ >= 0) ::close(output_);
  }
  Spawned(const Spawned&) = delete;
  Spawned& operator=(const Spawned&) = delete;

  // True once a line containing `marker` has been read; false at end of output.
  bool readUntil(const std::string& marker) {
    while (true) {
      const auto end = buffered_.find('\n');
      if (end != std::string::npos) {
        const bool found = buffered_.substr(0, end).find(marker) != std::string::npos;
        buffered_.erase(0, end + 1);
        if (found) return true;
        continue;
      }
      char chunk[4096];
      const ssize_t count = ::read(output_, chunk, sizeof(chunk));
      if (count <= 0) return false;
      buffered_.append(chunk, static_cast<std::size_t>(count));
    }
  }

  void closeInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }

  // Reads the output to its end, then waits for the exit; true for exit status 0.
  bool finish() {
    if (pid_ <= 0) return false;
    char chunk[4096];
    while (::read(output_, chunk, sizeof(chunk)) > 0) {
    }
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return false;
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
};

// Spawn to exit; a negative figure when the program failed.
double untilExit(const std::vector<std::string>& command) {
  const auto started = Clock::now();
  Spawned child(command);
  child.closeInput();
  if (!child.started() || !child.finish()) return -1;
  return milliseconds(Clock::now() - started);
}

// Spawn to the first line that contains `marker`; the program is then ended by closing its
// input (the agent cancels) and reaped, untimed.
double untilLine(const std::vector<std::string>& command, const std::string& marker) {
  const auto started = Clock::now();
  Spawned child(command);
  if (!child.started() || !child.readUntil(marker)) return -1;
  const double elapsed = milliseconds(Clock::now() - started);
  child.closeInput();
  return child.finish() ? elapsed : -1;
}

struct Measure {
  std::string name;
  std::function<double()> run;
  std::vector<double> figures;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s AGENT BENCH_DIR [RUNS]\n", argv[0]);
    return 2;
  }
  const std::string agent = argv[1];
  const std::string bench = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
  const std::string other = argc > 4 ? argv[4] : "";

  std::vector<Measure> measures = {
      {"status",
       [&] {
         return untilExit({agent, "--status", "en-US"});
       },
       {}},
      {"json_line", [&] { return untilExit({bench + "/anchor_json_line"}); }, {}},
      {"listening",
       [&] {
         return untilLine({agent, "en-US"}, "\"listening\"");
       },
       {}},
      {"pulse_record",
       [&] { return untilLine({bench + "/anchor_pulse_record"}, "listening"); },
       {}},
      {"json_line+soxr", [&] { return untilExit({bench + "/anchor_json_line_soxr"}); }, {}},
      {"json_line+utf8proc", [&] { return untilExit({bench + "/anchor_json_line_utf8proc"}); }, {}},
      {"json_line+both",
       [&] { return untilExit({bench + "/anchor_json_line_soxr_utf8proc"}); },
       {}},
      {"json_line+recogniser",
       [&] { return untilExit({bench + "/anchor_json_line_pocketsphinx_sphinxbase"}); },
       {}},
  };
  if (!other.empty()) {
    measures.push_back({"listening_other",
                        [&] {
                          return untilLine({other, "en-US"}, "\"listening\"");
                        },
                        {}});
  }
  // One warm-up round, untimed: the page cache, the server's first client.
  for (auto& measure : measures) measure.run();
  for (int i = 0; i < runs; ++i) {
    for (auto& measure : measures) {
      const double figure = measure.run();
      if (figure < 0) {
        std::fprintf(stderr, "%s failed in run %d\n", measure.name.c_str(), i + 1);
        return 1;
      }
      measure.figures.push_back(figure);
    }
  }

  std::map<std::string, double> medians;
  for (const auto& measure : measures) medians[measure.name] = median(measure.figures);
  const auto ratio = [&](const char* label, const std::string& subject, const std::string& anchor,
                         const char* goal) {
    std::printf("%-38s %8.2f ms / %8.2f ms = %5.2fx%s\n", label, medians[subject], medians[anchor],
                medians[subject] / medians[anchor], goal);
  };
  std::printf("%d interleaved runs, medians (ms)\n", runs);
  ratio("--status en-US / json line", "status", "json_line", "   (goal <= 1.3x)");
  ratio("spawn->listening / pulse record", "listening", "pulse_record", "   (goal <= 1.25x)");
  if (!other.empty()) {
    ratio("other agent: spawn->listening / record", "listening_other", "pulse_record", "");
  }
  ratio("json line + soxr / json line", "json_line+soxr", "json_line", "");
  ratio("json line + utf8proc / json line", "json_line+utf8proc", "json_line", "");
  ratio("json line + both / json line", "json_line+both", "json_line", "");
  ratio("json line + pocketsphinx / json line", "json_line+recogniser", "json_line", "");
  return 0;
}
