// A simulated serial-to-Ethernet gateway for tests: it answers the gateway
// library's UDP protocol with the identity and settings given on the command
// line, applies setters after a password check, and on "save and restart"
// makes them its settings and writes them to the state file.
//
//   simgateway [--name N] [--ip A] [--netmask M] [--gateway G] [--dhcp]
//              [--password P] [--mac 00:90:e8:00:00:01] [--apid 256]
//              [--firmware F] [--state FILE]
//
// Run it only inside a test's network namespace.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "devices/moxaGWSuche.h"
#include "devices/neci/NeciProtocol.h"
#include "platform/Log.h"
#include "platform/UdpSocket.h"

using namespace oculon;
using namespace oculon::neci;

namespace {

struct Device {
    Settings active;
    Settings staged;
    std::string password;
    std::string stagedPassword;
    Mac mac{0x00, 0x90, 0xE8, 0x00, 0x00, 0x01};
    int restarts = 0;
    std::string stateFile;
};

[[noreturn]] void usage(const char* why) {
    log::error(log::Category::tools, "%s", why);
    std::exit(2);
}

std::uint32_t address(const char* text) {
    const auto value = devices::strToIp(text);
    if (!value) usage("not an IPv4 address");
    return *value;
}

Mac parseMac(const std::string& text) {
    Mac mac{};
    unsigned v[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
        usage("bad MAC address");
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<std::uint8_t>(v[i]);
    return mac;
}

// Replaced whole, so a reader never sees half of it.
void writeState(const Device& d) {
    if (d.stateFile.empty()) return;
    const std::string temporary = d.stateFile + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        const Settings& s = d.active;
        out << "name=" << s.name << "\nip=" << devices::ipToStr(s.ip) << "\nnetmask=" << devices::ipToStr(s.netmask)
            << "\ngateway=" << devices::ipToStr(s.gateway) << "\ndhcp=" << s.dhcp << "\npassword=" << d.password
            << "\nrestarts=" << d.restarts << "\n";
    }
    std::rename(temporary.c_str(), d.stateFile.c_str());
}

Status applySet(Device& d, const Request& r) {
    Settings& s = d.staged;
    const bool addressField =
        r.field == Field::ip || r.field == Field::netmask || r.field == Field::gateway || r.field == Field::ipConfig;
    if (addressField && r.ifid != s.ifid) return Status::badValue;
    switch (r.field) {
        case Field::ip: s.ip = r.value; break;
        case Field::netmask: s.netmask = r.value; break;
        case Field::gateway: s.gateway = r.value; break;
        case Field::ipConfig:
            if (r.value > 1) return Status::badValue;
            s.dhcp = r.value == 1;
            break;
        case Field::name: s.name = r.text; break;
        case Field::password:
            if (r.text.size() >= kPasswordField) return Status::badValue;
            d.stagedPassword = r.text;
            break;
    }
    return Status::ok;
}

std::optional<Reply> answer(Device& d, const Request& r) {
    Reply reply;
    reply.op = r.op;
    reply.sequence = r.sequence;
    reply.mac = d.mac;
    if (r.op != Op::search && r.mac != d.mac) return std::nullopt;  // meant for another gateway
    const bool authorised = r.password == d.password;
    switch (r.op) {
        case Op::search:
        case Op::get:
            reply.settings = d.active;
            reply.settings.hasPassword = !d.password.empty();
            break;
        case Op::login: reply.status = authorised ? Status::ok : Status::refused; break;
        case Op::set: reply.status = authorised ? applySet(d, r) : Status::refused; break;
        case Op::saveAndRestart:
            reply.status = authorised ? Status::ok : Status::refused;
            if (authorised) {
                d.active = d.staged;
                d.password = d.stagedPassword;
                ++d.restarts;
                writeState(d);
            }
            break;
    }
    return reply;
}

}  // namespace

int main(int argc, char** argv) {
    Device d;
    d.active.name = "SimGateway";
    d.active.ip = address("192.168.127.254");
    d.active.netmask = address("255.255.255.0");
    d.active.firmware = 0x02070000;
    d.active.bios = 0x01000000;
    d.active.serial = 4711;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--dhcp") {
            d.active.dhcp = true;
            continue;
        }
        if (i + 1 >= argc) usage("option without value");
        const char* value = argv[++i];
        if (option == "--name") d.active.name = value;
        else if (option == "--ip") d.active.ip = address(value);
        else if (option == "--netmask") d.active.netmask = address(value);
        else if (option == "--gateway") d.active.gateway = address(value);
        else if (option == "--password") d.password = value;
        else if (option == "--mac") d.mac = parseMac(value);
        else if (option == "--apid") d.active.apid = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 0));
        else if (option == "--firmware")
            d.active.firmware = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 0));
        else if (option == "--state") d.stateFile = value;
        else usage("unknown option");
    }
    if (d.active.name.size() >= kNameField || d.password.size() >= kPasswordField) usage("name or password too long");
    d.staged = d.active;
    d.stagedPassword = d.password;

    platform::UdpSocket socket;
    socket.bind("", kPort);
    writeState(d);
    std::cout << "simgateway ready on port " << kPort << std::endl;
    for (;;) {
        const auto datagram = socket.receive(512, platform::kInfinite);
        if (!datagram) continue;
        const auto request = decodeRequest(datagram->data);
        if (!request) continue;
        const auto reply = answer(d, *request);
        if (!reply) continue;
        if (const auto bytes = encode(*reply)) socket.sendTo(datagram->peerAddress, datagram->peerPort, *bytes);
    }
}
