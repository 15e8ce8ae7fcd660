#include "platform/linux/recognizer/pocketsphinx_model.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <system_error>

namespace dictation_agent {
namespace fs = std::filesystem;
namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// The entries of a folder sorted by name, so that a choice among several never depends on the
// order the file system lists them in. Unreadable folders have no entries.
std::vector<fs::directory_entry> sortedEntries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  return entries;
}

bool isFolder(const fs::directory_entry& entry) {
  std::error_code error;
  return entry.is_directory(error);
}

bool isFile(const fs::directory_entry& entry) {
  std::error_code error;
  return entry.is_regular_file(error);
}

bool hasFile(const fs::path& folder, const char* name) {
  std::error_code error;
  return fs::is_regular_file(folder / name, error);
}

std::optional<fs::path> acousticModelIn(const std::vector<fs::directory_entry>& entries,
                                        const std::string& tag) {
  std::optional<fs::path> found;
  for (const auto& entry : entries) {
    if (!isFolder(entry) || !hasFile(entry.path(), "mdef")) continue;
    if (modelTag(entry.path().filename().string()) == tag) return entry.path();
    if (!found) found = entry.path();
  }
  return found;
}

std::optional<fs::path> languageModelIn(const std::vector<fs::directory_entry>& entries,
                                        const std::string& tag) {
  std::optional<fs::path> found;
  for (const auto& entry : entries) {
    const std::string name = lowerCase(entry.path().filename().string());
    if (!isFile(entry)) continue;
    if (modelTag(name) == tag + ".lm.bin") return entry.path();
    const bool isLanguageModel =
        endsWith(name, ".lm.bin") || endsWith(name, ".lm") || endsWith(name, ".lm.dmp");
    if (isLanguageModel && name.find("phone") == std::string::npos && !found) found = entry.path();
  }
  return found;
}

std::optional<fs::path> dictionaryIn(const std::vector<fs::directory_entry>& entries) {
  for (const auto& entry : entries) {
    const std::string name = lowerCase(entry.path().filename().string());
    if (isFile(entry) && (endsWith(name, ".dict") || endsWith(name, ".dic"))) return entry.path();
  }
  return std::nullopt;
}

std::optional<PocketsphinxModel> modelIn(const fs::path& folder, const std::string& tag) {
  const auto entries = sortedEntries(folder);
  auto acoustic = acousticModelIn(entries, tag);
  auto language = languageModelIn(entries, tag);
  auto dictionary = dictionaryIn(entries);
  if (!acoustic || !language || !dictionary) return std::nullopt;
  return PocketsphinxModel{std::move(*acoustic), std::move(*language), std::move(*dictionary)};
}

// A non-empty regular file that opens for reading and begins with one of `headers` (any
// beginning when none is given).
bool opensForReading(const fs::path& file, std::initializer_list<std::string_view> headers = {}) {
  std::error_code error;
  if (!fs::is_regular_file(file, error) || fs::file_size(file, error) == 0 || error) return false;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::array<char, 4> start{};
  const ssize_t length = ::read(fd, start.data(), start.size());
  ::close(fd);
  if (length <= 0) return false;
  if (headers.size() == 0) return true;
  const std::string_view beginning(start.data(), static_cast<std::size_t>(length));
  return std::any_of(headers.begin(), headers.end(), [&](std::string_view header) {
    return beginning.substr(0, header.size()) == header;
  });
}

}  // namespace

std::string modelTag(std::string_view localeIdentifier) {
  std::string tag = lowerCase(localeIdentifier);
  std::replace(tag.begin(), tag.end(), '_', '-');
  return tag;
}

std::vector<fs::path> pocketsphinxModelRoots(const fs::path& executableDirectory) {
  std::vector<fs::path> roots;
  if (!executableDirectory.empty()) {
    roots.push_back(executableDirectory / "models");
    // Installed, the agent is <prefix>/bin/dictation-agent and its recogniser helper
    // <prefix>/libexec/dictation-agent/dictation-agent-recognizer; either finds the prefix.
    fs::path prefix = executableDirectory.parent_path();
    if (executableDirectory.filename() == "dictation-agent" && prefix.filename() == "libexec") {
      prefix = prefix.parent_path();
    }
    roots.push_back(prefix / "share/dictation-agent/models");
  }
  roots.emplace_back("/usr/share/pocketsphinx/model");
  return roots;
}

std::optional<PocketsphinxModel> findPocketsphinxModel(std::span<const fs::path> roots,
                                                       std::string_view localeIdentifier) {
  const std::string tag = modelTag(localeIdentifier);
  if (tag.empty()) return std::nullopt;
  for (const auto& root : roots) {
    for (const auto& entry : sortedEntries(root)) {
      if (!isFolder(entry) || modelTag(entry.path().filename().string()) != tag) continue;
      if (auto model = modelIn(entry.path(), tag)) return model;
    }
  }
  return std::nullopt;
}

bool isLoadable(const PocketsphinxModel& model) {
  // The library ends the process when one of these is missing or is not a model file at all,
  // so each is checked for the header its reader expects: "s3" parameter files and a binary
  // ("BMDF") or text ("0.3") model definition.
  constexpr std::string_view kParameters = "s3\n";
  const fs::path& acoustic = model.acousticModel;
  const bool hasWeights = opensForReading(acoustic / "sendump") ||
                          opensForReading(acoustic / "mixture_weights", {kParameters});
  return opensForReading(acoustic / "mdef", {"BMDF", "0.3"}) &&
         opensForReading(acoustic / "means", {kParameters}) &&
         opensForReading(acoustic / "variances", {kParameters}) &&
         opensForReading(acoustic / "transition_matrices", {kParameters}) && hasWeights &&
         opensForReading(model.languageModel) && opensForReading(model.dictionary);
}

}  // namespace dictation_agent
