#include "platform/linux/recognizer/pocketsphinx_model.h"

#include <gtest/gtest.h>

#include "linux/temporary_folder.h"

namespace dictation_agent {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

constexpr const char* kParameterFiles[] = {"means", "variances", "transition_matrices"};

// Every file of a loadable acoustic model: placeholders that start like the real thing.
void writeAcousticModel(const TemporaryFolder& folder, const fs::path& acoustic) {
  folder.write(acoustic / "mdef", "BMDF...");
  for (const char* name : kParameterFiles) folder.write(acoustic / name, "s3\n...");
  folder.write(acoustic / "noisedict", "<s> SIL\n");
  folder.write(acoustic / "sendump", "\x1e...");
}

// The layout of Debian's pocketsphinx-en-us package.
void writePackagedEnUs(const TemporaryFolder& folder, const fs::path& root) {
  writeAcousticModel(folder, root / "en-us/en-us");
  folder.write(root / "en-us/en-us-phone.lm.bin");
  folder.write(root / "en-us/en-us.lm.bin");
  folder.write(root / "en-us/cmudict-en-us.dict");
}

class PocketsphinxModelLookup : public ::testing::Test {
 protected:
  std::optional<PocketsphinxModel> find(std::string_view identifier) const {
    const std::vector<fs::path> roots = {folder.path() / "beside", folder.path() / "packaged"};
    return findPocketsphinxModel(roots, identifier);
  }

  TemporaryFolder folder;
};

TEST_F(PocketsphinxModelLookup, MatchesTheTagIgnoringCaseAndUnderscores) {
  writePackagedEnUs(folder, "packaged");
  for (const char* identifier : {"en-us", "en-US", "en_us", "EN-us", "En_Us"}) {
    const auto model = find(identifier);
    ASSERT_TRUE(model) << identifier;
    EXPECT_EQ(model->acousticModel, folder.path() / "packaged/en-us/en-us");
    EXPECT_EQ(model->languageModel, folder.path() / "packaged/en-us/en-us.lm.bin");
    EXPECT_EQ(model->dictionary, folder.path() / "packaged/en-us/cmudict-en-us.dict");
  }
  for (const char* identifier : {"", "en", "en-GB", "en-us-x", "zh-CN", "fr-FR", "../en-us"}) {
    EXPECT_FALSE(find(identifier)) << identifier;
  }
}

// How a user adds a language: any folder named after the locale, in either spelling, holding
// a model with names of its own.
TEST_F(PocketsphinxModelLookup, FindsAUserModelBesideTheExecutableFirst) {
  writePackagedEnUs(folder, "packaged");
  writePackagedEnUs(folder, "beside");
  writeAcousticModel(folder, "beside/zh_CN/zh_cn.cd_cont_5000");
  folder.write("beside/zh_CN/zh_cn.lm.bin");
  folder.write("beside/zh_CN/zh_cn.dic");

  const auto chinese = find("zh-CN");
  ASSERT_TRUE(chinese);
  EXPECT_EQ(chinese->acousticModel, folder.path() / "beside/zh_CN/zh_cn.cd_cont_5000");
  EXPECT_EQ(chinese->languageModel, folder.path() / "beside/zh_CN/zh_cn.lm.bin");
  EXPECT_EQ(chinese->dictionary, folder.path() / "beside/zh_CN/zh_cn.dic");

  const auto english = find("en-US");
  ASSERT_TRUE(english);
  EXPECT_EQ(english->acousticModel, folder.path() / "beside/en-us/en-us");
}

TEST_F(PocketsphinxModelLookup, NeedsAllThreePartsAndNeverPicksAPhoneticLanguageModel) {
  struct Case {
    const char* missing;
    std::vector<const char*> files;
  };
  const std::vector<Case> cases = {
      {"acoustic model", {"xx/xx.lm.bin", "xx/xx.dict"}},
      {"language model", {"xx/xx/mdef", "xx/xx.dict"}},
      {"words (only phones)", {"xx/xx/mdef", "xx/xx-phone.lm.bin", "xx/xx.dict"}},
      {"dictionary", {"xx/xx/mdef", "xx/xx.lm.bin"}},
  };
  for (const Case& c : cases) {
    TemporaryFolder root;
    for (const char* file : c.files) root.write(fs::path("packaged") / file);
    const std::vector<fs::path> roots = {root.path() / "packaged"};
    EXPECT_FALSE(findPocketsphinxModel(roots, "xx")) << "without " << c.missing;
  }
}

TEST_F(PocketsphinxModelLookup, LoadableOnlyWhenEveryFileTheDecoderNeedsLooksLikeOne) {
  writePackagedEnUs(folder, "packaged");
  const auto model = find("en-US");
  ASSERT_TRUE(model);
  EXPECT_TRUE(isLoadable(*model));
  const auto rewrite = [&](const fs::path& file, const std::string& content) {
    folder.write(fs::relative(file, folder.path()), content);
  };

  fs::remove(model->acousticModel / "sendump");
  EXPECT_FALSE(isLoadable(*model));
  rewrite(model->acousticModel / "mixture_weights", "s3\n...");  // continuous models' weights
  EXPECT_TRUE(isLoadable(*model));

  rewrite(model->acousticModel / "mdef", "0.3\n...");  // the text form
  EXPECT_TRUE(isLoadable(*model));
  rewrite(model->acousticModel / "mdef", "<html>");
  EXPECT_FALSE(isLoadable(*model));
  rewrite(model->acousticModel / "mdef", "BMDF...");

  for (const char* name : kParameterFiles) {
    const fs::path file = model->acousticModel / name;
    fs::remove(file);
    EXPECT_FALSE(isLoadable(*model)) << "without " << name;
    rewrite(file, "");
    EXPECT_FALSE(isLoadable(*model)) << "with an empty " << name;
    rewrite(file, "<html>");
    EXPECT_FALSE(isLoadable(*model)) << "with a " << name << " that is no model file";
    rewrite(file, "s3\n...");
  }
  EXPECT_TRUE(isLoadable(*model));
  fs::remove(model->languageModel);
  EXPECT_FALSE(isLoadable(*model));
  rewrite(model->languageModel, "x");
  fs::remove(model->dictionary);
  EXPECT_FALSE(isLoadable(*model));
}

TEST(PocketsphinxModelRoots, LookBesideTheExecutableThenInItsPrefixThenInThePackagedModels) {
  using Roots = std::vector<fs::path>;
  EXPECT_EQ(pocketsphinxModelRoots("/opt/agent/bin"),
            (Roots{"/opt/agent/bin/models", "/opt/agent/share/dictation-agent/models",
                   "/usr/share/pocketsphinx/model"}));
  // The recogniser helper, installed in libexec, finds the same prefix.
  EXPECT_EQ(pocketsphinxModelRoots("/usr/libexec/dictation-agent"),
            (Roots{"/usr/libexec/dictation-agent/models", "/usr/share/dictation-agent/models",
                   "/usr/share/pocketsphinx/model"}));
  EXPECT_EQ(pocketsphinxModelRoots({}), (Roots{"/usr/share/pocketsphinx/model"}));
}

// The package that scripts/test installs is what the agent finds for en-US.
TEST(PocketsphinxModelRoots, FindTheInstalledEnglishModel) {
  const auto roots = pocketsphinxModelRoots({});
  const auto model = findPocketsphinxModel(roots, "en-US");
  ASSERT_TRUE(model) << "is pocketsphinx-en-us installed?";
  EXPECT_TRUE(isLoadable(*model));
  EXPECT_EQ(model->languageModel.filename(), "en-us.lm.bin");
}

}  // namespace
}  // namespace dictation_agent
