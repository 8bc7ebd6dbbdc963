#pragma once
// Answers HTTP "Digest" challenges (MD5 and MD5-sess, qop auth and
// auth-int) for the HTTP client. registerDigestAuthentication() adds the
// class to the client's scheme registry; the program does that at start-up.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HttpAuthentication.h"

namespace oculon::devices {

class DigestAuthenticationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIdDigestAuthentication : public platform::HttpAuthentication {
public:
    // Raises DigestAuthenticationError for an algorithm other than MD5 and MD5-sess.
    platform::TIdAuthWhatsNext DoNext() override;
    std::string Authentication() override;
    int GetSteps() const override { return 1; }
    void SetRequest(const std::string& method, const std::string& uri) override;
    void SetEntityBody(const std::string& body) override { FEntityBody = body; }

    const std::string& Method() const { return FMethod; }
    const std::string& Uri() const { return FUri; }
    const std::string& EntityBody() const { return FEntityBody; }

protected:
    // The cnonce of the next answer; tests pin it.
    virtual std::string makeCnonce() const;

private:
    std::string FRealm;
    std::string FOpaque;
    std::string Fnonce;
    int FNonceCount = 1;
    std::string FAlgorithm;
    std::string FMethod;
    std::string FUri;
    std::string FEntityBody;
    std::vector<std::string> FQopOptions;
};

void registerDigestAuthentication();

// Case-insensitive helpers of the challenge parser.
bool TextIsSame(std::string_view a, std::string_view b);
bool TextStartsWith(std::string_view text, std::string_view prefix);
// `s` starts with a double quote: returns the text up to the next unescaped
// quote (backslashes kept) and leaves `s` after that quote; without a closing
// quote the rest of `s`, leaving it empty.
std::string Unquote(std::string& s);

}  // namespace oculon::devices
