#include "platform/HttpResponseParser.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace oculon::platform {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal without sign, at most 18 digits (fits in 64 bits with room).
std::optional<std::uint64_t> parseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::optional<std::uint64_t> parseHex(std::string_view text) {
    // 15 digits keep the value below 2^60, far from overflow.
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        int digit;
        if (isDigit(c)) digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::string readHeadLine(BufferedReader& in, const HttpLimits& limits) {
    try {
        return in.readLn(limits.maxLineLength);
    } catch (const LineTooLongError&) {
        throw HttpProtocolError("HTTP header line too long.");
    }
}

// Header fields up to the empty line; folded continuation lines join the
// field before them.
void readFields(BufferedReader& in, const HttpLimits& limits, HttpHeaders& headers) {
    std::size_t lines = 0;
    std::string name;
    std::string value;
    auto flush = [&] {
        if (!name.empty()) headers.add(std::move(name), std::move(value));
        name.clear();
        value.clear();
    };
    for (;;) {
        const std::string line = readHeadLine(in, limits);
        if (line.empty()) break;
        if (++lines > limits.maxHeaderCount) throw HttpProtocolError("Too many HTTP header fields.");
        if ((line[0] == ' ' || line[0] == '\t') && !name.empty()) {
            if (value.size() + line.size() > limits.maxLineLength)
                throw HttpProtocolError("HTTP header line too long.");
            value += ' ';
            value += trimView(line);
            continue;
        }
        flush();
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;  // not a field; ignore it
        name = std::string(trimView(std::string_view(line).substr(0, colon)));
        value = std::string(trimView(std::string_view(line).substr(colon + 1)));
    }
    flush();
}

void parseStatusLine(const std::string& line, HttpResponseHead& head) {
    // "HTTP/1.1 200 OK"; the reason may be missing.
    const std::string_view view(line);
    if (view.size() < 12 || view.substr(0, 5) != "HTTP/" || view[8] != ' ')
        throw HttpProtocolError("Not an HTTP status line: " + line.substr(0, 80));
    const std::string_view code = view.substr(9, 3);
    if (!std::all_of(code.begin(), code.end(), isDigit) || (view.size() > 12 && view[12] != ' '))
        throw HttpProtocolError("Not an HTTP status line: " + line.substr(0, 80));
    head.statusLine = line;
    head.version = std::string(view.substr(0, 8));
    head.status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
    head.reason = view.size() > 13 ? std::string(view.substr(13)) : std::string();
}

class LengthSource : public ByteSource {
public:
    LengthSource(BufferedReader& in, std::uint64_t length) : in_(in), left_(length) {}
    std::size_t readSome(char* destination, std::size_t capacity) override {
        if (left_ == 0) return 0;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_));
        const std::size_t got = in_.readSome(destination, want);
        if (got == 0) throw ConnectionClosedError("Connection closed inside the HTTP body.");
        left_ -= got;
        return got;
    }

private:
    BufferedReader& in_;
    std::uint64_t left_;
};

class UntilCloseSource : public ByteSource {
public:
    explicit UntilCloseSource(BufferedReader& in) : in_(in) {}
    std::size_t readSome(char* destination, std::size_t capacity) override {
        return in_.readSome(destination, capacity);
    }

private:
    BufferedReader& in_;
};

class ChunkedSource : public ByteSource {
public:
    ChunkedSource(BufferedReader& in, const HttpLimits& limits) : in_(in), limits_(limits) {}

    std::size_t readSome(char* destination, std::size_t capacity) override {
        while (left_ == 0) {
            if (done_) return 0;
            if (afterChunk_) {
                if (!readHeadLine(in_, limits_).empty()) throw HttpProtocolError("Chunk not followed by CR LF.");
                afterChunk_ = false;
            }
            nextChunk();
        }
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_));
        const std::size_t got = in_.readSome(destination, want);
        if (got == 0) throw ConnectionClosedError("Connection closed inside an HTTP chunk.");
        left_ -= got;
        if (left_ == 0) afterChunk_ = true;
        return got;
    }

private:
    void nextChunk() {
        const std::string line = readHeadLine(in_, limits_);
        std::string_view size = line;
        if (const auto semicolon = size.find(';'); semicolon != std::string_view::npos)
            size = size.substr(0, semicolon);
        const auto value = parseHex(trimView(size));
        if (!value) throw HttpProtocolError("Bad chunk size line.");
        if (*value == 0) {
            HttpHeaders trailer;
            readFields(in_, limits_, trailer);
            done_ = true;
            return;
        }
        left_ = *value;
    }

    BufferedReader& in_;
    HttpLimits limits_;
    std::uint64_t left_ = 0;
    bool afterChunk_ = false;
    bool done_ = false;
};

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

void HttpHeaders::add(std::string name, std::string value) { fields_.emplace_back(std::move(name), std::move(value)); }

void HttpHeaders::set(const std::string& name, std::string value) {
    remove(name);
    add(name, std::move(value));
}

void HttpHeaders::remove(const std::string& name) {
    std::erase_if(fields_, [&](const auto& f) { return equalsIgnoreCase(f.first, name); });
}

std::optional<std::string> HttpHeaders::get(std::string_view name) const {
    for (const auto& [n, v] : fields_)
        if (equalsIgnoreCase(n, name)) return v;
    return std::nullopt;
}

std::vector<std::string> HttpHeaders::getAll(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [n, v] : fields_)
        if (equalsIgnoreCase(n, name)) values.push_back(v);
    return values;
}

HttpResponseHead readResponseHead(BufferedReader& in, const HttpLimits& limits) {
    // A server may send any number of 100 Continue answers; bound them too.
    for (std::size_t interim = 0; interim <= limits.maxHeaderCount; ++interim) {
        HttpResponseHead head;
        parseStatusLine(readHeadLine(in, limits), head);
        readFields(in, limits, head.headers);
        if (head.status >= 200 || head.status < 100) return head;
    }
    throw HttpProtocolError("Too many interim HTTP answers.");
}

BodyLayout bodyLayout(const HttpResponseHead& head, std::string_view method) {
    if (equalsIgnoreCase(method, "HEAD") || head.status == 204 || head.status == 304) return {BodyFraming::none, 0};
    if (const auto encoding = head.headers.get("Transfer-Encoding")) {
        std::string_view last = *encoding;
        if (const auto comma = last.rfind(','); comma != std::string_view::npos) last = last.substr(comma + 1);
        if (equalsIgnoreCase(trimView(last), "chunked")) return {BodyFraming::chunked, 0};
        return {BodyFraming::untilClose, 0};
    }
    const auto lengths = head.headers.getAll("Content-Length");
    if (lengths.empty()) return {BodyFraming::untilClose, 0};
    std::optional<std::uint64_t> length;
    for (const auto& text : lengths) {
        const auto value = parseDecimal(trimView(text));
        if (!value || (length && *length != *value)) throw HttpProtocolError("Bad Content-Length.");
        length = value;
    }
    return {BodyFraming::length, *length};
}

std::unique_ptr<ByteSource> openBody(BufferedReader& in, const BodyLayout& layout, const HttpLimits& limits) {
    switch (layout.framing) {
        case BodyFraming::none: return std::make_unique<MemorySource>(std::string_view());
        case BodyFraming::length: return std::make_unique<LengthSource>(in, layout.length);
        case BodyFraming::chunked: return std::make_unique<ChunkedSource>(in, limits);
        case BodyFraming::untilClose: break;
    }
    return std::make_unique<UntilCloseSource>(in);
}

std::string readBody(BufferedReader& in, const BodyLayout& layout, const HttpLimits& limits) {
    auto source = openBody(in, layout, limits);
    BufferedReader body(*source);
    return readWholeBody(body, layout, limits);
}

std::string readWholeBody(BufferedReader& body, const BodyLayout& layout, const HttpLimits& limits) {
    if (layout.framing == BodyFraming::length && layout.length > limits.maxBodyLength)
        throw HttpProtocolError("HTTP body too large.");
    try {
        return body.readToEnd(limits.maxBodyLength);
    } catch (const LineTooLongError&) {
        throw HttpProtocolError("HTTP body too large.");
    }
}

}  // namespace oculon::platform
