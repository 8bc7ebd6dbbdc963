#pragma once
// The special functions of an IP door intercom: ten settings of one byte
// each at fixed addresses of its memory, how each byte maps to the window's
// controls and back, and the read and write runs through the telephone's
// configuration client (a write ends with the device's restart). The runs
// block on the network, so they go on a worker (devices::telefonKonfigThread).

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace oculon::devices {
class telefonKonfig;
}

namespace oculon::settings {

// In the order they are read and written.
inline constexpr std::array<int, 10> kSpecialAddresses{0x602, 0x603, 0x604, 0x605, 0x606,
                                                       0x617, 0x618, 0x619, 0x61A, 0x61C};

// The entries of the four key lists: "-", "0" .. "9", "F".
inline constexpr int kKeyEntries = 12;
inline constexpr int kKeyNone = 0;  // "-"
inline constexpr int kKeyF = 11;    // "F"
const char* keyEntryText(int entry);

struct IntercomMemory {
    int callLogic = -1;  // the checked call-logic button 0..3; -1: none
    bool sendCode = false;
    bool cancelCall = false;  // bits 0..3 of 0x604
    bool hangUp = false;
    bool relay1 = false;
    bool relay2 = false;
    bool relayByDtmf = false;
    bool display = false;
    std::array<int, 4> keys{};  // entries of the four lists
    bool dialTone = false;
    friend bool operator==(const IntercomMemory&, const IntercomMemory&) = default;
};

// A value read from `address` set into the controls.
void applyValue(IntercomMemory& f, int address, int value);
// The value the controls give for `address`.
int valueOf(const IntercomMemory& f, int address);
// The device's answer: its first two characters as a hexadecimal number.
std::optional<int> parseAnswer(const std::string& text);

// Reads the addresses in order into `f` and stops at the first one without
// a valid answer; true when all were read.
bool readIntercomMemory(devices::telefonKonfig& client, IntercomMemory& f);
// Writes the addresses in order, each only after the one before was taken,
// then calls `restarting` and resets the device, and `reached` once the
// device confirmed the reset (all has reached it; it is still coming back);
// true when the reset was confirmed.
bool writeIntercomMemory(devices::telefonKonfig& client, const IntercomMemory& f,
                         const std::function<void()>& restarting, const std::function<void()>& reached);

}  // namespace oculon::settings
