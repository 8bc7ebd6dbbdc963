#include "devices/ProbePicture.h"

#include <charconv>

#include "devices/FetchCancel.h"
#include "platform/HttpClient.h"

namespace oculon::devices {

namespace {

using platform::equalsIgnoreCase;
using platform::trimView;

// A stream that sends nothing but blank lines or header lines is not a camera.
constexpr int kMaxSkippedLines = 1000;
constexpr int kMaxPartHeaders = 100;

void configure(platform::HttpClient& client, const FetchTarget& target) {
    client.setHost(target.host);
    client.setPort(target.port);
    client.setConnectTimeout(target.timeout);
    client.setReadTimeout(target.timeout);
    if (target.sendCredentials && (!target.user.empty() || !target.password.empty())) {
        client.setCredentials(target.user, target.password);
        client.setBasicAuthentication(true);
    }
}

std::string_view beforeSemicolon(std::string_view value) { return trimView(value.substr(0, value.find(';'))); }

std::string withoutQuotes(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c != '"') out += c;
    return out;
}

std::string withoutCarriageReturns(std::string line) {
    std::erase(line, '\r');
    return line;
}

// "Name: value" split at the first ": "; the name compares case-insensitively.
bool headerIs(std::string_view line, std::string_view name, std::string_view& value) {
    const auto colon = line.find(": ");
    if (colon == std::string_view::npos || !equalsIgnoreCase(line.substr(0, colon + 1), name)) return false;
    value = line.substr(colon + 2);
    return true;
}

// The decimal digits at the end of a Content-Length value; 0 when none.
std::size_t trailingNumber(std::string_view value) {
    value = trimView(value);
    std::size_t start = value.size();
    while (start > 0 && value[start - 1] >= '0' && value[start - 1] <= '9') --start;
    std::size_t n = 0;
    const auto digits = value.substr(start);
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec == std::errc::result_out_of_range) return kMaxPictureBytes + 1;
    return ec == std::errc() ? n : 0;
}

}  // namespace

std::string boundaryOf(std::string_view contentType) {
    const auto semicolon = contentType.find(';');
    if (semicolon == std::string_view::npos) return {};
    std::string_view rest = contentType.substr(semicolon + 1);
    const auto equals = rest.find('=');
    if (equals == std::string_view::npos) return {};
    rest = rest.substr(equals + 1);
    rest = trimView(rest.substr(0, rest.find(';')));
    std::string boundary = withoutQuotes(rest);
    if (boundary.empty()) return {};
    if (boundary.rfind("--", 0) != 0) boundary.insert(0, "--");
    return boundary;
}

bool readStreamPart(platform::BufferedReader& body, const std::string& boundary, std::string& jpeg) {
    std::string line;
    int skipped = 0;
    do {
        line = withoutCarriageReturns(body.readLn(kMaxLineLength));
        if (++skipped > kMaxSkippedLines) return false;
    } while (line.empty());  // the boundary line opens the part

    std::size_t length = 0;
    std::string partType;
    for (int headers = 0;; ++headers) {
        if (headers > kMaxPartHeaders) return false;
        line = withoutCarriageReturns(body.readLn(kMaxLineLength));
        if (line.empty()) break;
        std::string_view value;
        if (headerIs(line, "Content-Length:", value)) length = trailingNumber(value);
        else if (headerIs(line, "Content-Type:", value)) partType = std::string(beforeSemicolon(value));
    }
    if (partType != "image/jpeg" || length > kMaxPictureBytes) return false;
    if (length > 0) {
        jpeg = body.readExact(length);
    } else {
        if (boundary.empty()) return false;
        jpeg = body.readUntil(boundary, kMaxLineLength);
    }
    return true;
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

FetchResult fetchStreamFrame(const FetchTarget& target, const std::string& path) {
    FetchResult result;
    platform::HttpClient client;
    configure(client, target);
    const FetchCancel::Scope scope(target.cancel, client);
    try {
        auto stream = client.open("GET", path);
        if (stream->status() != 200) {
            result.unauthorized = stream->status() == 401;
            return result;
        }
        const auto contentType = stream->head().headers.get("Content-Type");
        if (!contentType || !equalsIgnoreCase(beforeSemicolon(*contentType), "multipart/x-mixed-replace"))
            return result;
        result.boundary = boundaryOf(*contentType);
        result.success = readStreamPart(stream->body(), result.boundary, result.jpeg);
    } catch (const platform::NetError&) {
        result.success = false;
    }
    if (!result.success) result.jpeg.clear();
    return result;
}

FetchResult fetchSnapshot(const FetchTarget& target, const std::string& path) {
    FetchResult result;
    platform::HttpClient client;
    configure(client, target);
    platform::HttpLimits limits;
    limits.maxBodyLength = kMaxPictureBytes;
    client.setLimits(limits);
    const FetchCancel::Scope scope(target.cancel, client);
    try {
        result.jpeg = client.get(path);
        result.success = true;
    } catch (const platform::HttpStatusError& e) {
        result.unauthorized = e.status() == 401;
    } catch (const platform::NetError&) {}
    return result;
}

std::optional<std::string> largestResolution(std::string_view list) {
    std::optional<std::string> best;
    std::uint64_t bestArea = 0;
    std::size_t start = 0;
    while (start <= list.size()) {
        auto end = list.find(',', start);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view entry = trimView(list.substr(start, end - start));
        const auto x = entry.find('x');
        unsigned w = 0, h = 0;
        if (x != std::string_view::npos) {
            const auto ws = entry.substr(0, x), hs = entry.substr(x + 1);
            const auto [wp, we] = std::from_chars(ws.data(), ws.data() + ws.size(), w);
            const auto [hp, he] = std::from_chars(hs.data(), hs.data() + hs.size(), h);
            const bool valid = we == std::errc() && he == std::errc() && wp == ws.data() + ws.size() &&
                               hp == hs.data() + hs.size() && !ws.empty() && !hs.empty();
            const std::uint64_t area = valid ? std::uint64_t{w} * h : 0;
            if (valid && (!best || area > bestArea)) {
                best = std::string(entry);
                bestArea = area;
            }
        }
        start = end + 1;
    }
    return best;
}

namespace {

// The value after "=" of a "name=value" answer.
std::string_view parameterValue(std::string_view answer) {
    answer = answer.substr(0, answer.find('\n'));
    const auto equals = answer.find('=');
    if (equals == std::string_view::npos) return {};
    return trimView(answer.substr(equals + 1));
}

}  // namespace

std::string axisResolution(const FetchTarget& target) {
    platform::HttpClient client;
    FetchTarget basic = target;
    basic.sendCredentials = true;
    configure(client, basic);
    const FetchCancel::Scope scope(target.cancel, client);
    try {
        const std::string model = client.get("/axis-cgi/param.cgi?action=list&group=root.Brand.ProdNbr");
        if (parameterValue(model) == "M3066-V") return {};
        const std::string resolutions = client.get("/axis-cgi/param.cgi?action=list&group=Properties.Image.Resolution");
        const auto best = largestResolution(parameterValue(resolutions));
        return best ? "?resolution=" + *best : std::string();
    } catch (const platform::NetError&) {
        return {};
    }
}

}  // namespace oculon::devices
