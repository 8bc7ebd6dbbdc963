#pragma once
// Reading an HTTP/1.x response from a byte stream: status line, header
// fields and the body in its framing (Content-Length, chunked, or up to the
// end of the connection). Every length the peer announces is checked against
// HttpLimits before anything is allocated for it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/Net.h"

namespace oculon::platform {

// The answer is not HTTP, or breaks a limit.
class HttpProtocolError : public NetError {
public:
    using NetError::NetError;
};

struct HttpLimits {
    std::size_t maxLineLength = 16 * 1024;         // status, header, chunk-size lines
    std::size_t maxHeaderCount = 100;              // header (and trailer) fields
    std::size_t maxBodyLength = 32 * 1024 * 1024;  // bodies read whole
};

// Header fields in their order; names compare without regard to case.
class HttpHeaders {
public:
    void add(std::string name, std::string value);
    void set(const std::string& name, std::string value);  // replaces every field of that name
    void remove(const std::string& name);
    void clear() { fields_.clear(); }
    std::optional<std::string> get(std::string_view name) const;  // the first
    std::vector<std::string> getAll(std::string_view name) const;
    bool has(std::string_view name) const { return get(name).has_value(); }
    const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }
    std::size_t size() const { return fields_.size(); }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

struct HttpResponseHead {
    std::string statusLine;  // as received, without CR LF
    std::string version;     // "HTTP/1.1"
    int status = 0;
    std::string reason;
    HttpHeaders headers;
};

enum class BodyFraming { none, length, chunked, untilClose };

struct BodyLayout {
    BodyFraming framing = BodyFraming::none;
    std::uint64_t length = 0;  // for BodyFraming::length
};

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string_view trimView(std::string_view text);

// Reads the status line and header fields of the final answer; interim
// 1xx answers are skipped.
HttpResponseHead readResponseHead(BufferedReader& in, const HttpLimits& limits);
// How the body of `head` is delimited, for a request made with `method`.
BodyLayout bodyLayout(const HttpResponseHead& head, std::string_view method);
// The body as a stream of its own (chunks decoded). Reads from `in`, which
// must outlive the result. Chunk-size lines are bounded by the limits.
std::unique_ptr<ByteSource> openBody(BufferedReader& in, const BodyLayout& layout, const HttpLimits& limits);
// The whole body; HttpProtocolError beyond limits.maxBodyLength.
std::string readBody(BufferedReader& in, const BodyLayout& layout, const HttpLimits& limits);
// The rest of `body`, a reader over openBody(); bounded like readBody().
std::string readWholeBody(BufferedReader& body, const BodyLayout& layout, const HttpLimits& limits);

}  // namespace oculon::platform
