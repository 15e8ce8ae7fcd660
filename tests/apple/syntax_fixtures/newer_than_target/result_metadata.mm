// Must not compile for macOS 10.15: speech metadata came with macOS 11, and no @available check
// guards its use here.
#import <Speech/Speech.h>

bool closesUtterance(SFSpeechRecognitionResult* result) {
  return result.speechRecognitionMetadata != nil;
}
