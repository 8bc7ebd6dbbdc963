#pragma once
// Frames on the pin framework: the image stream types, the image input and
// output pins, the start of a stream of frames with its size, interval and
// pixel format, and the converters that let an image output feed a byte
// input and an XY-coordinate output feed a paired-buffer input.

#include <cstdint>
#include <memory>
#include <string>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/SGDataPins.h"
#include "media/pins/SGMemoryBuffer.h"
#include "media/video/VDVideoFormat.h"

namespace oculon::mediavideo {

inline constexpr pins::TGUID kVDStreamImage = pins::PNGuid("{877BD684-2669-4F1E-8BA8-E76EE35E5946}");
// Registered only: no pin offers it.
inline constexpr pins::TGUID kVDStreamImageOrCompressed = pins::PNGuid("{135DA722-93A1-446B-B936-6E41EF922C46}");
inline constexpr pins::TGUID kVDStreamXYFloat = pins::PNGuid("{1175C7F8-7636-4EFD-9AF1-A8F3551981A7}");

// Registers the image stream types, their default handlers and converters
// (and the data stream types before them), once per filling of the
// registries. Every image pin calls it when made.
void VDPNInitImageStreams();

// An output of frames.
class TVDPNImageSourcePin : public pins::TSGPNSourcePin {
public:
    TVDPNImageSourcePin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> ownerLock,
                        std::shared_ptr<pins::IPNLock> inputOwnerLock = {},
                        pins::TSGPNOperationEvent operationEvent = {}, pins::TSGPNPinEvent onConnect = {});
};

// An input of frames; what reaches it goes to the owner's operation event.
class TVDPNImageSinkPin : public pins::TSGPNSinkPin {
public:
    TVDPNImageSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                      pins::TSGPNOperationEvent operationEvent = {}, pins::TSGPNPinEvent onConnect = {},
                      pins::TSGPNPinEvent onDisconnect = {});
};

// An input of XY coordinates.
class TVDPNXYFloatSinkPin : public pins::TSGPNSinkPin {
public:
    TVDPNXYFloatSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                        pins::TSGPNOperationEvent operationEvent = {});
};

struct TVDFloatPoint {
    float X = 0;
    float Y = 0;
};

// The buffer an XY-coordinate stream carries: points in order.
class TVDXYFloatBuffer : public pins::TSGVectorBuffer<TVDXYFloatBuffer, TVDFloatPoint> {
public:
    using TSGVectorBuffer::TSGVectorBuffer;
};

// The start of a stream of frames. FrameDelay is the time from one frame to
// the next in 100-ns units (0 is taken as 1, so the rate stays finite); the
// sample rate is the frame rate, 10,000,000 / FrameDelay per second.
class TPNStartFrameOperation : public pins::TPNStartSampleRateOperation {
public:
    TPNStartFrameOperation(std::int32_t width, std::int32_t height, std::int32_t frameDelay, TVDVideoFormat videoFormat,
                           std::uint32_t interlaceFlags, std::uint32_t ratioWidth, std::uint32_t ratioHeight);
    const std::int32_t Width;
    const std::int32_t Height;
    const std::int64_t FrameDelay;
    const TVDVideoFormat VideoFormat;
    const std::uint32_t InterlaceFlags;
    const std::uint32_t RatioWidth;
    const std::uint32_t RatioHeight;
};

// The start a logger hands on internally: also the file the stream goes to.
class TVDInternalStartFrameOperation : public TPNStartFrameOperation {
public:
    TVDInternalStartFrameOperation(std::string fileName, std::int32_t width, std::int32_t height,
                                   std::int32_t frameDelay, TVDVideoFormat videoFormat, std::uint32_t interlaceFlags,
                                   std::uint32_t ratioWidth, std::uint32_t ratioHeight);
    const std::string FileName;
};

namespace detail {
// A frame's pixels as bytes, on the same store.
struct ImageBlockView {
    static pins::ISGData Buffer(const pins::ISGData& b) { return pins::TSGBlockBuffer::CreateUniversal(b); }
};
inline constexpr char kImageToBinary[] = "TSGPNImageToBinaryFormatConverter";
}  // namespace detail

using TSGPNImageToBinaryFormatConverter =
    pins::TSGPNBufferFormatConverter<TVDPNImageSinkPin, pins::TSGPNBinarySourcePin,
                                     pins::detail::Named<detail::ImageBlockView, detail::kImageToBinary>>;

// XY points become a pair of real buffers, the X values and the Y values;
// every other operation goes on unchanged.
class TPNVDXYFloatToPairsFormatConverter : public pins::TPNFormatConverter {
public:
    TPNVDXYFloatToPairsFormatConverter();
    bool SinkOperationEvent(const pins::IPNNotifyOperation& op);

    static const pins::TPNFormatConverterClass Class;
};

}  // namespace oculon::mediavideo
