// Subset of <AVFoundation/AVFoundation.h> (AVFAudio's engine classes and AVCaptureDevice).
#pragma once

#include <stdint.h>

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

typedef uint32_t AVAudioFrameCount;
typedef int64_t AVAudioFramePosition;
typedef uint32_t AVAudioChannelCount;
typedef NSUInteger AVAudioNodeBus;

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioFormat : NSObject
@property(nonatomic, readonly) double sampleRate;
@property(nonatomic, readonly) AVAudioChannelCount channelCount;
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioBuffer : NSObject
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioPCMBuffer : AVAudioBuffer
@property(nonatomic) AVAudioFrameCount frameLength;
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioTime : NSObject
@property(nonatomic, readonly, getter=isSampleTimeValid) BOOL sampleTimeValid;
@property(nonatomic, readonly) AVAudioFramePosition sampleTime;
@end

typedef void (^AVAudioNodeTapBlock)(AVAudioPCMBuffer* buffer, AVAudioTime* when);

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioNode : NSObject
- (AVAudioFormat*)inputFormatForBus:(AVAudioNodeBus)bus;
- (AVAudioFormat*)outputFormatForBus:(AVAudioNodeBus)bus;
- (void)installTapOnBus:(AVAudioNodeBus)bus
             bufferSize:(AVAudioFrameCount)bufferSize
                 format:(AVAudioFormat* __nullable)format
                  block:(AVAudioNodeTapBlock)tapBlock;
- (void)removeTapOnBus:(AVAudioNodeBus)bus;
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioIONode : AVAudioNode
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioInputNode : AVAudioIONode
@end

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface AVAudioEngine : NSObject
- (instancetype)init NS_DESIGNATED_INITIALIZER;
@property(readonly, nonatomic) AVAudioInputNode* inputNode;
- (void)prepare;
- (BOOL)startAndReturnError:(NSError**)outError;
- (void)stop;
@property(readonly, getter=isRunning) BOOL running;
@end

#if defined(__cplusplus)
extern "C"
#endif
    NSString* const AVAudioEngineConfigurationChangeNotification API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0));

typedef NSString* AVMediaType NS_TYPED_ENUM;
#if defined(__cplusplus)
extern "C"
#endif
    AVMediaType const AVMediaTypeAudio;

typedef NS_ENUM(NSInteger, AVAuthorizationStatus){
    AVAuthorizationStatusNotDetermined = 0,
    AVAuthorizationStatusRestricted = 1,
    AVAuthorizationStatusDenied = 2,
    AVAuthorizationStatusAuthorized = 3,
} API_AVAILABLE(macos(10.14), ios(7.0));

API_AVAILABLE(macos(10.7), ios(4.0))
@interface AVCaptureDevice : NSObject
+ (AVAuthorizationStatus)authorizationStatusForMediaType:(AVMediaType)mediaType API_AVAILABLE(macos(10.14), ios(7.0));
+ (void)requestAccessForMediaType:(AVMediaType)mediaType
                completionHandler:(void (^)(BOOL granted))handler API_AVAILABLE(macos(10.14), ios(7.0));
@end

NS_ASSUME_NONNULL_END
