#include "media/audio/AUSimpleAudioBuffer.h"

#include <cstring>
#include <string>
#include <vector>

#include "media/pins/SGErrors.h"

namespace oculon::audio {

using pins::ERangeError;
using pins::kIndexOutOfRange;

// ---- construction and caches

TAUAudioBuffer::NewBlock TAUAudioBuffer::MakeBlock(const TAUWaveFormatExtensible& format, std::uint32_t frames) {
    const std::uint64_t size = kAUHeaderSize + std::uint64_t{format.Format.nBlockAlign} * frames;
    AUCheckWaveFormat(format, size);
    NewBlock fresh{MakeCopySize(size), static_cast<std::uint32_t>(size)};
    std::memcpy(fresh.block->RawData(), &format, kAUHeaderSize);
    return fresh;
}

TAUAudioBuffer::TAUAudioBuffer(NewBlock fresh) : TMBMediaBuffer(std::move(fresh.block), fresh.size) {
    TAUAudioBuffer::PopulateCahces();
}

TAUAudioBuffer::TAUAudioBuffer(const TAUWaveFormatExtensible& format, std::uint32_t frames)
    : TAUAudioBuffer(MakeBlock(format, frames)) {}

TAUAudioBuffer::TAUAudioBuffer() : TAUAudioBuffer(AUMakeWaveFormat(11025, 1, 1, 8), 0) {}

TAUAudioBuffer::TAUAudioBuffer(ViewKey, TAUSmartAudioBuffer& block, std::uint32_t blockSize)
    : TMBMediaBuffer(block, blockSize) {
    TAUAudioBuffer::PopulateCahces();
}

IAUAudioBuffer TAUAudioBuffer::CreateSizeEx(std::uint32_t sampleRate, std::uint32_t channelMask,
                                            std::uint32_t sampleCount, std::uint32_t channels, std::uint32_t bits) {
    return std::make_shared<TAUAudioBuffer>(AUMakeWaveFormat(sampleRate, channelMask, channels, bits), sampleCount);
}

IAUAudioBuffer TAUAudioBuffer::CreateUniversal(const pins::ISGData& any) {
    const auto* generic = dynamic_cast<const pins::TSGGenericBuffer*>(any.get());
    if (!generic) throw pins::EIntfCastError();
    if (const auto* audio = dynamic_cast<const TAUAudioBuffer*>(generic))
        return std::make_shared<TAUAudioBuffer>(*audio);
    // A view of another kind shares the block only when it starts at the
    // header; its bytes may have been written since, so the header is checked.
    auto* block = dynamic_cast<TAUSmartAudioBuffer*>(generic->DataContainer());
    if (!block || generic->ByteRead() != block->RawData()) throw pins::EIntfCastError();
    TAUWaveFormatExtensible header;
    std::memcpy(&header, block->RawData(), kAUHeaderSize);
    AUCheckWaveFormat(header, generic->GetByteSize());
    return std::make_shared<TAUAudioBuffer>(ViewKey{}, *block, generic->GetByteSize());
}

std::unique_ptr<TAUSmartAudioBuffer> TAUAudioBuffer::MakeCopySize(std::uint64_t size) {
    return std::make_unique<TAUSmartAudioBuffer>(size);
}

void TAUAudioBuffer::PopulateCahces() {
    FWaveFormat = reinterpret_cast<const TAUWaveFormatExtensible*>(DataContainer()->RawData());
    FChannels = FWaveFormat->Format.nChannels;
    FSampleBitWidth = FWaveFormat->Format.wBitsPerSample;
    FDataStep = FWaveFormat->Format.nBlockAlign;
    FChannelMask = FWaveFormat->dwChannelMask;
    FBitsPerSample = FWaveFormat->wValidBitsPerSample;
    FDataOffset = FWaveFormat->Format.cbSize + 18u;
    FDataPtr = DataContainer()->RawData() + FDataOffset;
}

void TAUAudioBuffer::Assign(const pins::ISGData& source) {
    if (!dynamic_cast<const TAUAudioBuffer*>(source.get())) throw pins::EIntfCastError();
    TMBMediaBuffer::Assign(source);
    PopulateCahces();
}

// ---- size

void TAUAudioBuffer::Resize(std::uint32_t frames, bool keep) {
    if (frames == 0) return;
    const std::uint64_t size = kAUHeaderSize + std::uint64_t{FDataStep} * frames;
    const pins::TSGSmartBuffer& container = *DataContainer();
    if (frames <= GetSize() || (container.SingleOwner() && size <= container.AllocatedSize())) {
        FCharSize = static_cast<std::uint32_t>(size);
        return;
    }
    const TAUWaveFormatExtensible header = *FWaveFormat;
    auto fresh = MakeCopySize(size);
    std::memcpy(fresh->RawData(), &header, kAUHeaderSize);
    fresh->SetTimeData(MediaContainer());  // the stamp lives in the container
    if (keep) fresh->CopyFrom(container);
    SetDataContainer(pins::TSGContainerRef(std::move(fresh), OwnsData()));
    FCharSize = static_cast<std::uint32_t>(size);
}

TAUSmartAudioBuffer& TAUAudioBuffer::GetBuffer() const { return static_cast<TAUSmartAudioBuffer&>(*DataContainer()); }

void TAUAudioBuffer::SetBuffer(TAUSmartAudioBuffer& container) {
    // The byte count stays: the new block must hold that many bytes, and its header describe them.
    if (container.AllocatedSize() < std::max(FCharSize, kAUHeaderSize))
        throw EAudioFormatError("the block is smaller than the buffer");
    TAUWaveFormatExtensible header{};
    std::memcpy(&header, container.RawData(), kAUHeaderSize);
    AUCheckWaveFormat(header, FCharSize);
    SetDataContainer(pins::TSGContainerRef(container, OwnsData()));
}

// ---- copies between buffers

namespace {

void checkFrames(std::uint32_t start, std::uint32_t count, std::uint32_t frames) {
    if (std::uint64_t{start} + count > frames) throw ERangeError(kIndexOutOfRange, start);
}

}  // namespace

void TAUAudioBuffer::CopyTo(std::uint32_t sourceOffset, pins::TSGGenericBuffer& dest, std::uint32_t destOffset,
                            std::uint32_t count) {
    if (auto* audio = dynamic_cast<TAUAudioBuffer*>(&dest)) return CopyToAudio(sourceOffset, *audio, count, destOffset);
    TMBMediaBuffer::CopyTo(sourceOffset, dest, destOffset, count);
}

void TAUAudioBuffer::CopyToAudio(std::uint32_t sourceStart, TAUAudioBuffer& target, std::uint32_t count,
                                 std::uint32_t targetStart) const {
    checkFrames(sourceStart, count, GetSize());
    checkFrames(targetStart, count, target.GetSize());
    if (count == 0) return;
    // A second hold on the source: when the target is this buffer, unsharing
    // it moves the target and leaves the samples to read where they were.
    const TAUAudioBuffer held(*this);
    std::uint8_t* to = target.Modify() + std::size_t{target.FDataStep} * targetStart;
    const std::uint8_t* from = held.Read() + std::size_t{FDataStep} * sourceStart;
    const int fromBytes = Routines().bytes;
    const TAUSampleRoutines& targetRoutines = target.Routines();
    const int rows = static_cast<int>(count);
    std::vector<bool> fed(target.FChannels);
    AUMatchChannels(FChannelMask, FChannels, target.FChannelMask, target.FChannels,
                    [&](std::uint32_t s, std::uint32_t t) {
                        AUConvertColumn(from + s * fromBytes, FSampleBitWidth, static_cast<int>(FDataStep),
                                        to + t * targetRoutines.bytes, target.FSampleBitWidth,
                                        static_cast<int>(target.FDataStep), rows);
                        fed[t] = true;
                    });
    for (std::uint32_t t = 0; t < target.FChannels; ++t) {
        if (!fed[t])
            targetRoutines.setColumn(targetRoutines.zeroLevel, to + t * targetRoutines.bytes,
                                     static_cast<int>(target.FDataStep), rows);
    }
}

// ---- single samples

std::uint32_t TAUAudioBuffer::CheckedChannel(std::uint32_t channel) const {
    if (channel >= FChannels) throw ERangeError(kChannelOutOfRange, channel);
    return channel;
}

std::uint32_t TAUAudioBuffer::SampleOffset(std::uint32_t index, std::uint32_t channel) const {
    CheckedChannel(channel);
    if (index >= GetSize()) throw ERangeError(kIndexOutOfRange, index);
    return index * FDataStep + channel * Routines().bytes;
}

std::int32_t TAUAudioBuffer::GetItem(std::uint32_t index, std::uint32_t channel) const {
    return Routines().load(Read() + SampleOffset(index, channel));
}

void TAUAudioBuffer::SetItem(std::uint32_t index, std::uint32_t channel, std::int32_t value) {
    const std::uint32_t at = SampleOffset(index, channel);  // a refused write does not unshare
    Routines().store(Modify() + at, value);
}

// ---- arithmetic

void TAUAudioBuffer::Combine(TAUOperation op, const TAUAudioBuffer& other) {
    const std::uint32_t rows = std::min(GetSize(), other.GetSize());
    if (rows == 0) return;
    std::uint8_t* to = Modify();  // before reading: when other is this buffer, it may move
    const std::uint8_t* from = other.Read();
    const TAUSampleRoutines& r = Routines();
    const int otherBytes = other.Routines().bytes;
    // Every primitive takes both columns in one width: a column of another
    // width is scaled to this one's first, channel by channel, so that the
    // channels pair as at an equal width.
    std::vector<std::uint8_t> scaled;
    std::uint32_t scaledChannel = other.FChannels;
    const auto apply = [&](std::uint32_t s, std::uint32_t t) {
        const std::uint8_t* column = from + s * otherBytes;
        int step = static_cast<int>(other.FDataStep);
        if (other.FSampleBitWidth != FSampleBitWidth) {
            if (scaledChannel != s) {
                scaled.resize(std::size_t{rows} * r.bytes);
                AUConvertColumn(column, other.FSampleBitWidth, step, scaled.data(), FSampleBitWidth, r.bytes,
                                static_cast<int>(rows));
                scaledChannel = s;
            }
            column = scaled.data();
            step = r.bytes;
        }
        r.columnWithColumn[static_cast<int>(op)](column, step, to + t * r.bytes, static_cast<int>(FDataStep),
                                                 static_cast<int>(rows));
    };
    if (other.FChannels == 1) {
        for (std::uint32_t t = 0; t < FChannels; ++t) apply(0, t);
    } else {
        AUMatchChannels(other.FChannelMask, other.FChannels, FChannelMask, FChannels, apply);
    }
}

template <class InPlace, class FromOld>
void TAUAudioBuffer::Rewrite(InPlace inPlace, FromOld fromOld) {
    if (DataContainer()->SingleOwner()) {
        inPlace(Modify());
        return;
    }
    // Shared: the results go straight into a fresh container, read from the
    // old one, instead of copying the samples first.
    const TAUAudioBuffer old(*this);
    std::uint8_t* fresh = Write();
    fromOld(old.Read(), fresh);
}

void TAUAudioBuffer::ApplyValue(TAUOperation op, std::int32_t value) {
    const TAUSampleRoutines& r = Routines();
    const int n = SampleCount();
    Rewrite([&](std::uint8_t* samples) { r.runWithValue[static_cast<int>(op)](value, samples, n); },
            [&](const std::uint8_t* old, std::uint8_t* fresh) {
                r.runFromWithValue[static_cast<int>(op)](old, value, fresh, n);
            });
}

void TAUAudioBuffer::MultiplyByReal(double factor) {
    if (factor == 1.0) return;
    const TAUSampleRoutines& r = Routines();
    const int n = SampleCount();
    Rewrite([&](std::uint8_t* samples) { r.multiplyRun(factor, samples, n); },
            [&](const std::uint8_t* old, std::uint8_t* fresh) { r.multiplyRunFrom(factor, old, fresh, n); });
}

void TAUAudioBuffer::SetValue(std::int32_t value) {
    const TAUSampleRoutines& r = Routines();
    const auto raw =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + static_cast<std::uint32_t>(r.zeroLevel));
    r.setRun(raw, Write(), SampleCount());
}

void TAUAudioBuffer::Zero() {
    if (Routines().zeroLevel != 0) return SetValue(0);
    Routines().zeroRun(Write(), SampleCount());
}

// A channel form rewrites one column, so the other channels come along when
// the container is unshared.
void TAUAudioBuffer::SetChannelValue(std::uint32_t channel, std::int32_t value) {
    const TAUSampleRoutines& r = Routines();
    const std::uint32_t c = CheckedChannel(channel);
    r.setColumn(value, Modify() + c * r.bytes, static_cast<int>(FDataStep), Rows());
}

void TAUAudioBuffer::ApplyChannelValue(TAUOperation op, std::uint32_t channel, std::int32_t value) {
    const TAUSampleRoutines& r = Routines();
    const std::uint32_t c = CheckedChannel(channel);
    r.columnWithValue[static_cast<int>(op)](value, Modify() + c * r.bytes, static_cast<int>(FDataStep), Rows());
}

// ---- channel extraction

template <class Fn>
void TAUAudioBuffer::EachSample(std::uint32_t channel, Fn fn) const {
    const TAUSampleRoutines& r = Routines();
    const std::uint8_t* at = Read() + CheckedChannel(channel) * r.bytes;
    const std::uint32_t frames = GetSize();
    for (std::uint32_t i = 0; i < frames; ++i, at += FDataStep) fn(i, r.load(at) - r.zeroLevel);
}

pins::ISGIntegerBuffer TAUAudioBuffer::GetChannel(std::uint32_t channel) const {
    CheckedChannel(channel);
    auto result = pins::TSGIntegerBuffer::CreateSize(GetSize());
    std::int32_t* items = result->Write();
    EachSample(channel, [items](std::uint32_t i, std::int32_t v) { items[i] = v; });
    return result;
}

pins::ISGRealBuffer TAUAudioBuffer::GetChannelAsReal(std::uint32_t channel) const {
    CheckedChannel(channel);
    auto result = pins::TSGRealBuffer::CreateSize(GetSize());
    double* items = result->Write();
    EachSample(channel, [items](std::uint32_t i, std::int32_t v) { items[i] = v; });
    return result;
}

void TAUAudioBuffer::CheckWidth(unsigned width) const {
    if (width != FSampleBitWidth)
        throw EAudioFormatError(std::to_string(FSampleBitWidth) + "-bit samples read as " + std::to_string(width) +
                                "-bit ones");
}

pins::ISGIntegerBuffer TAUAudioBuffer::Strip(unsigned width, std::uint32_t channel) const {
    CheckWidth(width);
    return GetChannel(channel);
}

pins::ISGRealBuffer TAUAudioBuffer::StripReal(unsigned width, std::uint32_t channel) const {
    CheckWidth(width);
    return GetChannelAsReal(channel);
}

}  // namespace oculon::audio
