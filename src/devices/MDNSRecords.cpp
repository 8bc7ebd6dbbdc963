#include "devices/MDNSRecords.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace oculon::devices {

namespace {

constexpr std::array<std::uint16_t, 18> kTypeCodes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 33, 255};
constexpr std::uint16_t kClassIn = 1;
constexpr std::size_t kMaxNameLength = 255;  // wire form, as RFC 1035 bounds it
constexpr std::size_t kMaxLabelLength = 63;
constexpr std::uint8_t kPointerBits = 0xC0;

// Big-endian fields within [0, limit) of the packet; every read is checked.
class WireReader {
public:
    WireReader(std::string_view packet, std::size_t pos, std::size_t limit)
        : packet_(packet), pos_(pos), limit_(limit) {}

    bool has(std::size_t count) const { return pos_ <= limit_ && limit_ - pos_ >= count; }
    std::size_t pos() const { return pos_; }
    void seek(std::size_t pos) { pos_ = pos; }

    std::optional<std::uint8_t> u8() {
        if (!has(1)) return std::nullopt;
        return static_cast<std::uint8_t>(packet_[pos_++]);
    }
    std::optional<std::uint16_t> u16() {
        if (!has(2)) return std::nullopt;
        const auto value = static_cast<std::uint16_t>(byte(pos_) << 8 | byte(pos_ + 1));
        pos_ += 2;
        return value;
    }
    std::optional<std::uint32_t> u32() {
        auto high = u16();
        if (!high) return std::nullopt;
        auto low = u16();
        if (!low) return std::nullopt;
        return static_cast<std::uint32_t>(*high) << 16 | *low;
    }
    std::optional<std::string_view> bytes(std::size_t count) {
        if (!has(count)) return std::nullopt;
        const auto view = packet_.substr(pos_, count);
        pos_ += count;
        return view;
    }

private:
    unsigned byte(std::size_t at) const { return static_cast<std::uint8_t>(packet_[at]); }

    std::string_view packet_;
    std::size_t pos_;
    std::size_t limit_;
};

// Moves `pos` behind the name written there without following pointers;
// false when the name runs past `limit`.
bool skipName(std::string_view packet, std::size_t& pos, std::size_t limit) {
    WireReader in(packet, pos, limit);
    for (;;) {
        const auto length = in.u8();
        if (!length) return false;
        if ((*length & kPointerBits) == kPointerBits) {
            if (!in.u8()) return false;
            break;
        }
        if (*length == 0) break;
        if (!in.bytes(*length)) return false;
    }
    pos = in.pos();
    return true;
}

std::string dotted(std::string_view four) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<std::uint8_t>(four[0]),
                  static_cast<std::uint8_t>(four[1]), static_cast<std::uint8_t>(four[2]),
                  static_cast<std::uint8_t>(four[3]));
    return text;
}

// Character strings of TXT and HINFO data: each a length byte and that many
// bytes; an empty string ends the list. Strings of 64 bytes and more are
// read like any other: a camera's stream path may be that long.
std::optional<std::vector<std::string>> readCharacterStrings(WireReader data) {
    std::vector<std::string> strings;
    while (data.has(1)) {
        const auto length = data.u8();
        if (*length == 0) break;
        const auto text = data.bytes(*length);
        if (!text) return std::nullopt;
        strings.emplace_back(*text);
    }
    return strings;
}

// Names that follow each other in record data, each within [pos, end).
template <std::size_t N>
std::optional<std::array<std::string, N>> readDomainNames(std::string_view packet, std::size_t& pos, std::size_t end) {
    std::array<std::string, N> names;
    for (auto& name : names) {
        auto read = readDomainName(packet, pos, end);
        if (!read) return std::nullopt;
        name = std::move(*read);
    }
    return names;
}

// The typed record for `code` with its own fields read from the data at
// [start, end); nullptr when the data does not fit the type.
std::unique_ptr<TMResultRecord> typedRecord(std::uint16_t code, std::string_view packet, std::size_t start,
                                            std::size_t end) {
    const auto type = recordTypeOf(code);
    if (!type) return std::make_unique<TMResultRecord>();
    switch (*type) {
        case TQueryRecordTypes::qtA: {
            if (end - start != 4) return nullptr;
            auto record = std::make_unique<TMARecord>();
            record->IPAddress = dotted(packet.substr(start, 4));
            return record;
        }
        case TQueryRecordTypes::qtWKS: {
            if (end - start < TMWKSRecord::kBitMapStart) return nullptr;
            auto record = std::make_unique<TMWKSRecord>();
            record->Address = dotted(packet.substr(start, 4));
            record->Protocol = static_cast<std::uint8_t>(packet[start + 4]);
            return record;
        }
        case TQueryRecordTypes::qtSOA: {
            std::size_t pos = start;
            auto names = readDomainNames<2>(packet, pos, end);
            if (!names) return nullptr;
            WireReader data(packet, pos, end);
            auto record = std::make_unique<TMSOARecord>();
            record->Primary = std::move((*names)[0]);
            record->ResponsiblePerson = std::move((*names)[1]);
            for (std::uint32_t* field :
                 {&record->Serial, &record->Refresh, &record->Retry, &record->Expire, &record->MinimumTTL}) {
                const auto value = data.u32();
                if (!value) return nullptr;
                *field = *value;
            }
            return record;
        }
        case TQueryRecordTypes::qtMINFO: {
            std::size_t pos = start;
            auto names = readDomainNames<2>(packet, pos, end);
            if (!names) return nullptr;
            auto record = std::make_unique<TMMINFORecord>();
            record->ResponsiblePersonMailbox = std::move((*names)[0]);
            record->ErrorMailbox = std::move((*names)[1]);
            return record;
        }
        case TQueryRecordTypes::qtMX: {
            WireReader data(packet, start, end);
            const auto preference = data.u16();
            if (!preference) return nullptr;
            std::size_t pos = data.pos();
            auto server = readDomainName(packet, pos, end);
            if (!server) return nullptr;
            auto record = std::make_unique<TMMXRecord>();
            record->Preference = *preference;
            record->ExchangeServer = std::move(*server);
            return record;
        }
        case TQueryRecordTypes::qtHINFO: {
            auto strings = readCharacterStrings(WireReader(packet, start, end));
            if (!strings || strings->size() < 2) return nullptr;
            auto record = std::make_unique<TMHINFORecord>();
            record->CPU = (*strings)[0];
            record->OS = (*strings)[1];
            record->Text = std::move(*strings);
            return record;
        }
        case TQueryRecordTypes::qtNS:
        case TQueryRecordTypes::qtName:
        case TQueryRecordTypes::qtPTR: {
            std::unique_ptr<TMNAMERecord> record;
            if (*type == TQueryRecordTypes::qtNS) record = std::make_unique<TMNSRecord>();
            else if (*type == TQueryRecordTypes::qtPTR) record = std::make_unique<TMPTRRecord>();
            else record = std::make_unique<TMNAMERecord>();
            std::size_t pos = start;
            auto host = readDomainName(packet, pos, end);
            if (!host) return nullptr;
            record->HostName = std::move(*host);
            return record;
        }
        case TQueryRecordTypes::qtTXT: {
            auto strings = readCharacterStrings(WireReader(packet, start, end));
            if (!strings) return nullptr;
            auto record = std::make_unique<TMTextRecord>();
            record->Text = std::move(*strings);
            return record;
        }
        case TQueryRecordTypes::qtSRV: {
            WireReader data(packet, start, end);
            auto record = std::make_unique<TMSRVRecord>();
            const auto priority = data.u16(), weight = data.u16(), port = data.u16();
            if (!port) return nullptr;
            record->Priority = *priority;
            record->Weight = *weight;
            record->Port = *port;
            std::size_t pos = data.pos();
            auto target = readDomainName(packet, pos, end);
            if (!target) return nullptr;
            record->Target = std::move(*target);
            return record;
        }
        default: return std::make_unique<TMResultRecord>();
    }
}

[[noreturn]] void refuseAssign(const TMResultRecord& source, const TMResultRecord& target) {
    throw std::invalid_argument("Cannot assign a record of type " + std::to_string(source.TypeCode) +
                                " to one of type " + std::to_string(target.TypeCode));
}

}  // namespace

void TMResultRecord::Assign(const TMResultRecord& source) { refuseAssign(source, *this); }

void TMRDATARecord::Assign(const TMResultRecord& source) {
    const auto* a = dynamic_cast<const TMARecord*>(&source);
    if (!a) return TMResultRecord::Assign(source);
    IPAddress = a->IPAddress;
}

void TMNAMERecord::Assign(const TMResultRecord& source) {
    const auto* named = dynamic_cast<const TMNAMERecord*>(&source);
    if (!named) return TMResultRecord::Assign(source);
    HostName = named->HostName;
}

void TMMXRecord::Assign(const TMResultRecord& source) {
    const auto* mx = dynamic_cast<const TMMXRecord*>(&source);
    if (!mx) return TMResultRecord::Assign(source);
    ExchangeServer = mx->ExchangeServer;
    Preference = mx->Preference;
}

std::uint16_t dnsTypeCode(TQueryRecordTypes type) { return kTypeCodes.at(static_cast<std::size_t>(type)); }

std::optional<TQueryRecordTypes> recordTypeOf(std::uint16_t code) {
    for (std::size_t i = 0; i < kTypeCodes.size(); ++i)
        if (kTypeCodes[i] == code) return static_cast<TQueryRecordTypes>(i);
    return std::nullopt;
}

std::optional<std::string> readDomainName(std::string_view packet, std::size_t& pos, std::size_t limit) {
    limit = std::min(limit, packet.size());
    WireReader in(packet, pos, limit);
    std::string name;
    std::size_t wireLength = 1;  // the final zero byte
    std::optional<std::size_t> continuation;
    std::size_t lowestTarget = pos;  // every jump must land before this
    for (;;) {
        const std::size_t at = in.pos();
        const auto length = in.u8();
        if (!length) return std::nullopt;
        if ((*length & kPointerBits) == kPointerBits) {
            const auto low = in.u8();
            if (!low) return std::nullopt;
            const std::size_t target = static_cast<std::size_t>(*length & 0x3F) << 8 | *low;
            // Strictly decreasing targets end every chain: no loops, and no
            // pointer to anything not yet written.
            if (target >= std::min(at, lowestTarget)) return std::nullopt;
            lowestTarget = target;
            if (!continuation) continuation = in.pos();
            in.seek(target);
            continue;
        }
        if (*length & kPointerBits) return std::nullopt;  // reserved label types
        if (*length == 0) break;
        wireLength += 1 + *length;
        if (wireLength > kMaxNameLength) return std::nullopt;
        const auto label = in.bytes(*length);
        if (!label) return std::nullopt;
        name.append(*label).push_back('.');
    }
    if (!name.empty()) name.pop_back();
    pos = continuation.value_or(in.pos());
    return name;
}

std::string CreateQuery(std::uint16_t id, bool recursive, const TQueryRecordSet& types, std::string_view domain) {
    if (types.empty()) throw EIdDNSResolverError("Invalid Query Count 0");
    std::string qname;
    std::size_t start = 0;
    while (start <= domain.size()) {
        std::size_t dot = domain.find('.', start);
        if (dot == std::string_view::npos) dot = domain.size();
        const std::string_view label = domain.substr(start, dot - start);
        if (label.size() > kMaxLabelLength) throw EIdDNSResolverError("Label too long in " + std::string(domain));
        if (!label.empty()) {
            qname.push_back(static_cast<char>(label.size()));
            qname.append(label);
        }
        start = dot + 1;
    }
    qname.push_back('\0');
    if (qname.size() > kMaxNameLength) throw EIdDNSResolverError("Name too long: " + std::string(domain));

    std::string packet;
    auto put16 = [&packet](std::uint16_t v) {
        packet.push_back(static_cast<char>(v >> 8));
        packet.push_back(static_cast<char>(v & 0xFF));
    };
    put16(id);
    put16(recursive ? TMDNSHeader::kRecursionDesired : 0);
    put16(static_cast<std::uint16_t>(types.size()));
    put16(0);
    put16(0);
    put16(0);
    for (const auto type : types) {
        packet += qname;
        put16(dnsTypeCode(type));
        put16(kClassIn);
    }
    return packet;
}

std::optional<TMQueryResult> parseAnswer(std::string_view datagram) {
    WireReader in(datagram, 0, datagram.size());
    TMDNSHeader header;
    if (!in.has(TMDNSHeader::kSize)) return std::nullopt;
    header.FID = *in.u16();
    header.FBitCode = *in.u16();
    header.FQDCount = *in.u16();
    header.FANCount = *in.u16();
    header.FNSCount = *in.u16();
    header.FARCount = *in.u16();
    if (header.FBitCode == 0) return std::nullopt;  // someone's query

    // Answers to a query from a port other than 5353 repeat the question;
    // read as a record, it would garble every record after it.
    std::size_t pos = in.pos();
    for (unsigned q = 0; q < header.FQDCount; ++q) {
        if (!skipName(datagram, pos, datagram.size())) return std::nullopt;
        in.seek(pos);
        if (!in.bytes(4)) return std::nullopt;
        pos = in.pos();
    }

    TMQueryResult result;
    const unsigned total = unsigned{header.FANCount} + header.FNSCount + header.FARCount;
    for (unsigned r = 0; r < total && pos < datagram.size(); ++r) {
        const std::size_t nameStart = pos;
        if (!skipName(datagram, pos, datagram.size())) return std::nullopt;
        in.seek(pos);
        const auto type = in.u16();
        const auto recClass = in.u16();
        const auto ttl = in.u32();
        const auto rdLength = in.u16();
        if (!rdLength) return std::nullopt;
        const std::size_t dataStart = in.pos();
        const auto rdata = in.bytes(*rdLength);
        if (!rdata) return std::nullopt;
        pos = in.pos();

        // Names in the data may point back anywhere before it, but not
        // beyond this record.
        std::size_t ownerPos = nameStart;
        auto owner = readDomainName(datagram, ownerPos, pos);
        if (!owner) continue;
        auto record = typedRecord(*type, datagram, dataStart, pos);
        if (!record) continue;
        record->RecType = recordTypeOf(*type);
        record->TypeCode = *type;
        record->RecClass = *recClass;
        record->Name = std::move(*owner);
        record->TTL = *ttl;
        record->RData = std::string(*rdata);
        record->RDataLength = *rdLength;
        result.Add(std::move(record));
    }
    return result;
}

}  // namespace oculon::devices
