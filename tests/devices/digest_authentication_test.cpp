// Digest answers computed by hand from the challenge (MD5 of the parts) and
// compared with what the class sends.

#include <gtest/gtest.h>

#include "config/Helpers.h"
#include "devices/DigestAuthentication.h"

using namespace oculon::devices;
using oculon::config::Hash;
using oculon::platform::AuthRegistry;
using oculon::platform::wnAskTheProgram;
using oculon::platform::wnDoRequest;

namespace {

class PinnedDigest : public TIdDigestAuthentication {
protected:
    std::string makeCnonce() const override { return "c0ffee"; }
};

// Challenge, user u / password p, request GET /x, step into the answer.
std::string answer(PinnedDigest& d, const std::string& challenge, const std::string& user = "u") {
    d.AuthParams = {challenge};
    d.SetUsername(user);
    d.SetPassword("p");
    d.SetRequest("GET", "/x");
    if (d.DoNext() != wnDoRequest) return {};
    return d.Authentication();
}

std::string field(const std::string& header, const std::string& name) {
    const auto at = header.find(", " + name + "=");
    if (at == std::string::npos) return "<none>";
    const auto start = at + name.size() + 3;
    return header.substr(start, header.find(", ", start) - start);
}

}  // namespace

TEST(DigestAuthentication, AnswerForQopAuthHasEveryFieldInOrder) {
    PinnedDigest d;
    const std::string h = answer(d, "Digest realm=\"cam\", nonce=\"abc\", qop=\"auth\"");
    const std::string expected = Hash(Hash("u:cam:p") + ":abc:00000001:c0ffee:auth:" + Hash("GET:/x"));
    EXPECT_EQ(h,
              "Digest username=\"u\", realm=\"cam\", nonce=\"abc\", algorithm=\"MD5\", uri=\"/x\", qop=\"auth\", "
              "nc=00000001, cnonce=\"c0ffee\", response=\"" +
                  expected + "\"");
    EXPECT_EQ(d.CurrentStep, 0);
}

TEST(DigestAuthentication, NonceCountRunsPerNonceInUpperCaseHex) {
    PinnedDigest d;
    const std::string challenge = "Digest realm=\"cam\", nonce=\"abc\", qop=\"auth\"";
    EXPECT_EQ(field(answer(d, challenge), "nc"), "00000001");
    EXPECT_EQ(field(answer(d, challenge), "nc"), "00000002");
    for (int i = 3; i <= 10; ++i) answer(d, challenge);
    const std::string eleventh = answer(d, challenge);
    EXPECT_EQ(field(eleventh, "nc"), "0000000B");
    EXPECT_EQ(field(eleventh, "response"),
              "\"" + Hash(Hash("u:cam:p") + ":abc:0000000B:c0ffee:auth:" + Hash("GET:/x")) + "\"");
    EXPECT_EQ(field(answer(d, "Digest realm=\"cam\", nonce=\"new\", qop=\"auth\""), "nc"), "00000001");
}

TEST(DigestAuthentication, AuthIntWinsAndHashesTheBody) {
    PinnedDigest d;
    d.SetEntityBody("name=door");
    const std::string h = answer(d, "Digest realm=\"cam\", nonce=\"n\", qop=\"auth,auth-int\"");
    EXPECT_EQ(field(h, "qop"), "\"auth-int\"");
    EXPECT_EQ(
        field(h, "response"),
        "\"" + Hash(Hash("u:cam:p") + ":n:00000001:c0ffee:auth-int:" + Hash("GET:/x:" + Hash("name=door"))) + "\"");
}

TEST(DigestAuthentication, WithoutQopMd5SessAndOpaque) {
    PinnedDigest plain;
    const std::string h = answer(plain, "Digest realm=cam, nonce=n, opaque=\"op\"");
    EXPECT_EQ(h, "Digest username=\"u\", realm=\"cam\", nonce=\"n\", algorithm=\"MD5\", uri=\"/x\", response=\"" +
                     Hash(Hash("u:cam:p") + ":n:" + Hash("GET:/x")) + "\", opaque=\"op\"");
    PinnedDigest sess;
    const std::string s = answer(sess, "Digest realm=\"cam\", nonce=\"n\", algorithm=MD5-sess, qop=\"auth\"");
    EXPECT_EQ(field(s, "algorithm"), "\"MD5-sess\"");
    const std::string a1 = Hash("u:cam:p") + ":n:c0ffee";
    EXPECT_EQ(field(s, "response"), "\"" + Hash(Hash(a1) + ":n:00000001:c0ffee:auth:" + Hash("GET:/x")) + "\"");
}

TEST(DigestAuthentication, UnsupportedAlgorithmAndMissingUser) {
    PinnedDigest d;
    d.AuthParams = {"Digest realm=\"cam\", nonce=\"n\", algorithm=SHA-256"};
    d.SetUsername("u");
    try {
        d.DoNext();
        FAIL() << "SHA-256 accepted";
    } catch (const DigestAuthenticationError& e) {
        EXPECT_STREQ(e.what(), "Unsupported hash algorithm. This implementation supports only MD5 encoding.");
    }
    PinnedDigest anonymous;
    anonymous.AuthParams = {"Digest realm=\"cam\", nonce=\"n\""};
    EXPECT_EQ(anonymous.DoNext(), wnAskTheProgram);
    EXPECT_EQ(anonymous.Authentication(), "Digest");  // step 0
}

TEST(DigestAuthentication, QuotedValuesKeepTheirBackslashes) {
    std::string s = R"("a\"b", nonce="n")";
    EXPECT_EQ(Unquote(s), R"(a\"b)");
    EXPECT_EQ(s, R"(, nonce="n")");
    std::string open = R"("never closed)";
    EXPECT_EQ(Unquote(open), "never closed");
    EXPECT_TRUE(open.empty());

    PinnedDigest d;
    const std::string h = answer(d, R"(Digest realm="a\"b", nonce="n, with comma", qop="auth")");
    EXPECT_EQ(field(h, "realm"), R"("a\"b")");
    EXPECT_NE(h.find(R"(nonce="n, with comma")"), std::string::npos);
}

TEST(DigestAuthentication, PicksTheDigestLineAmongSeveralAndRegistersUnderDigest) {
    PinnedDigest d;
    d.AuthParams = {"Basic realm=\"other\"", "digest realm=\"cam\", nonce=\"n\""};
    d.SetUsername("u");
    EXPECT_EQ(d.DoNext(), wnDoRequest);
    EXPECT_EQ(field(d.Authentication(), "realm"), "\"cam\"");
    EXPECT_EQ(AuthRegistry::instance().create("Digest"), nullptr);
    registerDigestAuthentication();
    auto created = AuthRegistry::instance().create("DIGEST");
    ASSERT_NE(created, nullptr);
    EXPECT_NE(dynamic_cast<TIdDigestAuthentication*>(created.get()), nullptr);
}
