#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "linux/recorded_results.h"
#include "linux/temporary_folder.h"
#include "linux/word_error_rate.h"
#include "platform/linux/formatting/transcript_formatter.h"
#include "platform/linux/recognition/buffered_recognition_request.h"
#include "platform/linux/recognition/pocketsphinx_recognition_task.h"
#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/linux/recognizer/pocketsphinx_model.h"

namespace dictation_agent {
namespace {

using testing::RecordedResults;
using testing::TemporaryFolder;
using testing::wordErrorRate;

// Built from flite's "slt" voice, resampled by sox to what a desktop microphone delivers.
constexpr const char* kSentence = AGENT_TEST_SENTENCE;
constexpr double kRate = 44100;
constexpr std::uint32_t kChannels = 2;

std::vector<std::shared_ptr<const FloatPcmBuffer>> spokenSentence() {
  std::ifstream file(AGENT_TEST_SPEECH_F32, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  // Cut as capture cuts: 1024 frames per buffer.
  std::vector<std::shared_ptr<const FloatPcmBuffer>> buffers;
  const std::size_t step = 1024 * kChannels;
  for (std::size_t first = 0; first < samples.size(); first += step) {
    const auto last =
        samples.begin() + static_cast<std::ptrdiff_t>(std::min(first + step, samples.size()));
    buffers.push_back(std::make_shared<const FloatPcmBuffer>(
        kRate, kChannels,
        std::vector<float>(samples.begin() + static_cast<std::ptrdiff_t>(first), last)));
  }
  return buffers;
}

PocketsphinxModel installedEnglishModel() {
  const auto roots = pocketsphinxModelRoots({});
  return findPocketsphinxModel(roots, "en-US").value();
}

RecognizerLaunch launchOf(PocketsphinxModel model) {
  return {AGENT_RECOGNIZER_BINARY, std::move(model)};
}

RecognizerLaunch englishLaunch() {
  return launchOf(installedEnglishModel());
}

// `seconds` of silence as capture delivers it.
std::vector<std::shared_ptr<const FloatPcmBuffer>> silence(double seconds) {
  const auto buffers = static_cast<std::size_t>(seconds * kRate / 1024);
  return std::vector<std::shared_ptr<const FloatPcmBuffer>>(
      buffers, std::make_shared<const FloatPcmBuffer>(kRate, kChannels,
                                                      std::vector<float>(1024 * kChannels)));
}

class PocketsphinxRecognition : public ::testing::Test {
 protected:
  void SetUp() override {
    request->setShouldReportPartialResults(true);
    ASSERT_FALSE(sentence.empty()) << "missing " << AGENT_TEST_SPEECH_F32;
  }

  // Appends the buffers from a thread of their own, as capture does.
  void speak(std::size_t first, std::size_t last) {
    std::jthread audio([&] {
      for (std::size_t i = first; i < last; ++i) request->appendAudioPCMBuffer(sentence[i]);
    });
  }

  // All of it while the model loads: the worker catches up in one go.
  void speakThenEndAudio() {
    speak(0, sentence.size());
    request->endAudio();
  }

  const std::vector<std::shared_ptr<const FloatPcmBuffer>> sentence = spokenSentence();
  const std::shared_ptr<BufferedRecognitionRequest> request =
      std::make_shared<BufferedRecognitionRequest>();
  RecordedResults results;
};

// Half the sentence first, so that a partial result must come before the end of the audio.
TEST_F(PocketsphinxRecognition, HearsTheSentenceChangingPartialsThenOneFinalOnTheWorker) {
  PocketsphinxRecognitionTask task(englishLaunch(), request, results.handler());
  speak(0, sentence.size() / 2);
  results.waitFor(1);
  speak(sentence.size() / 2, sentence.size());
  request->endAudio();
  const auto calls = results.waitForTheEnd();

  ASSERT_GE(calls.size(), 2u) << "partial results expected before the final one";
  const auto& last = calls.back();
  ASSERT_TRUE(last.result && last.result->isFinal);
  EXPECT_LE(wordErrorRate(kSentence, last.result->formattedString), 0.2)
      << "heard: " << last.result->formattedString;
  std::string previous;
  for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
    ASSERT_TRUE(calls[i].result) << "call " << i;
    EXPECT_FALSE(calls[i].error);
    EXPECT_FALSE(calls[i].result->isFinal);
    EXPECT_NE(calls[i].result->formattedString, previous) << "an unchanged hypothesis, call " << i;
    previous = calls[i].result->formattedString;
  }
  for (const auto& call : calls) {
    EXPECT_NE(call.thread, std::this_thread::get_id());
    EXPECT_EQ(call.thread, calls.front().thread);
  }
}

TEST_F(PocketsphinxRecognition, WithoutPartialResultsOnlyTheFinalComes) {
  request->setShouldReportPartialResults(false);
  PocketsphinxRecognitionTask task(englishLaunch(), request, results.handler());
  speakThenEndAudio();
  const auto calls = results.waitForTheEnd();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_TRUE(calls[0].result && calls[0].result->isFinal);
  EXPECT_LE(wordErrorRate(kSentence, calls[0].result->formattedString), 0.2);
}

// The recogniser hands on its task's results as its locale writes them, partial ones included.
TEST_F(PocketsphinxRecognition, TheRecognizerWritesItsWordsForItsLocale) {
  PocketsphinxSpeechRecognizer recognizer(englishLaunch(), TranscriptFormatter("en-US"));
  const auto task = recognizer.recognitionTask(request, results.handler());
  speakThenEndAudio();
  const auto calls = results.waitForTheEnd();
  ASSERT_TRUE(calls.back().result && calls.back().result->isFinal);
  const std::string heard = calls.back().result->formattedString;
  // "The weather is nice today and I would like to go for a walk", the recogniser's own
  // mistakes in other words aside.
  EXPECT_LE(wordErrorRate(kSentence, heard), 0.2) << heard;
  EXPECT_EQ(heard.rfind("The ", 0), 0u) << heard;
  EXPECT_NE(heard.find(" I "), std::string::npos) << heard;
  for (const auto& call : calls) {
    ASSERT_TRUE(call.result);
    const std::string& text = call.result->formattedString;
    EXPECT_TRUE(text.empty() || std::isupper(static_cast<unsigned char>(text[0]))) << text;
  }
}

TEST_F(PocketsphinxRecognition, AudioEndedWithoutSpeechGivesAnEmptyFinal) {
  PocketsphinxRecognitionTask task(englishLaunch(), request, results.handler());
  request->endAudio();
  const auto calls = results.waitForTheEnd();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_TRUE(calls[0].result && calls[0].result->isFinal);
  EXPECT_EQ(calls[0].result->formattedString, "");
}

// Cancelled while the model loads or while waiting for audio that never ends: the worker must
// end (the task's destruction joins it) and deliver nothing.
TEST_F(PocketsphinxRecognition, CancelEndsTheWorkerWithoutDelivering) {
  {
    PocketsphinxRecognitionTask loading(englishLaunch(), request, results.handler());
    loading.cancel();
    loading.cancel();
  }
  {
    auto waiting = std::make_shared<BufferedRecognitionRequest>();
    PocketsphinxRecognitionTask task(englishLaunch(), waiting, results.handler());
    task.cancel();
  }
  EXPECT_TRUE(results.calls().empty());
}

// Two sentences with a pause between them are two utterances: the final result carries both.
TEST_F(PocketsphinxRecognition, SpeechAfterAPauseIsAddedToWhatWasHeardBefore) {
  PocketsphinxRecognitionTask task(englishLaunch(), request, results.handler());
  std::jthread audio([&] {
    for (const auto& buffer : sentence) request->appendAudioPCMBuffer(buffer);
    for (const auto& buffer : silence(1.5)) request->appendAudioPCMBuffer(buffer);
    for (const auto& buffer : sentence) request->appendAudioPCMBuffer(buffer);
  });
  audio.join();
  request->endAudio();
  const auto calls = results.waitForTheEnd();
  ASSERT_TRUE(calls.back().result && calls.back().result->isFinal);
  const std::string heard = calls.back().result->formattedString;
  EXPECT_LE(wordErrorRate(std::string(kSentence) + " " + kSentence, heard), 0.2)
      << "heard: " << heard;
}

TEST_F(PocketsphinxRecognition, AModelThatDoesNotLoadIsAnError) {
  TemporaryFolder folder;
  const PocketsphinxModel english = installedEnglishModel();
  struct Case {
    const char* what;
    PocketsphinxModel model;
  };
  const std::vector<Case> cases = {
      {"missing files",
       {folder.path() / "none", folder.path() / "none.lm.bin", folder.path() / "none.dict"}},
      {"a language model the library refuses",
       {english.acousticModel, folder.write("bad.lm.bin", "not a language model"),
        english.dictionary}},
  };
  for (const Case& c : cases) {
    RecordedResults outcome;
    auto ended = std::make_shared<BufferedRecognitionRequest>();
    ended->endAudio();
    PocketsphinxRecognitionTask task(launchOf(c.model), ended, outcome.handler());
    const auto calls = outcome.waitForTheEnd();
    ASSERT_EQ(calls.size(), 1u) << c.what;
    EXPECT_TRUE(calls[0].error) << c.what;
    EXPECT_FALSE(calls[0].result) << c.what;
  }
}

class ForeignRequest final : public RecognitionRequest {
 public:
  void setRequiresOnDeviceRecognition(bool) override {}
  void setShouldReportPartialResults(bool) override {}
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer>) override {}
  void endAudio() override {}
};

TEST(PocketsphinxSpeechRecognizer, RunsOnTheDeviceAndIsAvailableWhileItsFilesAre) {
  TemporaryFolder folder;
  const PocketsphinxModel english = installedEnglishModel();
  const auto dictionary = folder.write("words.dict", "hello HH AH L OW\n");
  PocketsphinxSpeechRecognizer recognizer(
      launchOf({english.acousticModel, english.languageModel, dictionary}));
  EXPECT_TRUE(recognizer.supportsOnDeviceRecognition());
  EXPECT_TRUE(recognizer.isAvailable());
  std::filesystem::remove(dictionary);
  EXPECT_FALSE(recognizer.isAvailable());

  PocketsphinxSpeechRecognizer withoutProgram({folder.path() / "none", english});
  EXPECT_FALSE(withoutProgram.isAvailable());
}

TEST(PocketsphinxSpeechRecognizer, ARequestOfAnotherBackendIsAnError) {
  PocketsphinxSpeechRecognizer recognizer(englishLaunch());
  RecordedResults results;
  const auto task =
      recognizer.recognitionTask(std::make_shared<ForeignRequest>(), results.handler());
  const auto calls = results.waitForTheEnd();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].error);
}

// A stand-in for the recogniser program that tells the test, through a FIFO it blocks on, that
// it has started (with its pid) and notes each start in a log, before it becomes `then`.
class AnnouncedRecognizer {
 public:
  explicit AnnouncedRecognizer(const std::string& then) {
    ::mkfifo(fifo().c_str(), 0600);
    const auto program =
        folder_.write("recognizer", "#!/bin/sh\necho $$ >>'" + log().string() + "'\necho $$ >'" +
                                        fifo().string() + "'\nexec " + then + "\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  }

  std::filesystem::path program() const { return folder_.path() / "recognizer"; }

  // Blocks until the stand-in has started; its pid.
  pid_t started() const {
    std::ifstream in(fifo());
    pid_t pid = 0;
    in >> pid;
    return pid;
  }

  std::size_t starts() const {
    std::ifstream in(log());
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
  }

 private:
  std::filesystem::path fifo() const { return folder_.path() / "started"; }
  std::filesystem::path log() const { return folder_.path() / "starts.log"; }

  TemporaryFolder folder_;
};

// The agent defers each task's launch: the process starts only when the deferred call runs (here
// after all the audio has been queued), and then hears everything queued before it.
TEST_F(PocketsphinxRecognition, ADeferredLaunchStartsTheOneProcessThatHearsTheQueuedAudio) {
  const AnnouncedRecognizer standIn(std::string("'") + AGENT_RECOGNIZER_BINARY + "' \"$@\"");
  std::vector<std::function<void()>> deferred;
  PocketsphinxSpeechRecognizer recognizer(
      {standIn.program(), installedEnglishModel()}, TranscriptFormatter(""),
      [&](std::function<void()> launch) { deferred.push_back(std::move(launch)); });
  const auto task = recognizer.recognitionTask(request, results.handler());
  speakThenEndAudio();
  ASSERT_EQ(deferred.size(), 1u);
  EXPECT_EQ(standIn.starts(), 0u);

  deferred[0]();
  deferred[0]();
  ASSERT_GT(standIn.started(), 0);
  const auto calls = results.waitForTheEnd();
  ASSERT_TRUE(calls.back().result && calls.back().result->isFinal);
  EXPECT_LE(wordErrorRate(kSentence, calls.back().result->formattedString), 0.2);
  EXPECT_EQ(standIn.starts(), 1u);
}

// A task cancelled (the dictation ended) or gone before its deferred launch starts nothing.
TEST(PocketsphinxSpeechRecognizer, ALaunchDeferredPastTheTasksEndStartsNoProcess) {
  const AnnouncedRecognizer standIn("sleep 60");
  std::vector<std::function<void()>> deferred;
  PocketsphinxSpeechRecognizer recognizer(
      {standIn.program(), installedEnglishModel()}, TranscriptFormatter(""),
      [&](std::function<void()> launch) { deferred.push_back(std::move(launch)); });
  RecordedResults results;
  const auto cancelled =
      recognizer.recognitionTask(std::make_shared<BufferedRecognitionRequest>(), results.handler());
  recognizer.recognitionTask(std::make_shared<BufferedRecognitionRequest>(), results.handler());
  cancelled->cancel();
  ASSERT_EQ(deferred.size(), 2u);
  for (const auto& launch : deferred) launch();
  EXPECT_EQ(standIn.starts(), 0u);
  EXPECT_TRUE(results.calls().empty());
}

}  // namespace
}  // namespace dictation_agent
