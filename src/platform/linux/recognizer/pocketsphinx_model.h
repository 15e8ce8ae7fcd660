#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent {

// The three parts the decoder loads.
struct PocketsphinxModel {
  std::filesystem::path acousticModel;  // a folder holding mdef, means, variances, ...
  std::filesystem::path languageModel;  // *.lm.bin, *.lm or *.lm.dmp
  std::filesystem::path dictionary;     // *.dict or *.dic
};

// The identifier as model folders are compared with it: lower case, "_" read as "-".
// "en-US", "en_us" and "EN-us" all become "en-us".
std::string modelTag(std::string_view localeIdentifier);

// Where models are looked for, in order: a "models" folder beside the executable (so a user can
// add a language without rebuilding), then <prefix>/share/dictation-agent/models of the
// installation the executable belongs to, then the packaged /usr/share/pocketsphinx/model.
std::vector<std::filesystem::path> pocketsphinxModelRoots(
    const std::filesystem::path& executableDirectory);

// The first <root>/<folder>/ whose folder name has the identifier's tag and holds all three parts.
// In that folder: the acoustic model is the subfolder holding "mdef" (the one named like the tag
// first), the language model is "<tag>.lm.bin" or else the first other language model by name
// (phonetic ones, with "phone" in their name, are not used for words), the dictionary is the
// first *.dict or *.dic by name. Only lists folders; reads no file.
std::optional<PocketsphinxModel> findPocketsphinxModel(std::span<const std::filesystem::path> roots,
                                                       std::string_view localeIdentifier);

// True when every file the decoder needs is a non-empty regular file that opens for reading
// and, for the acoustic model's parameters, starts like one. The library ends the process when
// some of these are missing or not model files at all, instead of reporting it, so this is
// checked before every load. It reads at most four bytes of each file.
bool isLoadable(const PocketsphinxModel& model);

}  // namespace dictation_agent
