#include "media/audio/AUCompression.h"

#include "platform/AudioCompression.h"
#include "platform/ComponentStream.h"
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

std::size_t TAUCompressionFormat::StoredSize(const std::uint8_t* Stream, std::size_t Size) {
    if (!Stream || Size < 4) return 0;
    const auto count = static_cast<std::int32_t>(readLittle(Stream, 4));
    if (count < 1) return 4;
    // A count from a file decides nothing before it is checked against what can be there.
    if (static_cast<std::size_t>(count) > kMaxFormatSize || static_cast<std::size_t>(count) > Size - 4) return 0;
    return 4 + static_cast<std::size_t>(count);
}

std::size_t TAUCompressionFormat::ReadData(const std::uint8_t* Stream, std::size_t Size) {
    const std::size_t taken = StoredSize(Stream, Size);
    if (taken <= 4) AlocateDefaultFormat();
    else SetFormat(Stream + 4, taken - 4);
    return taken;
}

void TAUCompressionFormat::Assign(pins::TPersistent& Source) {
    auto* other = dynamic_cast<TAUCompressionFormat*>(&Source);
    if (!other) return TCBPersistent::Assign(Source);
    if (other == this) return;
    const auto data = other->FormatData();
    const bool empty = other->IsEmpty();
    auto section = FLock->WriteLock();
    SetFormat(data.data(), data.size());
    FIsEmpty = empty;
}

void TAUCompressionFormat::DefineProperties(platform::TFiler& filer) {
    TCBPersistent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "FormatData",
        [this](const std::vector<std::uint8_t>& bytes, platform::TApplyQueue& changes) {
            if (StoredSize(bytes.data(), bytes.size()) != bytes.size())
                throw platform::EComponentStreamError("\"FormatData\" holds " + std::to_string(bytes.size()) +
                                                      " bytes, not a byte count and the record it counts");
            changes.Add([this, bytes] { ReadData(bytes.data(), bytes.size()); });
        },
        [this](std::vector<std::uint8_t>& bytes) { WriteData(bytes); }, StoresFormatData());
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

std::unique_ptr<pins::TPNExtCollectionItem> TAUAudioCompressionItems::NewItem() {
    return std::make_unique<TAUAudioCompressionItem>(*this);
}

void TAUAudioCompressionItem::GetPropInfos(pins::TPropList& props) {
    TCBCollectionItem::GetPropInfos(props);
    props.push_back(pins::PNObjectProp("Format", FFormat));
}

TAUAudioCompression::TAUAudioCompression(pins::TPersistent* owner, pins::IPNLock& lock)
    : TCBOptionalDisabledPersistent(owner, lock), FCompressions(this, lock) {
    FCompressions.Add();
}

void TAUAudioCompression::GetPropInfos(pins::TPropList& props) {
    TCBOptionalDisabledPersistent::GetPropInfos(props);
    props.push_back(pins::PNObjectProp("Compressions", FCompressions));
}

}  // namespace oculon::audio
