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

void TVDKeyFrames::GetPropInfos(pins::TPropList& props) {
    TCBOptionalDisabledPersistent::GetPropInfos(props);
    props.push_back(pins::PNProp<std::uint32_t>(
        "Period", [this] { return Period(); }, [this](std::uint32_t v) { SetPeriod(v); }, 1000u));
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

void TVDVideoCompressionItem::GetPropInfos(pins::TPropList& props) {
    TCBCollectionItem::GetPropInfos(props);
    props.push_back(pins::PNProp<std::string>(
        "Compressor", [this] { return Compressor(); }, [this](std::string v) { SetCompressor(v); }));
    props.push_back(pins::PNProp<std::uint32_t>(
        "Quality", [this] { return Quality(); }, [this](std::uint32_t v) { SetQuality(v); }, 10000u));
    props.push_back(pins::PNObjectProp("KeyFrames", FKeyFrames));
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

std::unique_ptr<pins::TPNExtCollectionItem> TVDVideoCompressionItems::NewItem() {
    return std::make_unique<TVDVideoCompressionItem>(*this);
}

TVDVideoCompression::TVDVideoCompression(pins::TPersistent* owner, pins::IPNLock& lock,
                                         std::shared_ptr<IVDInstalledCompressors> installed)
    : TCBOptionalDisabledPersistent(owner, lock), FCompressions(this, std::move(installed)) {}

void TVDVideoCompression::GetPropInfos(pins::TPropList& props) {
    TCBOptionalDisabledPersistent::GetPropInfos(props);
    props.push_back(pins::PNObjectProp("Compressions", FCompressions));
}

}  // namespace oculon::mediavideo
