#include "platform/linux/recognition/pocketsphinx_recognition_task.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/linux/recognition/hypothesis_changes.h"
#include "platform/linux/recognition/pocketsphinx_decoder.h"
#include "platform/linux/recognition/speech_resampler.h"

namespace dictation_agent {
namespace {

// Resamples one buffer and feeds it to the decoder. A buffer in another format than the one
// before it (which capture never produces) starts a new resampler after the old one's tail.
bool decode(const FloatPcmBuffer& buffer, std::unique_ptr<SpeechResampler>& resampler,
            PocketsphinxDecoder& decoder, std::vector<std::int16_t>& speech) {
  speech.clear();
  if (!resampler || resampler->inputRate() != buffer.sampleRate() ||
      resampler->channels() != buffer.channelCount()) {
    if (resampler && !resampler->flush(speech)) return false;
    resampler = SpeechResampler::create(buffer.sampleRate(), buffer.channelCount());
    if (!resampler) return false;
  }
  return resampler->process(buffer.samples(), speech) && decoder.process(speech);
}

bool finishUtterance(std::unique_ptr<SpeechResampler>& resampler, PocketsphinxDecoder& decoder,
                     std::vector<std::int16_t>& speech) {
  speech.clear();
  if (resampler && !resampler->flush(speech)) return false;
  return decoder.process(speech) && decoder.endUtterance();
}

void recognize(std::stop_token stop, const PocketsphinxModel& model,
               BufferedRecognitionRequest* request, bool reportPartialResults,
               const SpeechRecognizer::ResultHandler& handler) {
  const auto fail = [&] {
    if (!stop.stop_requested()) handler(std::nullopt, RecognitionError{});
  };
  if (request == nullptr) return fail();
  auto decoder = PocketsphinxDecoder::load(model);
  if (!decoder || !decoder->startUtterance()) return fail();

  std::unique_ptr<SpeechResampler> resampler;
  std::vector<std::int16_t> speech;
  HypothesisChanges changes;
  while (!stop.stop_requested()) {
    AudioBufferQueue::Batch batch = request->queue().takeAll(stop);
    for (const auto& buffer : batch.buffers) {
      if (stop.stop_requested()) return;
      if (!decode(*buffer, resampler, *decoder, speech)) return fail();
    }
    if (stop.stop_requested()) return;
    if (batch.closed) {
      if (!finishUtterance(resampler, *decoder, speech)) return fail();
      handler(RecognitionResult{decoder->hypothesis(), true}, std::nullopt);
      return;
    }
    if (!reportPartialResults) continue;
    if (auto changed = changes.next(decoder->hypothesis())) {
      handler(RecognitionResult{std::move(*changed), false}, std::nullopt);
    }
  }
}

}  // namespace

PocketsphinxRecognitionTask::PocketsphinxRecognitionTask(
    PocketsphinxModel model, std::shared_ptr<BufferedRecognitionRequest> request,
    SpeechRecognizer::ResultHandler handler) {
  // Read here, on the main thread that configured the request.
  const bool partial = request != nullptr && request->reportsPartialResults();
  worker_ = std::jthread([model = std::move(model), request = std::move(request), partial,
                          handler = std::move(handler)](std::stop_token stop) {
    recognize(stop, model, request.get(), partial, handler);
  });
}

}  // namespace dictation_agent
