#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent {

// What the agent and its recogniser process say to each other over their socket: frames of one
// kind byte, a payload length (native order, both ends run on the same machine) and the payload.
//
//   agent -> recogniser:  kAudio (rate, mono samples) ..., kEndOfAudio
//   recogniser -> agent:  kReady (the model has loaded), kPartial ..., kFinal
//
// Partial and final payloads are the whole dictation's text so far, as UTF-8.
enum class FrameKind : std::uint8_t {
  kAudio = 'A',
  kEndOfAudio = 'E',
  kReady = 'R',
  kPartial = 'P',
  kFinal = 'F',
};

struct Frame {
  FrameKind kind = FrameKind::kReady;
  std::string payload;
};

// Longer payloads are refused as a broken stream: a second of 192 kHz audio is 0.8 MB.
constexpr std::uint32_t kMaxFramePayload = 16u << 20;

std::string encodeFrame(FrameKind kind, std::string_view payload = {});

// A kAudio frame: the capture rate in Hz, then 32-bit float mono samples.
std::string encodeAudio(double sampleRate, std::span<const float> mono);

struct AudioPayload {
  double sampleRate = 0.0;
  std::vector<float> samples;
};

// None when the payload is not a rate followed by whole samples.
std::optional<AudioPayload> decodeAudio(std::string_view payload);

// Writes every byte, retrying after interruptions; false once the peer is gone. Never raises
// SIGPIPE (the socket is written with MSG_NOSIGNAL).
bool sendAll(int socket, std::string_view bytes);

// Reads frames from one descriptor, keeping what it has read beyond the current frame.
class FrameReader {
 public:
  enum class Status { kFrame, kClosed, kBroken, kTimedOut };

  explicit FrameReader(int fd) : fd_(fd) {}

  // Waits for the next whole frame, at most `timeout` when one is given. kClosed: the peer
  // closed its end between frames; kBroken: a read error, an unknown kind, an oversized payload
  // or an end inside a frame.
  Status next(Frame& frame, std::optional<std::chrono::milliseconds> timeout = std::nullopt);

 private:
  bool haveFrame(Frame& frame, bool& broken);

  int fd_;
  std::string buffered_;
};

}  // namespace dictation_agent
