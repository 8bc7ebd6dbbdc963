#pragma once
// Base64 with the standard alphabet and "=" padding (HTTP Basic
// credentials, relay-server lines).

#include <optional>
#include <string>
#include <string_view>

namespace oculon::platform {

std::string base64Encode(std::string_view data);
// nullopt for anything that is not Base64: a character outside the
// alphabet, misplaced padding or an impossible length. Missing padding is
// accepted.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace oculon::platform
