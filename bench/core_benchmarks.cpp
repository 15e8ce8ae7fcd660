// The main queue's per-result work: capping a long transcript and writing its event line.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "dictation/transcript_cap.h"
#include "events/emit.h"
#include "main/control_channel.h"

namespace dictation_agent {
namespace {

// A transcript past the cap: Chinese text (three bytes a character) with combining accents.
std::string longTranscript() {
  std::string text;
  for (int i = 0; i < 10000; ++i)
    text +=
        "\xe5\xa4\xa9"
        "e\xcc\x81";  // 天 é
  return text;
}

void BM_CapTranscript(benchmark::State& state) {
  const std::string text = longTranscript();
  for (auto _ : state) benchmark::DoNotOptimize(capTranscript(text, 16000));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CapTranscript);

void BM_EmitTranscriptEvent(benchmark::State& state) {
  const std::string text = capTranscript(longTranscript(), 16000);
  const int devNull = ::open("/dev/null", O_WRONLY);
  for (auto _ : state) emit({{"type", "transcript"}, {"text", text}}, devNull);
  ::close(devNull);
}
BENCHMARK(BM_EmitTranscriptEvent);

void BM_DecideControl(benchmark::State& state) {
  const std::string chunk(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) benchmark::DoNotOptimize(decideControl(chunk));
}
BENCHMARK(BM_DecideControl)->Arg(1)->Arg(64 * 1024);

}  // namespace
}  // namespace dictation_agent

BENCHMARK_MAIN();
