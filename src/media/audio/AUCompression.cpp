#include "media/audio/AUCompression.h"

#include "platform/AudioCompression.h"
#include "platform/LittleEndian.h"

namespace oculon::audio {

using platform::appendLittle;
using platform::readLittle;

TAUCompressionFormat::TAUCompressionFormat(pins::TCBCollectionItem* owner) : TCBPersistent(owner) {
    AlocateDefaultFormat();
}

void TAUCompressionFormat::AlocateDefaultFormat() {
    auto section = FLock->WriteLock();
    // Cleared, so that nothing of earlier memory is ever written out.
    FFormatData.assign(platform::maxAudioFormatSize(), 0);
    FIsEmpty = true;
}

void TAUCompressionFormat::SetFormat(const std::uint8_t* Data, std::size_t Size) {
    auto section = FLock->WriteLock();
    FFormatData.assign(Data, Data + Size);
    FIsEmpty = false;
}

void TAUCompressionFormat::Assign(TAUCompressionFormat& Source) {
    if (&Source == this) return;
    const auto data = Source.FormatData();
    const bool empty = Source.IsEmpty();
    auto section = FLock->WriteLock();
    SetFormat(data.data(), data.size());
    FIsEmpty = empty;
}

std::vector<std::uint8_t> TAUCompressionFormat::FormatData() {
    auto section = FLock->ReadLock();
    return FFormatData;
}

void TAUCompressionFormat::WriteData(std::vector<std::uint8_t>& Stream) {
    auto section = FLock->ReadLock();
    const auto size = static_cast<std::uint32_t>(FFormatData.size());
    appendLittle(Stream, size, 4);
    Stream.insert(Stream.end(), FFormatData.begin(), FFormatData.end());
}

std::size_t TAUCompressionFormat::ReadData(const std::uint8_t* Stream, std::size_t Size) {
    if (!Stream || Size < 4) {
        AlocateDefaultFormat();
        return 0;
    }
    const auto count = static_cast<std::int32_t>(readLittle(Stream, 4));
    if (count < 1) {
        AlocateDefaultFormat();
        return 4;
    }
    // A count from a file decides nothing before it is checked against what can be there.
    if (static_cast<std::size_t>(count) > kMaxFormatSize || static_cast<std::size_t>(count) > Size - 4) {
        AlocateDefaultFormat();
        return 0;
    }
    SetFormat(Stream + 4, static_cast<std::size_t>(count));
    return 4 + static_cast<std::size_t>(count);
}

std::string TAUCompressionFormat::GetName() {
    const auto data = FormatData();
    if (IsEmpty()) return "[ Empty ]";
    // The tag, the channels and the rate are the record's first 8 bytes.
    if (data.size() < 8) return "[ Unknown ]";
    const auto details = platform::audioFormatTagDetails(static_cast<std::uint16_t>(readLittle(data.data(), 2)));
    if (!details) return "[ Unknown ]";
    const std::uint32_t channels = readLittle(data.data() + 2, 2);
    const std::string channelText = channels == 1   ? "Mono"
                                    : channels == 2 ? "Stereo"
                                                    : std::to_string(channels) + " Channels";
    return details->name.substr(0, 48) + " [ " + channelText + ", " + std::to_string(readLittle(data.data() + 4, 4)) +
           " Hz  ] ";
}

TAUAudioCompressionItem::TAUAudioCompressionItem(pins::TPNExtCollection& collection)
    : TCBCollectionItem(collection), FFormat(this) {}

TAUAudioCompressionItem& TAUAudioCompressionItems::Items(std::size_t index) const {
    return static_cast<TAUAudioCompressionItem&>(TCBCollection::Items(index));
}

void TAUAudioCompressionItems::Assign(TAUAudioCompressionItems& source) {
    if (&source == this) return;
    auto section = FLock->WriteLock();
    Clear();
    for (std::size_t i = 0; i < source.Count(); ++i) Add().SetFormat(source.Items(i).Format());
}

TAUAudioCompression::TAUAudioCompression(pins::TPersistent* owner, pins::IPNLock& lock)
    : TCBOptionalDisabledPersistent(owner, lock), FCompressions(this, lock) {
    FCompressions.Add();
}

void TAUAudioCompression::Assign(TAUAudioCompression& source) {
    if (&source == this) return;
    auto section = FLock->WriteLock();
    SetEnabled(source.Enabled());
    FCompressions.Assign(source.Compressions());
}

}  // namespace oculon::audio
