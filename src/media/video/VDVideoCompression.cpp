#include "media/video/VDVideoCompression.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "platform/VideoCompressors.h"

namespace oculon::mediavideo {

namespace {

class PlatformCompressors final : public IVDInstalledCompressors {
public:
    std::vector<Entry> Accepting() override {
        const platform::BitmapFormat query{320, 200, platform::BitmapLayout::bgr24, true};
        std::vector<Entry> list;
        for (const auto& c : platform::installedVideoCompressors())
            if (platform::videoCompressorAccepts(c, query)) list.push_back({c.code, c.description});
        return list;
    }
    std::optional<std::string> Describe(const std::string& code) override {
        const auto* compressor = platform::findVideoCompressor(code);
        if (!compressor) return std::nullopt;
        return compressor->description;
    }
};

}  // namespace

std::shared_ptr<IVDInstalledCompressors> VDInstalledCompressors() {
    static const auto installed = std::make_shared<PlatformCompressors>();
    return installed;
}

TVDKeyFrames::TVDKeyFrames(pins::TCBCollectionItem* owner) : TCBOptionalDisabledPersistent(owner) {}

void TVDKeyFrames::Assign(TVDKeyFrames& source) {
    auto section = FLock->WriteLock();
    SetEnabled(source.Enabled());
    SetPeriod(source.Period());
}

TVDVideoCompressionItem::TVDVideoCompressionItem(pins::TPNExtCollection& collection)
    : TCBCollectionItem(collection), FKeyFrames(this) {}

void TVDVideoCompressionItem::SetCompressor(const std::string& value) {
    std::string upper = value;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    FLock->Setter(FCompressor, std::move(upper));
}

std::uint32_t TVDVideoCompressionItem::GetFOURCC() { return platform::fourccFromCode(Compressor()); }

std::string TVDVideoCompressionItem::GetName() {
    const std::string code = Compressor();
    auto& items = static_cast<TVDVideoCompressionItems&>(Collection());
    const auto description = items.Installed().Describe(code);
    return "[" + code + "] - " + (description ? *description : "Unknown Type");
}

void TVDVideoCompressionItem::Assign(TVDVideoCompressionItem& source) {
    auto section = FLock->WriteLock();
    SetCompressor(source.Compressor());
    SetQuality(source.Quality());
    FKeyFrames.Assign(source.KeyFrames());
}

TVDVideoCompressionItems::TVDVideoCompressionItems(pins::TCBPersistent* owner,
                                                   std::shared_ptr<IVDInstalledCompressors> installed)
    : TCBCollection(owner), FInstalled(std::move(installed)) {}

TVDVideoCompressionItem& TVDVideoCompressionItems::Items(std::size_t index) const {
    return static_cast<TVDVideoCompressionItem&>(TCBCollection::Items(index));
}

void TVDVideoCompressionItems::GetAvailableCompressions(std::vector<std::string>& list,
                                                        TVDCompressionListMode mode) const {
    for (const auto& entry : FInstalled->Accepting()) {
        switch (mode) {
            case TVDCompressionListMode::Code: list.push_back(entry.Code); break;
            case TVDCompressionListMode::Description: list.push_back(entry.Description); break;
            case TVDCompressionListMode::CodeAndDescription:
                list.push_back("[" + entry.Code + "] - " + entry.Description);
                break;
        }
    }
}

int TVDVideoCompressionItems::GetCountChannelsOfHandler(const std::string& code) const {
    int count = 0;
    for (std::size_t i = 0; i < Count(); ++i)
        if (Items(i).Compressor() == code) ++count;
    return count;
}

void TVDVideoCompressionItems::GetNewHandler(const std::vector<std::string>& list, std::string& code) const {
    code = "CVID";
    int fewest = INT_MAX;
    for (const auto& candidate : list) {
        const int uses = GetCountChannelsOfHandler(candidate);
        if (uses < fewest) {
            fewest = uses;
            code = candidate;
        }
    }
}

void TVDVideoCompressionItems::NewItemCreated(pins::TPNExtCollectionItem& item) {
    TCBCollection::NewItemCreated(item);
    std::vector<std::string> installed;
    GetAvailableCompressions(installed, TVDCompressionListMode::Code);
    std::string code;
    GetNewHandler(installed, code);
    static_cast<TVDVideoCompressionItem&>(item).SetCompressor(code);
}

void TVDVideoCompressionItems::Assign(TVDVideoCompressionItems& source) {
    if (&source == this) return;
    auto section = FLock->WriteLock();
    Clear();
    for (std::size_t i = 0; i < source.Count(); ++i) Add().Assign(source.Items(i));
}

TVDVideoCompression::TVDVideoCompression(pins::TPersistent* owner, pins::IPNLock& lock,
                                         std::shared_ptr<IVDInstalledCompressors> installed)
    : TCBOptionalDisabledPersistent(owner, lock), FCompressions(this, std::move(installed)) {}

void TVDVideoCompression::Assign(TVDVideoCompression& source) {
    if (&source == this) return;
    auto section = FLock->WriteLock();
    SetEnabled(source.Enabled());
    FCompressions.Assign(source.Compressions());
}

}  // namespace oculon::mediavideo
