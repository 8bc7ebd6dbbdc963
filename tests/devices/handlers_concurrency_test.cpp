// The read handlers run on several listener threads at once, and probe
// threads start and free themselves while shut-down stops them: no data race,
// nothing lost.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "devices/DiscoveryHandlers.h"
#include "devices/TAxisThread.h"
#include "devices/TelefonListe.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "support/DeviceBytes.h"
#include "support/Posted.h"

using namespace oculon;
using namespace oculon::devices;

using testsupport::telephoneTelegram;

TEST(HandlersConcurrency, ListenerThreadsShareTheTables) {
    platform::ManualLoopBackend loop;
    std::atomic<int> probes{0};
    int events = 0;
    platform::MessageTarget target([&](platform::Message& m) {
        if (m.take<platform::WM_TELUPDATEEVENT>()) ++events;
    });
    TelefonListe telefone;
    DiscoveryHandlers handlers({target.id(), nullptr, &telefone, [&](ProbeRequest) { ++probes; }, {}});

    constexpr int kThreads = 4, kRounds = 200;
    std::vector<std::thread> listeners;
    for (int t = 0; t < kThreads; ++t) {
        listeners.emplace_back([&, t] {
            const std::string sender = "10.0.0." + std::to_string(t + 1);
            for (int i = 0; i < kRounds; ++i) {
                // Each sender counts 10..209: every telegram is accepted once.
                handlers.UDPEmpfaengerReadTel(telephoneTelegram(10 + i, i % 2 ? 0x01 : 0x14, "12"), sender);
                handlers.ReadAxis("cam", sender);
                (void)telefone.snapshot();
            }
        });
    }
    std::thread ager([&] {
        for (int i = 0; i < kRounds; ++i) {
            telefone.ageOut(0, 60000);
            // The search's rounds begin while the listeners hear answers,
            // and probes read who answered.
            if (i % 50 == 0) handlers.rounds().beginRound();
            (void)handlers.rounds().answering();
        }
    });
    for (auto& l : listeners) l.join();
    ager.join();
    loop.pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(events, kThreads * kRounds);
    EXPECT_EQ(probes.load(), kThreads);  // the rate limit lets one per sender through
}

TEST(HandlersConcurrency, SelfFreeingProbesAndMonitorsStopAtShutDown) {
    testsupport::Posted<platform::WM_UPDATEEVENT> posted;
    // Probes that need no network: unconfigured cameras of types without a
    // picture at construction.
    config::TManualConfig entry;
    entry.typ = config::MobotixCam;
    entry.ipAddr = "10.0.0.1";
    entry.port = 80;
    for (int i = 0; i < 20; ++i) configureThread::start(ProbeRequest::fromManual(entry), posted.id(), DeviceContext{});
    // A monitor with no usable port only waits between attempts.
    auto monitor = std::make_unique<TAxisThread>("x", "127.0.0.1", "0", "u", "p", config::AxisCam);
    monitor->setWinHandle(posted.id());
    monitor->Start();
    posted.waitFor(20);
    EXPECT_TRUE(platform::Thread::terminateDetached(std::chrono::seconds(5)));
    EXPECT_TRUE(platform::stopAndFree(std::move(monitor), std::chrono::seconds(2)));
    EXPECT_EQ(posted.items.size(), 20u);
}
