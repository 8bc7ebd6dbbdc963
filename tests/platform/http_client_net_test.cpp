// The HTTP client against the scripted loopback server (what exactly goes on
// the wire, framings, broken and slow servers, challenges) and against a
// real lighttpd that asks for Basic authentication.

#include <gtest/gtest.h>

#include <thread>

#include "platform/Base64.h"
#include "platform/HttpClient.h"
#include "support/Lighttpd.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon::platform;
using oculon::testsupport::Lighttpd;
using oculon::testsupport::LoopbackHttpServer;
using oculon::testsupport::MjpegOptions;
using oculon::testsupport::Script;

namespace {

using Clock = std::chrono::steady_clock;

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.setHost(server.address());
        client.setPort(server.port());
        client.setConnectTimeout(Millis(2000));
        client.setReadTimeout(Millis(2000));
    }
    LoopbackHttpServer server;
    HttpClient client;
};

// Stands in for a scheme that has a class (like Digest) without pulling in
// the real one: it answers with the challenge's token.
class TokenAuthentication : public HttpAuthentication {
public:
    TIdAuthWhatsNext DoNext() override { return Username().empty() ? wnAskTheProgram : wnDoRequest; }
    std::string Authentication() override {
        ++answers;
        for (const auto& line : AuthParams)
            if (challengeScheme(line) == "Token")
                return "Token " + Username() + "/" + line.substr(6) + "/" + method + uri;
        return {};
    }
    void SetRequest(const std::string& m, const std::string& u) override {
        method = m;
        uri = u;
    }
    static inline int answers = 0;
    std::string method, uri;
};

}  // namespace

// Framings and limits of the answer are the parser's tests; here what goes
// on the wire and what a server does to the connection.
TEST_F(HttpClientTest, RequestLinesHostCredentialsAndBody) {
    server.enqueue(Script::reply(200, "OK", "picture"));
    server.enqueue(Script::reply(200, "OK", "done"));
    client.setBasicAuthentication(true);
    client.setCredentials("root", "pass");
    client.requestHeaders().add("X-Extra", "1");
    EXPECT_EQ(client.get("/jpg/image.jpg?resolution=640x480"), "picture");
    client.setCredentials("", "");
    EXPECT_EQ(client.post("/cgi-bin/set.cgi", "name=door&x=1", "application/x-www-form-urlencoded"), "done");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/jpg/image.jpg?resolution=640x480");
    EXPECT_EQ(requests[0].version, "HTTP/1.1");
    EXPECT_EQ(requests[0].header("Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(requests[0].header("Authorization"), "Basic " + base64Encode("root:pass"));
    EXPECT_EQ(requests[0].header("X-Extra"), "1");
    const auto& post = requests[1];
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, "name=door&x=1");
    EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(post.header("Content-Length"), "13");
    EXPECT_FALSE(post.header("Authorization"));  // no credentials, nothing sent
}

TEST_F(HttpClientTest, ErrorStatusRaisesWithTheStatusLine) {
    server.enqueue(Script::reply(404, "Not Found", "nothing here"));
    try {
        client.get("/missing");
        FAIL() << "no error";
    } catch (const HttpStatusError& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 404 Not Found");
        EXPECT_EQ(e.status(), 404);
        EXPECT_EQ(e.response().body, "nothing here");
    }
}

TEST_F(HttpClientTest, CutsSlowDripsAndSilentServers) {
    // Cut in mid-body.
    server.enqueue(Script().send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part"));
    EXPECT_THROW(client.get("/cut"), ConnectionClosedError);
    // A slow drip that never pauses as long as the read time-out still arrives.
    client.setReadTimeout(Millis(300));
    server.enqueue(Script().drip(Script::answer(200, "OK", "slow but steady"), Millis(5)));
    EXPECT_EQ(client.get("/drip"), "slow but steady");
    // Silence longer than the read time-out.
    server.enqueue(Script().send("HTTP/1.1 200 OK\r\n").hang());
    const auto start = Clock::now();
    EXPECT_THROW(client.get("/silent"), TimeoutError);
    EXPECT_LT(Clock::now() - start, Millis(1500));
}

TEST_F(HttpClientTest, ADeviceThatDripsEndsAtTheRequestDeadlineWhileAStreamRunsOn) {
    // A byte every 100 ms never trips the read time-out; the whole answer
    // would take about 15 s.
    client.setReadTimeout(Millis(1000));
    client.setRequestTimeout(Millis(800));
    server.enqueue(Script().drip(Script::answer(200, "OK", std::string(100, 'x')), Millis(100)));
    const auto start = Clock::now();
    try {
        client.get("/drip");
        ADD_FAILURE() << "the drip was read to its end";
    } catch (const TimeoutError& e) {
        EXPECT_STREQ(e.what(), "The request took too long.");
    }
    EXPECT_GE(Clock::now() - start, Millis(780));
    EXPECT_LT(Clock::now() - start, Millis(3000));
    // Once a stream's head is in, its body may take as long as it runs.
    server.enqueue(Script().send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n").drip("0123456789", Millis(150)));
    auto stream = client.open("GET", "/stream");
    EXPECT_EQ(stream->body().readExact(10), "0123456789");
}

TEST_F(HttpClientTest, HostileLengthsFailWithoutAllocatingAndInjectionIsRefused) {
    server.enqueue(Script().send("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\nx"));
    EXPECT_THROW(client.get("/huge"), HttpProtocolError);
    server.enqueue(Script::chunked({"abc", std::string(40000, 'd')}));
    EXPECT_EQ(client.get("/chunks"), "abc" + std::string(40000, 'd'));
    // Header injection through a path is refused before sending.
    EXPECT_THROW(client.get("/x\r\nEvil: 1"), NetError);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpClientTest, ChallengeTakesTheFirstSchemeThatHasAClass) {
    AuthRegistry::instance().registerScheme("Token", [] { return std::make_unique<TokenAuthentication>(); });
    client.setCredentials("u", "p");
    // Unknown scheme first, then Token, then Basic: Token answers.
    server.enqueue(Script::challenge({"Negotiate", "Token abc", "Basic realm=\"cam\""}));
    server.enqueue(Script::reply(200, "OK", "in"));
    EXPECT_EQ(client.get("/secret"), "in");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].header("Authorization"));
    EXPECT_EQ(requests[1].header("Authorization"), "Token u/abc/GET/secret");
    // Basic listed before Token: Basic answers.
    server.enqueue(Script::challenge({"Basic realm=\"cam\"", "Token abc"}));
    server.enqueue(Script::reply(200, "OK", "in"));
    EXPECT_EQ(client.get("/secret"), "in");
    requests = server.requests();
    EXPECT_EQ(requests[3].header("Authorization"), "Basic " + base64Encode("u:p"));
    AuthRegistry::instance().unregisterScheme("Token");
}

TEST_F(HttpClientTest, RefusedCredentialsEndWithThe401InsteadOfALoop) {
    server.setHandler([](const auto&) { return Script::challenge({"Basic realm=\"cam\""}); });
    client.setBasicAuthentication(true);
    client.setCredentials("u", "wrong");
    const HttpResponse response = client.request("GET", "/");
    EXPECT_EQ(response.status(), 401);
    EXPECT_EQ(response.head.statusLine, "HTTP/1.1 401 Unauthorized");
    // Sent once up front; the same answer again would be pointless.
    EXPECT_EQ(server.requests().size(), 1u);
    // Without credentials the 401 comes back at once as well.
    HttpClient anonymous;
    anonymous.setHost(server.address());
    anonymous.setPort(server.port());
    EXPECT_THROW(anonymous.get("/"), HttpStatusError);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpClientTest, StreamModeReadsAMultipartBodyBitByBitUntilInterrupted) {
    MjpegOptions options;
    options.chunked = true;  // as ffmpeg serves it
    options.interval = Millis(20);
    options.holdOpenAtEnd = true;
    server.enqueue(Script::mjpeg({"FRAME-1", "FRAME-22"}, options));
    auto stream = client.open("GET", "/video.mjpg");
    ASSERT_EQ(stream->status(), 200);
    EXPECT_EQ(stream->head().headers.get("Content-Type"), "multipart/x-mixed-replace;boundary=myboundary");
    BufferedReader& body = stream->body();
    for (const std::string expected : {"FRAME-1", "FRAME-22"}) {
        EXPECT_EQ(body.readLn(100), "--myboundary");
        EXPECT_EQ(body.readLn(100), "Content-Type: image/jpeg");
        const std::string length = body.readLn(100);
        EXPECT_EQ(length, "Content-Length: " + std::to_string(expected.size()));
        EXPECT_EQ(body.readLn(100), "");
        EXPECT_EQ(body.readExact(expected.size()), expected);
        EXPECT_EQ(body.readLn(100), "");
    }
    // The server holds the stream open: the next read waits until it is
    // interrupted, as a decoder's shut-down does.
    std::thread stopper([&] {
        std::this_thread::sleep_for(Millis(50));
        stream->interrupt();
    });
    EXPECT_THROW(body.readLn(100), InterruptedError);
    stopper.join();
    stream.reset();
    EXPECT_TRUE(server.waitForPeerCloses(1, Millis(2000)));
}

TEST(HttpClientLighttpd, BasicAuthenticationAgainstARealServer) {
    Lighttpd server(Lighttpd::Auth::basic, "cam", "secret", "camera", 18081, {{"index.html", "hello from lighttpd"}});
    HttpClient client;
    client.setHost("127.0.0.1");
    client.setPort(server.port());
    client.setReadTimeout(Millis(5000));
    client.setCredentials("cam", "secret");
    // Without Basic up front the 401 challenge is answered.
    EXPECT_EQ(client.get("/index.html"), "hello from lighttpd") << server.log();
    client.setBasicAuthentication(true);
    EXPECT_EQ(client.get("/index.html"), "hello from lighttpd");
    client.setCredentials("cam", "wrong");
    try {
        client.get("/index.html");
        FAIL() << "wrong password accepted";
    } catch (const HttpStatusError& e) {
        EXPECT_EQ(e.status(), 401);
    }
}
