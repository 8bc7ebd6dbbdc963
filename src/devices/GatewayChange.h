#pragma once
// What the program changes on a serial-to-Ethernet gateway in one go.

#include <optional>
#include <string>

namespace oculon::devices {

// Values to give a gateway together: one login for all of them, and one
// save and restart for what it took. An unset value stays as it is.
struct GatewayChange {
    std::optional<std::string> name{};
    std::optional<std::string> password{};  // empty: none
    std::optional<std::string> address{};
    std::optional<std::string> gateway{};
    std::optional<std::string> netmask{};
    std::optional<bool> dhcp{};
    bool empty() const { return !name && !password && !address && !gateway && !netmask && !dhcp; }
};

}  // namespace oculon::devices
