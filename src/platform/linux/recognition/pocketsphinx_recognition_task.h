#pragma once

#include <memory>
#include <thread>

#include "platform/linux/buffered_recognition_request.h"
#include "platform/linux/recognition/pocketsphinx_model.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// Recognition of one request on a worker thread of its own, which owns the decoder: it loads
// the model (the audio captured meanwhile waits in the request), then resamples and decodes
// each queued buffer, gives out a partial result whenever the hypothesis changes and, once the
// request's audio has ended and its queue is drained, the final result. Every handler call is
// made on the worker. A model that does not load, or a decoder that fails, is an error.
class PocketsphinxRecognitionTask final : public RecognitionTask {
 public:
  // A null request (one of another backend) fails at once.
  PocketsphinxRecognitionTask(PocketsphinxModel model,
                              std::shared_ptr<BufferedRecognitionRequest> request,
                              SpeechRecognizer::ResultHandler handler);

  // Asks the worker to stop and returns at once: the decoder may be inside a step that cannot
  // be interrupted (loading takes a fifth of a second). Nothing is delivered after the worker
  // sees the request, and the worker touches only what it owns.
  void cancel() override { worker_.request_stop(); }

  // Joins the worker.
  ~PocketsphinxRecognitionTask() override = default;

 private:
  std::jthread worker_;
};

}  // namespace dictation_agent
