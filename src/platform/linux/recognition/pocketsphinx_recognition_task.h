#pragma once

#include <memory>
#include <thread>

#include "platform/linux/recognition/buffered_recognition_request.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

class RecognizerSession;

// Recognition of one request by a recogniser process of its own, so that whatever the
// recognition library does with a damaged model (exit, abort, crash, hang) ends that process
// and never the agent: it becomes a recognition error. The process starts with the task, which
// may be made before it is given its request, so that the model loads while the dictation is
// still being authorized. A reader thread starts the process, waits a bounded time for its model
// to load, and once the task has begun turns what it sends back into results: a partial one
// whenever the dictation's text changes, then the final one. A feeder thread mixes each queued
// buffer down to mono and writes it to the process, and at the end of the request's audio says
// so. Every handler call is made on the reader.
class PocketsphinxRecognitionTask final : public RecognitionTask {
 public:
  // Starts the process; nothing is recognised until `begin`.
  explicit PocketsphinxRecognitionTask(RecognizerLaunch launch);

  // Starts the process and begins at once.
  PocketsphinxRecognitionTask(RecognizerLaunch launch,
                              std::shared_ptr<BufferedRecognitionRequest> request,
                              SpeechRecognizer::ResultHandler handler);

  // Main thread, once: the request to recognise and where the results go. A null request (one
  // of another backend) fails at once; so does a process that could not start or load its model,
  // whether that became known before or after.
  void begin(std::shared_ptr<BufferedRecognitionRequest> request,
             SpeechRecognizer::ResultHandler handler);

  // Kills the process and stops both threads; returns at once. Nothing is delivered after the
  // reader sees it.
  void cancel() override;

  // Cancels and joins both threads; the process is reaped.
  ~PocketsphinxRecognitionTask() override;

 private:
  std::shared_ptr<RecognizerSession> session_;
  std::jthread reader_;
  std::jthread feeder_;
};

}  // namespace dictation_agent
