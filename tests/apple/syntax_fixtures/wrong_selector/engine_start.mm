// Must not compile: AVAudioEngine has -startAndReturnError:, not -startWithError:.
#import <AVFoundation/AVFoundation.h>

bool startEngine(AVAudioEngine* engine) {
  return [engine startWithError:nil];
}
