#include "platform/linux/recognition/pocketsphinx_recognition_task.h"

#include <unistd.h>

#include <optional>
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
void feed(std::stop_token stop, RecognizerSession& session, BufferedRecognitionRequest& request) {
  AudioBufferQueue::Batch batch = request.queue().takeAll(stop);
  if (stop.stop_requested()) return;
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
    batch = request.queue().takeAll(stop);
    if (stop.stop_requested()) return;
  }
}

// Starts the process and waits for its model to load, then delivers what the process sends
// back. The process is its child: it lives no longer than this thread.
void read(std::stop_token stop, RecognizerSession& session, const RecognizerLaunch& launch,
          const PocketsphinxRecognitionTask::Work& work) {
  if (!work.hasRequest) {
    if (!stop.stop_requested()) work.handler(std::nullopt, RecognitionError{});
    return;
  }
  auto started = RecognizerProcess::launch(launch.program, recognizerArguments(launch.model));
  const RecognizerProcess* process = started.get();
  session.launched(std::move(started));
  std::optional<FrameReader> frames;
  if (process != nullptr) {
    frames.emplace(process->socket());
    Frame ready;
    if (frames->next(ready, launch.loadBound) != FrameReader::Status::kFrame ||
        ready.kind != FrameKind::kReady) {
      process->kill();
      frames.reset();
    }
  }

  const auto fail = [&] {
    if (process != nullptr) process->kill();
    if (!stop.stop_requested()) work.handler(std::nullopt, RecognitionError{});
  };
  if (!frames) return fail();

  Frame frame;
  while (true) {
    const FrameReader::Status status = frames->next(frame);
    if (stop.stop_requested()) return;
    if (status != FrameReader::Status::kFrame) return fail();
    if (frame.kind == FrameKind::kPartial) {
      if (work.reportPartialResults) {
        work.handler(RecognitionResult{std::move(frame.payload), false}, std::nullopt);
      }
    } else if (frame.kind == FrameKind::kFinal) {
      work.handler(RecognitionResult{std::move(frame.payload), true}, std::nullopt);
      return;
    } else {
      return fail();
    }
  }
}

}  // namespace

PocketsphinxRecognitionTask::PocketsphinxRecognitionTask(
    RecognizerLaunch launch, std::shared_ptr<BufferedRecognitionRequest> request,
    SpeechRecognizer::ResultHandler handler, Start start)
    : launch_(std::move(launch)),
      // Read here, on the main thread that configured the request.
      work_{request != nullptr, request != nullptr && request->reportsPartialResults(),
            std::move(handler)},
      session_(std::make_shared<RecognizerSession>()) {
  if (request != nullptr) {
    feeder_ = std::jthread([session = session_, request = std::move(request)](
                               std::stop_token stop) { feed(stop, *session, *request); });
  }
  if (start == Start::kNow) this->launch();
}

void PocketsphinxRecognitionTask::launch() {
  if (launched_ || cancelled_) return;
  launched_ = true;
  reader_ = std::jthread([session = session_, launch = std::move(launch_), work = std::move(work_)](
                             std::stop_token stop) { read(stop, *session, launch, work); });
}

void PocketsphinxRecognitionTask::cancel() {
  cancelled_ = true;
  reader_.request_stop();
  feeder_.request_stop();
  session_->cancel();
}

PocketsphinxRecognitionTask::~PocketsphinxRecognitionTask() {
  cancel();
}

}  // namespace dictation_agent
