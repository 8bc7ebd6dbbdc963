#pragma once
// The DNS message codec of the multicast-DNS resolver: query packets, and
// answers parsed into typed resource records (A, NS/PTR/CNAME, SOA, WKS,
// HINFO, MINFO, MX, TXT, SRV; any other type keeps its raw data). Answers are
// hostile input: every length and name pointer is bounded, and a malformed
// answer yields nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace oculon::devices {

// DNS record types by their member order; dnsTypeCode() gives the wire code.
enum class TQueryRecordTypes : std::uint8_t {
    qtA,
    qtNS,
    qtMD,
    qtMF,
    qtName,
    qtSOA,
    qtMB,
    qtMG,
    qtMR,
    qtNull,
    qtWKS,
    qtPTR,
    qtHINFO,
    qtMINFO,
    qtMX,
    qtTXT,
    qtSRV,
    qtSTAR
};
using TQueryRecordSet = std::set<TQueryRecordTypes>;

std::uint16_t dnsTypeCode(TQueryRecordTypes type);
// The member for a wire code; nullopt for a type we have no member for
// (AAAA, NSEC, ...), which must not pass for an A record.
std::optional<TQueryRecordTypes> recordTypeOf(std::uint16_t code);

class EIdDNSResolverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fixed 12 bytes at the start of every DNS message.
struct TMDNSHeader {
    static constexpr std::size_t kSize = 12;
    static constexpr std::uint16_t kResponse = 0x8000;  // QR
    static constexpr std::uint16_t kRecursionDesired = 0x0100;

    std::uint16_t FID = 0;
    std::uint16_t FBitCode = 0;
    std::uint16_t FQDCount = 0;
    std::uint16_t FANCount = 0;
    std::uint16_t FNSCount = 0;
    std::uint16_t FARCount = 0;
};

class TMResultRecord {
public:
    virtual ~TMResultRecord() = default;

    // Copies the fields its class adds from a source of the kind it takes;
    // the general copy takes no source and throws std::invalid_argument.
    virtual void Assign(const TMResultRecord& source);

    std::optional<TQueryRecordTypes> RecType;  // none for types without a member
    std::uint16_t TypeCode = 0;                // as on the wire
    std::uint16_t RecClass = 0;                // cache-flush bit included
    std::string Name;                          // owner name, without the final dot
    std::uint32_t TTL = 0;
    std::string RData;  // raw record data
    int RDataLength = 0;
};

class TMRDATARecord : public TMResultRecord {
public:
    void Assign(const TMResultRecord& source) override;  // from an A record
    std::string IPAddress;                               // dotted quad
};
class TMARecord : public TMRDATARecord {};

// Records whose data is one domain name (NS, CNAME, PTR).
class TMNAMERecord : public TMResultRecord {
public:
    void Assign(const TMResultRecord& source) override;  // from any of them
    std::string HostName;
};
class TMNSRecord : public TMNAMERecord {};
class TMPTRRecord : public TMNAMERecord {};

class TMTextRecord : public TMResultRecord {
public:
    std::vector<std::string> Text;  // every character string, in order
};

// Host information: the first two character strings of its data.
class TMHINFORecord : public TMTextRecord {
public:
    std::string CPU;
    std::string OS;
};

class TMMINFORecord : public TMResultRecord {
public:
    std::string ResponsiblePersonMailbox;
    std::string ErrorMailbox;
};

class TMMXRecord : public TMResultRecord {
public:
    void Assign(const TMResultRecord& source) override;  // from an MX record
    std::uint16_t Preference = 0;
    std::string ExchangeServer;
};

class TMSOARecord : public TMResultRecord {
public:
    std::string Primary;
    std::string ResponsiblePerson;
    std::uint32_t Serial = 0;
    std::uint32_t Refresh = 0;
    std::uint32_t Retry = 0;
    std::uint32_t Expire = 0;
    std::uint32_t MinimumTTL = 0;
};

// Well-known services: an address, a protocol number and a bit map of ports.
class TMWKSRecord : public TMResultRecord {
public:
    std::string Address;  // dotted quad
    std::uint8_t Protocol = 0;
    std::string_view BitMap() const {
        return RData.size() > kBitMapStart ? std::string_view(RData).substr(kBitMapStart) : std::string_view();
    }

    static constexpr std::size_t kBitMapStart = 5;
};

class TMSRVRecord : public TMResultRecord {
public:
    std::uint16_t Priority = 0;
    std::uint16_t Weight = 0;
    std::uint16_t Port = 0;
    std::string Target;
};

// The records of one answer datagram, in wire order.
class TMQueryResult {
public:
    std::size_t Count() const { return records_.size(); }
    const TMResultRecord& Items(std::size_t index) const { return *records_.at(index); }
    void Add(std::unique_ptr<TMResultRecord> record) { records_.push_back(std::move(record)); }

    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

private:
    std::vector<std::unique_ptr<TMResultRecord>> records_;
};

// The question packet: header with `id` (RD set when `recursive`), then one
// question (class IN) per member of `types`, in member order.
// EIdDNSResolverError for an empty set or a domain that is no valid name.
std::string CreateQuery(std::uint16_t id, bool recursive, const TQueryRecordSet& types, std::string_view domain);

// Parses a received datagram. Nullopt when it is no answer (a query, or
// fewer than 12 bytes) or is malformed; a record whose data does not fit its
// type (a bad name, a short A or SRV record) is left out on its own.
std::optional<TMQueryResult> parseAnswer(std::string_view datagram);

// Reads the domain name at `pos`, following compression pointers only
// backwards, each before the previous one, and up to 255 bytes of name.
// Labels and pointers must lie before `limit`. On success `pos` is behind the
// name as written there; nullopt for a malformed name.
std::optional<std::string> readDomainName(std::string_view packet, std::size_t& pos, std::size_t limit);

}  // namespace oculon::devices
