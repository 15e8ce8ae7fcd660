#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace dictation_agent::testing {

// A null sink of the given shape loaded into the private PulseAudio server of scripts/test, its
// monitor made the default source: what is played into sink() is what a capture of the default
// source records. Destruction unloads it (unless unload() already did) and gives the default
// back to the virtual microphone "virt.monitor", whatever happened meanwhile. Tests that use it
// change what the whole server records, so they hold the server's resource lock in ctest.
class TemporaryDefaultSource {
 public:
  TemporaryDefaultSource(const std::string& sink, unsigned channels, unsigned rate) : sink_(sink) {
    module_ = output("pactl load-module module-null-sink sink_name=" + sink +
                     " channels=" + std::to_string(channels) + " rate=" + std::to_string(rate));
    EXPECT_FALSE(module_.empty()) << "could not load a null sink of " << channels << " channels at "
                                  << rate << " Hz";
    EXPECT_EQ(std::system(("pactl set-default-source " + sink + ".monitor").c_str()), 0);
  }
  ~TemporaryDefaultSource() {
    unload();
    if (std::system("pactl set-default-source virt.monitor") != 0) {
      ADD_FAILURE() << "could not give the default source back to virt.monitor";
    }
  }
  TemporaryDefaultSource(const TemporaryDefaultSource&) = delete;
  TemporaryDefaultSource& operator=(const TemporaryDefaultSource&) = delete;

  const std::string& sink() const { return sink_; }

  // Removes the sink and its monitor from the server, as unplugging a device would.
  void unload() {
    if (module_.empty()) return;
    EXPECT_EQ(std::system(("pactl unload-module " + module_).c_str()), 0);
    module_.clear();
  }

 private:
  // The first line a command prints, without its line feed.
  static std::string output(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    char line[64] = {};
    const bool read = std::fgets(line, sizeof(line), pipe) != nullptr;
    ::pclose(pipe);
    std::string text = read ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  std::string sink_;
  std::string module_;
};

}  // namespace dictation_agent::testing
