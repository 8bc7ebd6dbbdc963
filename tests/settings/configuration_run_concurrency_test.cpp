// The configuration run on its worker: the dialog's answers reach it across
// threads, and a terminate ends it at once from any wait (an open question,
// a hanging request, the pause at the end) with picture fetches free again.
#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "settings/ConfigurationRun.h"
#include "settings/DeviceLinks.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon;
using namespace oculon::settings;
using namespace std::chrono_literals;
using testsupport::Script;

namespace {

class Run : public ::testing::Test {
protected:
    Run() {
        device.FIpAdresse = server.address();
        device.FPort = std::to_string(server.port());
        device.FName = "Door";
        device.FAdminPass = "8516";
        server.setHandler([](const testsupport::RecordedRequest&) { return Script::reply(200, "OK", ""); });
    }

    std::unique_ptr<ConfigurationRun> start(ServerEdits edits, std::chrono::milliseconds settle = 0ms) {
        ConfigurationRun::Setup setup;
        setup.settings = &settings;
        setup.rebootLock = &lock;
        setup.http = std::make_unique<HttpCgiClient>(2s, 10s);
        setup.settleTime = settle;
        auto run = std::make_unique<ConfigurationRun>(target.id(), std::move(setup),
                                                      ConfigurationRun::Input{device, std::move(edits), {}, false});
        run->Start();
        return run;
    }
    ServerEdits edits() const {
        return {device.FName, device.FPort, device.FIpAdresse, device.FSubnet, device.FGateway, "", "", "",
                false,        false};
    }
    // Pumps until an event of `kind` arrives; the ones before it are kept.
    RunEvent* waitFor(RunEvent::Kind kind) {
        RunEvent* found = nullptr;
        loop.pumpUntil(
            [&] {
                for (auto& e : events)
                    if (e->kind == kind && !found) found = e.get();
                return found != nullptr;
            },
            5s);
        return found;
    }

    platform::ManualLoopBackend loop;
    std::vector<std::unique_ptr<RunEvent>> events;
    platform::MessageTarget target{[this](platform::Message& m) {
        if (auto e = m.take<platform::WM_KONFIGRUN>()) events.push_back(std::move(e));
    }};
    testsupport::LoopbackHttpServer server;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TRebootSperre lock;
    devices::ServerFields device;
};

}  // namespace

TEST_F(Run, AnswersCrossToTheWorkerAndTheCountdownTakesTheLock) {
    ServerEdits e = edits();
    e.port = "8081";
    auto run = start(e);
    ASSERT_TRUE(waitFor(RunEvent::Kind::confirmReboot));
    run->answer(std::string());
    RunEvent* countdown = waitFor(RunEvent::Kind::countdown);
    ASSERT_TRUE(countdown);
    EXPECT_TRUE(lock.bblocked());
    countdown->hold.reset();  // the countdown is over
    run->answer(std::string());
    RunEvent* done = waitFor(RunEvent::Kind::finished);
    ASSERT_TRUE(done);
    EXPECT_TRUE(done->result.finished);
    EXPECT_FALSE(done->result.error);
    EXPECT_FALSE(lock.bblocked());
    EXPECT_EQ(settings.getConfigByName("Door")->Port, "8081");
    int progressed = 0;
    for (const auto& event : events) progressed += event->kind == RunEvent::Kind::progress ? event->amount : 0;
    EXPECT_EQ(progressed, 100);
    EXPECT_TRUE(run->WaitFor(2s));
}

TEST_F(Run, TerminateEndsEveryWaitAndFreesTheLock) {
    // An open question.
    device.FAuthorization = true;
    device.FName = "Unknown";
    auto asking = start(edits());
    ASSERT_TRUE(waitFor(RunEvent::Kind::askPassword));
    EXPECT_TRUE(platform::stopAndFree(std::move(asking), 2s));
    EXPECT_TRUE(server.requests().empty());

    // A request that hangs while the lock is held.
    device.FAuthorization = false;
    device.FName = "Door";
    server.setHandler([this](const testsupport::RecordedRequest&) {
        return server.requests().size() > 4 ? Script().hang() : Script::reply(200, "OK", "");
    });
    ServerEdits e = edits();
    e.port = "8081";
    e.ip = "10.0.0.9";
    e.subnet = "255.0.0.0";
    e.gateway = "10.0.0.1";
    events.clear();
    auto hanging = start(e);
    ASSERT_TRUE(waitFor(RunEvent::Kind::confirmReboot));
    hanging->answer(std::string());
    events.clear();
    ASSERT_TRUE(waitFor(RunEvent::Kind::confirmReboot));
    hanging->answer(std::string());
    ASSERT_TRUE(server.waitForRequests(5, 5s));
    EXPECT_TRUE(lock.bblocked());
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(hanging), 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
    EXPECT_FALSE(lock.bblocked());

    // The pause at the end.
    server.setHandler([](const testsupport::RecordedRequest&) { return Script::reply(200, "OK", ""); });
    auto settling = start(edits(), std::chrono::hours(1));
    loop.pumpFor(300ms);
    EXPECT_TRUE(platform::stopAndFree(std::move(settling), 2s));
}
