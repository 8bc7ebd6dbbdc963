#pragma once
// The value types of the component stream that pin links and component
// settings are stored in, by their numbers in the stream, under the names
// the pin framework uses.

#include "platform/ComponentStream.h"

namespace oculon::pins {

using TPNValueType = platform::TValueType;
// Whether a value type holds a string: short, long, wide or UTF-8.
using platform::GOWIsStringValueType;

}  // namespace oculon::pins
