// A stored audio compression choice ("FormatData": a 32-bit count and a
// wave-format record) followed by one byte that picks the PCM source and the
// audio itself: the choice is read and named, and when the compressor opens
// for it the audio goes through the chain in two blocks and is flushed.
#include <cstddef>
#include <cstdint>

#include "media/audio/AUAcmCompressor.h"
#include "media/audio/AUCompression.h"
#include "media/pins/PNLock.h"

using namespace oculon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    audio::TAUAudioCompression settings(nullptr, *std::make_shared<pins::TPNLock>());
    audio::TAUCompressionFormat& choice = settings.Compressions().Items(0).Format();
    const std::size_t used = choice.ReadData(data, size);
    (void)choice.GetName();
    if (used == 0 || used >= size || choice.IsEmpty()) return 0;
    const std::vector<std::uint8_t> record = choice.FormatData();
    const auto target = platform::WaveFormat::parse(record.data(), record.size());
    const std::uint8_t pick = data[used];
    const std::size_t bytes = size - used - 1;
    if (!target || target->samplesPerSec > 48000 || bytes > 8192) return 0;
    constexpr std::uint32_t rates[] = {8000, 11025, 22050, 44100};
    const auto source = platform::WaveFormat::pcm((pick & 1) + 1, rates[(pick >> 1) & 3], pick & 8 ? 16 : 8);
    audio::TAUAcmCompressor compressor;
    if (!compressor.OpenCompressor(source, *target)) return 0;
    const std::uint8_t* audio = data + used + 1;
    audio::IAUAudioBuffer output;
    std::uint32_t count = 0;
    for (const auto& [from, length] : {std::pair{audio, bytes / 2}, std::pair{audio + bytes / 2, bytes - bytes / 2}})
        if (compressor.CompressBytes(from, length, output, count) && count > output->GetByteSize()) __builtin_trap();
    if (compressor.FlushCompressor(output, count) && count > output->GetByteSize()) __builtin_trap();
    return 0;
}
