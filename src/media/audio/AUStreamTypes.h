#pragma once
// Audio buffers on the pin framework: the stream type "AU Audio buffer", the
// audio input pin, the start of an audio stream with its wave format, and
// the converters that hand an audio stream to integer, real and byte-block
// inputs.

#include <memory>

#include "media/audio/AUSimpleAudioBuffer.h"
#include "media/audio/AUWaveFormat.h"
#include "media/pins/SGDataPins.h"

namespace oculon::audio {

inline constexpr TGUID kAUStreamAudio = pins::PNGuid("{1D5BD085-492E-4979-8F76-9C97D5C3C5B6}");

// Registers the audio stream type, its default handler and its converters
// (and the data stream types before them), once per filling of the
// registries. Every audio pin calls it when made.
void AUPNInitAudioStreams();

// An input for audio buffers; what reaches it goes to the owner's operation event.
class TAUPNAudioSinkPin : public pins::TSGPNSinkPin {
public:
    TAUPNAudioSinkPin(pins::TComponent* owner, std::shared_ptr<pins::IPNLock> lock,
                      pins::TSGPNOperationEvent operationEvent = {});
};

// The start of an audio stream: its format, whose rate is the stream's
// sample rate. Without a format: stereo, 16 bits, 11024 Hz.
class TPNStartWaveOperation : public pins::TPNStartSampleRateOperation {
public:
    explicit TPNStartWaveOperation(const TAUWaveFormatExtensible* format = nullptr, bool paused = false);
    const TAUWaveFormatExtensible WaveFormat;
    const bool Paused;
};

namespace detail {
// Channel 0 of an audio buffer as integers and as doubles, and the whole
// block (header and samples) as bytes.
struct AudioChannelZero {
    static pins::ISGData Buffer(const pins::ISGData& b);
};
struct AudioChannelZeroReal {
    static pins::ISGData Buffer(const pins::ISGData& b);
};
struct AudioBlockView {
    static pins::ISGData Buffer(const pins::ISGData& b);
};
inline constexpr char kAudioToInt[] = "TPNAudioToIntFormatConverter";
inline constexpr char kAudioToReal[] = "TPNAudioToRealFormatConverter";
inline constexpr char kAudioToBinary[] = "TPNAudioToBinaryFormatConverter";
}  // namespace detail

using TPNAudioToIntFormatConverter =
    pins::TSGPNBufferFormatConverter<TAUPNAudioSinkPin, pins::TSGPNIntegerSourcePin,
                                     pins::detail::Named<detail::AudioChannelZero, detail::kAudioToInt>>;
using TPNAudioToRealFormatConverter =
    pins::TSGPNBufferFormatConverter<TAUPNAudioSinkPin, pins::TSGPNRealSourcePin,
                                     pins::detail::Named<detail::AudioChannelZeroReal, detail::kAudioToReal>>;
using TPNAudioToBinaryFormatConverter =
    pins::TSGPNBufferFormatConverter<TAUPNAudioSinkPin, pins::TSGPNBinarySourcePin,
                                     pins::detail::Named<detail::AudioBlockView, detail::kAudioToBinary>>;

}  // namespace oculon::audio
