#include "devices/SearchSenders.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/Log.h"
#include "platform/UdpSocket.h"

namespace oculon::devices {

namespace {

constexpr std::chrono::milliseconds kPause{1};
constexpr const char* kBroadcast = "255.255.255.255";

}  // namespace

SearchSenders::SearchSenders() = default;
SearchSenders::~SearchSenders() = default;

std::vector<std::string> SearchSenders::follow(const std::vector<platform::LocalAdapter>& adapters) {
    std::set<std::string> present;
    for (const auto& adapter : adapters) present.insert(adapter.address);
    // A socket bound to an address that went sends nowhere.
    std::erase_if(senders_, [&](const Sender& s) { return !present.contains(s.address); });
    std::erase_if(unbound_, [&](const std::string& address) { return !present.contains(address); });

    std::vector<std::string> added;
    for (const auto& adapter : adapters) {
        const std::string& address = adapter.address;
        if (std::ranges::any_of(senders_, [&](const Sender& s) { return s.address == address; })) continue;
        try {
            auto socket = std::make_unique<platform::UdpSocket>();
            socket->setBroadcast(true);
            socket->bind(address, 0);
            senders_.push_back({address, std::move(socket)});
            unbound_.erase(address);
            added.push_back(address);
        } catch (const platform::NetError& e) {
            // Tried again with the next change or round.
            if (unbound_.insert(address).second)
                log::warning(log::Category::devices, "serverSucher: no search from %s: %s", address.c_str(), e.what());
        }
    }
    return added;
}

int SearchSenders::send(std::span<const Telegram> telegrams, const std::vector<std::string>* only) {
    int sent = 0;
    for (Sender& sender : senders_) {
        if (only && std::ranges::find(*only, sender.address) == only->end()) continue;
        int fromHere = 0;
        for (const Telegram& telegram : telegrams) {
            try {
                sender.socket->sendTo(kBroadcast, telegram.port, telegram.bytes);
                ++fromHere;
            } catch (const platform::NetError& e) {
                if (!sender.failing)
                    log::warning(log::Category::devices, "serverSucher: search from %s failed: %s",
                                 sender.address.c_str(), e.what());
                sender.failing = true;
            }
            std::this_thread::sleep_for(kPause);
        }
        if (fromHere == static_cast<int>(telegrams.size()) && sender.failing) {
            log::warning(log::Category::devices, "serverSucher: search from %s works again", sender.address.c_str());
            sender.failing = false;
        }
        sent += fromHere;
    }
    return sent;
}

void SearchSenders::clear() {
    senders_.clear();
    unbound_.clear();
}

std::optional<bool> SearchReach::roundEnded(int sent) {
    if (sent > 0) return sentBetween(sent);
    if (++failedRounds_ < kRoundsBeforeTold || blocked_) return std::nullopt;
    blocked_ = true;
    return true;
}

std::optional<bool> SearchReach::sentBetween(int sent) {
    if (sent == 0) return std::nullopt;
    return reset();
}

std::optional<bool> SearchReach::reset() {
    failedRounds_ = 0;
    if (!blocked_) return std::nullopt;
    blocked_ = false;
    return false;
}

}  // namespace oculon::devices
