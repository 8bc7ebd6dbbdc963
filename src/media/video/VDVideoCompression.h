#pragma once
// The video compression setting of the AVI writer: an ordered list of
// compressor choices (code, quality, key-frame period), tried in order when a
// file starts, with an on/off switch; and the list of installed compressors
// that a user picks from, from which each new choice gets a code that the
// list uses least.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/pins/CBComponent.h"

namespace oculon::mediavideo {

// The installed compressors as these settings see them; VDInstalledCompressors()
// asks the platform, tests give their own.
class IVDInstalledCompressors {
public:
    struct Entry {
        std::string Code;  // four characters, upper-cased
        std::string Description;
    };
    virtual ~IVDInstalledCompressors() = default;
    // In the installed order, those that take a 320 x 200 24-bit bitmap.
    virtual std::vector<Entry> Accepting() = 0;
    // The description of the compressor of `code`; nullopt when none is installed.
    virtual std::optional<std::string> Describe(const std::string& code) = 0;
};

std::shared_ptr<IVDInstalledCompressors> VDInstalledCompressors();

// Every `Period` frames a key frame, while enabled.
class TVDKeyFrames : public pins::TCBOptionalDisabledPersistent {
public:
    explicit TVDKeyFrames(pins::TCBCollectionItem* owner);
    std::uint32_t Period() { return FLock->Getter(FPeriod); }
    void SetPeriod(std::uint32_t value) { FLock->Setter(FPeriod, value); }
    void GetPropInfos(pins::TPropList& props) override;

private:
    std::uint32_t FPeriod = 1000;
};

class TVDVideoCompressionItem : public pins::TCBCollectionItem {
public:
    explicit TVDVideoCompressionItem(pins::TPNExtCollection& collection);

    std::string Compressor() { return FLock->Getter(FCompressor); }
    // Stored upper-cased.
    void SetCompressor(const std::string& value);
    // 0 to 10000.
    std::uint32_t Quality() { return FLock->Getter(FQuality); }
    void SetQuality(std::uint32_t value) { FLock->Setter(FQuality, value); }
    TVDKeyFrames& KeyFrames() { return FKeyFrames; }
    void SetKeyFrames(TVDKeyFrames& value) { FKeyFrames.Assign(value); }

    std::uint32_t GetFOURCC();
    // "[CODE] - description", or "[CODE] - Unknown Type" when no such
    // compressor is installed; also the item's display name.
    std::string GetName();
    std::string Name() { return GetName(); }
    void GetPropInfos(pins::TPropList& props) override;

private:
    std::string FCompressor;
    std::uint32_t FQuality = 10000;
    TVDKeyFrames FKeyFrames;
};

// What GetAvailableCompressions lists of each compressor.
enum class TVDCompressionListMode { Code = 0, Description = 1, CodeAndDescription = 2 };

class TVDVideoCompressionItems : public pins::TCBCollection {
public:
    TVDVideoCompressionItems(pins::TCBPersistent* owner, std::shared_ptr<IVDInstalledCompressors> installed);

    TVDVideoCompressionItem& Items(std::size_t index) const;
    TVDVideoCompressionItem& Add() { return TCBCollection::Add<TVDVideoCompressionItem>(); }

    // Appends the compressors that take a 320 x 200 24-bit bitmap.
    void GetAvailableCompressions(std::vector<std::string>& list, TVDCompressionListMode mode) const;
    // Items whose Compressor is exactly `code`.
    int GetCountChannelsOfHandler(const std::string& code) const;
    // "CVID" for an empty list; otherwise the first code of `list` that the
    // fewest items use.
    void GetNewHandler(const std::vector<std::string>& list, std::string& code) const;
    IVDInstalledCompressors& Installed() const { return *FInstalled; }
    std::unique_ptr<pins::TPNExtCollectionItem> NewItem() override;

protected:
    // A new item gets the installed code that the list uses least.
    void NewItemCreated(pins::TPNExtCollectionItem& item) override;

private:
    std::shared_ptr<IVDInstalledCompressors> FInstalled;
};

class TVDVideoCompression : public pins::TCBOptionalDisabledPersistent {
public:
    TVDVideoCompression(pins::TPersistent* owner, pins::IPNLock& lock,
                        std::shared_ptr<IVDInstalledCompressors> installed = VDInstalledCompressors());

    TVDVideoCompressionItems& Compressions() { return FCompressions; }
    // Copies the items.
    void SetCompressions(TVDVideoCompressionItems& value) { FCompressions.Assign(value); }
    void GetPropInfos(pins::TPropList& props) override;

private:
    TVDVideoCompressionItems FCompressions;
};

}  // namespace oculon::mediavideo
