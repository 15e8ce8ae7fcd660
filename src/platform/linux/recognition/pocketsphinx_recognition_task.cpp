#include "platform/linux/recognition/pocketsphinx_recognition_task.h"

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/linux/recognition/recognizer_session.h"
#include "platform/linux/recognizer/mono_mix.h"
#include "platform/linux/recognizer/recognizer_protocol.h"

namespace dictation_agent {
namespace {

std::vector<std::string> recognizerArguments(const PocketsphinxModel& model) {
  return {model.acousticModel.string(), model.languageModel.string(), model.dictionary.string(),
          std::to_string(::getpid())};
}

// Writes the request's audio to the process as it is queued, and the end of it. Returns when
// the audio has ended, the process is gone or the task is cancelled.
void feed(std::stop_token stop, RecognizerSession& session, BufferedRecognitionRequest* request) {
  if (request == nullptr) {
    session.audioFlows();  // the reader then fails
    return;
  }
  AudioBufferQueue::Batch batch = request->queue().takeAll(stop);
  if (stop.stop_requested()) return;
  session.audioFlows();
  const RecognizerProcess* process = session.waitForLaunch(stop);
  if (process == nullptr) return;

  std::vector<float> mono;
  while (true) {
    for (const auto& buffer : batch.buffers) {
      mixToMono(buffer->samples(), buffer->channelCount(), mono);
      if (mono.empty()) continue;
      if (!sendAll(process->socket(), encodeAudio(buffer->sampleRate(), mono))) return;
    }
    if (batch.closed) {
      sendAll(process->socket(), encodeFrame(FrameKind::kEndOfAudio));
      process->closeForWriting();
      return;
    }
    batch = request->queue().takeAll(stop);
    if (stop.stop_requested()) return;
  }
}

// Starts the process once audio flows, then delivers what it sends back.
void read(std::stop_token stop, RecognizerSession& session, const RecognizerLaunch& launch,
          bool hasRequest, bool reportPartialResults,
          const SpeechRecognizer::ResultHandler& handler) {
  const auto fail = [&] {
    if (!stop.stop_requested()) handler(std::nullopt, RecognitionError{});
  };
  if (!session.waitForAudio(stop)) return;
  auto started = hasRequest
                     ? RecognizerProcess::launch(launch.program, recognizerArguments(launch.model))
                     : nullptr;
  const RecognizerProcess* process = started.get();
  session.launched(std::move(started));
  if (process == nullptr) return fail();

  FrameReader frames(process->socket());
  Frame frame;
  if (frames.next(frame, launch.loadBound) != FrameReader::Status::kFrame ||
      frame.kind != FrameKind::kReady) {
    process->kill();
    return fail();
  }
  while (true) {
    const FrameReader::Status status = frames.next(frame);
    if (stop.stop_requested()) return;
    if (status != FrameReader::Status::kFrame) return fail();
    if (frame.kind == FrameKind::kPartial) {
      if (reportPartialResults) {
        handler(RecognitionResult{std::move(frame.payload), false}, std::nullopt);
      }
    } else if (frame.kind == FrameKind::kFinal) {
      handler(RecognitionResult{std::move(frame.payload), true}, std::nullopt);
      return;
    } else {
      process->kill();
      return fail();
    }
  }
}

}  // namespace

PocketsphinxRecognitionTask::PocketsphinxRecognitionTask(
    RecognizerLaunch launch, std::shared_ptr<BufferedRecognitionRequest> request,
    SpeechRecognizer::ResultHandler handler)
    : session_(std::make_shared<RecognizerSession>()) {
  // Read here, on the main thread that configured the request.
  const bool hasRequest = request != nullptr;
  const bool partial = hasRequest && request->reportsPartialResults();
  reader_ = std::jthread([session = session_, launch = std::move(launch), hasRequest, partial,
                          handler = std::move(handler)](std::stop_token stop) {
    read(stop, *session, launch, hasRequest, partial, handler);
  });
  feeder_ = std::jthread([session = session_, request = std::move(request)](std::stop_token stop) {
    feed(stop, *session, request.get());
  });
}

void PocketsphinxRecognitionTask::cancel() {
  reader_.request_stop();
  feeder_.request_stop();
  session_->cancel();
}

PocketsphinxRecognitionTask::~PocketsphinxRecognitionTask() {
  cancel();
}

}  // namespace dictation_agent
