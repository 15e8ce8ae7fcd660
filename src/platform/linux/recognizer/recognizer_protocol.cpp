#include "platform/linux/recognizer/recognizer_protocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace dictation_agent {
namespace {

constexpr std::size_t kHeaderBytes = 1 + sizeof(std::uint32_t);

bool isKnown(std::uint8_t kind) {
  switch (static_cast<FrameKind>(kind)) {
    case FrameKind::kAudio:
    case FrameKind::kEndOfAudio:
    case FrameKind::kReady:
    case FrameKind::kPartial:
    case FrameKind::kFinal: return true;
  }
  return false;
}

void appendHeader(std::string& out, FrameKind kind, std::size_t payloadBytes) {
  const auto length = static_cast<std::uint32_t>(payloadBytes);
  out.push_back(static_cast<char>(kind));
  out.append(reinterpret_cast<const char*>(&length), sizeof length);
}

}  // namespace

std::string encodeFrame(FrameKind kind, std::string_view payload) {
  std::string frame;
  frame.reserve(kHeaderBytes + payload.size());
  appendHeader(frame, kind, payload.size());
  frame.append(payload);
  return frame;
}

std::string encodeAudio(double sampleRate, std::span<const float> mono) {
  const std::size_t payloadBytes = sizeof sampleRate + mono.size_bytes();
  std::string frame;
  frame.reserve(kHeaderBytes + payloadBytes);
  appendHeader(frame, FrameKind::kAudio, payloadBytes);
  frame.append(reinterpret_cast<const char*>(&sampleRate), sizeof sampleRate);
  frame.append(reinterpret_cast<const char*>(mono.data()), mono.size_bytes());
  return frame;
}

std::optional<AudioPayload> decodeAudio(std::string_view payload) {
  AudioPayload audio;
  if (payload.size() < sizeof audio.sampleRate ||
      (payload.size() - sizeof audio.sampleRate) % sizeof(float) != 0) {
    return std::nullopt;
  }
  std::memcpy(&audio.sampleRate, payload.data(), sizeof audio.sampleRate);
  payload.remove_prefix(sizeof audio.sampleRate);
  audio.samples.resize(payload.size() / sizeof(float));
  if (!payload.empty()) std::memcpy(audio.samples.data(), payload.data(), payload.size());
  return audio;
}

bool sendAll(int socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool FrameReader::haveFrame(Frame& frame, bool& broken) {
  if (buffered_.size() < kHeaderBytes) return false;
  const auto kind = static_cast<std::uint8_t>(buffered_[0]);
  std::uint32_t length = 0;
  std::memcpy(&length, buffered_.data() + 1, sizeof length);
  if (!isKnown(kind) || length > kMaxFramePayload) {
    broken = true;
    return false;
  }
  if (buffered_.size() < kHeaderBytes + length) return false;
  frame.kind = static_cast<FrameKind>(kind);
  frame.payload.assign(buffered_, kHeaderBytes, length);
  buffered_.erase(0, kHeaderBytes + length);
  return true;
}

FrameReader::Status FrameReader::next(Frame& frame,
                                      std::optional<std::chrono::milliseconds> timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
  std::array<char, 64 * 1024> chunk{};
  while (true) {
    bool broken = false;
    if (haveFrame(frame, broken)) return Status::kFrame;
    if (broken) return Status::kBroken;
    if (timeout) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd readable{fd_, POLLIN, 0};
      const int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 0) return Status::kTimedOut;
      if (ready < 0) return Status::kBroken;
    }
    const ssize_t count = ::read(fd_, chunk.data(), chunk.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Status::kBroken;
    if (count == 0) return buffered_.empty() ? Status::kClosed : Status::kBroken;
    buffered_.append(chunk.data(), static_cast<std::size_t>(count));
  }
}

}  // namespace dictation_agent
