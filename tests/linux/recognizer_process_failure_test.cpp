// A recogniser process that cannot start, dies, hangs or talks nonsense is a recognition error,
// delivered once, and never takes the agent with it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "linux/recorded_results.h"
#include "linux/temporary_folder.h"
#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"
#include "platform/linux/recognizer/pocketsphinx_model.h"

namespace dictation_agent {
namespace {

using testing::RecordedResults;
using testing::TemporaryFolder;

struct Stand_in {
  const char* what;
  const char* script;  // empty: the program does not exist
};

// With the process started with the task, or by a deferred launch after all the audio came.
using Case = std::tuple<Stand_in, bool>;

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(std::get<0>(info.param).what) +
         (std::get<1>(info.param) ? "LaunchedAfterTheAudio" : "StartedWithTheTask");
}

class FailingRecognizer : public ::testing::TestWithParam<Case> {};

TEST_P(FailingRecognizer, IsOneRecognitionError) {
  TemporaryFolder folder;
  std::filesystem::path program = folder.path() / "recognizer";
  const auto& [standIn, deferred] = GetParam();
  if (*standIn.script != '\0') {
    folder.write("recognizer", std::string("#!/bin/sh\n") + standIn.script + "\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  }
  const auto model = findPocketsphinxModel(pocketsphinxModelRoots({}), "en-US").value();
  auto request = std::make_shared<BufferedRecognitionRequest>();
  request->setShouldReportPartialResults(true);
  RecordedResults results;
  std::function<void()> launch;
  PocketsphinxSpeechRecognizer::Defer defer;
  if (deferred) defer = [&](std::function<void()> later) { launch = std::move(later); };
  PocketsphinxSpeechRecognizer recognizer({program, model, std::chrono::milliseconds(300)},
                                          TranscriptFormatter(""), defer);
  const auto task = recognizer.recognitionTask(request, results.handler());
  request->appendAudioPCMBuffer(
      std::make_shared<const FloatPcmBuffer>(16000, 1, std::vector<float>(1024)));
  request->endAudio();
  if (launch) launch();

  const auto calls = results.waitForTheEnd();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].error);
  EXPECT_FALSE(calls[0].result);
}

// Frames are a kind byte and a 4-byte length: "R\0\0\0\0" says the model has loaded.
INSTANTIATE_TEST_SUITE_P(
    Processes, FailingRecognizer,
    ::testing::Combine(
        ::testing::Values(Stand_in{"Missing", ""}, Stand_in{"ExitsAtOnce", "exit 1"},
                          Stand_in{"CannotLoadItsLibraries", "exit 127"},
                          Stand_in{"KilledBySignal", "kill -SEGV $$"},
                          Stand_in{"HangsWhileLoading", "exec sleep 30"},
                          Stand_in{"DiesAfterLoading", "printf 'R\\0\\0\\0\\0'; exit 0"},
                          Stand_in{"SendsNonsense", "printf 'garbage that is no frame'; sleep 30"},
                          Stand_in{"FallsSilentAfterLoading",
                                   "printf 'R\\0\\0\\0\\0'; exec cat >/dev/null"}),
        ::testing::Bool()),
    caseName);

}  // namespace
}  // namespace dictation_agent
