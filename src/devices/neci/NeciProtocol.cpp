#include "devices/neci/NeciProtocol.h"

#include <cstring>

namespace oculon::neci {

namespace {

constexpr char kMagic[4] = {'N', 'E', 'C', 'I'};
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = 8;

class Writer {
public:
    void u8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void mac(const Mac& m) { out_.append(reinterpret_cast<const char*>(m.data()), m.size()); }
    // A zero-padded field that keeps at least one zero byte.
    bool text(const std::string& s, std::size_t field) {
        if (s.size() >= field || s.find('\0') != std::string::npos) return false;
        out_ += s;
        out_.append(field - s.size(), '\0');
        return true;
    }
    void header(std::uint8_t op, std::uint16_t sequence) {
        out_.append(kMagic, sizeof kMagic);
        u8(kVersion);
        u8(op);
        u16(sequence);
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

// Reads a message of an exactly known size; every read is in bounds by then.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    std::uint8_t u8() { return static_cast<std::uint8_t>(in_[pos_++]); }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    Mac mac() {
        Mac m;
        std::memcpy(m.data(), in_.data() + pos_, m.size());
        pos_ += m.size();
        return m;
    }
    std::optional<std::string> text(std::size_t field) {
        const std::string_view raw = in_.substr(pos_, field);
        pos_ += field;
        const auto end = raw.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(raw.substr(0, end));
    }
    bool boolean(bool& out) {
        const auto v = u8();
        out = v == 1;
        return v <= 1;
    }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
};

constexpr std::size_t kMacSize = 6;
constexpr std::size_t kSettingsSize = 4 + 2 + 2 + kNameField + 1 + 6 * 4 + 1;

std::size_t requestSize(Op op) {
    switch (op) {
        case Op::search: return kHeaderSize;
        case Op::get: return kHeaderSize + kMacSize;
        case Op::login:
        case Op::saveAndRestart: return kHeaderSize + kMacSize + kPasswordField;
        case Op::set: return kHeaderSize + kMacSize + kPasswordField + 1 + 2 + 4 + kNameField;
    }
    return 0;
}

std::size_t replySize(Op op) {
    switch (op) {
        case Op::search: return kHeaderSize + kMacSize + 4 + 2 + 4;
        case Op::get: return kHeaderSize + kMacSize + kSettingsSize;
        case Op::login:
        case Op::set:
        case Op::saveAndRestart: return kHeaderSize + kMacSize + 1;
    }
    return 0;
}

bool knownOp(std::uint8_t op) { return op >= 1 && op <= 5; }
bool knownField(std::uint8_t f) { return f >= 1 && f <= 6; }

// The op of a well-formed header, before the size check.
std::optional<std::uint8_t> headerOp(std::string_view in) {
    if (in.size() < kHeaderSize || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0 ||
        static_cast<std::uint8_t>(in[4]) != kVersion)
        return std::nullopt;
    return static_cast<std::uint8_t>(in[5]);
}

}  // namespace

std::optional<std::string> encode(const Request& r) {
    Writer w;
    w.header(static_cast<std::uint8_t>(r.op), r.sequence);
    if (r.op == Op::search) return w.take();
    w.mac(r.mac);
    if (r.op == Op::get) return w.take();
    if (!w.text(r.password, kPasswordField)) return std::nullopt;
    if (r.op == Op::set) {
        w.u8(static_cast<std::uint8_t>(r.field));
        w.u16(r.ifid);
        w.u32(r.value);
        if (!w.text(r.text, kNameField)) return std::nullopt;
    }
    return w.take();
}

std::optional<std::string> encode(const Reply& r) {
    Writer w;
    w.header(static_cast<std::uint8_t>(r.op) | kReplyBit, r.sequence);
    w.mac(r.mac);
    const Settings& s = r.settings;
    switch (r.op) {
        case Op::search:
            w.u32(s.apid);
            w.u16(s.hwid);
            w.u32(s.ip);
            break;
        case Op::get:
            w.u32(s.apid);
            w.u16(s.hwid);
            w.u16(s.ifid);
            if (!w.text(s.name, kNameField)) return std::nullopt;
            w.u8(s.dhcp);
            for (const std::uint32_t v : {s.ip, s.netmask, s.gateway, s.firmware, s.bios, s.serial}) w.u32(v);
            w.u8(s.hasPassword);
            break;
        default: w.u8(static_cast<std::uint8_t>(r.status));
    }
    return w.take();
}

std::optional<Request> decodeRequest(std::string_view in) {
    const auto op = headerOp(in);
    if (!op || !knownOp(*op) || in.size() != requestSize(static_cast<Op>(*op))) return std::nullopt;
    Reader r(in.substr(kHeaderSize - 2));
    Request request;
    request.op = static_cast<Op>(*op);
    request.sequence = r.u16();
    if (request.op == Op::search) return request;
    request.mac = r.mac();
    if (request.op == Op::get) return request;
    auto password = r.text(kPasswordField);
    if (!password) return std::nullopt;
    request.password = std::move(*password);
    if (request.op == Op::set) {
        const auto field = r.u8();
        if (!knownField(field)) return std::nullopt;
        request.field = static_cast<Field>(field);
        request.ifid = r.u16();
        request.value = r.u32();
        auto text = r.text(kNameField);
        if (!text) return std::nullopt;
        request.text = std::move(*text);
    }
    return request;
}

std::optional<Reply> decodeReply(std::string_view in) {
    const auto rawOp = headerOp(in);
    if (!rawOp || !(*rawOp & kReplyBit)) return std::nullopt;
    const std::uint8_t op = *rawOp & ~kReplyBit;
    if (!knownOp(op) || in.size() != replySize(static_cast<Op>(op))) return std::nullopt;
    Reader r(in.substr(kHeaderSize - 2));
    Reply reply;
    reply.op = static_cast<Op>(op);
    reply.sequence = r.u16();
    reply.mac = r.mac();
    Settings& s = reply.settings;
    switch (reply.op) {
        case Op::search:
            s.apid = r.u32();
            s.hwid = r.u16();
            s.ip = r.u32();
            return reply;
        case Op::get: {
            s.apid = r.u32();
            s.hwid = r.u16();
            s.ifid = r.u16();
            auto name = r.text(kNameField);
            if (!name) return std::nullopt;
            s.name = std::move(*name);
            if (!r.boolean(s.dhcp)) return std::nullopt;
            for (std::uint32_t* v : {&s.ip, &s.netmask, &s.gateway, &s.firmware, &s.bios, &s.serial}) *v = r.u32();
            if (!r.boolean(s.hasPassword)) return std::nullopt;
            return reply;
        }
        default: {
            const auto status = r.u8();
            if (status > static_cast<std::uint8_t>(Status::badValue)) return std::nullopt;
            reply.status = static_cast<Status>(status);
            return reply;
        }
    }
}

}  // namespace oculon::neci
