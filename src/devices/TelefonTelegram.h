#pragma once
// Door-intercom telephone telegrams: the state telegram a telephone sends to
// port 8112, the event object it becomes (`telefonObjekt`, message 1029),
// and the configuration telegrams "LSRCMD" and "LSREM" we send to port 8113
// with the rules by which a reply confirms them.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/sprachen.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"

namespace oculon::devices {

using config::TTelefonTyp;

enum TTelefonStatus : std::uint8_t { Idle = 0, Verbindung = 1, ACK = 2, NameSt = 3, TelTyp = 4, Video = 5 };

// Telegram codes with a meaning of their own.
inline constexpr int kCodeAck = 0x1E;
inline constexpr int kCodeConfigReply = 0x32;

// An incoming telegram of 32 or 36 bytes whose checksum and hex fields hold.
struct TelefonTelegram {
    int sequence = 0;
    int code = 0;
    std::string text;  // bytes 6 to N-3
};
std::optional<TelefonTelegram> parseTelefonTelegram(std::string_view data);

// Event of a telephone telegram; posted to the main form, which owns it.
class telefonObjekt : public platform::MessagePayload {
public:
    telefonObjekt();  // stamps the tick count

    // Copies status, number, address, code and packet text; not the type,
    // the name or the time stamp.
    void Assign(const telefonObjekt& source);

    TTelefonStatus FStatus = Idle;
    TTelefonTyp FTyp = config::telUnknown;
    std::string FNummer;
    std::string FIpAdresse;
    std::string FName;
    std::uint32_t FMilliseconds = 0;
    std::string FPacket;
    int statusnummer = 0;

    TTelefonStatus status() const { return FStatus; }
    TTelefonTyp typ() const { return FTyp; }
    const std::string& nummer() const { return FNummer; }
    const std::string& adresse() const { return FIpAdresse; }
    const std::string& name() const { return FName; }
    std::uint32_t timing() const { return FMilliseconds; }
    const std::string& packet() const { return FPacket; }
};

// The event a telegram from `sender` makes, or nullptr for the codes that
// make none (configuration replies and unknown codes).
std::unique_ptr<telefonObjekt> makeTelefonEvent(const TelefonTelegram& telegram, const std::string& sender);

// Of telegrams that waited together on port 8112 (the program was stopped
// meanwhile), takes out each call whose end from the same telephone waits
// behind it: it would flash up and go at once.
void dropEndedCalls(std::vector<platform::Datagram>& waiting);

// --- Configuration telegrams ----------------------------------------------

// "192.168.1.10" as "C0A8010A"; nullopt unless four decimal numbers 0..255.
std::optional<std::string> ipv4Hex(std::string_view dotted);
// The access code padded with "F" to four characters; longer ones unchanged.
std::string padAccessCode(std::string_view code);
// The sequence field: two upper-case hex digits of the counter modulo 256.
std::string sequenceField(int sequence);

// "LSRCMD" + address + sequence + code + command + data + checksum.
std::string buildLsrCmd(std::string_view addressHex, int sequence, std::string_view paddedCode, char command,
                        std::string_view data);
// "LSREM" + address + sequence + "F5A" + code + checksum: the reset.
std::string buildLsrEmReset(std::string_view addressHex, int sequence, std::string_view paddedCode);

// Reply rules (positions are those of the telegram's text, which starts at
// byte 6 of the telegram).
// A read answer for `addressHex`: the value, trailing blanks removed.
std::optional<std::string> readReplyValue(const TelefonTelegram& reply, std::string_view addressHex);
// A write step `command` with `data` confirmed for `addressHex`.
bool writeStepConfirmed(const TelefonTelegram& reply, std::string_view addressHex, char command, std::string_view data);
// The telephone echoing the reset telegram we sent.
bool resetConfirmed(const TelefonTelegram& reply, std::string_view resetTelegram);

}  // namespace oculon::devices

// Message 1029 carries it.
template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_TELUPDATEEVENT> {
    using type = oculon::devices::telefonObjekt;
};
