#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dictation/dictation.h"
#include "fakes/event_recorder.h"
#include "fakes/fake_platform.h"
#include "main/control_channel.h"

namespace dictation_agent::fakes {

// The events as the host reads them.
inline nlohmann::json finalEvent(const std::string& text, bool cancelled) {
  return {{"type", "final"}, {"text", text}, {"cancelled", cancelled}};
}

inline nlohmann::json errorEvent(std::string_view code) {
  return {{"type", "error"}, {"code", code}};
}

inline nlohmann::json transcriptEvent(const std::string& text) {
  return {{"type", "transcript"}, {"text", text}};
}

// Names a parameterized case after the `name` field of its row.
struct CaseName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

// One dictation on the fake platform, driven the way the agent drives it: the test's thread is
// the main thread, and the queue runs only when the test says so.
class DictationTest : public ::testing::Test {
 protected:
  DictationTest() {
    platform.setMainThreadActivity([this] { rewriteState(); });
  }

  void TearDown() override {
    EXPECT_THAT(platform.offMainThreadCalls(), ::testing::IsEmpty())
        << "platform calls and events belong on the main thread";
  }

  // The recogniser and the dictation, made the way start-up makes them.
  void create() {
    recognizer = platform.makeSpeechRecognizer(Locale{"zh-CN"});
    dictation = std::make_shared<Dictation>(platform, recognizer, events);
  }

  // Start-up's call of authorize. With the fake exit, an immediate end returns here.
  void authorize() {
    create();
    dictation->authorize();
  }

  // Both permissions granted: afterwards the dictation is listening, at the current time.
  void listen() {
    authorize();
    platform.answerSpeech(3);
    queue.runUntilIdle();
    platform.answerMicrophone(true);
    queue.runUntilIdle();
    ASSERT_THAT(events.types(), ::testing::Contains("listening"));
  }

  // What the standard-input handler does with each chunk it reads.
  void hostWrites(std::string chunk) {
    queue.post([this, chunk = std::move(chunk)] { runControlTask(*dictation, chunk); });
  }

  void deliverPartial(std::string text) {
    platform.deliverResult(RecognitionResult{std::move(text), false}, std::nullopt);
  }

  void deliverFinal(std::string text) {
    platform.deliverResult(RecognitionResult{std::move(text), true}, std::nullopt);
  }

  std::vector<nlohmann::json> jsonEvents() const {
    std::vector<nlohmann::json> parsed;
    for (const std::string& line : events.jsonLines())
      parsed.push_back(nlohmann::json::parse(line));
    return parsed;
  }

  nlohmann::json lastEvent() const {
    const std::vector<nlohmann::json> all = jsonEvents();
    return all.empty() ? nlohmann::json() : all.back();
  }

  FakePlatform platform;
  VirtualMainQueue& queue = platform.queue();
  EventRecorder events{platform};
  std::shared_ptr<SpeechRecognizer> recognizer;
  std::shared_ptr<Dictation> dictation;

 private:
  // While a platform thread delivers an answer, a result or a buffer, the main thread writes the
  // dictation's state as its own tasks would. Should the delivery touch that state from its
  // thread, ThreadSanitizer reports the race. The flags are stored through volatile so that the
  // writes of unchanged values are not optimised away.
  void rewriteState() {
    if (!dictation) return;
    Dictation& state = *dictation;
    state.request = std::shared_ptr<RecognitionRequest>(state.request);
    state.task = std::shared_ptr<RecognitionTask>(state.task);
    state.text = std::string(state.text);
    for (bool* flag : {&state.ended, &state.tapping, &state.stopping}) {
      const bool value = *flag;
      *static_cast<volatile bool*>(flag) = value;
    }
  }
};

}  // namespace dictation_agent::fakes
