// The stream decoder against the scripted loopback server and against
// ffmpeg as a real MJPEG server (chunked, like no camera): the request it
// sends, every fault code, black streams, the frame-rate rules, the
// recording, the input poll, the pause before reconnecting and prompt stops.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "TestPictures.h"
#include "config/cfgUnit.h"
#include "platform/Base64.h"
#include "platform/MainLoop.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/UdpPeer.h"
#include "video/MJPEGDecoderThread.h"
#include "video/MJPEGFile.h"
#include "video/PictureFolder.h"
#include "video/StreamRecording.h"

using namespace oculon;
using namespace oculon::video;
using namespace oculon::video::test;
using config::TServerAttributes;
using testsupport::LoopbackHttpServer;
using testsupport::Millis;
using testsupport::MjpegOptions;
using testsupport::Script;
using Clock = std::chrono::steady_clock;

namespace {

std::string streamHead(const std::string& contentType = "multipart/x-mixed-replace;boundary=b") {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\n\r\n";
}

std::string part(const std::string& jpeg, bool withLength = true) {
    return "--b\r\nContent-Type: image/jpeg\r\n" +
           (withLength ? "Content-Length: " + std::to_string(jpeg.size()) + "\r\n" : std::string()) + "\r\n" + jpeg +
           "\r\n";
}

MjpegOptions heldOpen() {
    MjpegOptions o;
    o.holdOpenAtEnd = true;
    return o;
}

// What the window's picture control received.
struct Shown {
    int width, height;
    Rgb firstPixel;
    PictureFrame frame;  // picture pointer not valid afterwards
};

class TestSink : public PictureSink {
public:
    PixelSize size() const override { return {320, 240}; }
    void showPicture(const PictureFrame& frame) override {
        const std::uint8_t* p = frame.picture->row(0);
        shown.push_back({frame.picture->width, frame.picture->height, {p[2], p[1], p[0]}, frame});
        if (onShow) onShow();
    }
    std::vector<Shown> shown;
    std::function<void()> onShow;
};

class TestLabel : public CaptionSink {
public:
    void setCaption(const std::string& text) override { captions.push_back(text); }
    std::vector<std::string> captions;
};

struct Fault {
    int code;
    std::string addInfo;
};

// True once something listens on 127.0.0.1:port, without connecting (ffmpeg
// serves only the first client).
bool listening(std::uint16_t port) {
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state;
        fields >> slot >> address >> remote >> state;
        if (address == local && state == "0A") return true;
    }
    return false;
}

class Decoder : public ::testing::Test {
protected:
    void SetUp() override {
        config::sprache = config::lang_en;
        settings = std::make_unique<config::TVideoConfig>(std::make_shared<platform::MemoryRegistryStore>());
        settings->schreibeFirstPictPath(folder.path());
        config::videoConfig = settings.get();
    }
    void TearDown() override { config::videoConfig = nullptr; }

    TServerAttributes attributesFor(const LoopbackHttpServer& server,
                                    config::TVideoServerType typ = config::LindavorCam) {
        TServerAttributes a;
        a.CameraName = "Door 1";
        a.Path = "/mjpg/video.mjpg";
        a.IP = server.address();
        a.Port = server.port();
        a.ServerTyp = typ;
        return a;
    }

    // Shows in `sink` and reports faults to `faults`; not started.
    std::unique_ptr<TMJPEGDecoder> wired(const TServerAttributes& a) {
        auto d = std::make_unique<TMJPEGDecoder>(a);
        d->setVisibleImage(&sink);
        d->setOnStoerung([this](TMJPEGDecoder& d) { faults.push_back({d.ErrorNo(), d.AddInfo()}); });
        d->setAspectFunc([this](double aspect) { aspects.push_back(aspect); });
        d->setSaveFunc([this](TMJPEGDecoder&) { ++saves; });
        d->setOnBlack([this](TMJPEGDecoder&) {
            if (platform::MainLoop::instance().isMainThread()) blackOnMainThread = true;
            ++blacks;
        });
        return d;
    }

    std::unique_ptr<TMJPEGDecoder> start(const TServerAttributes& a) {
        auto d = wired(a);
        d->Start();
        return d;
    }

    // One decoder per script, side by side; the first fault of each and the
    // time until all had one.
    std::vector<Fault> firstFaults(const std::vector<Script>& scripts, Millis pictureTimeout, Millis bound,
                                   Clock::duration& took) {
        const auto started = Clock::now();
        std::vector<std::vector<Fault>> seen(scripts.size());
        std::vector<std::unique_ptr<LoopbackHttpServer>> servers;
        std::vector<std::unique_ptr<TMJPEGDecoder>> decoders;
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            servers.push_back(std::make_unique<LoopbackHttpServer>());
            servers.back()->setHandler([script = scripts[i]](const auto&) { return script; });
            decoders.push_back(wired(attributesFor(*servers.back())));
            decoders.back()->setOnStoerung([&seen, i](TMJPEGDecoder& d) {
                seen[i].push_back({d.ErrorNo(), d.AddInfo()});
            });
            if (pictureTimeout.count() > 0) decoders.back()->setPictureTimeout(pictureTimeout);
            decoders.back()->Start();
        }
        EXPECT_TRUE(pumpUntil(
            [&] { return std::none_of(seen.begin(), seen.end(), [](const auto& s) { return s.empty(); }); }, bound));
        took = Clock::now() - started;
        std::vector<Fault> first;
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            first.push_back(seen[i].empty() ? Fault{0, ""} : seen[i][0]);
            // The next connection follows after the pause.
            EXPECT_TRUE(servers[i]->waitForRequests(2, Millis(3000))) << i;
        }
        return first;
    }

    bool pumpUntil(const std::function<bool()>& pred, Millis timeout = Millis(5000)) {
        return loop.pumpUntil(pred, timeout);
    }
    bool waitForShown(std::size_t n, Millis timeout = Millis(5000)) {
        return pumpUntil([&] { return sink.shown.size() >= n; }, timeout);
    }
    // The shown pictures' colours, as many as `expected` names.
    bool shownAre(const std::vector<Rgb>& expected) const {
        if (sink.shown.size() < expected.size()) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (!near(sink.shown[i].firstPixel, expected[i])) return false;
        return true;
    }
    bool waitForFault(Millis timeout = Millis(5000)) {
        return pumpUntil([&] { return !faults.empty(); }, timeout);
    }

    platform::ManualLoopBackend loop;
    testsupport::TempDir folder;
    std::unique_ptr<config::TVideoConfig> settings;
    TestSink sink;
    std::vector<Fault> faults;
    std::vector<double> aspects;
    int saves = 0;
    std::atomic<int> blacks{0};
    std::atomic<bool> blackOnMainThread{false};
};

}  // namespace

TEST_F(Decoder, SendsItsExactRequestAndShowsEveryPicture) {
    LoopbackHttpServer server;
    server.enqueue(Script::mjpeg({jpegOf(kRed), jpegOf(kGreen), jpegOf(kBlue)}, heldOpen()));
    platform::Timer watchdog;
    TestLabel label;
    auto a = attributesFor(server);
    a.UserName = "root";
    a.Password = "pa:ss";
    auto d = wired(a);
    d->setWatchdog(&watchdog);
    d->setTimeLabel(&label);
    d->Start();
    ASSERT_TRUE(waitForShown(3));
    EXPECT_EQ(server.requests().at(0).head,
              "GET /mjpg/video.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: image/webp,*/*\r\n"
              "Authorization: Basic " +
                  platform::base64Encode("root:pa:ss") + "\r\nConnection: keep-alive\r\n\r\n");
    EXPECT_TRUE(shownAre({kRed, kGreen, kBlue}));
    // Outside wall mode the picture fills the control, without overlay.
    const PictureFrame& frame = sink.shown[0].frame;
    EXPECT_TRUE(frame.target == (PixelRect{0, 0, 320, 240}) && frame.source == (PixelRect{0, 0, 64, 48}) &&
                frame.overlayText.empty());
    EXPECT_EQ(aspects, std::vector<double>{64.0 / 48.0});
    ASSERT_EQ(label.captions.size(), 3u);
    EXPECT_TRUE(saves == 1 && label.captions[0].starts_with("Door 1  ") && watchdog.enabled() && faults.empty());
    d.reset();

    // A type-8 camera gets its password on the path; no credentials, no
    // Authorization line.
    for (const bool key : {true, false}) {
        LoopbackHttpServer other;
        other.enqueue(Script::mjpeg({jpegOf(kRed)}, heldOpen()));
        auto b = attributesFor(other, key ? config::MirabCam : config::LindavorCam);
        if (key) {
            b.Path = "/?mjpg&key=";
            b.Password = "a b&c";
        }
        auto e = start(b);
        ASSERT_TRUE(other.waitForRequests(1, Millis(3000)));
        EXPECT_EQ(other.requests().at(0).target, key ? "/?mjpg&key=a%20b%26c" : "/mjpg/video.mjpg");
        EXPECT_EQ(other.requests().at(0).header("Authorization"),
                  key ? std::optional<std::string>("Basic " + platform::base64Encode(":a b&c")) : std::nullopt);
    }
}

TEST_F(Decoder, ReportsEachFaultWithItsCodeAndText) {
    const std::string lfcr = "\n\r";
    const std::string jpeg = jpegOf(kRed);
    struct Case {
        const char* name;
        std::optional<Script> script;  // none: nothing listens
        int code;
        std::string addInfo;
    };
    const std::string cut = lfcr + "Connection closed by peer." + lfcr, check = lfcr + "Please check the camera" + lfcr;
    const std::string jpegPart = "--b\r\nContent-Type: image/jpeg\r\n";
    std::vector<Case> cases = {
        {"401", Script::challenge({"Basic realm=\"cam\""}), 11, lfcr + "false or missing authorization data"},
        {"509", Script().send("HTTP/1.1 509 \r\n\r\n"), 12, lfcr + "Maximum number of connections exceeded"},
        {"Ok", Script().send("HTTP/1.1 200 Ok\r\n\r\n"), 12, check + "HTTP/1.1 200 Ok"},
        {"404", Script::reply(404, "Not Found", "no"), 12, check + "HTTP/1.1 404 Not Found"},
        {"not multipart", Script::reply(200, "OK", "<html>", {{"Content-Type", "text/html"}}), 10, ""},
        {"no boundary parameter", Script().send(streamHead("multipart/x-mixed-replace")).hang(), 10, ""},
        {"unreachable", std::nullopt, 7, lfcr + "The camera is not reachable."},
        {"closed after the head", Script().send(streamHead()), 5, ""},
        {"stream stops", Script().send(streamHead() + part(jpeg) + part(jpeg)), 5, ""},
        {"cut in mid-picture", Script().send(streamHead() + part(jpeg).substr(0, 200)), 2, cut + "Stream"},
        {"cut without length", Script().send(streamHead() + jpegPart + "\r\nJPEGBYTES"), 2, cut + "JPEGBYTES"},
        {"cut in a line", Script().send(streamHead() + "--b\r\nContent-Ty"), 2, cut + "Content-Ty"},
        {"lost before the body", Script().send(streamHead() + jpegPart + "Content-Length: 10\r\n\r\n"), 4, ""},
        {"absurd length", Script().send(streamHead() + jpegPart + "Content-Length: 9999999999\r\n").hang(), 2,
         lfcr + "Content-Length too large." + lfcr},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        faults.clear();
        std::optional<LoopbackHttpServer> server;
        TServerAttributes a;
        if (c.script) {
            server.emplace();
            server->enqueue(std::move(*c.script));
            a = attributesFor(*server);
        } else {
            LoopbackHttpServer gone;
            a = attributesFor(gone);
        }
        auto d = start(a);
        ASSERT_TRUE(waitForFault());
        EXPECT_EQ(faults[0].code, c.code);
        EXPECT_EQ(faults[0].addInfo, c.addInfo);
    }
}

TEST_F(Decoder, ADamagedPictureCostsThatPictureOnly) {
    // The popup shows every second part of a type-0 server; a damaged shown
    // part hands its turn to the next one.
    std::string damaged = jpegOf(kWhite);
    std::fill(damaged.begin() + 20, damaged.end(), '\x55');
    // A part without length whose picture holds the boundary text (in a
    // comment segment, which decoders skip) is cut where the next part's
    // header confirms the boundary, not inside the picture.
    const std::string blue = jpegOf(kBlue);
    const std::string comment = "x\r\n--b\r\n\x01\x02 not a header";
    const std::string withBoundary = blue.substr(0, 2) + "\xFF\xFE" + static_cast<char>(0) +
                                     static_cast<char>(comment.size() + 2) + comment + blue.substr(2);
    LoopbackHttpServer server;
    server.enqueue(Script()
                       .send(streamHead() + part(jpegOf(kRed)) + part(jpegOf(kGrey)) + part(damaged) +
                             part(jpegOf(kGreen)) + part(jpegOf(kGrey)) + part(withBoundary, false) +
                             part(jpegOf(kGrey)))
                       .hang());
    auto d = start(attributesFor(server, config::KorvatServer));
    ASSERT_TRUE(waitForShown(3));
    EXPECT_TRUE(shownAre({kRed, kGreen, kBlue}));
    loop.pumpFor(Millis(200));
    EXPECT_TRUE(faults.empty() && server.connections().size() == 1u);
}

TEST_F(Decoder, AStreamWithoutPicturesInTimeIsAFaultAndReconnects) {
    // Each keeps its connection busy well inside the read time-out, but
    // completes no picture.
    const std::string head = streamHead();
    std::string headers;
    for (int i = 0; i < 150; ++i) headers += "X-Filler: " + std::to_string(i) + "\r\n";
    const std::vector<Script> scripts = {
        Script()
            .send(head + "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 5000\r\n\r\n")
            .drip(std::string(100, 'x'), Millis(200)),
        Script().send(head + "--b\r\n").drip(headers, Millis(20)),
        Script().send(head + part(jpegOf(kRed))).drip(std::string(100, '\n'), Millis(200)),
        Script().send(head + "--b\r\n" + headers).hang(),
    };
    const std::pair<int, std::string> expected[] = {{2, "Stream"}, {1, ""}, {1, ""}, {2, "Too many header lines."}};
    Clock::duration took{};
    const auto first = firstFaults(scripts, Millis(1500), Millis(8000), took);
    EXPECT_LT(took, Millis(5000));  // well before any read time-out could have ended them
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].code, expected[i].first) << i;
        EXPECT_NE(first[i].addInfo.find(expected[i].second), std::string::npos) << first[i].addInfo;
    }
}

TEST_F(Decoder, ReportsTimeOutsOfEachKind) {
    // All four wait out the same 6 s read time-out side by side: status
    // line, header line, part without length, part with length.
    Clock::duration took{};
    const auto first = firstFaults(
        {Script().hang(), Script().send(streamHead() + "--b\r\nContent-Ty").hang(),
         Script().send(streamHead() + "--b\r\nContent-Type: image/jpeg\r\n\r\nxx").hang(),
         Script().send(streamHead() + "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 99\r\n\r\nxx").hang()},
        Millis(0), Millis(9000), took);
    EXPECT_GE(took, Millis(5500));
    std::vector<int> codes;
    for (const auto& f : first) codes.push_back(f.code);
    EXPECT_EQ(codes, (std::vector<int>{9, 1, 3, 2}));
    EXPECT_TRUE(first[3].addInfo.ends_with("\n\rStream"));
}

TEST_F(Decoder, ReconnectsAfterAPauseAndReportsAFaultOnce) {
    LoopbackHttpServer server;
    server.setHandler([](const auto&) { return Script::reply(401, "Unauthorized", "no"); });
    auto d = start(attributesFor(server));
    loop.pumpFor(Millis(3500));
    const auto connections = server.connections();
    // One attempt at once, then about one a second: not a busy loop.
    ASSERT_GE(connections.size(), 3u);
    EXPECT_LE(connections.size(), 5u);
    for (std::size_t i = 1; i < connections.size(); ++i)
        EXPECT_GE(connections[i].accepted - connections[i - 1].accepted, Millis(900));
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_TRUE(faults[0].code == 11 && d->ErrorNo() == 11);
    d.reset();

    // A stream that comes back makes the next fault news again.
    LoopbackHttpServer flaky;
    faults.clear();
    flaky.setHandler([&](const auto&) { return Script::mjpeg({jpegOf(kRed)}); });
    auto e = start(attributesFor(flaky));
    ASSERT_TRUE(pumpUntil([&] { return sink.shown.size() >= 3 && faults.size() >= 3; }, Millis(6000)));
    for (const auto& f : faults) EXPECT_EQ(f.code, 5);
}

TEST_F(Decoder, BlackStreamCountsDownPassesThenCallsOnBlackEveryPass) {
    // Wall mode with divisor 1, so that every part is tested. After a black
    // part come the empty line closing it, `extra` filler lines, then the
    // boundary, type and length lines of the next part: extra + 4 passes.
    const std::string black = jpegOf(kBlack), bright = jpegOf(kWhite);
    const auto fillers = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "X-Filler: " + std::to_string(i) + "\r\n";
        return s;
    };
    const std::string stream = streamHead() + part(black) + fillers(6) + part(bright)  // 10 passes: none yet
                               + part(black) + fillers(8) + part(bright)               // 12 passes: two calls
                               + part(black) + part(black) + fillers(4) +
                               part(bright);  // the second black part is one more pass: three
    std::vector<int> blacksAtShow;
    sink.onShow = [&] { blacksAtShow.push_back(blacks.load()); };
    // A preview shows black pictures and never calls OnBlack.
    for (const bool preview : {false, true}) {
        sink.shown.clear();
        blacks = 0;
        LoopbackHttpServer server;
        server.enqueue(Script().send(stream).hang());
        auto a = attributesFor(server, config::KorvatServer);
        a.ueberwachung = true;
        a.zeigeImmer = preview;
        auto d = start(a);
        ASSERT_TRUE(waitForShown(preview ? 7 : 3));
        if (preview) {
            EXPECT_TRUE(shownAre({kBlack}) && blacks.load() == 0);
        } else {
            EXPECT_EQ(blacksAtShow, (std::vector<int>{0, 2, 5}));
            EXPECT_TRUE(!blackOnMainThread && near(sink.shown[2].firstPixel, kWhite));
        }
    }
}

// The decoder goes on with the next picture while the main thread shows one,
// yet however far the main thread lags, every picture is shown, in its
// order, the control's buffers going round: cut to the control in the
// decoded buffer, and painted into a bitmap of the control's size.
TEST_F(Decoder, ShowsEveryPictureInItsOrderWhileTheMainThreadLags) {
    constexpr int kPictures = 24;
    for (const PixelSize size : {PixelSize{322, 242}, PixelSize{64, 48}}) {
        std::vector<std::string> frames;
        std::vector<Rgb> colours;
        for (int i = 0; i < kPictures; ++i) {
            colours.push_back({40 + i * 8, 200 - i * 6, (i % 2) * 150 + 20});
            frames.push_back(jpegOf(colours.back(), size.width, size.height));
        }
        LoopbackHttpServer server;
        server.enqueue(Script::mjpeg(frames, heldOpen()));
        sink.shown.clear();
        std::vector<std::uint8_t> controlBuffer;
        int handedOver = 0;
        sink.onShow = [&] {
            // As the control does: the picture's buffer for its own.
            if (Image* given = sink.shown.back().frame.handOver) {
                std::swap(controlBuffer, given->pixels);
                ++handedOver;
            }
            std::this_thread::sleep_for(Millis(4));
        };
        auto a = attributesFor(server);
        a.ueberwachung = true;
        auto d = start(a);
        ASSERT_TRUE(waitForShown(kPictures)) << size.width;
        EXPECT_TRUE(shownAre(colours)) << size.width;
        // The decoder learns the control's size with the first picture
        // shown; it may have decoded the second already.
        EXPECT_GE(handedOver, kPictures - 2);
        for (std::size_t i = 2; i < sink.shown.size(); ++i) {
            EXPECT_TRUE(sink.shown[i].frame.handOver && sink.shown[i].frame.target == (PixelRect{0, 0, 320, 240})) << i;
        }
        d.reset();
        sink.onShow = nullptr;
    }
}

TEST_F(Decoder, TheWallsFrameRateDivisorPicksTheShownParts) {
    const std::vector<Rgb> colours = {kRed, kGreen, kBlue, kWhite, kGrey};
    std::vector<std::string> frames;
    for (const auto& c : colours) frames.push_back(jpegOf(c));
    const auto shownColours = [&](config::TVideoServerType typ, bool wall, int divisor, std::size_t expect) {
        sink.shown.clear();
        LoopbackHttpServer server;
        server.enqueue(Script::mjpeg(frames, heldOpen()));
        auto a = attributesFor(server, typ);
        a.ueberwachung = wall;
        a.frameRate = divisor;
        auto d = start(a);
        EXPECT_TRUE(waitForShown(expect));
        loop.pumpFor(Millis(200));  // nothing more comes
        std::vector<int> picked;
        for (const auto& s : sink.shown)
            for (std::size_t i = 0; i < colours.size(); ++i)
                if (near(s.firstPixel, colours[i])) picked.push_back(static_cast<int>(i) + 1);
        return picked;
    };
    // The popup's every second part of the maker's video servers is the
    // damaged-picture and the recording tests' concern.
    EXPECT_EQ(shownColours(config::KorvatServer, true, 1, 5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(shownColours(config::LindavorCam, true, 2, 3), (std::vector<int>{1, 3, 5}));

    // Wall mode letterboxes on white with the caption drawn over the picture.
    ASSERT_FALSE(sink.shown.empty());
    const PictureFrame& frame = sink.shown[0].frame;
    EXPECT_TRUE(frame.clearWhite && frame.target == (PixelRect{0, 0, 320, 240}) &&
                frame.overlayText.starts_with("Door 1  "));
}

TEST_F(Decoder, RecordsTheShownPartsUntouched) {
    std::string damaged = jpegOf(kWhite);
    std::fill(damaged.begin() + 20, damaged.end(), '\x55');
    const std::vector<std::string> frames = {jpegOf(kRed), jpegOf(kGreen), damaged, jpegOf(kBlue), jpegOf(kWhite)};
    LoopbackHttpServer server;
    server.enqueue(Script::mjpeg(frames, heldOpen()));
    auto a = attributesFor(server, config::KorvatServer);
    a.aufzeichnen = true;
    a.CameraName = "../Front/Door";
    auto d = start(a);
    // The picture folder's worker opens it.
    std::string file;
    ASSERT_TRUE(loop.pumpUntil([&] { return !(file = d->recordingFileName()).empty(); }, Millis(3000)));
    EXPECT_TRUE(file.starts_with(folder.path() + "/.._Front_Door/") && file.ends_with("_.._Front_Door.kvd")) << file;
    ASSERT_TRUE(waitForShown(2));
    d.reset();  // has the worker close the file
    ASSERT_TRUE(platform::FolderWorker::drainAll(Millis(3000)));

    TMJPEGFile recording(file, TMJPEGFile::kRead);
    // The popup rule drops parts 2 and 5 unrecorded; the damaged part is
    // recorded as it came, and the part after it shown in its place.
    ASSERT_EQ(recording.VideoFrames(), 3);
    std::vector<std::uint8_t> jpeg;
    for (const int shown : {0, 2, 3}) {
        recording.readFrame(jpeg);
        EXPECT_EQ(std::string(jpeg.begin(), jpeg.end()), frames[shown]);
    }
}

TEST_F(Decoder, ARecordingTakesAPictureFolderChosenWhileItRuns) {
    // The folder set first is a file; the user then chooses another, and the
    // running stream's next try records there.
    const std::string file = folder.path() + "/not-a-folder";
    std::ofstream(file) << "x";
    settings->schreibeFirstPictPath(file + "/");
    LoopbackHttpServer server;
    MjpegOptions o = heldOpen();
    o.interval = Millis(40);
    o.repeat = 400;
    server.enqueue(Script::mjpeg({jpegOf(kRed), jpegOf(kBlue)}, o));
    auto a = attributesFor(server, config::KorvatServer);
    a.aufzeichnen = true;
    auto d = start(a);
    ASSERT_TRUE(pumpUntil([&] { return d->recordingFailure().has_value(); }));
    const std::string chosen = folder.path() + "/chosen/";
    settings->schreibeFirstPictPath(chosen);
    std::string recorded;
    ASSERT_TRUE(pumpUntil([&] { return !(recorded = d->recordingFileName()).empty(); },
                          Millis(3000) + StreamRecording::kRetryInterval));
    EXPECT_TRUE(recorded.starts_with(chosen + "Door 1/")) << recorded;
}

TEST_F(Decoder, PollsTheInputStateEverySecondPassAndEveryPassKeepsTheDisplayAwake) {
    testsupport::UdpPeer device("127.0.0.1", TMJPEGDecoder::kPollPort);
    LoopbackHttpServer server;
    server.enqueue(Script::mjpeg({jpegOf(kRed), jpegOf(kGreen)}, heldOpen()));
    auto a = attributesFor(server, config::KorvatServer);
    a.isMoxa = true;  // no poll address: the stream's own device is asked
    auto d = wired(a);
    std::atomic<int> idleResets{0};
    d->setIdleReset([&] { ++idleResets; });
    d->Start();
    ASSERT_TRUE(waitForShown(1));
    const auto poll = device.next(Millis(2000));
    EXPECT_EQ(poll.value_or(testsupport::ReceivedDatagram{}).data, "\x1F\x44\x5B");
    // A stream of two parts is 10 passes; the 11th waits for more: five polls.
    loop.pumpFor(Millis(300));
    EXPECT_TRUE(device.receivedCount() == 5u && idleResets.load() == 11) << idleResets.load();
}

TEST_F(Decoder, StopsAtOnceWhereverItWaits) {
    const auto stopsQuickly = [](std::unique_ptr<TMJPEGDecoder> d) {
        const auto begin = Clock::now();
        d->Terminate();
        const bool ended = d->WaitFor(Millis(1000));
        d.reset();
        return ended && Clock::now() - begin < Millis(1000);
    };
    // Blocked in a read.
    LoopbackHttpServer hanging;
    hanging.enqueue(Script().send(streamHead()).hang());
    auto reading = start(attributesFor(hanging));
    ASSERT_TRUE(hanging.waitForRequests(1, Millis(3000)));
    std::this_thread::sleep_for(Millis(100));
    EXPECT_TRUE(stopsQuickly(std::move(reading)));
    EXPECT_TRUE(hanging.waitForPeerCloses(1, Millis(1000)));

    // Blocked in handing a picture to the main thread, which does not pump.
    LoopbackHttpServer streaming;
    streaming.enqueue(Script::mjpeg({jpegOf(kRed)}, heldOpen()));
    auto handing = start(attributesFor(streaming));
    ASSERT_TRUE(streaming.waitForRequests(1, Millis(3000)));
    std::this_thread::sleep_for(Millis(300));
    EXPECT_TRUE(stopsQuickly(std::move(handing)));
    EXPECT_TRUE(sink.shown.empty());

    // Waiting to reconnect.
    auto pausing = start(attributesFor(streaming));  // its queue is empty: 404, then a pause
    ASSERT_TRUE(waitForFault());
    EXPECT_TRUE(stopsQuickly(std::move(pausing)));

    // Connecting to an address where nobody answers.
    TServerAttributes a = attributesFor(streaming);
    a.IP = "10.77.0.99";
    auto connecting = start(a);
    std::this_thread::sleep_for(Millis(300));
    EXPECT_TRUE(stopsQuickly(std::move(connecting)));
}

TEST_F(Decoder, PlaysFfmpegAsARealMjpegServer) {
    // A live test picture, then a black one that ends in OnBlack.
    for (const bool black : {false, true}) {
        const std::uint16_t port = black ? 18091 : 18090;
        testsupport::ChildProcess ffmpeg({"ffmpeg", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                                          black ? "color=black:size=640x480:rate=10" : "testsrc=size=640x480:rate=10",
                                          "-f", "mpjpeg", "-listen", "1", "-content_type",
                                          "multipart/x-mixed-replace;boundary=ffmpeg",
                                          "http://127.0.0.1:" + std::to_string(port) + "/video.mjpg"});
        const auto deadline = Clock::now() + Millis(10000);
        while (!listening(port) && Clock::now() < deadline) std::this_thread::sleep_for(Millis(20));
        ASSERT_TRUE(listening(port));
        TServerAttributes a;
        a.CameraName = "ffmpeg";
        a.Path = "/video.mjpg";
        a.IP = "127.0.0.1";
        a.Port = port;
        a.ServerTyp = black ? config::KorvatServer : config::AxisCam;
        auto d = start(a);
        if (black) {
            ASSERT_TRUE(pumpUntil([&] { return blacks.load() >= 3; }, Millis(15000)));
            EXPECT_TRUE(sink.shown.empty());
        } else {
            ASSERT_TRUE(waitForShown(5, Millis(10000)));
            EXPECT_EQ(std::make_pair(sink.shown[0].width, sink.shown[0].height), std::make_pair(640, 480));
            EXPECT_TRUE(aspects == std::vector<double>{640.0 / 480.0} && faults.empty());
            sink.shown.clear();
        }
    }
}
