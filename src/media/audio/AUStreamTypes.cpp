#include "media/audio/AUStreamTypes.h"

#include "media/pins/PNRegistry.h"
#include "media/pins/SGMemoryBuffer.h"

namespace oculon::audio {

namespace {

void registerAudioStreams() {
    pins::SGPNInitDataStreams();
    pins::PNRegisterStream(kAUStreamAudio, "AU Audio buffer");
    pins::PNRegisterDefaultHandler(kAUStreamAudio, pins::DefaultSLChannelNotificationHandler);
    pins::PNRegisterTypeConverter(kAUStreamAudio, pins::kSGStreamInteger, &TPNAudioToIntFormatConverter::Class);
    pins::PNRegisterTypeConverter(kAUStreamAudio, pins::kSGStreamReal, &TPNAudioToRealFormatConverter::Class);
    pins::PNRegisterTypeConverter(kAUStreamAudio, pins::kSGStreamBinary, &TPNAudioToBinaryFormatConverter::Class);
}

const TAUWaveFormatExtensible& defaultStreamFormat() {
    static const TAUWaveFormatExtensible format = AUMakeWaveFormat(11024, 3, 2, 16);
    return format;
}

}  // namespace

void AUPNInitAudioStreams() { pins::PNRegisterOnce(registerAudioStreams); }

TAUPNAudioSinkPin::TAUPNAudioSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                                     pins::TSGPNOperationEvent operationEvent)
    : TSGPNSinkPin(owner, std::move(lock), std::move(operationEvent)) {
    AUPNInitAudioStreams();
    AddDataType(kAUStreamAudio);
}

TPNStartWaveOperation::TPNStartWaveOperation(const TAUWaveFormatExtensible* format, bool paused)
    : TPNStartSampleRateOperation((format ? *format : defaultStreamFormat()).Format.nSamplesPerSec),
      WaveFormat(format ? *format : defaultStreamFormat()),
      Paused(paused) {}

pins::ISGData detail::AudioChannelZero::Buffer(const pins::ISGData& b) {
    return TAUAudioBuffer::CreateUniversal(b)->GetChannel(0);
}

pins::ISGData detail::AudioChannelZeroReal::Buffer(const pins::ISGData& b) {
    return TAUAudioBuffer::CreateUniversal(b)->GetChannelAsReal(0);
}

pins::ISGData detail::AudioBlockView::Buffer(const pins::ISGData& b) {
    const auto* audio = dynamic_cast<const TAUAudioBuffer*>(b.get());
    if (!audio) return pins::TSGBlockBuffer::CreateUniversal(b);
    // A byte view counts an audio buffer's samples only; the block is its
    // header and samples together.
    const auto whole = std::make_shared<pins::TSGGenericBuffer>(*audio->DataContainer(), audio->GetBlockSize());
    return pins::TSGBlockBuffer::CreateUniversal(whole);
}

}  // namespace oculon::audio
