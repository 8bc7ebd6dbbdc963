// Multicast-DNS answers: every record the parser keeps must have bounded
// names, the data of typed records must be what the wire held, and a record
// copies into another only from its own kind.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "devices/MDNSRecords.h"

using namespace oculon::devices;

namespace {

// 255 bytes of wire name hold at most 254 characters of text.
void checkName(const std::string& name) {
    if (name.size() > 254) __builtin_trap();
}

template <typename T>
const T* as(const TMResultRecord& record) {
    return dynamic_cast<const T*>(&record);
}

// `Target::Assign` must take exactly the sources of kind `Source`.
template <typename Target, typename Source>
void checkAssign(const TMResultRecord& source) {
    Target target;
    bool taken = true;
    try {
        target.Assign(source);
    } catch (const std::invalid_argument&) {
        taken = false;
    }
    if (taken != (as<Source>(source) != nullptr)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto result = parseAnswer(bytes);
    if (!result) return 0;
    for (const auto& owned : *result) {
        const TMResultRecord& record = *owned;
        checkName(record.Name);
        if (record.RData.size() != static_cast<std::size_t>(record.RDataLength)) __builtin_trap();
        if (auto* name = as<TMNAMERecord>(record)) checkName(name->HostName);
        if (auto* a = as<TMARecord>(record); a && a->IPAddress.size() > 15) __builtin_trap();
        if (auto* soa = as<TMSOARecord>(record)) {
            checkName(soa->Primary);
            checkName(soa->ResponsiblePerson);
        }
        if (auto* minfo = as<TMMINFORecord>(record)) {
            checkName(minfo->ResponsiblePersonMailbox);
            checkName(minfo->ErrorMailbox);
        }
        if (auto* mx = as<TMMXRecord>(record)) checkName(mx->ExchangeServer);
        if (auto* wks = as<TMWKSRecord>(record);
            wks && (wks->Address.size() > 15 || wks->BitMap().size() + TMWKSRecord::kBitMapStart != wks->RData.size()))
            __builtin_trap();
        if (auto* hinfo = as<TMHINFORecord>(record);
            hinfo && (hinfo->Text.size() < 2 || hinfo->CPU != hinfo->Text[0] || hinfo->OS != hinfo->Text[1]))
            __builtin_trap();
        checkAssign<TMRDATARecord, TMARecord>(record);
        checkAssign<TMPTRRecord, TMNAMERecord>(record);
        checkAssign<TMMXRecord, TMMXRecord>(record);
    }
    return 0;
}
