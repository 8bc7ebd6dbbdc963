#pragma once
// HTTP/1.1 client for cameras and video servers: GET and POST with Basic
// authentication and the registered challenge schemes (Digest), whole
// answers or a stream whose body the caller reads bit by bit (MJPEG).
// One connection per request. interrupt() breaks off a blocked request from
// another thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/HttpAuthentication.h"
#include "platform/HttpResponseParser.h"
#include "platform/TcpClient.h"

namespace oculon::platform {

struct HttpResponse {
    HttpResponseHead head;
    std::string body;
    int status() const { return head.status; }
};

// An answer outside 2xx; what() is its status line ("HTTP/1.1 401 Unauthorized").
class HttpStatusError : public NetError {
public:
    explicit HttpStatusError(HttpResponse response)
        : NetError(response.head.statusLine), response_(std::move(response)) {}
    int status() const { return response_.head.status; }
    const HttpResponse& response() const { return response_; }

private:
    HttpResponse response_;
};

// An answer whose head has been read; the body is read from body() as it
// arrives, chunks already decoded. Owns the connection.
class HttpStream {
public:
    struct Key {  // only the client makes streams
    private:
        Key() = default;
        friend class HttpClient;
    };
    HttpStream(Key, std::unique_ptr<TcpClient> connection, HttpResponseHead head, const std::string& method,
               const HttpLimits& limits);

    const HttpResponseHead& head() const { return head_; }
    int status() const { return head_.status; }
    BufferedReader& body() { return *body_; }
    // The rest of the body, bounded by the client's limits.
    std::string readBody();
    // The read time-out of the body reads (the client's by default).
    void setReadTimeout(Millis timeout) { connection_->setReadTimeout(timeout); }
    // The body has no deadline unless one is set (a stream may run for hours).
    void setDeadline(Deadline deadline) { connection_->setDeadline(deadline); }
    // Any thread.
    void interrupt() noexcept { connection_->interrupt(); }

private:
    std::unique_ptr<TcpClient> connection_;
    HttpResponseHead head_;
    HttpLimits limits_;
    BodyLayout layout_;
    std::unique_ptr<ByteSource> source_;
    std::unique_ptr<BufferedReader> body_;
};

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setHost(std::string host) { host_ = std::move(host); }
    void setPort(std::uint16_t port) { port_ = port; }
    void setConnectTimeout(Millis timeout) { connectTimeout_ = timeout; }
    void setReadTimeout(Millis timeout) { readTimeout_ = timeout; }
    // The longest a request may take in all, from the connect to the end of
    // the answer (of its head, for open()), however steadily the device
    // sends; kInfinite: no limit. The time-outs above hold within it.
    void setRequestTimeout(Millis timeout) { requestTimeout_ = timeout; }
    // With Basic on, the credentials go with the first request already;
    // otherwise only in answer to a challenge.
    void setBasicAuthentication(bool on) { basicAuthentication_ = on; }
    void setCredentials(std::string user, std::string password);
    void setLimits(const HttpLimits& limits) { limits_ = limits; }
    // Extra request header fields, sent with every request.
    HttpHeaders& requestHeaders() { return requestHeaders_; }

    // Any status; raises NetError subclasses for transport and protocol faults.
    HttpResponse request(const std::string& method, const std::string& path, std::string_view body = {},
                         std::string_view contentType = {});
    // The body of a 2xx answer; HttpStatusError for any other.
    std::string get(const std::string& path);
    std::string post(const std::string& path, std::string_view body, std::string_view contentType);
    // Sends the request (answering challenges) and returns once the final
    // answer's head is read, whatever its status.
    std::unique_ptr<HttpStream> open(const std::string& method, const std::string& path, std::string_view body = {},
                                     std::string_view contentType = {});

    // Any thread: breaks off the running request and every later one.
    void interrupt() noexcept { interrupter_->trigger(); }
    void resetInterrupt() { interrupter_->reset(); }
    // The scheme object that answered the last challenge (nullptr before one).
    HttpAuthentication* authentication() const { return authentication_.get(); }

private:
    std::unique_ptr<HttpStream> openBefore(Deadline deadline, const std::string& method, const std::string& path,
                                           std::string_view body, std::string_view contentType);
    std::string buildRequest(const std::string& method, const std::string& path, std::string_view body,
                             std::string_view contentType, const std::string& authorization) const;
    // The "Authorization" value answering the 401 in `head`; empty when no
    // registered scheme can answer it.
    std::string answerChallenge(const HttpResponseHead& head, const std::string& method, const std::string& path,
                                std::string_view body);

    std::shared_ptr<Interrupter> interrupter_;
    std::string host_;
    std::uint16_t port_ = 80;
    Millis connectTimeout_{10000};
    Millis readTimeout_ = kInfinite;
    Millis requestTimeout_{60000};
    bool basicAuthentication_ = false;
    std::string user_;
    std::string password_;
    HttpLimits limits_;
    HttpHeaders requestHeaders_;
    std::unique_ptr<HttpAuthentication> authentication_;
    std::string authenticationScheme_;
};

}  // namespace oculon::platform
