#pragma once
// The telephones heard on port 8112 (`telefone`), keyed by address: the
// telephone read handler files every event here, the settings dialog reads
// copies. One lock guards it all. A telephone stays listed once heard (it
// is never asked, and speaks only when something happens at its door); a
// full list makes room by the one heard longest ago.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/TelefonTelegram.h"

namespace oculon::devices {

class TelefonListe {
public:
    static constexpr std::size_t kMaxEntries = 256;

    // Files a new event under its address and returns the copy to post
    // (made by Assign). A listed telephone keeps its entry, which takes the
    // event's state; a type telegram turns both the entry and the copy Idle.
    std::unique_ptr<telefonObjekt> update(std::unique_ptr<telefonObjekt> event);

    // Removes the entries whose time stamp is more than `maxAgeMs` before
    // `now` (or after it); returns how many went.
    int ageOut(std::uint32_t now, std::uint32_t maxAgeMs);

    std::optional<telefonObjekt> find(const std::string& address) const;
    std::vector<telefonObjekt> snapshot() const;  // in address order
    std::size_t size() const;

private:
    mutable std::mutex mutex_;  // kritischerAbschnittTelefon
    std::map<std::string, std::unique_ptr<telefonObjekt>> entries_;
};

}  // namespace oculon::devices
