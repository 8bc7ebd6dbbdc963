#include "config/EntryRegistry.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

#include "platform/ShownText.h"

namespace oculon::config {

using platform::Registry;
using platform::RegistryError;

TVideoServerType toServerType(std::int32_t stored) {
    const auto low = static_cast<std::uint8_t>(stored);
    return low < kVideoServerTypeCount ? static_cast<TVideoServerType>(low) : unknown;
}

TTelefonTyp toTelefonTyp(std::int32_t stored) {
    const auto low = static_cast<std::uint8_t>(stored);
    return low <= KorvatV2 ? static_cast<TTelefonTyp>(low) : telUnknown;
}

TLayoutTyp toLayout(std::int32_t stored) {
    const auto low = static_cast<std::uint8_t>(stored);
    return low < kLayoutCount ? static_cast<TLayoutTyp>(low) : r2x2;
}

namespace {

// A number as a hand-written file may give it, in a text: decimal digits,
// perhaps after a minus, within what a DWORD holds.
std::optional<std::int32_t> decimalNumber(const std::string& text) {
    std::int64_t number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end || number < INT32_MIN || number > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

}  // namespace

namespace {

// The number `name` holds, or `fallback`; one that cannot be used is noted
// with the fallback the program takes in its place.
std::optional<std::int32_t> numberOr(const Registry& reg, const std::string& name,
                                     std::optional<std::int32_t> fallback) {
    if (!reg.ValueExists(name)) return fallback;
    try {
        return reg.ReadInteger(name);
    } catch (const RegistryError&) {}
    if (const auto number = decimalNumber(reg.ReadString(name))) return number;
    std::optional<platform::RegValue> takenAs;
    if (fallback) takenAs = static_cast<std::uint32_t>(*fallback);
    reg.NoteUnusable(name, platform::SettingsFault::notANumber, takenAs);
    return fallback;
}

// The text `name` holds, or `fallback`, noted as numberOr does.
std::optional<std::string> textOr(const Registry& reg, const std::string& name, TextBytes bytes,
                                  const std::optional<std::string>& fallback) {
    if (!reg.ValueExists(name)) return fallback;
    std::string text;
    try {
        text = reg.ReadString(name);
    } catch (const RegistryError&) {
        std::optional<platform::RegValue> takenAs;
        if (fallback) takenAs = *fallback;
        reg.NoteUnusable(name, platform::SettingsFault::notAText, takenAs);
        return fallback;
    }
    // Taken as it is all the same (an editor that saves Latin-1, say).
    if (bytes == TextBytes::utf8 && !platform::isUtf8(text)) reg.NoteUnusable(name, platform::SettingsFault::notUtf8);
    return text;
}

}  // namespace

std::optional<std::int32_t> tryReadInt(const Registry& reg, const std::string& name) {
    return numberOr(reg, name, std::nullopt);
}

std::optional<std::string> tryReadStr(const Registry& reg, const std::string& name, TextBytes bytes) {
    return textOr(reg, name, bytes, std::nullopt);
}

std::int32_t readInt(const Registry& reg, const std::string& name, std::int32_t fallback) {
    return *numberOr(reg, name, fallback);
}

bool readBool(const Registry& reg, const std::string& name, bool fallback) {
    return readInt(reg, name, fallback ? 1 : 0) != 0;
}

std::string readStr(const Registry& reg, const std::string& name, const std::string& fallback) {
    return *textOr(reg, name, TextBytes::utf8, fallback);
}

std::string readDeviceName(const Registry& reg, const std::string& name) {
    return tryReadStr(reg, name, TextBytes::asSent).value_or("");
}

namespace {

// The wall camera's strict reads: a number that is missing, and any value
// that cannot be used, throw.
std::int32_t needInt(const Registry& reg, const std::string& name) {
    if (const auto number = tryReadInt(reg, name)) return *number;
    throw RegistryError("value \"" + name + "\" is missing or no number");
}

std::string needStr(const Registry& reg, const std::string& name, TextBytes bytes = TextBytes::utf8) {
    if (!reg.ValueExists(name)) return {};
    if (auto text = tryReadStr(reg, name, bytes)) return std::move(*text);
    throw RegistryError("value \"" + name + "\" is no text");
}

// The nine call-button flags, in button order.
std::array<std::pair<const char*, bool TSingleConfig::*>, 9> analogButtons() {
    return {{{"analogEins", &TSingleConfig::analog_eins},
             {"analogZwei", &TSingleConfig::analog_zwei},
             {"analogDrei", &TSingleConfig::analog_drei},
             {"analogVier", &TSingleConfig::analog_vier},
             {"analogFuenf", &TSingleConfig::analog_fuenf},
             {"analogSechs", &TSingleConfig::analog_sechs},
             {"analogSieben", &TSingleConfig::analog_sieben},
             {"analogAcht", &TSingleConfig::analog_acht},
             {"analogNeun", &TSingleConfig::analog_neun}}};
}

}  // namespace

TSingleConfig readSingleConfig(const Registry& reg) {
    TSingleConfig c;
    c.Ip = readStr(reg, "Ip");
    c.Net = readStr(reg, "Net");
    c.gateway = readStr(reg, "Gateway");
    c.Name = readDeviceName(reg, "Name");
    c.UserName = readStr(reg, "UserName");
    c.AdminPass = readStr(reg, "AdminPass");
    c.Passwort = readStr(reg, "Passwort");
    c.Port = readStr(reg, "Port");
    c.NeedCredentials = readBool(reg, "NeedCredentials", false);
    c.IsDhcp = readBool(reg, "Dhcp", false);
    c.teltyp = toTelefonTyp(readInt(reg, "teltyp", 0));

    // The telephone assignment is only trusted together with a stored type.
    if (reg.ValueExists("Typ")) {
        c.typ = toServerType(readInt(reg, "Typ", 0));
        c.telefonIP = readStr(reg, "TelefonIP");
        c.tuerCode = readStr(reg, "tuerCode");
        c.telefonName = readDeviceName(reg, "TelefonName");
        if (reg.ValueExists("camAusgang")) {
            c.camAusgang = readBool(reg, "camAusgang", false);
            c.camAusgangSchrift = readStr(reg, "camAusgangSchrift");
        }
    }
    c.commonName = readStr(reg, "commonName");

    // Presence of "moxa", not its value, switches the gateway group on.
    if (reg.ValueExists("moxa")) {
        c.moxa = readBool(reg, "moxa", false);
        c.video = readBool(reg, "video", false);
        c.moxaNeedCred = readBool(reg, "moxaNeedCred", false);
        c.moxaPass = readStr(reg, "moxaPass");
        if (reg.ValueExists("moxaPassBefore")) c.moxaPassBefore = readStr(reg, "moxaPassBefore");
        c.moxaMac = readStr(reg, "moxaMac");
        c.moxaDhcp = readBool(reg, "moxaDhcp", false);
        c.eingang = readBool(reg, "eingang", false);
        c.ausgang = readBool(reg, "ausgang", false);
        c.ausgangSchrift = readStr(reg, "ausgangSchrift");
        c.eingangSchriftEin = readStr(reg, "eingangSchriftEin");
        c.eingangBildEin = readStr(reg, "eingangBildEin");
        c.eingangSchriftAus = readStr(reg, "eingangSchriftAus");
        c.eingangBildAus = readStr(reg, "eingangBildAus");
    }
    c.tuerDauer = readInt(reg, "tuerDauer", 5);
    c.ohneBT = readBool(reg, "ohneBT", false);
    c.analog_multi = readBool(reg, "analogMulti", false);
    for (const auto& [name, field] : analogButtons()) c.*field = readBool(reg, name, false);
    c.videoPath = readStr(reg, "videoPath");

    if (reg.ValueExists("secondaryName")) {
        c.secondaryName = readDeviceName(reg, "secondaryName");
        c.secondaryIp = readStr(reg, "secondaryIp");
        c.secondaryPort = readStr(reg, "secondaryPort");
        c.secondaryType = toServerType(readInt(reg, "secondaryType", 0));
        c.secondaryPath = readStr(reg, "secondaryPath");
        c.secondaryUserName = readStr(reg, "secondaryUserName");
        c.secondaryPassword = readStr(reg, "secondaryPassword");
        c.secondaryResString = readStr(reg, "secondaryResString");
    }
    c.mirabPath = readStr(reg, "mirabPath");
    c.mirabReduction = readInt(reg, "mirabReduction", 0);
    return c;
}

void writeSingleConfig(Registry& reg, const TSingleConfig& c) {
    reg.WriteInteger("Typ", c.typ);
    reg.WriteInteger("teltyp", c.teltyp);
    reg.WriteString("Ip", c.Ip);
    reg.WriteString("TelefonIP", c.telefonIP);
    reg.WriteString("TelefonName", c.telefonName);
    reg.WriteString("Net", c.Net);
    reg.WriteString("Gateway", c.gateway);
    reg.WriteString("Name", c.Name);
    reg.WriteString("commonName", c.commonName);
    reg.WriteString("UserName", c.UserName);
    reg.WriteString("AdminPass", c.AdminPass);
    reg.WriteString("Passwort", c.Passwort);
    reg.WriteString("Port", c.Port);
    reg.WriteBool("NeedCredentials", c.NeedCredentials);
    reg.WriteBool("Dhcp", c.IsDhcp);
    reg.WriteBool("moxa", c.moxa);
    reg.WriteBool("video", c.video);
    reg.WriteBool("moxaNeedCred", c.moxaNeedCred);
    reg.WriteString("moxaPass", c.moxaPass);
    if (c.moxaPassBefore) reg.WriteString("moxaPassBefore", *c.moxaPassBefore);
    if (!c.moxaMac.empty()) reg.WriteString("moxaMac", c.moxaMac);
    reg.WriteBool("moxaDhcp", c.moxaDhcp);
    reg.WriteBool("eingang", c.eingang);
    reg.WriteBool("ausgang", c.ausgang);
    reg.WriteString("ausgangSchrift", c.ausgangSchrift);
    reg.WriteString("eingangSchriftEin", c.eingangSchriftEin);
    reg.WriteString("eingangBildEin", c.eingangBildEin);
    reg.WriteString("eingangSchriftAus", c.eingangSchriftAus);
    reg.WriteString("eingangBildAus", c.eingangBildAus);
    reg.WriteString("tuerCode", c.tuerCode);
    reg.WriteInteger("tuerDauer", c.tuerDauer);
    reg.WriteBool("camAusgang", c.camAusgang);
    reg.WriteString("camAusgangSchrift", c.camAusgangSchrift);
    reg.WriteBool("ohneBT", c.ohneBT);
    reg.WriteBool("analogMulti", c.analog_multi);
    for (const auto& [name, field] : analogButtons()) reg.WriteBool(name, c.*field);
    reg.WriteString("videoPath", c.videoPath);
    reg.WriteString("secondaryName", c.secondaryName);
    reg.WriteString("secondaryIp", c.secondaryIp);
    reg.WriteString("secondaryPort", c.secondaryPort);
    reg.WriteInteger("secondaryType", c.secondaryType);
    reg.WriteString("secondaryPath", c.secondaryPath);
    reg.WriteString("secondaryUserName", c.secondaryUserName);
    reg.WriteString("secondaryPassword", c.secondaryPassword);
    reg.WriteString("secondaryResString", c.secondaryResString);
    reg.WriteString("mirabPath", c.mirabPath);
    reg.WriteInteger("mirabReduction", c.mirabReduction);
}

TManualConfig readManualConfig(const Registry& reg) {
    TManualConfig c;
    c.name = readDeviceName(reg, "name");
    c.ipAddr = readStr(reg, "ipAddr");
    c.port = readInt(reg, "port", 0);
    c.typ = toServerType(readInt(reg, "typ", 0));
    c.path = readStr(reg, "videoPath");
    c.commonName = readStr(reg, "commonName");
    return c;
}

void writeManualConfig(Registry& reg, const TManualConfig& c) {
    reg.WriteString("name", c.name);
    reg.WriteString("commonName", c.commonName);
    reg.WriteString("ipAddr", c.ipAddr);
    reg.WriteInteger("port", c.port);
    reg.WriteInteger("typ", c.typ);
    reg.WriteString("videoPath", c.path);
}

TSurveillanceConfig readSurveillanceConfig(const Registry& reg) {
    TSurveillanceConfig c;
    c.typ = toServerType(needInt(reg, "typ"));
    c.name = needStr(reg, "name", TextBytes::asSent);
    c.ipAddr = needStr(reg, "ipAddr");
    c.port = needInt(reg, "port");
    c.user = needStr(reg, "user");
    c.password = needStr(reg, "password");
    c.path = needStr(reg, "path");
    c.recording = needInt(reg, "recording");
    c.mirabPath = needStr(reg, "mirabPath");
    c.mirabReduction = reg.ValueExists("mirabReduction") ? needInt(reg, "mirabReduction") : 0;
    c.commonName = needStr(reg, "commonName");
    return c;
}

void writeSurveillanceConfig(Registry& reg, const TSurveillanceConfig& c) {
    reg.WriteInteger("typ", c.typ);
    reg.WriteString("name", c.name);
    reg.WriteString("ipAddr", c.ipAddr);
    reg.WriteInteger("port", c.port);
    reg.WriteString("user", c.user);
    reg.WriteString("password", c.password);
    reg.WriteString("path", c.path);
    reg.WriteInteger("recording", c.recording);
    reg.WriteString("commonName", c.commonName);
    reg.WriteString("mirabPath", c.mirabPath);
    reg.WriteInteger("mirabreduction", c.mirabReduction);
}

}  // namespace oculon::config
