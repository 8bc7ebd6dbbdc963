#pragma once
// The file image of the gateway library that the program carries as its
// resource "NECI" (generated at build time from the library we build).

#include <string_view>

namespace oculon::devices {

std::string_view neciResource();

}  // namespace oculon::devices
