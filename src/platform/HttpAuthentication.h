#pragma once
// Answers to HTTP authentication challenges. The HTTP client keeps a
// registry of authentication classes by scheme word ("Basic" is built in,
// others such as "Digest" register at start-up) and, on a 401, uses the first
// "WWW-Authenticate" line whose scheme has a class.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace oculon::platform {

enum TIdAuthWhatsNext { wnAskTheProgram, wnDoRequest, wnFail };

class HttpAuthentication {
public:
    virtual ~HttpAuthentication() = default;

    // Reads the challenge in AuthParams and says what the client does next.
    virtual TIdAuthWhatsNext DoNext() = 0;
    // The value of the "Authorization" header.
    virtual std::string Authentication() = 0;
    virtual int GetSteps() const { return 1; }
    // The request being authorised; its body for schemes that hash it.
    virtual void SetRequest(const std::string& method, const std::string& uri) {}
    virtual void SetEntityBody(const std::string& body) {}
    // Whether the handshake must stay on one connection. Neither Basic nor
    // Digest needs that, so the client may reconnect between rounds.
    virtual bool KeepAlive() const { return false; }

    void SetUsername(std::string user) { username_ = std::move(user); }
    void SetPassword(std::string password) { password_ = std::move(password); }
    const std::string& Username() const { return username_; }
    const std::string& Password() const { return password_; }

    // The "WWW-Authenticate" lines of the last 401, in order.
    std::vector<std::string> AuthParams;
    int CurrentStep = 0;
    int AuthRetries = 0;

private:
    std::string username_;
    std::string password_;
};

class BasicAuthentication : public HttpAuthentication {
public:
    TIdAuthWhatsNext DoNext() override;
    std::string Authentication() override;
};

// The first word of a challenge line ("Digest realm=..." gives "Digest").
std::string_view challengeScheme(std::string_view line);

// Process-wide registry of authentication classes by scheme word (compared
// without regard to case). Thread-safe.
class AuthRegistry {
public:
    using Factory = std::function<std::unique_ptr<HttpAuthentication>()>;

    static AuthRegistry& instance();
    void registerScheme(const std::string& scheme, Factory factory);
    void unregisterScheme(std::string_view scheme);
    // nullptr when no class is registered for the scheme.
    std::unique_ptr<HttpAuthentication> create(std::string_view scheme) const;

private:
    AuthRegistry();
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, Factory>> factories_;
};

}  // namespace oculon::platform
