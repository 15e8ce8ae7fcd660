#import <AVFoundation/AVFoundation.h>
#import <Foundation/Foundation.h>

#include <map>

#include "platform/apple/apple_services.h"
#include "platform/apple/capture_restart.h"
#include "platform/apple/captured_pcm_buffer.h"
#include "platform/apple/format_usability.h"
#include "platform/apple/tap_slots.h"

namespace dictation_agent {
namespace {

// The input node's hardware side is its input bus 0.
constexpr AVAudioNodeBus kHardwareBus = 0;

AVAudioNodeBus busIndex(int bus) {
  return static_cast<AVAudioNodeBus>(bus);
}

FormatReading readingOf(AVAudioFormat* format) {
  if (format == nil) return FormatReading{};
  return FormatReading{format.sampleRate, format.channelCount};
}

// The output format of the input node, reported as no input at all while the hardware has none.
class EngineInputFormat final : public AudioFormat {
 public:
  EngineInputFormat(AVAudioFormat* format, FormatReading reported)
      : format_(format), reported_(reported) {}

  double sampleRate() const override { return reported_.sampleRate; }
  std::uint32_t channelCount() const override { return reported_.channelCount; }
  AVAudioFormat* avFormat() const { return format_; }

 private:
  AVAudioFormat* __strong format_;  // nil when the node could not tell
  FormatReading reported_;
};

class EngineInputNode final : public InputNode {
 public:
  explicit EngineInputNode(AVAudioEngine* engine) : engine_(engine) {}

  std::shared_ptr<const AudioFormat> outputFormatForBus(int bus) override {
    @autoreleasepool {
      AVAudioFormat* output = nil;
      FormatReading hardware;
      @try {
        // The engine makes its input node on first use, so that waits until capture starts.
        AVAudioInputNode* node = engine_.inputNode;
        output = [node outputFormatForBus:busIndex(bus)];
        hardware = readingOf([node inputFormatForBus:kHardwareBus]);
      } @catch (...) {
        output = nil;
      }
      return std::make_shared<EngineInputFormat>(output,
                                                 reportedInputFormat(readingOf(output), hardware));
    }
  }

  bool installTapOnBus(int bus, std::uint32_t bufferSize, std::shared_ptr<const AudioFormat> format,
                       TapBlock block) override {
    const auto* ours = dynamic_cast<const EngineInputFormat*>(format.get());
    AVAudioFormat* tapFormat = ours != nullptr ? ours->avFormat() : nil;
    const bool installed =
        taps_.install(bus, std::move(block), platformInstall(bus, bufferSize, tapFormat));
    if (installed) bufferSizes_[bus] = bufferSize;
    return installed;
  }

  // After a configuration change: every tap again, in `format`, delivering to the same blocks.
  bool reinstallTaps(AVAudioFormat* format) {
    bool all = true;
    for (const auto& [bus, bufferSize] : bufferSizes_) {
      @autoreleasepool {
        @try {
          [engine_.inputNode removeTapOnBus:busIndex(bus)];
        } @catch (...) {
        }
      }
      all = taps_.reinstall(bus, platformInstall(bus, bufferSize, format)) && all;
    }
    return all;
  }

  void removeTapOnBus(int bus) override {
    bool removed = false;
    @autoreleasepool {
      @try {
        [engine_.inputNode removeTapOnBus:busIndex(bus)];
        removed = true;
      } @catch (...) {
      }
    }
    // Once AVFoundation has removed the tap it calls the block no more, so the block can go.
    // Had removal failed, the tap might still deliver, and the block has to stay.
    if (removed) {
      taps_.remove(bus);
      bufferSizes_.erase(bus);
    }
  }

 private:
  // The platform step of installing a tap that delivers through a slot.
  TapSlots::PlatformInstall platformInstall(int bus, std::uint32_t bufferSize,
                                            AVAudioFormat* tapFormat) {
    AVAudioEngine* engine = engine_;
    return [engine, bus, bufferSize, tapFormat](std::shared_ptr<TapSlot> slot) {
      @autoreleasepool {
        @try {
          [engine.inputNode
              installTapOnBus:busIndex(bus)
                   bufferSize:bufferSize
                       format:tapFormat
                        block:^(AVAudioPCMBuffer* buffer, AVAudioTime* when) {
                          // AVFoundation's tap thread may have no pool of its own.
                          @autoreleasepool {
                            const AudioTime time{[when isSampleTimeValid] ? when.sampleTime : 0};
                            slot->deliver(std::make_shared<CapturedPCMBuffer>(buffer), time);
                          }
                        }];
          return true;
        } @catch (...) {
          // AVFoundation raises on a format the hardware does not take: the input is unusable.
          return false;
        }
      }
    };
  }

  AVAudioEngine* __strong engine_;
  TapSlots taps_;
  std::map<int, std::uint32_t> bufferSizes_;  // of the taps installed, by bus
};

// On a change of the input's or the output's sample rate or channel count the engine stops
// itself and posts AVAudioEngineConfigurationChangeNotification, for this engine only. While
// capturing, capture restarts on the new format and goes on feeding the same requests (see
// CaptureLifecycle); only when that fails is capture over without a host stop, and the requests
// it was feeding are told so.
class EngineCapture final : public AudioEngine, private RestartSteps {
 public:
  explicit EngineCapture(std::shared_ptr<CaptureInterruptions> interruptions)
      : engine_([[AVAudioEngine alloc] init]),
        node_(engine_),
        interruptions_(std::move(interruptions)),
        observer_(observeConfigurationChanges()) {}

  ~EngineCapture() override {
    @autoreleasepool {
      // The observer's block runs on the main queue, as this does: once removed, it runs no more.
      [[NSNotificationCenter defaultCenter] removeObserver:observer_];
    }
  }

  EngineCapture(const EngineCapture&) = delete;
  EngineCapture& operator=(const EngineCapture&) = delete;

  InputNode& inputNode() override { return node_; }

  void prepare() override {
    @autoreleasepool {
      @try {
        [engine_ prepare];
      } @catch (...) {
        // A graph that cannot be prepared cannot start either; start() reports it.
      }
    }
  }

  bool start() override {
    const bool started = startRunning();
    lifecycle_.started(started);
    return started;
  }

  void stop() override {
    lifecycle_.stopped();
    stopRunning();
  }

 private:
  id<NSObject> observeConfigurationChanges() {
    EngineCapture* capture = this;
    // AVFoundation posts on an internal queue; the block runs on the main queue, where capture
    // and the requests belong.
    return [[NSNotificationCenter defaultCenter]
        addObserverForName:AVAudioEngineConfigurationChangeNotification
                    object:engine_
                     queue:[NSOperationQueue mainQueue]
                usingBlock:^(NSNotification*) {
                  capture->configurationChanged();
                }];
  }

  void configurationChanged() {
    if (lifecycle_.configurationChanged(*this)) interruptions_->interrupt();
  }

  bool startRunning() {
    @autoreleasepool {
      @try {
        // The error is not looked at: any failure to start means no usable microphone.
        return [engine_ startAndReturnError:nil];
      } @catch (...) {
        return false;
      }
    }
  }

  void stopRunning() {
    @autoreleasepool {
      @try {
        [engine_ stop];
      } @catch (...) {
      }
    }
  }

  // RestartSteps.
  FormatReading currentInputFormat() override {
    @autoreleasepool {
      restartFormat_ = nil;
      FormatReading hardware;
      @try {
        AVAudioInputNode* node = engine_.inputNode;
        restartFormat_ = [node outputFormatForBus:kHardwareBus];
        hardware = readingOf([node inputFormatForBus:kHardwareBus]);
      } @catch (...) {
        restartFormat_ = nil;
      }
      return reportedInputFormat(readingOf(restartFormat_), hardware);
    }
  }
  bool reinstallTap() override { return node_.reinstallTaps(restartFormat_); }
  bool startEngine() override {
    prepare();
    return startRunning();
  }
  void stopEngine() override { stopRunning(); }

  AVAudioEngine* __strong engine_;
  EngineInputNode node_;
  std::shared_ptr<CaptureInterruptions> interruptions_;
  CaptureLifecycle lifecycle_;
  AVAudioFormat* __strong restartFormat_ = nil;  // read by currentInputFormat for reinstallTap
  id<NSObject> __strong observer_;
};

}  // namespace

std::unique_ptr<AudioEngine> makeEngineCapture(
    std::shared_ptr<CaptureInterruptions> interruptions) {
  @autoreleasepool {
    return std::make_unique<EngineCapture>(std::move(interruptions));
  }
}

}  // namespace dictation_agent
