// Damaged copies of the packaged English model, each beside a copy of the agent: whatever the
// recognition library does with them (exit, abort, crash, hang, or load and hear nothing), the
// dictation ends with exactly one last event, exit status 0 and nothing on standard error.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "e2e/agent_run.h"
#include "e2e/last_event_bounds.h"
#include "e2e/virtual_microphone.h"
#include "linux/temporary_folder.h"

namespace dictation_agent::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kPackagedModel = "/usr/share/pocketsphinx/model/en-us";
constexpr const char* kAcoustic = "en-us";  // the acoustic model's folder within the model

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& file, const std::string& bytes) {
  fs::remove(file);
  std::ofstream(file, std::ios::binary) << bytes;
}

// Where the body of a parameter file begins: after its text header ("s3" ... "endhdr") and the
// 4-byte byte-order mark that follows it.
std::size_t bodyStart(const std::string& bytes) {
  const auto end = bytes.find("endhdr\n");
  return end == std::string::npos ? 0 : end + 7 + 4;
}

std::string randomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// One damage, done to the real file that replaces the link to the packaged one.
using Damage = std::function<void(const fs::path& file, const std::string& original)>;

Damage truncatedTo(double fraction) {
  return [fraction](const fs::path& file, const std::string& original) {
    writeAll(file, original.substr(0, static_cast<std::size_t>(original.size() * fraction)));
  };
}

// Flips every bit of a few bytes at `fraction` of the file.
Damage flippedAt(double fraction) {
  return [fraction](const fs::path& file, const std::string& original) {
    std::string bytes = original;
    const auto at = std::min(bytes.size() - 8, static_cast<std::size_t>(bytes.size() * fraction));
    for (std::size_t i = at; i < at + 8; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    writeAll(file, bytes);
  };
}

Damage randomBodyBehindTheHeader(unsigned seed) {
  return [seed](const fs::path& file, const std::string& original) {
    const std::size_t start = bodyStart(original);
    writeAll(file, original.substr(0, start) + randomBytes(original.size() - start, seed));
  };
}

Damage replacedBy(std::string content) {
  return [content](const fs::path& file, const std::string&) { writeAll(file, content); };
}

Damage withFeatureParameter(std::string line) {
  return [line](const fs::path& file, const std::string& original) {
    writeAll(file, original + line + "\n");
  };
}

// The header kept, then zeros up to 2 GB without writing them.
Damage hugeAndSparse() {
  return [](const fs::path& file, const std::string& original) {
    writeAll(file, original.substr(0, bodyStart(original)));
    fs::resize_file(file, std::uintmax_t{2} << 30);
  };
}

struct DamagedModel {
  const char* name;
  const char* file;  // relative to the model folder
  Damage damage;
};

std::string damageName(const ::testing::TestParamInfo<DamagedModel>& info) {
  return info.param.name;
}

const DamagedModel kDamagedModels[] = {
    // A download or an unpacking cut short.
    {"MdefCutInHalf", "en-us/mdef", truncatedTo(0.5)},
    {"MeansCutInHalf", "en-us/means", truncatedTo(0.5)},
    {"VariancesCutShort", "en-us/variances", truncatedTo(0.02)},
    {"TransitionMatricesCutInHalf", "en-us/transition_matrices", truncatedTo(0.5)},
    {"TransitionMatricesCutAtTheEnd", "en-us/transition_matrices", truncatedTo(0.99)},
    {"SendumpCutInHalf", "en-us/sendump", truncatedTo(0.5)},
    {"NoisedictEmpty", "en-us/noisedict", replacedBy("")},
    {"LanguageModelCutInHalf", "en-us.lm.bin", truncatedTo(0.5)},
    {"DictionaryCutInALine", "cmudict-en-us.dict", truncatedTo(0.3)},
    // Bytes damaged in the bodies the library trusts.
    {"MeansFlippedNearTheEnd", "en-us/means", flippedAt(0.999)},
    {"VariancesFlippedNearTheEnd", "en-us/variances", flippedAt(0.999)},
    {"TransitionMatricesFlippedNearTheEnd", "en-us/transition_matrices", flippedAt(0.99)},
    {"MdefFlippedInTheMiddle", "en-us/mdef", flippedAt(0.5)},
    {"SendumpFlippedInTheMiddle", "en-us/sendump", flippedAt(0.5)},
    {"LanguageModelFlippedInTheMiddle", "en-us.lm.bin", flippedAt(0.5)},
    {"LanguageModelFlippedNearTheStart", "en-us.lm.bin", flippedAt(0.001)},
    // Random bodies behind valid headers, and files that are random throughout.
    {"MeansRandomBody", "en-us/means", randomBodyBehindTheHeader(1)},
    {"VariancesRandomBody", "en-us/variances", randomBodyBehindTheHeader(2)},
    {"TransitionMatricesRandomBody", "en-us/transition_matrices", randomBodyBehindTheHeader(3)},
    {"SendumpRandom", "en-us/sendump", randomBodyBehindTheHeader(4)},
    {"MdefRandomAfterItsMagic", "en-us/mdef",
     [](const fs::path& file, const std::string& original) {
       writeAll(file, original.substr(0, 4) + randomBytes(original.size() - 4, 5));
     }},
    {"DictionaryRandom", "cmudict-en-us.dict", replacedBy(randomBytes(4096, 6))},
    // Feature parameters the library cannot work with.
    {"FeatureTypeBogus", "en-us/feat.params", replacedBy("-feat bogus\n")},
    {"LowerFrequencyAboveUpper", "en-us/feat.params", withFeatureParameter("-lowerf 9000")},
    {"NoCepstra", "en-us/feat.params", withFeatureParameter("-ncep 0")},
    {"FeatureParametersRandom", "en-us/feat.params", replacedBy(randomBytes(512, 7))},
    // A file that claims to be far larger than anything the library should read.
    {"MeansHugeAndSparse", "en-us/means", hugeAndSparse()},
};

// The agent and its recogniser copied into a folder of their own, with a "models" folder beside
// them: the agent looks for models beside its real location, so a link would not do.
// Without `withRecognizer`, the agent alone.
class AgentWithItsOwnModels {
 public:
  explicit AgentWithItsOwnModels(bool withRecognizer = true) {
    const fs::path built = fs::path(agentPath()).parent_path();
    for (const char* program : {"dictation-agent", "dictation-agent-recognizer"}) {
      if (!withRecognizer && std::string_view(program) != "dictation-agent") continue;
      fs::copy_file(built / program, folder_.path() / program);
    }
  }

  fs::path agent() const { return folder_.path() / "dictation-agent"; }

  // models/en-us/ made of links to the packaged model's files; returns its path.
  fs::path installModel() const {
    const fs::path model = folder_.path() / "models" / "en-us";
    fs::remove_all(model);
    fs::create_directories(model / kAcoustic);
    for (const auto& entry : fs::recursive_directory_iterator(kPackagedModel)) {
      if (!entry.is_regular_file()) continue;
      const fs::path relative = fs::relative(entry.path(), kPackagedModel);
      fs::create_directories((model / relative).parent_path());
      fs::create_symlink(entry.path(), model / relative);
    }
    return model;
  }

  // The model of installModel, but for `damaged`, which is a real file damaged as told.
  void installModelWith(const DamagedModel& damaged) const {
    const fs::path model = installModel();
    const fs::path file = model / damaged.file;
    const std::string original = readAll(kPackagedModel / damaged.file);
    ASSERT_FALSE(original.empty()) << damaged.file;
    damaged.damage(file, original);
  }

 private:
  TemporaryFolder folder_;
};

class DamagedModelDictation : public ::testing::TestWithParam<DamagedModel> {
 protected:
  static void SetUpTestSuite() { agent_ = new AgentWithItsOwnModels(); }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
  }
  void SetUp() override { VirtualMicrophone::expectReachable(); }

  static AgentWithItsOwnModels* agent_;
};

AgentWithItsOwnModels* DamagedModelDictation::agent_ = nullptr;

bool isLastEvent(const Json& event) {
  return event.value("type", "") == "final" || event.value("type", "") == "error";
}

// Listening, then a second and a half for the model to load or to fail, then a stop: the run
// ends either with "recognition_failed" or with the final text, and nothing follows.
TEST_P(DamagedModelDictation, EndsWithOneLastEventAndExitStatusZero) {
  ASSERT_NO_FATAL_FAILURE(agent_->installModelWith(GetParam()));
  AgentRun agent(AgentRun::Program{agent_->agent().string()}, {"en-US"}, {});

  using Clock = std::chrono::steady_clock;
  std::vector<Json> events;
  bool stopped = false;
  std::optional<Clock::time_point> stopAt;
  while (events.empty() || !isLastEvent(events.back())) {
    if (stopAt && !stopped && Clock::now() >= *stopAt) {
      agent.write("stop\n");
      stopped = true;
    }
    const auto event =
        agent.nextWithin(stopped ? kLastEventAfterStop : std::chrono::milliseconds(100));
    if (!event) {
      ASSERT_FALSE(stopped) << "no last event within " << kLastEventAfterStop.count()
                            << " ms of the stop";
      continue;
    }
    ASSERT_FALSE(event->empty());
    events.push_back(*event);
    if ((*event)["type"] == "listening") stopAt = Clock::now() + std::chrono::milliseconds(1500);
  }
  const Json& last = events.back();
  if (last["type"] == "error") {
    // Failing in the recogniser, or, for damage the agent's own checks of the files see, before
    // capture starts.
    EXPECT_TRUE(last["code"] == "recognition_failed" || last["code"] == "recognizer_unavailable")
        << last.dump();
  } else {
    EXPECT_EQ(last["cancelled"], false);
  }
  agent.expectCleanExit();
  std::cout << GetParam().name << ": " << last.dump() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedModelDictation, ::testing::ValuesIn(kDamagedModels),
                         damageName);

// The shapes a model folder is found in after an install, as --status and a dictation report
// them. A folder that lacks a file the decoder needs is still found ("available" is true): the
// dictation then ends after the permissions with "recognizer_unavailable". Without the
// recogniser program there is no recogniser at all.
struct ModelFolder {
  std::string name;
  bool withRecognizer;
  std::function<void(const fs::path& model)> shape;
  bool available;
  std::string last;  // "final", or the code of the "error"
};

const ModelFolder kModelFolders[] = {
    {"Complete", true, [](const fs::path&) {}, true, "final"},
    {"NoMeans", true, [](const fs::path& model) { fs::remove(model / kAcoustic / "means"); }, true,
     "recognizer_unavailable"},
    {"EmptyDictionary", true,
     [](const fs::path& model) { writeAll(model / "cmudict-en-us.dict", ""); }, true,
     "recognizer_unavailable"},
    {"NoRecognizerProgram", false, [](const fs::path&) {}, false, "on_device_unavailable"},
};

class ModelFolderShape : public ::testing::TestWithParam<ModelFolder> {};

// The status probe's answer, then a dictation stopped as soon as it listens (the microphone
// hears silence): its last event.
TEST_P(ModelFolderShape, StatusAndTheLastEventOfADictation) {
  const ModelFolder& row = GetParam();
  VirtualMicrophone::expectReachable();
  const AgentWithItsOwnModels copy(row.withRecognizer);
  row.shape(copy.installModel());
  const AgentRun::Program program{copy.agent().string()};

  {
    AgentRun status(program, {"en-US", "--status"}, {});
    const Json answer = status.next();
    EXPECT_EQ(answer.value("type", ""), "status");
    EXPECT_EQ(answer.value("available", !row.available), row.available) << answer.dump();
    status.expectCleanExit();
  }

  AgentRun dictation(program, {"en-US"}, {});
  std::vector<Json> events;
  while (events.empty() || !isLastEvent(events.back())) {
    const Json event = dictation.next();
    ASSERT_FALSE(event.empty());
    events.push_back(event);
    if (event["type"] == "listening") dictation.write("stop\n");
  }
  const Json& last = events.back();
  if (row.last == "final") {
    EXPECT_EQ(last["type"], "final") << last.dump();
    EXPECT_EQ(last["cancelled"], false) << last.dump();
  } else {
    EXPECT_EQ(last, (Json{{"type", "error"}, {"code", row.last}}));
  }
  dictation.expectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(Shapes, ModelFolderShape, ::testing::ValuesIn(kModelFolders),
                         [](const ::testing::TestParamInfo<ModelFolder>& row) {
                           return row.param.name;
                         });

}  // namespace
}  // namespace dictation_agent::testing
