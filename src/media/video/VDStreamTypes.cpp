#include "media/video/VDStreamTypes.h"

#include "media/pins/PNRegistry.h"
#include "media/pins/SGRealBuffer.h"

namespace oculon::mediavideo {

namespace {

void registerImageStreams() {
    pins::SGPNInitDataStreams();
    pins::PNRegisterStream(kVDStreamImage, "VD Image buffer");
    pins::PNRegisterStream(kVDStreamImageOrCompressed, "VD Image or compressed buffer");
    pins::PNRegisterStream(kVDStreamXYFloat, "XY Float Coordinates");
    pins::PNRegisterDefaultHandler(kVDStreamImage, pins::DefaultSLChannelNotificationHandler);
    pins::PNRegisterDefaultHandler(kVDStreamXYFloat, pins::DefaultSLChannelNotificationHandler);
    pins::PNRegisterTypeConverter(kVDStreamImage, pins::kSGStreamBinary, &TSGPNImageToBinaryFormatConverter::Class);
    pins::PNRegisterTypeConverter(kVDStreamXYFloat, pins::kSGStreamPaired, &TPNVDXYFloatToPairsFormatConverter::Class);
}

std::int32_t effectiveDelay(std::int32_t frameDelay) { return frameDelay == 0 ? 1 : frameDelay; }

}  // namespace

void VDPNInitImageStreams() { pins::PNRegisterOnce(registerImageStreams); }

TVDPNImageSourcePin::TVDPNImageSourcePin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> ownerLock,
                                         std::shared_ptr<pins::IPNLock> inputOwnerLock,
                                         pins::TSGPNOperationEvent operationEvent, pins::TSGPNPinEvent onConnect)
    : TSGPNSourcePin(owner, std::move(ownerLock), std::move(inputOwnerLock), std::move(operationEvent),
                     std::move(onConnect)) {
    VDPNInitImageStreams();
    AddDataType(kVDStreamImage);
}

TVDPNImageSinkPin::TVDPNImageSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                                     pins::TSGPNOperationEvent operationEvent, pins::TSGPNPinEvent onConnect,
                                     pins::TSGPNPinEvent onDisconnect)
    : TSGPNSinkPin(owner, std::move(lock), std::move(operationEvent), std::move(onConnect), std::move(onDisconnect)) {
    VDPNInitImageStreams();
    AddDataType(kVDStreamImage);
}

TVDPNXYFloatSinkPin::TVDPNXYFloatSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                                         pins::TSGPNOperationEvent operationEvent)
    : TSGPNSinkPin(owner, std::move(lock), std::move(operationEvent)) {
    VDPNInitImageStreams();
    AddDataType(kVDStreamXYFloat);
}

TPNStartFrameOperation::TPNStartFrameOperation(std::int32_t width, std::int32_t height, std::int32_t frameDelay,
                                               TVDVideoFormat videoFormat, std::uint32_t interlaceFlags,
                                               std::uint32_t ratioWidth, std::uint32_t ratioHeight)
    : TPNStartSampleRateOperation(10'000'000.0 / effectiveDelay(frameDelay)),
      Width(width),
      Height(height),
      FrameDelay(effectiveDelay(frameDelay)),
      VideoFormat(videoFormat),
      InterlaceFlags(interlaceFlags),
      RatioWidth(ratioWidth),
      RatioHeight(ratioHeight) {}

TVDInternalStartFrameOperation::TVDInternalStartFrameOperation(std::string fileName, std::int32_t width,
                                                               std::int32_t height, std::int32_t frameDelay,
                                                               TVDVideoFormat videoFormat, std::uint32_t interlaceFlags,
                                                               std::uint32_t ratioWidth, std::uint32_t ratioHeight)
    : TPNStartFrameOperation(width, height, frameDelay, videoFormat, interlaceFlags, ratioWidth, ratioHeight),
      FileName(std::move(fileName)) {}

// ---- TPNVDXYFloatToPairsFormatConverter

const pins::TPNFormatConverterClass TPNVDXYFloatToPairsFormatConverter::Class{
    "TPNVDXYFloatToPairsFormatConverter", []() -> std::shared_ptr<pins::IPNFormatConverter> {
        return std::make_shared<TPNVDXYFloatToPairsFormatConverter>();
    }};

TPNVDXYFloatToPairsFormatConverter::TPNVDXYFloatToPairsFormatConverter() {
    auto output = pins::PNMakePin<pins::TSGPNPairedSourcePin>(this, Lock());
    auto input = pins::PNMakePin<TVDPNXYFloatSinkPin>(
        this, Lock(),
        [this](pins::TPNBasicPin&, const pins::TGUID&, const pins::IPNNotifyOperation& op, pins::TPNNotifyStates) {
            return SinkOperationEvent(op);
        });
    CreateEx(std::move(input), std::move(output));
}

bool TPNVDXYFloatToPairsFormatConverter::SinkOperationEvent(const pins::IPNNotifyOperation& op) {
    const auto* supplied = pins::PNOperationAs<pins::TPNSuppliedBufferOperation>(op);
    const auto points = supplied ? std::dynamic_pointer_cast<TVDXYFloatBuffer>(supplied->Buffer) : nullptr;
    if (!points) return OutputPin().Notify(op);
    const std::uint32_t count = points->GetSize();
    const auto xs = pins::TSGRealBuffer::CreateSize(count);
    const auto ys = pins::TSGRealBuffer::CreateSize(count);
    double* x = xs->Write();
    double* y = ys->Write();
    const TVDFloatPoint* p = points->Read();
    for (std::uint32_t i = 0; i < count; ++i) {
        x[i] = p[i].X;
        y[i] = p[i].Y;
    }
    const auto pair = std::make_shared<pins::TCBBufferPair>();
    pair->AddBuffer(xs);
    pair->AddBuffer(ys);
    return OutputPin().Notify(std::make_shared<pins::TPNSuppliedBufferPairOperation>(pair));
}

}  // namespace oculon::mediavideo
