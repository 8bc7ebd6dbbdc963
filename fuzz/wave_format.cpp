// A stored audio format record (as settings files carry it) followed by
// audio bytes: the record is read, and when it names a format that converts,
// the bytes go through its stream to PCM and back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AudioCompression.h"

using namespace oculon::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto format = WaveFormat::parse(data, size);
    if (!format) return 0;
    const std::size_t recordSize = std::min(size, WaveFormat::kHeaderSize + format->extra.size());
    const auto pcm = suggestPcmFormat(*format);
    if (!pcm || format->samplesPerSec > 48000 || size - recordSize > 4096) return 0;
    std::string error;
    for (const bool decoding : {true, false}) {
        auto stream = decoding ? AudioConversionStream::open(*format, *pcm, error)
                               : AudioConversionStream::open(*pcm, *format, error);
        if (!stream) continue;
        const std::size_t bytes = size - recordSize;
        std::vector<std::uint8_t> out(stream->targetSizeFor(bytes));
        const auto result = stream->convert(data + recordSize, bytes, out.data(), out.size(), audioConvertEnd);
        if (result && result->targetUsed > out.size()) __builtin_trap();
    }
    return 0;
}
