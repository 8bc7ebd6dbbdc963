#include "devices/DiscoveryTelegrams.h"

#include <algorithm>

#include "config/CameraTypes.h"
#include "devices/TelegramText.h"

namespace oculon::devices {

std::string searchTelegram() {
    std::string t(63, '\0');
    t.replace(0, 6, "PCEdit");
    t[6] = 2;
    t[24] = 2;
    t[31] = 2;
    return t;
}

std::string textQuery() { return "IPQUERY,0"; }

std::optional<paket> paket::fromBytes(std::string_view data) {
    if (data.size() != kSize && data.size() != kSize - 1) return std::nullopt;
    paket p;
    std::copy(data.begin(), data.end(), p.bytes_.begin());
    return p;
}

std::string paket::text(std::size_t offset, std::size_t size) const {
    std::string out;
    for (std::size_t i = 0; i < size && bytes_[offset + i] != 0; ++i) out += static_cast<char>(bytes_[offset + i]);
    return out;
}

void paket::setText(std::size_t offset, std::size_t size, std::string_view value) {
    for (std::size_t i = 0; i < size; ++i)
        bytes_[offset + i] = i < value.size() ? static_cast<std::uint8_t>(value[i]) : 0;
}

std::string paket::dotted(std::size_t offset) const {
    return std::to_string(bytes_[offset]) + "." + std::to_string(bytes_[offset + 1]) + "." +
           std::to_string(bytes_[offset + 2]) + "." + std::to_string(bytes_[offset + 3]);
}

std::string paket::geraet() const { return text(kGeraet, kGeraetLen); }

std::string paket::name() const { return text(kName, kNameLen); }

std::string paket::port1() const { return text(kPort1, kPortLen); }

std::string paket::port1NonZero() const {
    std::string out;
    for (std::size_t i = 0; i < kPortLen; ++i)
        if (bytes_[kPort1 + i] != 0) out += static_cast<char>(bytes_[kPort1 + i]);
    return out;
}

void paket::setGeraet(std::string_view prefix) { setText(kGeraet, kGeraetLen, prefix); }

void paket::setName(std::string_view name, std::size_t maxChars) {
    const auto end = name.find('\0');
    if (end != std::string_view::npos) name = name.substr(0, end);
    setText(kName, kNameLen, name.substr(0, std::min(maxChars, kNameLen)));
}

void paket::setPort1(std::string_view port) { setText(kPort1, kPortLen, port); }

void paket::setIpAddr(const std::array<std::uint8_t, 4>& octets) {
    std::copy(octets.begin(), octets.end(), bytes_.begin() + kIpAddr);
}

TVideoServerType getType(const paket& record) { return config::typeOfPrefix(record.geraet()); }

std::string_view typePrefix(TVideoServerType type) { return config::cameraTraits(type).prefix; }

paket namedRecord(std::string_view prefix, std::string_view name) {
    paket p;
    p.setGeraet(prefix);
    p.setName(name, 17);
    return p;
}

std::vector<std::string> splitstring(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::optional<paket> parseIpReply(std::string_view data) {
    if (data.size() <= 10) return std::nullopt;
    const auto zero = data.find('\0');
    if (zero != std::string_view::npos) data = data.substr(0, zero);
    const auto fields = splitstring(data, ',');
    if (fields.size() < 7 || fields[0] != "IPREPLY") return std::nullopt;
    const auto hostPort = splitstring(fields[3], ':');
    if (hostPort.size() < 2) return std::nullopt;
    paket p;
    p.setGeraet("T4615");
    p.setName(fields[6]);
    p.setPort1(std::string_view(hostPort[1]).substr(0, paket::kPortLen));
    return p;
}

std::optional<StateTelegram> parseStateTelegram(std::string_view data) {
    if (data.size() != kStateTelegramSize || !additiveChecksumValid(data)) return std::nullopt;
    const auto sequence = hexByte(data.substr(0, 2));
    if (!sequence) return std::nullopt;
    StateTelegram t;
    t.sequence = *sequence;
    t.kind = std::string(data.substr(3, 2));
    t.input1Active = data[8] == '0';
    t.input2Active = data[9] == '0';
    return t;
}

}  // namespace oculon::devices
