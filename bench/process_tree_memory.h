#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace dictation_agent::bench {

// The parent of a process, from /proc; nothing once it has ended and been reaped.
std::optional<pid_t> parentOf(pid_t pid);

// The resident memory of a process and of every descendant it starts, read from /proc while
// they run. Each sample finds the tree again (by the parent pid in /proc/<pid>/stat) and keeps
// following every process once seen, even after an exit of its parent has given it to another
// one. A process's VmHWM only grows, so its last sample is its peak but for what it added in
// its last interval; the simultaneous figure is the largest sum of VmRSS seen at one sample.
class ProcessTreeMemory {
 public:
  ProcessTreeMemory(pid_t root, std::chrono::milliseconds interval);
  ~ProcessTreeMemory() { stop(); }
  ProcessTreeMemory(const ProcessTreeMemory&) = delete;
  ProcessTreeMemory& operator=(const ProcessTreeMemory&) = delete;

  // Takes a last sample and ends the sampling.
  void stop();

  // The sum over the root and each descendant of its own peak (VmHWM), in kB.
  long summedPeakKilobytes() const;
  // The largest total VmRSS of the tree at one sample, in kB.
  long simultaneousPeakKilobytes() const;
  // Every descendant seen (the root not included).
  std::set<pid_t> descendants() const;

 private:
  void sample();

  const pid_t root_;
  mutable std::mutex mutex_;
  std::map<pid_t, long> peakKilobytes_;  // the root and its descendants, by pid
  long simultaneousPeak_ = 0;
  std::jthread thread_;
};

}  // namespace dictation_agent::bench
