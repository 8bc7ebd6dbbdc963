#pragma once
// The audio compression setting of the AVI writer: an ordered list of target
// formats, each an opaque wave-format record as the audio compression manager
// gives it, stored with the form as the binary property "FormatData" (a
// 32-bit little-endian byte count, then the record).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/pins/CBComponent.h"

namespace oculon::audio {

class TAUCompressionFormat : public pins::TCBPersistent {
public:
    // The largest record that "FormatData" may hold: the 18-byte header and
    // the most extra bytes its 16-bit count can announce.
    static constexpr std::size_t kMaxFormatSize = 18 + 0xFFFF;

    explicit TAUCompressionFormat(pins::TCBCollectionItem* owner);

    // An empty choice with room for the largest record of any installed format.
    void AlocateDefaultFormat();
    void SetFormat(const std::uint8_t* Data, std::size_t Size);
    // From another format: its record and whether it is empty.
    void Assign(pins::TPersistent& Source) override;
    bool IsEmpty() { return FLock->Getter(FIsEmpty); }
    std::vector<std::uint8_t> FormatData();

    // Whether "FormatData" is written at all.
    bool StoresFormatData() { return !IsEmpty(); }
    // Appends the property's bytes.
    void WriteData(std::vector<std::uint8_t>& Stream);
    // Reads the property from the start of `Stream`; returns the bytes it
    // took, or 0 when the stored count is larger than the bytes that follow or
    // than any record can be (the choice is then left empty).
    std::size_t ReadData(const std::uint8_t* Stream, std::size_t Size);
    // The bytes a stored "FormatData" at the start of `Stream` takes, or 0
    // when its count does not fit (4 for an empty one).
    static std::size_t StoredSize(const std::uint8_t* Stream, std::size_t Size);
    // "FormatData", stored when a format is chosen.
    void DefineProperties(platform::TFiler& filer) override;

    // "<tag name> [ Mono, 22050 Hz  ] ", "[ Empty ]" or "[ Unknown ]".
    std::string GetName();

private:
    std::vector<std::uint8_t> FFormatData;
    bool FIsEmpty = true;
};

class TAUAudioCompressionItem : public pins::TCBCollectionItem {
public:
    explicit TAUAudioCompressionItem(pins::TPNExtCollection& collection);
    TAUCompressionFormat& Format() { return FFormat; }
    void SetFormat(TAUCompressionFormat& value) { FFormat.Assign(value); }
    void GetPropInfos(pins::TPropList& props) override;
    std::string Name() { return FFormat.GetName(); }

private:
    TAUCompressionFormat FFormat;
};

class TAUAudioCompressionItems : public pins::TCBCollection {
public:
    TAUAudioCompressionItems(pins::TPersistent* owner, pins::IPNLock& lock) : TCBCollection(owner, lock) {}
    TAUAudioCompressionItem& Items(std::size_t index) const;
    TAUAudioCompressionItem& Add() { return TCBCollection::Add<TAUAudioCompressionItem>(); }
    std::unique_ptr<pins::TPNExtCollectionItem> NewItem() override;
};

class TAUAudioCompression : public pins::TCBOptionalDisabledPersistent {
public:
    // Starts with one (empty) item.
    TAUAudioCompression(pins::TPersistent* owner, pins::IPNLock& lock);
    TAUAudioCompressionItems& Compressions() { return FCompressions; }
    void SetCompressions(TAUAudioCompressionItems& value) { FCompressions.Assign(value); }
    void GetPropInfos(pins::TPropList& props) override;

private:
    TAUAudioCompressionItems FCompressions;
};

}  // namespace oculon::audio
