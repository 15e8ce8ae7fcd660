// Subset of <Speech/Speech.h>.
#pragma once

#import <AVFoundation/AVFoundation.h>
#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

typedef NS_ENUM(NSInteger, SFSpeechRecognizerAuthorizationStatus){
    SFSpeechRecognizerAuthorizationStatusNotDetermined,
    SFSpeechRecognizerAuthorizationStatusDenied,
    SFSpeechRecognizerAuthorizationStatusRestricted,
    SFSpeechRecognizerAuthorizationStatusAuthorized,
} API_AVAILABLE(ios(10.0), macos(10.15), tvos(18));

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFTranscriptionSegment : NSObject
@property(nonatomic, readonly, copy) NSString* substring;
@property(nonatomic, readonly) NSTimeInterval timestamp;
@property(nonatomic, readonly) NSTimeInterval duration;
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFTranscription : NSObject
@property(nonatomic, readonly, copy) NSString* formattedString;
@property(nonatomic, readonly, copy) NSArray<SFTranscriptionSegment*>* segments;
@end

API_AVAILABLE(ios(14.5), macos(11.3), tvos(18))
@interface SFSpeechRecognitionMetadata : NSObject
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFSpeechRecognitionResult : NSObject
@property(nonatomic, readonly, copy) SFTranscription* bestTranscription;
@property(nonatomic, readonly, getter=isFinal) BOOL final;
@property(nonatomic, nullable, readonly) SFSpeechRecognitionMetadata* speechRecognitionMetadata API_AVAILABLE(ios(14.0), macos(11.0), tvos(18));
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFSpeechRecognitionRequest : NSObject
@property(nonatomic) BOOL shouldReportPartialResults;
@property(nonatomic) BOOL requiresOnDeviceRecognition API_AVAILABLE(ios(13), macos(10.15), tvos(18));
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFSpeechAudioBufferRecognitionRequest : SFSpeechRecognitionRequest
- (void)appendAudioPCMBuffer:(AVAudioPCMBuffer*)audioPCMBuffer;
- (void)endAudio;
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFSpeechRecognitionTask : NSObject
- (void)cancel;
@end

API_AVAILABLE(ios(10.0), macos(10.15), tvos(18))
@interface SFSpeechRecognizer : NSObject
+ (SFSpeechRecognizerAuthorizationStatus)authorizationStatus;
+ (void)requestAuthorization:(void (^)(SFSpeechRecognizerAuthorizationStatus status))handler;
- (nullable instancetype)initWithLocale:(NSLocale*)locale NS_DESIGNATED_INITIALIZER;
@property(nonatomic, readonly, getter=isAvailable) BOOL available;
@property(nonatomic) BOOL supportsOnDeviceRecognition API_AVAILABLE(ios(13), tvos(18));
- (SFSpeechRecognitionTask*)recognitionTaskWithRequest:(SFSpeechRecognitionRequest*)request
                                         resultHandler:
                                             (void (^)(SFSpeechRecognitionResult* __nullable result,
                                                       NSError* __nullable error))resultHandler;
@property(nonatomic, strong) NSOperationQueue* queue;
@end

NS_ASSUME_NONNULL_END
