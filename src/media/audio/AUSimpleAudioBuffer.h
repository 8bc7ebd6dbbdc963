#pragma once
// The audio buffer: interleaved PCM frames behind their own wave format, on
// a copy-on-write media container (AUInternalStore.h). Frames are counted
// from the first sample; a frame holds one sample of every channel in the
// order of their speaker positions. 8-bit samples lie around a zero level of
// 127, the others are signed.
//
// Sample access checks its channel and frame; the whole-buffer operations
// work on every sample, the channel forms on one column. Operations with
// another buffer match channels by speaker position and never read past it.

#include <cstdint>
#include <memory>

#include "media/audio/AUInternalStore.h"
#include "media/audio/AUSampleRoutines.h"
#include "media/audio/AUWaveFormat.h"
#include "media/pins/MBMediaBuffer.h"
#include "media/pins/SGIntegerBuffer.h"
#include "media/pins/SGRealBuffer.h"

namespace oculon::audio {

inline constexpr const char* kChannelOutOfRange = "Channel out of range";

class TAUAudioBuffer;
using IAUAudioBuffer = std::shared_ptr<TAUAudioBuffer>;

class TAUAudioBuffer : public pins::TMBMediaBuffer {
    struct ViewKey {};  // only the class itself makes views of foreign blocks

public:
    // No samples, one channel of 8 bits at 11025 Hz.
    TAUAudioBuffer();
    // Room for `frames` frames of a format checked by AUCheckWaveFormat;
    // the samples are unspecified. EBufferTooLarge above the largest block.
    TAUAudioBuffer(const TAUWaveFormatExtensible& format, std::uint32_t frames);
    // Shares the source's container (CreateEx).
    TAUAudioBuffer(const TAUAudioBuffer& source) = default;
    TAUAudioBuffer(ViewKey, TAUSmartAudioBuffer& block, std::uint32_t blockSize);

    // `sampleCount` frames of AUMakeWaveFormat(sampleRate, channelMask,
    // channels, bits).
    static IAUAudioBuffer CreateSizeEx(std::uint32_t sampleRate, std::uint32_t channelMask, std::uint32_t sampleCount,
                                       std::uint32_t channels, std::uint32_t bits);
    // An audio buffer on the data of `any`, no copy: another audio buffer,
    // or a byte view of a whole audio block whose header still describes it
    // (EAudioFormatError when not). EIntfCastError for anything else.
    static IAUAudioBuffer CreateUniversal(const pins::ISGData& any);
    static IAUAudioBuffer CreateCopy(const pins::ISGData& any) { return CreateUniversal(any); }

    pins::ISGData MakeCopy() const override { return std::make_shared<TAUAudioBuffer>(*this); }
    // Only from another audio buffer (EIntfCastError otherwise): any other
    // block would be read as a wave header.
    void Assign(const pins::ISGData& source) override;
    // Into an audio buffer as CopyToAudio with offsets and count in frames;
    // into any other buffer as bytes of the samples.
    void CopyTo(std::uint32_t sourceOffset, pins::TSGGenericBuffer& dest, std::uint32_t destOffset,
                std::uint32_t count) override;
    // `count` frames from `sourceStart` into `target` from `targetStart`,
    // channel by speaker position, scaled to the target's width; target
    // channels that nothing matches become silent. ERangeError when either
    // range leaves its buffer. The target may be this buffer.
    void CopyToAudio(std::uint32_t sourceStart, TAUAudioBuffer& target, std::uint32_t count,
                     std::uint32_t targetStart) const;

    // Sample bytes (the header not counted), and frames.
    std::uint32_t GetByteSize() const override { return FCharSize - FDataOffset; }
    std::uint32_t GetSize() const override { return FDataStep == 0 ? 0 : GetByteSize() / FDataStep; }
    // Header and samples.
    std::uint32_t GetBlockSize() const { return FCharSize; }
    // The bytes after the header: the sample bytes, as GetByteSize.
    std::uint32_t GetCharSize() const { return GetByteSize(); }

    // To `frames` frames; 0 changes nothing. A shrink keeps the container; a
    // growth stays in it while this buffer is its one owner and the block has
    // room, else moves to a new one, taking the old samples along with `keep`
    // and the time stamp in any case.
    void Resize(std::uint32_t frames, bool keep);
    // A container for a block of `size` bytes.
    static std::unique_ptr<TAUSmartAudioBuffer> MakeCopySize(std::uint64_t size);

    // The block of header and samples, and another block put in its place:
    // the buffer then reads that block's header and keeps its own byte count
    // (EAudioFormatError, and no change, when the block's header does not
    // describe a block of that many bytes).
    TAUSmartAudioBuffer& GetBuffer() const;
    void SetBuffer(TAUSmartAudioBuffer& container);

    std::uint32_t GetChannels() const { return FChannels; }
    std::uint32_t GetBitsPerSample() const { return FBitsPerSample; }    // significant bits
    std::uint32_t GetSampleBitWidth() const { return FSampleBitWidth; }  // container bits
    std::uint32_t GetChannelMask() const { return FChannelMask; }
    std::uint32_t GetDataStep() const { return FDataStep; }  // bytes per frame
    std::uint32_t GetDataOffset() const { return FDataOffset; }
    std::uint32_t GetSamplesPerSecond() const { return GetConstFormat()->Format.nSamplesPerSec; }
    const TAUWaveFormatExtensible* GetConstFormat() const { return FWaveFormat; }
    TAUWaveFormatExtensible GetWaveFormat() const { return *FWaveFormat; }

    // The first sample. Write is for a caller that overwrites every sample
    // (after unsharing they are unspecified); Modify keeps them.
    const std::uint8_t* Read() const { return ByteRead(); }
    std::uint8_t* Write() { return ByteWrite(); }
    std::uint8_t* Modify() { return ByteModify(); }

    // The raw sample: 8 bits 0..255, wider ones signed. ERangeError "Channel
    // out of range = c" for a channel beyond the count, then "Index out of
    // range = i" for a frame beyond the size. SetItem stores the value's low
    // bytes.
    std::int32_t GetItem(std::uint32_t index, std::uint32_t channel) const;
    void SetItem(std::uint32_t index, std::uint32_t channel, std::int32_t value);

    // Self := Self op other over the common frames: a mono `other` on every
    // channel, else channel to channel by speaker position (channels without
    // a partner stay). Another width is scaled to this one's first. 8 bits
    // and 24 and 32 bits wrap, 16 bits saturate.
    void Add(const TAUAudioBuffer& other) { Combine(TAUOperation::Add, other); }
    void Subtract(const TAUAudioBuffer& other) { Combine(TAUOperation::Subtract, other); }
    void Multiply(const TAUAudioBuffer& other) { Combine(TAUOperation::Multiply, other); }
    void Divide(const TAUAudioBuffer& other) { Combine(TAUOperation::Divide, other); }

    // Every sample, with the value's low byte for 8 bits (raw bytes, no zero
    // level) and its low word for 16 bits; 8 and 16 bits saturate.
    void AddValue(std::int32_t value) { ApplyValue(TAUOperation::Add, value); }
    void SubtractValue(std::int32_t value) { ApplyValue(TAUOperation::Subtract, value); }
    void MultiplyValue(std::int32_t value) { ApplyValue(TAUOperation::Multiply, value); }
    void DivideValue(std::int32_t value) { ApplyValue(TAUOperation::Divide, value); }
    // Every sample := value above the zero level (8 bits: value + 127, mod 256).
    void SetValue(std::int32_t value);
    // Silence: bytes of 127 for 8 bits, else zeros.
    void Zero();
    // Every raw sample x factor, rounded, its low bytes kept; 1.0 does nothing.
    void MultiplyByReal(double factor);

    // One channel; ERangeError "Channel out of range = c" beyond the count.
    // SetChannelValue stores the raw value (8 bits: no zero level).
    void SetChannelValue(std::uint32_t channel, std::int32_t value);
    void AddChannelValue(std::uint32_t channel, std::int32_t value) {
        ApplyChannelValue(TAUOperation::Add, channel, value);
    }
    void SubChannelValue(std::uint32_t channel, std::int32_t value) {
        ApplyChannelValue(TAUOperation::Subtract, channel, value);
    }
    void MulChannelValue(std::uint32_t channel, std::int32_t value) {
        ApplyChannelValue(TAUOperation::Multiply, channel, value);
    }
    void DivChannelValue(std::uint32_t channel, std::int32_t value) {
        ApplyChannelValue(TAUOperation::Divide, channel, value);
    }
    // The channel's samples as distances from the zero level (8 bits:
    // -127..128; 24 bits sign-extended).
    pins::ISGIntegerBuffer GetChannel(std::uint32_t channel) const;
    pins::ISGRealBuffer GetChannelAsReal(std::uint32_t channel) const;
    // The same for a buffer of the width named; EAudioFormatError for
    // another width, whose columns they would misread.
    pins::ISGIntegerBuffer Strip8Bits(std::uint32_t channel) const { return Strip(8, channel); }
    pins::ISGIntegerBuffer Strip16Bits(std::uint32_t channel) const { return Strip(16, channel); }
    pins::ISGIntegerBuffer Strip24Bits(std::uint32_t channel) const { return Strip(24, channel); }
    pins::ISGIntegerBuffer Strip32Bits(std::uint32_t channel) const { return Strip(32, channel); }
    pins::ISGRealBuffer Strip8BitsReal(std::uint32_t channel) const { return StripReal(8, channel); }
    pins::ISGRealBuffer Strip16BitsReal(std::uint32_t channel) const { return StripReal(16, channel); }
    pins::ISGRealBuffer Strip24BitsReal(std::uint32_t channel) const { return StripReal(24, channel); }
    pins::ISGRealBuffer Strip32BitsReal(std::uint32_t channel) const { return StripReal(32, channel); }

protected:
    void PopulateCahces() override;

private:
    struct NewBlock {
        std::unique_ptr<TAUSmartAudioBuffer> block;
        std::uint32_t size;
    };
    explicit TAUAudioBuffer(NewBlock fresh);
    static NewBlock MakeBlock(const TAUWaveFormatExtensible& format, std::uint32_t frames);

    const TAUSampleRoutines& Routines() const { return *AUSampleRoutines(FSampleBitWidth); }
    std::uint32_t CheckedChannel(std::uint32_t channel) const;
    // The sample of a checked frame and channel.
    std::uint32_t SampleOffset(std::uint32_t index, std::uint32_t channel) const;
    int SampleCount() const { return static_cast<int>(GetByteSize() / Routines().bytes); }
    int Rows() const { return static_cast<int>(GetSize()); }
    void Combine(TAUOperation op, const TAUAudioBuffer& other);
    void ApplyValue(TAUOperation op, std::int32_t value);
    void ApplyChannelValue(TAUOperation op, std::uint32_t channel, std::int32_t value);
    void CheckWidth(unsigned width) const;
    pins::ISGIntegerBuffer Strip(unsigned width, std::uint32_t channel) const;
    pins::ISGRealBuffer StripReal(unsigned width, std::uint32_t channel) const;
    // inPlace(samples) when this buffer may write its container, else
    // fromOld(old samples, new samples) into a fresh container.
    template <class InPlace, class FromOld>
    void Rewrite(InPlace inPlace, FromOld fromOld);
    // fn(column, frame step, i) over the channel's frames.
    template <class Fn>
    void EachSample(std::uint32_t channel, Fn fn) const;

    std::uint32_t FChannels = 0;
    std::uint32_t FBitsPerSample = 0;
    std::uint32_t FChannelMask = 0;
    std::uint32_t FSampleBitWidth = 0;
    std::uint32_t FDataStep = 0;
    std::uint32_t FDataOffset = kAUHeaderSize;
    const TAUWaveFormatExtensible* FWaveFormat = nullptr;
};

}  // namespace oculon::audio
