#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/linux/recognizer/pocketsphinx_model.h"
#include "platform/linux/recognizer/utterance_decoder.h"

struct cmd_ln_s;
struct ps_decoder_s;

namespace dictation_agent {

// One pocketsphinx decoder with its configuration. Not thread-safe: the thread that loads it
// is the only one that uses it. Its input is 16 kHz mono signed 16-bit audio.
class PocketsphinxDecoder final : public UtteranceDecoder {
 public:
  // Null when the model is not loadable or the library refuses it. Silences the library's
  // logging first (it writes to stderr unless told otherwise).
  static std::unique_ptr<PocketsphinxDecoder> load(const PocketsphinxModel& model);

  ~PocketsphinxDecoder() override;
  PocketsphinxDecoder(const PocketsphinxDecoder&) = delete;
  PocketsphinxDecoder& operator=(const PocketsphinxDecoder&) = delete;

  bool startUtterance() override;
  bool process(std::span<const std::int16_t> samples) override;
  bool inSpeech() override;
  bool endUtterance() override;
  std::string hypothesis() override;

 private:
  PocketsphinxDecoder(cmd_ln_s* config, ps_decoder_s* decoder);

  cmd_ln_s* config_;
  ps_decoder_s* decoder_;
};

}  // namespace dictation_agent
