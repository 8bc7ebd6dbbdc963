#pragma once
// The value types of the component stream that pin links and component
// settings are stored in, by their numbers in the stream.

#include <cstdint>

namespace oculon::pins {

enum class TPNValueType : std::uint8_t {
    vaString = 6,      // short string: one length byte
    vaLString = 12,    // long string: four length bytes
    vaWString = 18,    // wide string: UTF-16, four length bytes (characters)
    vaUTF8String = 20  // UTF-8 string: four length bytes
};

// Whether a value type holds a string: short, long, wide or UTF-8.
constexpr bool GOWIsStringValueType(std::uint8_t valueType) {
    return valueType == static_cast<std::uint8_t>(TPNValueType::vaString) ||
           valueType == static_cast<std::uint8_t>(TPNValueType::vaLString) ||
           valueType == static_cast<std::uint8_t>(TPNValueType::vaWString) ||
           valueType == static_cast<std::uint8_t>(TPNValueType::vaUTF8String);
}
constexpr bool GOWIsStringValueType(TPNValueType valueType) {
    return GOWIsStringValueType(static_cast<std::uint8_t>(valueType));
}

}  // namespace oculon::pins
