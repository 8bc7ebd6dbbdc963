#include "devices/ProbePicture.h"

#include <charconv>

#include "devices/FetchCancel.h"
#include "platform/Base64.h"
#include "platform/HttpClient.h"
#include "video/MjpegStream.h"

namespace oculon::devices {

namespace {

using platform::trimView;

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

}  // namespace

std::optional<std::uint16_t> parsePort(std::string_view text) {
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string streamFrameRequest(const FetchTarget& target, const std::string& path) {
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: " + target.host + "\r\n";
    if (target.sendCredentials && (!target.user.empty() || !target.password.empty()))
        request += "Authorization: Basic " + platform::base64Encode(target.user + ":" + target.password) + "\r\n";
    return request + "\r\n";
}

FetchResult readStreamAnswer(platform::BufferedReader& answer) {
    FetchResult result;
    switch (video::classifyStatusLine(answer.readLn(kMaxLineLength))) {
        case video::StreamStatus::ok: break;
        case video::StreamStatus::unauthorized: result.unauthorized = true; return result;
        case video::StreamStatus::tooMany:
        case video::StreamStatus::other: return result;
    }
    const video::StreamHead head = video::readStreamHead(answer, kMaxLineLength, kMaxHeaderLines);
    if (head.notMultipart) return result;
    result.boundary = head.boundary;
    video::MjpegBody body(answer, head);
    while (const auto step = body.next()) {
        if (step.step != video::MultipartParser::Step::picture) continue;
        result.jpeg.assign(reinterpret_cast<const char*>(step.data.data()), step.data.size());
        result.success = true;
        break;
    }
    return result;
}

FetchResult fetchStreamFrame(const FetchTarget& target, const std::string& path) {
    // A path or host with a line break would add lines to the request.
    if (!video::safeInRequest(path) || !video::safeInRequest(target.host) || path.empty()) return {};
    auto interrupter = std::make_shared<platform::Interrupter>();
    const FetchCancel::Scope scope(target.cancel, *interrupter);
    video::StreamConnection connection(interrupter, target.timeout);
    try {
        connection.open(target.host, target.port, target.timeout, streamFrameRequest(target, path));
        connection.setDeadline(video::StreamConnection::Clock::now() + target.timeout);
        FetchResult result = readStreamAnswer(connection.reader());
        if (!result.success) result.jpeg.clear();
        return result;
    } catch (const std::exception&) {
        return {};
    }
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
