#include "settings/IntercomMemory.h"

#include <cctype>

#include "devices/telefonKonfig.h"

namespace oculon::settings {

namespace {

constexpr int kF = 0x46;
constexpr int kNone = 0xFF;

int keyIndex(int address) { return address >= 0x617 && address <= 0x61A ? address - 0x617 : -1; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const int upper = std::toupper(static_cast<unsigned char>(c));
    return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

}  // namespace

const char* keyEntryText(int entry) {
    static constexpr const char* kTexts[kKeyEntries] = {"-", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "F"};
    return entry >= 0 && entry < kKeyEntries ? kTexts[entry] : kTexts[kKeyNone];
}

void applyValue(IntercomMemory& f, int address, int value) {
    if (const int k = keyIndex(address); k >= 0) {
        f.keys[static_cast<std::size_t>(k)] = value >= 0 && value <= 9 ? value + 1 : value == kF ? kKeyF : kKeyNone;
        return;
    }
    switch (address) {
        case 0x602:
            if (value >= 0 && value <= 3) f.callLogic = value;
            break;
        case 0x603: f.sendCode = value > 0; break;
        case 0x604:
            f.cancelCall = value & 1;
            f.hangUp = value & 2;
            f.relay1 = value & 4;
            f.relay2 = value & 8;
            break;
        case 0x605: f.relayByDtmf = value > 0; break;
        case 0x606: f.display = value == 1; break;
        case 0x61C: f.dialTone = value > 0; break;
        default: break;
    }
}

int valueOf(const IntercomMemory& f, int address) {
    if (const int k = keyIndex(address); k >= 0) {
        const int entry = f.keys[static_cast<std::size_t>(k)];
        return entry >= 1 && entry <= 10 ? entry - 1 : entry == kKeyF ? kF : kNone;
    }
    switch (address) {
        case 0x602: return f.callLogic >= 0 && f.callLogic <= 3 ? f.callLogic : 0;
        case 0x603: return f.sendCode ? 1 : 0;
        case 0x604: return (f.cancelCall ? 1 : 0) | (f.hangUp ? 2 : 0) | (f.relay1 ? 4 : 0) | (f.relay2 ? 8 : 0);
        case 0x605: return f.relayByDtmf ? 1 : 0;
        case 0x606: return f.display ? 1 : 0;
        case 0x61C: return f.dialTone ? 1 : 0;
        default: return 0;
    }
}

std::optional<int> parseAnswer(const std::string& text) {
    if (text.size() < 2) return std::nullopt;
    const int high = hexDigit(text[0]);
    const int low = hexDigit(text[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return high * 16 + low;
}

bool readIntercomMemory(devices::telefonKonfig& client, IntercomMemory& f) {
    for (const int address : kSpecialAddresses) {
        const auto value = parseAnswer(client.leseAdresse(address));
        if (!value) return false;
        applyValue(f, address, *value);
    }
    return true;
}

bool writeIntercomMemory(devices::telefonKonfig& client, const IntercomMemory& f,
                         const std::function<void()>& restarting, const std::function<void()>& reached) {
    for (const int address : kSpecialAddresses) {
        if (!client.schreibeDaten(address, valueOf(f, address))) return false;
    }
    if (restarting) restarting();
    const bool confirmed = client.sendReset();
    if (confirmed && reached) reached();
    client.awaitRestart();
    return confirmed;
}

}  // namespace oculon::settings
