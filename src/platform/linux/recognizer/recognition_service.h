#pragma once

#include "platform/linux/recognizer/utterance_decoder.h"

namespace dictation_agent {

// The recogniser process's side of one dictation: tells the agent that the model has loaded,
// then turns the audio frames it reads from `input` (any rate, mono) into 16 kHz speech for the
// decoder, writes a partial result to `output` whenever the dictation's text changes and, at the
// end of the audio, the final result. Returns the process's exit status: 0 once the final result
// is written or the agent has gone, non-zero when decoding or the stream fails.
int serveRecognition(UtteranceDecoder& decoder, int input, int output);

}  // namespace dictation_agent
