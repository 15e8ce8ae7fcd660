#include "process_tree_memory.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace dictation_agent::bench {

// /proc/<pid>/stat reads "pid (name) state ppid ..."; the name may hold spaces and parentheses,
// so the fields are read after its last ')'.
std::optional<pid_t> parentOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(file, stat)) return std::nullopt;
  const auto end = stat.rfind(')');
  if (end == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(end + 1));
  char state = 0;
  pid_t parent = 0;
  if (!(fields >> state >> parent)) return std::nullopt;
  return parent;
}

namespace {

std::map<pid_t, pid_t> parentsOfAll() {
  std::map<pid_t, pid_t> parents;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    pid_t pid = 0;
    const auto [end, failure] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (failure != std::errc() || end != name.data() + name.size()) continue;
    if (const auto parent = parentOf(pid)) parents[pid] = *parent;
  }
  return parents;
}

struct Resident {
  long peak = 0;     // VmHWM
  long current = 0;  // VmRSS
};

// Nothing for a process that has ended or become a zombie (whose status holds no Vm lines).
std::optional<Resident> residentOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  Resident resident;
  bool seen = false;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line);
    std::string key;
    long kilobytes = 0;
    if (!(fields >> key >> kilobytes)) continue;
    if (key == "VmHWM:") {
      resident.peak = kilobytes;
      seen = true;
    } else if (key == "VmRSS:") {
      resident.current = kilobytes;
    }
  }
  return seen ? std::optional(resident) : std::nullopt;
}

}  // namespace

ProcessTreeMemory::ProcessTreeMemory(pid_t root, std::chrono::milliseconds interval) : root_(root) {
  sample();
  thread_ = std::jthread([this, interval](std::stop_token stop) {
    while (!stop.stop_requested()) {
      std::this_thread::sleep_for(interval);
      sample();
    }
  });
}

void ProcessTreeMemory::stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  sample();
}

void ProcessTreeMemory::sample() {
  const auto parents = parentsOfAll();
  std::lock_guard lock(mutex_);
  // The tree: the root, every process seen before, and whatever descends from them now.
  std::set<pid_t> tree = {root_};
  for (const auto& [pid, peak] : peakKilobytes_) tree.insert(pid);
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : parents) {
      if (tree.contains(parent) && tree.insert(pid).second) grew = true;
    }
  }
  long total = 0;
  for (const pid_t pid : tree) {
    const auto resident = residentOf(pid);
    if (!resident) continue;
    long& peak = peakKilobytes_[pid];
    peak = std::max(peak, resident->peak);
    total += resident->current;
  }
  simultaneousPeak_ = std::max(simultaneousPeak_, total);
}

long ProcessTreeMemory::summedPeakKilobytes() const {
  std::lock_guard lock(mutex_);
  long sum = 0;
  for (const auto& [pid, peak] : peakKilobytes_) sum += peak;
  return sum;
}

long ProcessTreeMemory::simultaneousPeakKilobytes() const {
  std::lock_guard lock(mutex_);
  return simultaneousPeak_;
}

std::set<pid_t> ProcessTreeMemory::descendants() const {
  std::lock_guard lock(mutex_);
  std::set<pid_t> pids;
  for (const auto& [pid, peak] : peakKilobytes_) {
    if (pid != root_) pids.insert(pid);
  }
  return pids;
}

}  // namespace dictation_agent::bench
