#pragma once
// Turns PCM audio into the bytes of a compressed target format for the AVI
// writer's audio track: one conversion stream of the audio compression
// manager when the source already is the PCM that the target's encoder
// takes, otherwise three (source to its PCM, that PCM to the target's PCM,
// and on into the target format).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/audio/AUSimpleAudioBuffer.h"
#include "platform/AudioCompression.h"

namespace oculon::audio {

class TAUAcmCompressor {
public:
    // Opens one stage of the chain: the audio compression manager's stream,
    // unless a test stands in stages of its own.
    using StageOpener = std::function<std::unique_ptr<platform::AudioConversionStream>(
        const platform::WaveFormat& source, const platform::WaveFormat& target, std::string& error)>;

    TAUAcmCompressor();
    explicit TAUAcmCompressor(StageOpener openStage);
    // Open streams are closed with it.
    ~TAUAcmCompressor() = default;
    TAUAcmCompressor(const TAUAcmCompressor&) = delete;
    TAUAcmCompressor& operator=(const TAUAcmCompressor&) = delete;

    // False, with everything closed, when a stage does not open. Opening
    // again replaces the chain.
    bool OpenCompressor(const platform::WaveFormat& Source, const platform::WaveFormat& Target);
    // Runs the samples of `Input` through the chain. On success Output is a
    // work buffer whose first ByteCount sample bytes are the target format's
    // (0 when a stage is still gathering a block); its own wave header says
    // nothing about them. When a stage fails the whole block is dropped:
    // false and ByteCount 0, so no stage passes on bytes of an earlier block.
    bool CompressBuffer(const IAUAudioBuffer& Input, IAUAudioBuffer& Output, std::uint32_t& ByteCount);
    // The same for `inputBytes` bytes of source audio.
    bool CompressBytes(const std::uint8_t* Input, std::size_t inputBytes, IAUAudioBuffer& Output,
                       std::uint32_t& ByteCount);
    // At the end of the stream: what the stages still hold (an encoder's
    // partial block, completed with silence) comes out as CompressBuffer
    // gives it. The next CompressBuffer starts a new stream.
    bool FlushCompressor(IAUAudioBuffer& Output, std::uint32_t& ByteCount);
    void CloseCompressor();
    bool GetOpened() const { return Step3Stream != nullptr; }
    bool Opened() const { return GetOpened(); }
    bool NeedsConvertion() const { return FNeedsConvertion; }

private:
    using Stream = std::unique_ptr<platform::AudioConversionStream>;
    // One stage: `SourceBytes` of `Source` into `Target`, which grows as
    // needed; with `End` the stage gives out all it holds.
    static bool CompressStream(const std::uint8_t* Source, std::size_t SourceBytes, std::uint32_t& BytesUsed,
                               TAUAudioBuffer& Target, bool& FirstBlock, platform::AudioConversionStream& Step,
                               bool End);
    bool RunChain(const std::uint8_t* Input, std::size_t inputBytes, IAUAudioBuffer& Output, std::uint32_t& ByteCount,
                  bool End);

    StageOpener FOpenStage;
    Stream Step1Stream, Step2Stream, Step3Stream;
    // One byte per frame (mono, 8 bits), so that frames count bytes.
    IAUAudioBuffer FCompressionBuffer1, FCompressionBuffer2;
    bool FFirstBuffer1 = false, FFirstBuffer2 = false, FFirstBuffer3 = false;
    bool FNeedsConvertion = false;
};

}  // namespace oculon::audio
