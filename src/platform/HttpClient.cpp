#include "platform/HttpClient.h"

#include "platform/Base64.h"

namespace oculon::platform {

namespace {

// Rounds of 401 and answer per request; a server that keeps refusing gets
// its 401 back to the caller instead of a loop.
constexpr int kMaxAuthRounds = 3;

void checkHeaderText(std::string_view text) {
    // CR or LF would let a device name or password inject header lines.
    for (const char c : text)
        if (c == '\r' || c == '\n' || c == '\0') throw NetError("Invalid character in HTTP request.");
}

}  // namespace

HttpStream::HttpStream(Key, std::unique_ptr<TcpClient> connection, HttpResponseHead head, const std::string& method,
                       const HttpLimits& limits)
    : connection_(std::move(connection)), head_(std::move(head)), limits_(limits), layout_(bodyLayout(head_, method)) {
    source_ = openBody(connection_->reader(), layout_, limits_);
    body_ = std::make_unique<BufferedReader>(*source_);
}

std::string HttpStream::readBody() { return readWholeBody(*body_, layout_, limits_); }

HttpClient::HttpClient() : interrupter_(std::make_shared<Interrupter>()) {}

HttpClient::~HttpClient() = default;

void HttpClient::setCredentials(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
}

std::string HttpClient::buildRequest(const std::string& method, const std::string& path, std::string_view body,
                                     std::string_view contentType, const std::string& authorization) const {
    checkHeaderText(method);
    checkHeaderText(path);
    checkHeaderText(host_);
    checkHeaderText(contentType);
    checkHeaderText(authorization);
    if (method.empty() || method.find(' ') != std::string::npos || path.find(' ') != std::string::npos)
        throw NetError("Invalid HTTP request line.");
    std::string request = method + " " + (path.empty() ? std::string("/") : path) + " HTTP/1.1\r\n";
    request += "Host: " + host_ + (port_ == 80 ? std::string() : ":" + std::to_string(port_)) + "\r\n";
    if (!requestHeaders_.has("Accept")) request += "Accept: */*\r\n";
    for (const auto& [name, value] : requestHeaders_.fields()) {
        checkHeaderText(name);
        checkHeaderText(value);
        request += name + ": " + value + "\r\n";
    }
    if (!authorization.empty()) request += "Authorization: " + authorization + "\r\n";
    if (!body.empty() || method == "POST" || method == "PUT") {
        if (!contentType.empty()) request += "Content-Type: " + std::string(contentType) + "\r\n";
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    request += "Connection: close\r\n\r\n";
    request += body;
    return request;
}

std::string HttpClient::answerChallenge(const HttpResponseHead& head, const std::string& method,
                                        const std::string& path, std::string_view body) {
    const auto challenges = head.headers.getAll("WWW-Authenticate");
    for (const auto& line : challenges) {
        const std::string scheme(challengeScheme(line));
        if (scheme.empty()) continue;
        // The same scheme keeps its object, so a Digest nonce keeps counting.
        if (!authentication_ || !equalsIgnoreCase(authenticationScheme_, scheme)) {
            auto created = AuthRegistry::instance().create(scheme);
            if (!created) continue;
            authentication_ = std::move(created);
            authenticationScheme_ = scheme;
        }
        HttpAuthentication& auth = *authentication_;
        auth.SetUsername(user_);
        auth.SetPassword(password_);
        auth.AuthParams = challenges;
        auth.SetRequest(method, path.empty() ? std::string("/") : path);
        auth.SetEntityBody(std::string(body));
        if (auth.DoNext() != wnDoRequest) return {};
        return auth.Authentication();
    }
    return {};
}

std::unique_ptr<HttpStream> HttpClient::open(const std::string& method, const std::string& path, std::string_view body,
                                             std::string_view contentType) {
    auto stream = openBefore(deadlineAfter(requestTimeout_), method, path, body, contentType);
    stream->setDeadline(kNoDeadline);
    return stream;
}

std::unique_ptr<HttpStream> HttpClient::openBefore(Deadline deadline, const std::string& method,
                                                   const std::string& path, std::string_view body,
                                                   std::string_view contentType) {
    std::string authorization;
    if (basicAuthentication_ && (!user_.empty() || !password_.empty()))
        authorization = "Basic " + base64Encode(user_ + ":" + password_);
    for (int round = 0;; ++round) {
        auto connection = std::make_unique<TcpClient>(interrupter_);
        connection->setReadTimeout(readTimeout_);
        connection->setDeadline(deadline);
        connection->connect(host_, port_, connectTimeout_);
        connection->write(buildRequest(method, path, body, contentType, authorization));
        HttpResponseHead head = readResponseHead(connection->reader(), limits_);
        if (head.status == 401 && round < kMaxAuthRounds) {
            std::string answer = answerChallenge(head, method, path, body);
            // The same credentials again would only be refused again.
            if (!answer.empty() && answer != authorization) {
                authorization = std::move(answer);
                continue;
            }
        }
        return std::make_unique<HttpStream>(HttpStream::Key{}, std::move(connection), std::move(head), method, limits_);
    }
}

HttpResponse HttpClient::request(const std::string& method, const std::string& path, std::string_view body,
                                 std::string_view contentType) {
    auto stream = openBefore(deadlineAfter(requestTimeout_), method, path, body, contentType);
    HttpResponse response;
    response.body = stream->readBody();
    response.head = stream->head();
    return response;
}

std::string HttpClient::get(const std::string& path) {
    HttpResponse response = request("GET", path);
    if (response.status() < 200 || response.status() > 299) throw HttpStatusError(std::move(response));
    return std::move(response.body);
}

std::string HttpClient::post(const std::string& path, std::string_view body, std::string_view contentType) {
    HttpResponse response = request("POST", path, body, contentType);
    if (response.status() < 200 || response.status() > 299) throw HttpStatusError(std::move(response));
    return std::move(response.body);
}

}  // namespace oculon::platform
