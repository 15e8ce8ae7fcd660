#import <AVFoundation/AVFoundation.h>
#import <Foundation/Foundation.h>

#include "platform/apple/apple_services.h"
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
    return taps_.install(bus, std::move(block), [&](std::shared_ptr<TapSlot> slot) {
      @autoreleasepool {
        @try {
          [engine_.inputNode
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
    });
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
    if (removed) taps_.remove(bus);
  }

 private:
  AVAudioEngine* __strong engine_;
  TapSlots taps_;
};

// What the observer of configuration changes works with; shared with its block. Main thread.
struct CaptureState {
  bool capturing = false;  // from a successful start() until stop()
  std::shared_ptr<CaptureInterruptions> interruptions;
};

// On a change of the input's sample rate or channel count the engine stops itself and posts a
// notification, for this engine only; capture is then over without any host stop, and the
// requests it was feeding are told so.
id<NSObject> observeConfigurationChanges(AVAudioEngine* engine,
                                         std::shared_ptr<CaptureState> state) {
  __weak AVAudioEngine* observed = engine;
  // AVFoundation posts on an internal queue; the block runs on the main queue, where the state
  // and the requests belong.
  return [[NSNotificationCenter defaultCenter]
      addObserverForName:AVAudioEngineConfigurationChangeNotification
                  object:engine
                   queue:[NSOperationQueue mainQueue]
              usingBlock:^(NSNotification*) {
                AVAudioEngine* current = observed;
                // A change before start or after a stop ends nothing, nor does one noticed only
                // after the engine runs again.
                if (!state->capturing || current == nil || [current isRunning]) return;
                state->capturing = false;
                state->interruptions->interrupt();
              }];
}

class EngineCapture final : public AudioEngine {
 public:
  explicit EngineCapture(std::shared_ptr<CaptureInterruptions> interruptions)
      : engine_([[AVAudioEngine alloc] init]),
        node_(engine_),
        state_(std::make_shared<CaptureState>(CaptureState{false, std::move(interruptions)})),
        observer_(observeConfigurationChanges(engine_, state_)) {}

  ~EngineCapture() override {
    @autoreleasepool {
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
    @autoreleasepool {
      bool started = false;
      @try {
        // The error is not looked at: any failure to start means no usable microphone.
        started = [engine_ startAndReturnError:nil];
      } @catch (...) {
        started = false;
      }
      state_->capturing = started;
      return started;
    }
  }

  void stop() override {
    state_->capturing = false;
    @autoreleasepool {
      @try {
        [engine_ stop];
      } @catch (...) {
      }
    }
  }

 private:
  AVAudioEngine* __strong engine_;
  EngineInputNode node_;
  std::shared_ptr<CaptureState> state_;
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
