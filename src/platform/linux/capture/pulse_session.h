#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "platform/linux/capture/pulse_connection.h"
#include "platform/linux/capture/pulse_library.h"

namespace dictation_agent {

// What a visit to the sound server found: the connection (absent when libpulse cannot be loaded;
// look at its outcome) and, when it is ready, the default source's own format (absent when the
// server has no default source or did not answer in time).
struct PulseLink {
  std::shared_ptr<PulseConnection> connection;
  std::optional<PulseSourceFormat> source;
};

// The way to the sound server that the microphone request and the engine share. Waiting on the
// server is connect()'s alone, and it runs off the main thread: the microphone request calls it
// on its answer thread and hands what it found to the main thread, which keeps it here. The
// engine then only looks at what is kept, so the main thread never waits on the server, frozen
// or gone. Nothing here runs before it is asked for, so a status probe never loads libpulse.
class PulseSession {
 public:
  explicit PulseSession(PulseSettings settings = {}, const char* soname = PulseLibrary::kSoname)
      : settings_(std::move(settings)), soname_(soname) {}

  // Any thread; in the agent never the main one. Loads libpulse, connects and asks for the
  // default source's format, waiting at most the settings' timeout for each answer. Reads only
  // what never changes after construction.
  PulseLink connect() const;

  // Main thread: keeps what connect() found, in place of what was kept before.
  void keep(PulseLink link) { link_ = std::move(link); }

  // Main thread, without a word to the server: the kept connection while it is still ready, or
  // nullptr (none kept, refused, or lost since).
  std::shared_ptr<PulseConnection> connection();

  // Main thread: the default source's format as connect() found it, while connection() holds.
  std::optional<PulseSourceFormat> sourceFormat();

 private:
  const PulseSettings settings_;
  const char* const soname_;
  PulseLink link_;
};

}  // namespace dictation_agent
