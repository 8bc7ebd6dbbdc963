#pragma once
// How one station, manual camera or wall camera is laid out in its registry
// subkey: reading it from the open key and writing it there.

#include <cstdint>
#include <optional>
#include <string>

#include "config/ConfigEntries.h"
#include "platform/Registry.h"

namespace oculon::config {

// Stored type bytes outside their enumeration read as its neutral member, so
// no table lookup by type can run past its end.
TVideoServerType toServerType(std::int32_t stored);
TTelefonTyp toTelefonTyp(std::int32_t stored);
TLayoutTyp toLayout(std::int32_t stored);

// What a text value holds: text the user reads or typed, which should be
// UTF-8, or a name in the bytes a device sends (older devices send Latin-1),
// which the program stores as it came.
enum class TextBytes { utf8, asSent };

// Tolerant reads: a value that is missing or of the wrong type gives nullopt
// or the default; one of the wrong type is noted on the store as unusable
// (Registry::NoteUnusable), save a text of decimal digits, which reads as the
// number it spells ("1" as a switch that is on), with the default taken in
// its place (none for tryRead*), to be written as taken once the user has
// been told. A text that should be UTF-8 and is not is taken as it is, and
// noted.
std::optional<std::int32_t> tryReadInt(const platform::Registry& reg, const std::string& name);
std::optional<std::string> tryReadStr(const platform::Registry& reg, const std::string& name,
                                      TextBytes bytes = TextBytes::utf8);
std::int32_t readInt(const platform::Registry& reg, const std::string& name, std::int32_t fallback);
bool readBool(const platform::Registry& reg, const std::string& name, bool fallback);
std::string readStr(const platform::Registry& reg, const std::string& name, const std::string& fallback = {});
std::string readDeviceName(const platform::Registry& reg, const std::string& name);

// Station and manual camera: tolerant; a damaged value takes its default.
TSingleConfig readSingleConfig(const platform::Registry& reg);
void writeSingleConfig(platform::Registry& reg, const TSingleConfig& config);
TManualConfig readManualConfig(const platform::Registry& reg);
void writeManualConfig(platform::Registry& reg, const TManualConfig& config);

// Wall camera: strict; throws platform::RegistryError when "typ", "port" or
// "recording" is missing or any value is unusable (noted as above), and the
// caller skips that camera.
TSurveillanceConfig readSurveillanceConfig(const platform::Registry& reg);
void writeSurveillanceConfig(platform::Registry& reg, const TSurveillanceConfig& config);

}  // namespace oculon::config
