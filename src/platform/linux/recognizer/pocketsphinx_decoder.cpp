#include "platform/linux/recognizer/pocketsphinx_decoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

namespace dictation_agent {

std::unique_ptr<PocketsphinxDecoder> PocketsphinxDecoder::load(const PocketsphinxModel& model) {
  // Before any other call into the library: its messages would otherwise go to stderr. The
  // decoder's own -logfn points them at /dev/null again when it opens.
  err_set_logfp(nullptr);
  if (!isLoadable(model)) return nullptr;
  // No flat-lexicon pass: it reruns the search over the whole utterance when the utterance ends,
  // which would put a twentieth of its length between a stop and the final result, and on
  // recorded speech it hears no better (LibriVox clips: 24 word errors in 71 without it, 26 with).
  cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE,             //
                                 "-hmm", model.acousticModel.c_str(),  //
                                 "-lm", model.languageModel.c_str(),   //
                                 "-dict", model.dictionary.c_str(),    //
                                 "-fwdflat", "no",                     //
                                 "-logfn", "/dev/null", nullptr);
  if (config == nullptr) return nullptr;
  ps_decoder_t* decoder = ps_init(config);
  if (decoder == nullptr) {
    cmd_ln_free_r(config);
    return nullptr;
  }
  return std::unique_ptr<PocketsphinxDecoder>(new PocketsphinxDecoder(config, decoder));
}

PocketsphinxDecoder::PocketsphinxDecoder(cmd_ln_s* config, ps_decoder_s* decoder)
    : config_(config), decoder_(decoder) {}

PocketsphinxDecoder::~PocketsphinxDecoder() {
  ps_free(decoder_);
  cmd_ln_free_r(config_);
}

bool PocketsphinxDecoder::startUtterance() {
  return ps_start_utt(decoder_) >= 0;
}

bool PocketsphinxDecoder::process(std::span<const std::int16_t> samples) {
  if (samples.empty()) return true;
  return ps_process_raw(decoder_, samples.data(), samples.size(), FALSE, FALSE) >= 0;
}

bool PocketsphinxDecoder::inSpeech() {
  return ps_get_in_speech(decoder_) != 0;
}

bool PocketsphinxDecoder::endUtterance() {
  return ps_end_utt(decoder_) >= 0;
}

std::string PocketsphinxDecoder::hypothesis() {
  int32 score = 0;  // some searches write it unconditionally
  const char* text = ps_get_hyp(decoder_, &score);
  return text == nullptr ? std::string() : std::string(text);
}

}  // namespace dictation_agent
