// The HTTP client with the Digest class registered: against a real lighttpd
// that asks for Digest, and against the scripted server for the choice
// between schemes a camera offers.

#include <gtest/gtest.h>

#include "devices/DigestAuthentication.h"
#include "devices/ProbePicture.h"
#include "platform/HttpClient.h"
#include "support/Lighttpd.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon::platform;
using oculon::devices::registerDigestAuthentication;
using oculon::testsupport::Lighttpd;
using oculon::testsupport::LoopbackHttpServer;
using oculon::testsupport::Script;

namespace {
// Registers the scheme, as start-up does, and points the client at a server.
void prepare(HttpClient& client, const std::string& host, std::uint16_t port) {
    registerDigestAuthentication();
    client.setHost(host);
    client.setPort(port);
    client.setReadTimeout(Millis(5000));
    client.setCredentials("u", "p");
}
}  // namespace

TEST(DigestNet, AuthenticatesAgainstLighttpdRequestAfterRequest) {
    Lighttpd server(Lighttpd::Auth::digest, "u", "p", "cam", 18082,
                    {{"index.html", "door"}, {"cgi.txt", "ok"}, {"axis-cgi/jpg/image.cgi", "picture"}});
    HttpClient client;
    prepare(client, "127.0.0.1", server.port());
    EXPECT_EQ(client.get("/index.html"), "door") << server.log();
    // A second request of the same client answers again with the same object.
    EXPECT_EQ(client.get("/cgi.txt?action=list&group=x"), "ok") << server.log();
    // Basic sent up front is refused, then the Digest challenge is answered.
    client.setBasicAuthentication(true);
    EXPECT_EQ(client.get("/index.html"), "door");
    // So is the probe's snapshot of a camera.
    const auto snapshot =
        oculon::devices::fetchSnapshot({"127.0.0.1", server.port(), "u", "p"}, "/axis-cgi/jpg/image.cgi");
    EXPECT_TRUE(snapshot.success && snapshot.jpeg == "picture");

    client.setCredentials("u", "wrong");
    try {
        client.get("/index.html");
        FAIL() << "wrong password accepted";
    } catch (const HttpStatusError& e) {
        EXPECT_TRUE(e.status() == 401 && std::string(e.what()).substr(9) == "401 Unauthorized") << e.what();
    }
}

TEST(DigestNet, ACameraOfferingBothGetsWhicheverItListsFirstAndOtherAlgorithmsFail) {
    LoopbackHttpServer server;
    HttpClient client;
    prepare(client, server.address(), server.port());
    server.enqueue(Script::challenge({"Digest realm=\"cam\", nonce=\"abc\", qop=\"auth\"", "Basic realm=\"cam\""}));
    server.enqueue(Script::reply(200, "OK", "digest"));
    server.enqueue(Script::challenge({"Basic realm=\"cam\"", "Digest realm=\"cam\", nonce=\"abc\""}));
    server.enqueue(Script::reply(200, "OK", "basic"));
    EXPECT_EQ(client.get("/a"), "digest");
    EXPECT_EQ(client.get("/b"), "basic");
    server.enqueue(Script::challenge({"Digest realm=\"cam\", nonce=\"n\", algorithm=SHA-256"}));
    EXPECT_THROW(client.get("/"), oculon::devices::DigestAuthenticationError);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    const std::string digest = requests[1].header("Authorization").value_or("");
    EXPECT_TRUE(digest.starts_with("Digest ") && digest.find("uri=\"/a\"") != std::string::npos) << digest;
    EXPECT_EQ(requests[3].header("Authorization").value_or("").substr(0, 6), "Basic ");
}
