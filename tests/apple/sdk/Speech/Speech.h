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
};

@interface SFTranscription : NSObject
@property(nonatomic, readonly, copy) NSString* formattedString;
@end

@interface SFSpeechRecognitionResult : NSObject
@property(nonatomic, readonly, copy) SFTranscription* bestTranscription;
@property(nonatomic, readonly, getter=isFinal) BOOL final;
@end

@interface SFSpeechRecognitionRequest : NSObject
@property(nonatomic) BOOL shouldReportPartialResults;
@property(nonatomic) BOOL requiresOnDeviceRecognition;
@end

@interface SFSpeechAudioBufferRecognitionRequest : SFSpeechRecognitionRequest
- (void)appendAudioPCMBuffer:(AVAudioPCMBuffer*)audioPCMBuffer;
- (void)endAudio;
@end

@interface SFSpeechRecognitionTask : NSObject
- (void)cancel;
@end

@interface SFSpeechRecognizer : NSObject
+ (SFSpeechRecognizerAuthorizationStatus)authorizationStatus;
+ (void)requestAuthorization:(void (^)(SFSpeechRecognizerAuthorizationStatus status))handler;
- (nullable instancetype)initWithLocale:(NSLocale*)locale NS_DESIGNATED_INITIALIZER;
@property(nonatomic, readonly, getter=isAvailable) BOOL available;
@property(nonatomic) BOOL supportsOnDeviceRecognition;
- (SFSpeechRecognitionTask*)recognitionTaskWithRequest:(SFSpeechRecognitionRequest*)request
                                         resultHandler:
                                             (void (^)(SFSpeechRecognitionResult* __nullable result,
                                                       NSError* __nullable error))resultHandler;
@end

NS_ASSUME_NONNULL_END
