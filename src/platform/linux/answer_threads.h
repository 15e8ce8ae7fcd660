#pragma once

#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace dictation_agent {

// Runs each answer of a permission request on a thread of its own, off the main thread, as the
// requests promise. Destruction waits for the answers still running.
class AnswerThreads {
 public:
  // Main thread.
  void run(std::function<void()> answer) { threads_.emplace_back(std::move(answer)); }

 private:
  std::vector<std::jthread> threads_;
};

}  // namespace dictation_agent
