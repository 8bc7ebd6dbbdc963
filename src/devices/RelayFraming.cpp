#include "devices/RelayFraming.h"

#include "platform/Base64.h"
#include "platform/Net.h"

namespace oculon::devices {

namespace {

constexpr std::string_view kStart = "<SOT>";
constexpr std::string_view kEnd = "<EOT>";

std::optional<RelayKind> relayKind(std::string_view kind) {
    static constexpr std::pair<std::string_view, RelayKind> kKinds[] = {
        {"CAM", RelayKind::CAM}, {"IDP", RelayKind::IDP}, {"STA", RelayKind::STA}, {"T46", RelayKind::T46},
        {"MOB", RelayKind::MOB}, {"AXI", RelayKind::AXI}, {"KOR", RelayKind::KOR}, {"HIK", RelayKind::HIK},
    };
    for (const auto& [text, value] : kKinds)
        if (kind == text) return value;
    return std::nullopt;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<RelayTelegram> parseRelayLine(std::string_view line) {
    const auto decoded = platform::base64Decode(trimmed(line));
    if (!decoded) return std::nullopt;
    const std::string_view text = *decoded;
    if (text.substr(0, kStart.size()) != kStart) return std::nullopt;
    const auto end = text.find(kEnd);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view inner = text.substr(kStart.size(), end - kStart.size());

    const auto first = inner.find(';');
    if (first == std::string_view::npos) return std::nullopt;
    const auto second = inner.find(';', first + 1);
    if (second == std::string_view::npos) return std::nullopt;

    const auto kind = relayKind(inner.substr(0, first));
    const std::string_view address = inner.substr(first + 1, second - first - 1);
    if (!kind || !platform::parseIpv4(address)) return std::nullopt;
    return RelayTelegram{*kind, std::string(address), std::string(inner.substr(second + 1))};
}

std::string buildRelayLine(std::string_view kind, std::string_view address, std::string_view payload) {
    std::string text(kStart);
    text += kind;
    text += ';';
    text += address;
    text += ';';
    text += payload;
    text += kEnd;
    return platform::base64Encode(text);
}

}  // namespace oculon::devices
