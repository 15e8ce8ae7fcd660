// The main queue's per-result work: capping a long transcript and writing its event line. Each
// is measured beside the plain way it used to be done (utf8proc on every code point; the event
// text from nlohmann::json), in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "dictation/transcript_cap.h"
#include "events/emit.h"
#include "main/control_channel.h"
#include "oracles/nlohmann_event_text.h"
#include "oracles/utf8proc_text.h"

namespace dictation_agent {
namespace {

constexpr std::size_t kCap = 16000;

std::string repeated(std::string_view piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Chinese text (three bytes a character) with combining accents: 20000 characters, past the cap.
std::string chineseWithAccents() {
  return repeated(
      "\xe5\xa4\xa9"
      "e\xcc\x81",  // 天 é
      10000);
}

// Devanagari syllables and emoji sequences: scripts whose every step utf8proc decides.
std::string devanagariAndEmoji() {
  return repeated("\xe0\xa4\x95\xe0\xa5\x8d\xe0\xa4\xb7 \xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd ",
                  5000);  // क्ष 👍🏽
}

// English: fits within the cap in bytes.
std::string english() {
  return repeated("the weather is nice today ", 600);
}

std::string textFor(int which) {
  switch (which) {
    case 0: return chineseWithAccents();
    case 1: return devanagariAndEmoji();
    default: return english();
  }
}

const char* nameOf(int which) {
  switch (which) {
    case 0: return "chinese_accents";
    case 1: return "devanagari_emoji";
    default: return "english";
  }
}

class DevNull {
 public:
  DevNull() : fd_(::open("/dev/null", O_WRONLY | O_CLOEXEC)) {}
  ~DevNull() { ::close(fd_); }
  int fd() const { return fd_; }

 private:
  int fd_;
};

void emitWithNlohmann(const Event& event, int fd) {
  std::string line = oracles::nlohmannEventText(event);
  line.push_back('\n');
  writeFully(fd, line);
}

void BM_CapTranscript(benchmark::State& state) {
  const std::string text = textFor(static_cast<int>(state.range(0)));
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(capTranscript(text, kCap));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CapTranscript)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_CapTranscript_CountingEveryCharacter(benchmark::State& state) {
  const std::string text = textFor(static_cast<int>(state.range(0)));
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(oracles::capByCountingEveryCharacter(text, kCap));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CapTranscript_CountingEveryCharacter)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_EmitTranscriptEvent(benchmark::State& state) {
  const std::string text = capTranscript(textFor(static_cast<int>(state.range(0))), kCap);
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  const DevNull devNull;
  for (auto _ : state) emit({{"type", "transcript"}, {"text", text}}, devNull.fd());
}
BENCHMARK(BM_EmitTranscriptEvent)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_EmitTranscriptEvent_Nlohmann(benchmark::State& state) {
  const std::string text = capTranscript(textFor(static_cast<int>(state.range(0))), kCap);
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  const DevNull devNull;
  for (auto _ : state) emitWithNlohmann({{"type", "transcript"}, {"text", text}}, devNull.fd());
}
BENCHMARK(BM_EmitTranscriptEvent_Nlohmann)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The whole per-result step: the cap, then the event line.
void BM_CapAndEmit(benchmark::State& state) {
  const std::string text = textFor(static_cast<int>(state.range(0)));
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  const DevNull devNull;
  for (auto _ : state)
    emit({{"type", "transcript"}, {"text", capTranscript(text, kCap)}}, devNull.fd());
}
BENCHMARK(BM_CapAndEmit)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_CapAndEmit_Before(benchmark::State& state) {
  const std::string text = textFor(static_cast<int>(state.range(0)));
  state.SetLabel(nameOf(static_cast<int>(state.range(0))));
  const DevNull devNull;
  for (auto _ : state)
    emitWithNlohmann(
        {{"type", "transcript"}, {"text", oracles::capByCountingEveryCharacter(text, kCap)}},
        devNull.fd());
}
BENCHMARK(BM_CapAndEmit_Before)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_DecideControl(benchmark::State& state) {
  const std::string chunk(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) benchmark::DoNotOptimize(decideControl(chunk));
}
BENCHMARK(BM_DecideControl)->Arg(1)->Arg(64 * 1024);

}  // namespace
}  // namespace dictation_agent

BENCHMARK_MAIN();
