#include "platform/linux/asio_main_queue.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <memory>

namespace dictation_agent {

AsioMainQueue::AsioMainQueue() : keepRunning_(asio::make_work_guard(context_)) {}

void AsioMainQueue::post(Task task) {
  asio::post(context_, std::move(task));
}

void AsioMainQueue::postAfter(double seconds, Task task) {
  // The deadline is taken now, on the caller's thread; the timer itself is made on the main
  // thread so that no timer object is shared between threads.
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(seconds));
  asio::post(context_, [this, deadline, task = std::move(task)]() mutable {
    auto timer = std::make_shared<asio::steady_timer>(context_, deadline);
    timer->async_wait([timer, task = std::move(task)](const std::error_code&) { task(); });
  });
}

void AsioMainQueue::run() {
  context_.run();
}

}  // namespace dictation_agent
