#pragma once
// The audio compression manager: which audio formats there are (by format
// tag, with the formats each tag offers), which PCM format goes with a
// format, and conversion streams between PCM formats and from PCM to a
// compressed format and back. PCM is converted here; the compressed formats
// are the WAV-compatible encoders and decoders of the FFmpeg libraries (IMA
// and MS ADPCM, A-law, u-law, GSM 6.10 where the library has it). Any thread;
// one stream is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/WaveFormat.h"

namespace oculon::platform {

struct AudioFormatTag {
    std::uint16_t tag = 0;
    std::string name;            // at most 48 characters
    std::size_t formatSize = 0;  // bytes of the largest record of this tag
};

// Every tag that can be converted, PCM first.
const std::vector<AudioFormatTag>& audioFormatTags();
std::optional<AudioFormatTag> audioFormatTagDetails(std::uint16_t tag);
// Bytes of the largest record of any tag.
std::size_t maxAudioFormatSize();

// The formats a tag offers, as complete records: mono and stereo at 8000,
// 11025, 22050 and 44100 samples per second, where the encoder takes them
// (PCM in 8 and 16 bits).
std::vector<WaveFormat> audioFormats(std::uint16_t tag);
// The record of `tag` for audio of that many channels and samples per
// second, as its encoder describes it; nullopt when it takes no such audio.
std::optional<WaveFormat> suggestAudioFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t samplesPerSec);
// The PCM format that goes with `format`: the format itself when it is PCM,
// otherwise 16 bits with its channels and rate, the PCM that its encoder
// takes and its decoder gives. Nullopt for a tag that is not converted.
std::optional<WaveFormat> suggestPcmFormat(const WaveFormat& format);

// Flags of AudioConversionStream::convert.
// The first block of a run: whatever the stream still holds is dropped.
constexpr unsigned audioConvertStart = 1;
// The last block: a partial block is completed with silence and given out.
constexpr unsigned audioConvertEnd = 2;

class AudioConversionStream {
public:
    // From PCM (8 or 16 bits) to PCM of any channel count and rate, from the
    // PCM of a compressed format (suggestPcmFormat) to that format, and from a
    // compressed format to its PCM. Null, with the reason in `error`, for any
    // other pair or a record that does not describe its tag's audio.
    static std::unique_ptr<AudioConversionStream> open(const WaveFormat& source, const WaveFormat& target,
                                                       std::string& error);
    virtual ~AudioConversionStream() = default;

    const WaveFormat& source() const { return source_; }
    const WaveFormat& target() const { return target_; }

    // At most how many target bytes a call with `sourceBytes` more gives:
    // what a caller makes room for.
    virtual std::size_t targetSizeFor(std::size_t sourceBytes) const = 0;

    struct Result {
        std::size_t sourceUsed = 0;
        std::size_t targetUsed = 0;
    };
    // Takes all of `source` and writes what is ready into `target`. Source
    // bytes short of a whole block wait inside for the next call, and so does
    // output that did not fit `target`, so nothing is lost between calls.
    // Nullopt, with the reason in lastError(), when the codec fails.
    std::optional<Result> convert(const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* target,
                                  std::size_t targetBytes, unsigned flags);
    const std::string& lastError() const { return lastError_; }

protected:
    AudioConversionStream(WaveFormat source, WaveFormat target);
    // Converts every whole source unit of `input` (consuming them) and
    // appends the result to `output`; with `end`, the rest as well.
    virtual bool process(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end) = 0;
    // Back to the state of a new stream.
    virtual bool restart() = 0;
    bool fail(std::string text);
    std::size_t held() const { return input_.size(); }
    std::size_t waiting() const { return output_.size() - outputStart_; }

private:
    WaveFormat source_;
    WaveFormat target_;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> output_;
    std::size_t outputStart_ = 0;
    bool used_ = false;
    bool ended_ = false;  // the codec has been flushed: the next call starts it again
    std::string lastError_;
};

}  // namespace oculon::platform
