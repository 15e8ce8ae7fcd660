#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "platform/linux/capture/pulse_session.h"
#include "platform/main_queue.h"

namespace dictation_agent::testing {

// A session that has visited the server, as the microphone request leaves it for the engine.
// The test's own thread waits for the server here, as only an answer thread does in the agent.
inline std::shared_ptr<PulseSession> connectedSession(PulseSettings settings,
                                                      const char* soname = PulseLibrary::kSoname) {
  auto session = std::make_shared<PulseSession>(std::move(settings), soname);
  session->keep(session->connect());
  return session;
}

// A main queue that runs each task at once on the posting thread: enough for the microphone
// request, whose answer thread posts what it found and then calls the handler.
class ImmediateQueue final : public MainQueue {
 public:
  void post(Task task) override { task(); }
  void postAfter(double, Task) override { ADD_FAILURE() << "nothing here posts a delayed task"; }
  void run() override {}
};

}  // namespace dictation_agent::testing
