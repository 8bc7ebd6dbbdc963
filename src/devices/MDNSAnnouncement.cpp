#include "devices/MDNSAnnouncement.h"

#include <array>
#include <charconv>

namespace oculon::devices {

namespace {

constexpr std::string_view kHttp = "_http._tcp.local";
constexpr std::string_view kAxisVideo = "_axis-video._tcp.local";
constexpr std::string_view kKorvatVideo = "_korvat-video._tcp.local";
constexpr std::string_view kDoorstation = "Doorstation";
constexpr std::string_view kPathKey = "mjpg=";
constexpr std::string_view kReductionKey = "width_reduction=";

// The flags in the order a record prefix is chosen from them.
enum Flag { MOBOT, AXIS, KORVA, HIKVI, MIRAB, kFlagCount };
constexpr std::array<std::string_view, kFlagCount> kPrefixes = {"MOBOT", "AXIS_", "KORVA", "HIKVI", "MIRAB"};

bool holdsKey(const std::string& text, std::string_view key) {
    return text.starts_with(key) && (text.size() == key.size() || text[key.size()] == '=');
}

void readPtr(const TMPTRRecord& ptr, std::array<bool, kFlagCount>& flag) {
    const bool doorstation = std::string_view(ptr.HostName).substr(0, kDoorstation.size()) == kDoorstation;
    if (ptr.Name == kKorvatVideo) {
        flag[MIRAB] = true;
        flag[AXIS] = flag[KORVA] = flag[HIKVI] = false;
    } else if (ptr.Name == kAxisVideo) {
        // The maker's door stations announce themselves as Axis video too.
        const bool korvat = doorstation && !flag[AXIS];
        flag[KORVA] = korvat;
        flag[AXIS] = !korvat;
        flag[HIKVI] = flag[MIRAB] = false;
    } else if (ptr.Name == kHttp) {
        flag[AXIS] = doorstation;
        flag[KORVA] = flag[HIKVI] = flag[MIRAB] = false;
    }
}

}  // namespace

std::optional<MDNSAnnouncement> readAnnouncement(const TMQueryResult& answer) {
    std::array<bool, kFlagCount> flag{};
    MDNSAnnouncement found;
    bool haveAddress = false;
    for (const auto& record : answer) {
        if (const auto* ptr = dynamic_cast<const TMPTRRecord*>(record.get())) {
            readPtr(*ptr, flag);
        } else if (const auto* txt = dynamic_cast<const TMTextRecord*>(record.get());
                   txt && txt->RecType == TQueryRecordTypes::qtTXT) {  // not HINFO, a text record too
            const bool ours = txt->Name.ends_with(kKorvatVideo);
            for (const auto& text : txt->Text) {
                if (ours && text.starts_with(kPathKey)) found.path = text.substr(kPathKey.size());
                if (ours && text.starts_with(kReductionKey)) {
                    const char* first = text.data() + kReductionKey.size();
                    const char* last = text.data() + text.size();
                    int value = 0;
                    const auto [end, error] = std::from_chars(first, last, value);
                    if (error == std::errc() && end == last) found.reduction = value;
                }
                if (holdsKey(text, kMobotixFullNameKey)) flag[MOBOT] = true;
            }
        } else if (const auto* a = dynamic_cast<const TMARecord*>(record.get()); a && !haveAddress) {
            haveAddress = true;
            found.address = a->IPAddress;
            found.hostName = a->Name.substr(0, a->Name.find('.'));
        }
    }
    for (int f = 0; f < kFlagCount; ++f) {
        if (!flag[f]) continue;
        if (!haveAddress) return std::nullopt;
        found.prefix = kPrefixes[f];
        return found;
    }
    return std::nullopt;
}

}  // namespace oculon::devices
