#pragma once
// What the program changes on a serial-to-Ethernet gateway in one go, and
// what became of it.

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

// How a gateway met a login: a missed answer is never a wrong password.
// `disputed`: two devices answer with the gateway's hardware address, so
// neither was sent the password.
enum class GatewayLogin { accepted, refused, silent, disputed };

// What became of a change.
struct GatewayOutcome {
    // The values the gateway has not taken: refused, or never saved.
    GatewayChange notTaken{};
    // It stopped answering before the save, so it saved nothing.
    bool silent = false;
    // The save went out but its answer never came (the gateway may restart
    // first): the values not in `notTaken` may or may not be in force.
    bool unconfirmed = false;
    // Two devices answer with its hardware address: nothing was sent.
    bool disputed = false;
    bool taken() const { return notTaken.empty() && !silent && !unconfirmed && !disputed; }
};

}  // namespace oculon::devices
