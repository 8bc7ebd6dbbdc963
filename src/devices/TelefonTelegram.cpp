#include "devices/TelefonTelegram.h"

#include <charconv>

#include "devices/DiscoveryTelegrams.h"
#include "devices/TelegramText.h"
#include "devices/TickCount.h"

namespace oculon::devices {

namespace {

constexpr std::size_t kTextStart = 6;
// The reply fields: address (8), command letter (1), value (15).
constexpr std::size_t kReplyAddress = 0, kReplyAddressLen = 8;
constexpr std::size_t kReplyCommand = 8;
constexpr std::size_t kReplyValue = 9, kReplyValueLen = 15;
constexpr std::size_t kResetLen = 24;

}  // namespace

std::optional<TelefonTelegram> parseTelefonTelegram(std::string_view data) {
    if (data.size() != 32 && data.size() != 36) return std::nullopt;
    if (!additiveChecksumValid(data)) return std::nullopt;
    const auto sequence = hexByte(data.substr(0, 2));
    const auto code = hexByte(data.substr(3, 2));
    if (!sequence || !code) return std::nullopt;
    TelefonTelegram t;
    t.sequence = *sequence;
    t.code = *code;
    t.text = std::string(data.substr(kTextStart, data.size() - 2 - kTextStart));
    return t;
}

telefonObjekt::telefonObjekt() : FMilliseconds(tickCount()) {}

void telefonObjekt::Assign(const telefonObjekt& source) {
    FStatus = source.FStatus;
    FNummer = source.FNummer;
    FIpAdresse = source.FIpAdresse;
    statusnummer = source.statusnummer;
    FPacket = source.FPacket;
}

std::unique_ptr<telefonObjekt> makeTelefonEvent(const TelefonTelegram& telegram, const std::string& sender) {
    auto event = std::make_unique<telefonObjekt>();
    event->statusnummer = telegram.code;
    event->FIpAdresse = sender;
    switch (telegram.code) {
        case 0x01:
        case 0x05:
        case 0x07:
            event->FStatus = Verbindung;
            event->FNummer = withoutBlanks(telegram.text);
            break;
        case 0x5D:
            event->FStatus = Video;
            event->FNummer = withoutBlanks(telegram.text);
            break;
        case kCodeAck:
            event->FStatus = ACK;
            event->FPacket = telegram.text;
            break;
        case 0x14:
            event->FStatus = NameSt;
            event->FName = trimRightBlanks(telegram.text);
            break;
        case 0x0A: {
            event->FStatus = TelTyp;
            const char kind = telegram.text.empty() ? '\0' : telegram.text[0];
            event->FTyp = kind == 'V' ? config::KorvatV1 : kind == 'R' ? config::KorvatV2 : config::telUnknown;
            break;
        }
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x06:
        case 0x08:
        case 0x09: event->FStatus = Idle; break;
        default: return nullptr;
    }
    return event;
}

void dropEndedCalls(std::vector<platform::Datagram>& waiting) {
    std::vector<std::optional<TTelefonStatus>> status(waiting.size());
    for (std::size_t i = 0; i < waiting.size(); ++i)
        if (const auto telegram = parseTelefonTelegram(waiting[i].data))
            if (const auto event = makeTelefonEvent(*telegram, waiting[i].peerAddress)) status[i] = event->status();
    std::vector<bool> ended(waiting.size());
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        if (status[i] != Verbindung && status[i] != Video) continue;
        for (std::size_t j = i + 1; j < waiting.size() && !ended[i]; ++j)
            ended[i] = status[j] == Idle && waiting[j].peerAddress == waiting[i].peerAddress;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        if (ended[i]) continue;
        if (kept != i) waiting[kept] = std::move(waiting[i]);
        ++kept;
    }
    waiting.resize(kept);
}

std::optional<std::string> ipv4Hex(std::string_view dotted) {
    const auto parts = splitstring(dotted, '.');
    if (parts.size() != 4) return std::nullopt;
    std::string hex;
    for (const auto& part : parts) {
        int value = -1;
        const auto* end = part.data() + part.size();
        const auto [ptr, ec] = std::from_chars(part.data(), end, value);
        if (part.empty() || ec != std::errc() || ptr != end || value < 0 || value > 255) return std::nullopt;
        hex += upperHex(static_cast<unsigned>(value), 2);
    }
    return hex;
}

std::string padAccessCode(std::string_view code) {
    std::string padded(code);
    if (padded.size() < 4) padded.append(4 - padded.size(), 'F');
    return padded;
}

std::string sequenceField(int sequence) { return upperHex(static_cast<unsigned>(sequence) & 0xFF, 2); }

std::string buildLsrCmd(std::string_view addressHex, int sequence, std::string_view paddedCode, char command,
                        std::string_view data) {
    std::string t = "LSRCMD";
    t += addressHex;
    t += sequenceField(sequence);
    t += paddedCode;
    t += command;
    t += data;
    appendAdditiveChecksum(t);
    return t;
}

std::string buildLsrEmReset(std::string_view addressHex, int sequence, std::string_view paddedCode) {
    std::string t = "LSREM";
    t += addressHex;
    t += sequenceField(sequence);
    t += "F5A";
    t += paddedCode;
    appendAdditiveChecksum(t);
    return t;
}

namespace {

bool isConfigReplyFor(const TelefonTelegram& reply, std::string_view addressHex) {
    return reply.code == kCodeConfigReply && reply.text.size() >= kReplyValue + kReplyValueLen &&
           std::string_view(reply.text).substr(kReplyAddress, kReplyAddressLen) == addressHex;
}

std::string replyValue(const TelefonTelegram& reply) {
    return trimRightBlanks(std::string_view(reply.text).substr(kReplyValue, kReplyValueLen));
}

}  // namespace

std::optional<std::string> readReplyValue(const TelefonTelegram& reply, std::string_view addressHex) {
    if (!isConfigReplyFor(reply, addressHex) || reply.text[kReplyCommand] != 'b') return std::nullopt;
    return replyValue(reply);
}

bool writeStepConfirmed(const TelefonTelegram& reply, std::string_view addressHex, char command,
                        std::string_view data) {
    return isConfigReplyFor(reply, addressHex) && reply.text[kReplyCommand] == command && replyValue(reply) == data;
}

bool resetConfirmed(const TelefonTelegram& reply, std::string_view resetTelegram) {
    if (reply.code != kCodeAck || reply.text.size() < kResetLen) return false;
    const std::string_view head = std::string_view(reply.text).substr(0, kResetLen);
    return head.substr(0, 5) == "LSREM" && head == resetTelegram;
}

}  // namespace oculon::devices
