#pragma once

#include <string_view>

namespace dictation_agent {

class Dictation;

enum class ControlCommand { kStop, kCancel };

// What one chunk of standard input asks for. Each chunk is judged by itself: end of file (an
// empty chunk) and valid UTF-8 containing "cancel" cancel; anything else stops, bytes that are
// not valid UTF-8 included.
ControlCommand decideControl(std::string_view chunk);

bool isValidUtf8(std::string_view bytes);

// The control task: applies the chunk's command to the dictation, on the main thread.
void runControlTask(Dictation& dictation, std::string_view chunk);

}  // namespace dictation_agent
