// Subset of <AVFoundation/AVFoundation.h> (AVFAudio's engine classes and AVCaptureDevice).
#pragma once

#include <stdint.h>

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

typedef uint32_t AVAudioFrameCount;
typedef int64_t AVAudioFramePosition;
typedef uint32_t AVAudioChannelCount;
typedef NSUInteger AVAudioNodeBus;

@interface AVAudioFormat : NSObject
@property(nonatomic, readonly) double sampleRate;
@property(nonatomic, readonly) AVAudioChannelCount channelCount;
@end

@interface AVAudioBuffer : NSObject
@end

@interface AVAudioPCMBuffer : AVAudioBuffer
@property(nonatomic) AVAudioFrameCount frameLength;
@end

@interface AVAudioTime : NSObject
@property(nonatomic, readonly, getter=isSampleTimeValid) BOOL sampleTimeValid;
@property(nonatomic, readonly) AVAudioFramePosition sampleTime;
@end

typedef void (^AVAudioNodeTapBlock)(AVAudioPCMBuffer* buffer, AVAudioTime* when);

@interface AVAudioNode : NSObject
- (AVAudioFormat*)inputFormatForBus:(AVAudioNodeBus)bus;
- (AVAudioFormat*)outputFormatForBus:(AVAudioNodeBus)bus;
- (void)installTapOnBus:(AVAudioNodeBus)bus
             bufferSize:(AVAudioFrameCount)bufferSize
                 format:(AVAudioFormat* __nullable)format
                  block:(AVAudioNodeTapBlock)tapBlock;
- (void)removeTapOnBus:(AVAudioNodeBus)bus;
@end

@interface AVAudioIONode : AVAudioNode
@end

@interface AVAudioInputNode : AVAudioIONode
@end

@interface AVAudioEngine : NSObject
- (instancetype)init NS_DESIGNATED_INITIALIZER;
@property(readonly, nonatomic) AVAudioInputNode* inputNode;
- (void)prepare;
- (BOOL)startAndReturnError:(NSError**)outError;
- (void)stop;
@end

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
};

@interface AVCaptureDevice : NSObject
+ (AVAuthorizationStatus)authorizationStatusForMediaType:(AVMediaType)mediaType;
+ (void)requestAccessForMediaType:(AVMediaType)mediaType
                completionHandler:(void (^)(BOOL granted))handler;
@end

NS_ASSUME_NONNULL_END
