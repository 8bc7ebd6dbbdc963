#include "devices/TelefonListe.h"

#include <algorithm>

namespace oculon::devices {

std::unique_ptr<telefonObjekt> TelefonListe::update(std::unique_ptr<telefonObjekt> event) {
    auto copy = std::make_unique<telefonObjekt>();
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kMaxEntries && !entries_.contains(event->FIpAdresse)) {
        const std::uint32_t now = event->FMilliseconds;
        entries_.erase(std::max_element(entries_.begin(), entries_.end(), [now](const auto& a, const auto& b) {
            return now - a.second->FMilliseconds < now - b.second->FMilliseconds;
        }));
    }
    auto& slot = entries_[event->FIpAdresse];
    if (slot) {
        telefonObjekt& stored = *slot;
        stored.statusnummer = event->statusnummer;
        stored.FPacket = event->FPacket;
        stored.FMilliseconds = event->FMilliseconds;
        stored.FStatus = event->FStatus;
        stored.FNummer = event->FNummer;
        if (event->FStatus == NameSt) stored.FName = event->FName;
        if (event->FStatus == TelTyp) {
            stored.FTyp = event->FTyp;
            stored.FStatus = Idle;
            event->FStatus = Idle;
        }
        copy->Assign(*event);
    } else {
        copy->Assign(*event);
        slot = std::move(event);
    }
    return copy;
}

int TelefonListe::ageOut(std::uint32_t now, std::uint32_t maxAgeMs) {
    std::lock_guard lock(mutex_);
    int removed = 0;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (static_cast<std::uint32_t>(now - it->second->FMilliseconds) > maxAgeMs) {
            it = entries_.erase(it);
            ++removed;
        } else {
            ++it;
        }
    }
    return removed;
}

std::optional<telefonObjekt> TelefonListe::find(const std::string& address) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(address);
    if (it == entries_.end()) return std::nullopt;
    return *it->second;
}

std::vector<telefonObjekt> TelefonListe::snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<telefonObjekt> out;
    out.reserve(entries_.size());
    for (const auto& [address, entry] : entries_) out.push_back(*entry);
    return out;
}

std::size_t TelefonListe::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace oculon::devices
