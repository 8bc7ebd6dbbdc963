// Worker threads look stations up while the main thread rewrites the lists;
// fetchers pass the reboot lock while a restart blocks it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "config/cfgUnit.h"

namespace oculon::config {
namespace {

using namespace std::chrono_literals;

TSingleConfig station(int k, int generation) {
    TSingleConfig c;
    c.Name = "s" + std::to_string(k);
    c.Ip = "10.0." + std::to_string(k) + "." + std::to_string(generation % 250);
    c.Port = "80";
    c.telefonIP = "10.1.0." + std::to_string(k);
    c.commonName = std::string(64, static_cast<char>('a' + generation % 26));
    return c;
}

TEST(VideoConfigConcurrency, LookupsStaySoundWhileTheListsAreRewritten) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    TVideoConfig cfg(store);
    cfg.addConfig(station(0, 0));  // "s0" is only ever replaced, never missing

    std::atomic<bool> stop{false};
    std::atomic<int> faults{0};
    std::atomic<long> lookups{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 4; ++r) {
        readers.emplace_back([&, r] {
            while (!stop.load()) {
                const auto fixed = cfg.getConfigByName("s0");
                if (!fixed) ++faults;
                for (int k = 1; k < 8; ++k) {
                    const auto s = cfg.getConfigByName("s" + std::to_string(k));
                    if (!s) continue;
                    // A copy taken from a held entry is whole and consistent.
                    const TSingleConfig copy = *s;
                    if (copy.Ip.rfind("10.0." + std::to_string(k) + ".", 0) != 0) ++faults;
                    if (copy.commonName.size() != 64 ||
                        copy.commonName.find_first_not_of(copy.commonName[0]) != std::string::npos)
                        ++faults;
                    if (const auto byIp = cfg.getConfigByIP(copy.Ip + ":80"); byIp && byIp->Name != copy.Name) ++faults;
                }
                const int count = cfg.Count();
                for (int i = 0; i < count + 1; ++i) {
                    if (const auto s = cfg.getConfigByNumber(i)) lookups += static_cast<long>(s->Name.size());
                }
                if (const auto p = cfg.getConfigByPhone("10.1.0." + std::to_string(r + 1));
                    p && p->Name != "s" + std::to_string(r + 1))
                    ++faults;
                for (const auto& [key, cam] : cfg.survList())
                    lookups += static_cast<long>(key.size() + cam->name.size());
                for (const auto& [key, cam] : cfg.manualList())
                    lookups += static_cast<long>(key.size() + cam->name.size());
                lookups += cfg.blackValue() + static_cast<long>(cfg.firstPictpath().size());
                if (const auto w = cfg.getSurvConfigByIp("10.2.0.1:80")) lookups += w->port;
                std::this_thread::yield();
            }
        });
    }

    for (int generation = 1; generation < 100; ++generation) {
        const int k = 1 + generation % 7;
        if (const auto old = cfg.getConfigByName("s" + std::to_string(k))) {
            if (generation % 3 == 0) cfg.deleteConfig(old);
            else cfg.updateConfig(old, station(k, generation));
        } else {
            cfg.addConfig(station(k, generation));
        }
        cfg.updateConfig(cfg.getConfigByName("s0"), station(0, generation));
        cfg.schreibBlackConfig(generation);
        cfg.schreibeFirstPictPath("/pics/" + std::to_string(generation) + "/");
        TSurveillanceConfig cam;
        cam.name = "w" + std::to_string(generation);
        cam.ipAddr = "10.2.0.1";
        cam.port = 80;
        cfg.putSurvConfig(std::to_string(generation % 4), cam);
        if (generation % 5 == 0) cfg.removeSurvConfig(std::to_string(generation % 4));
        cfg.schreibeUeberwachungKameras();
        TManualConfig m;
        m.ipAddr = "10.3.0.1";
        m.port = generation % 3;
        m.name = "m";
        if (cfg.addManual(m) < 0) cfg.deleteManualConfig(m.listKey());
    }
    stop = true;
    for (auto& t : readers) t.join();

    EXPECT_EQ(faults.load(), 0);
    EXPECT_GT(lookups.load(), 0);
    ASSERT_TRUE(cfg.getConfigByName("s0"));
    EXPECT_EQ(cfg.getConfigByName("s0")->Ip, "10.0.0.99");
}

TEST(RebootSperreConcurrency, NoFetchRunsWhileBlockedAndTheWaitEndsWithTheLastFetch) {
    TRebootSperre sperre;
    std::atomic<int> active{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> fetchers;
    for (int i = 0; i < 3; ++i) {
        fetchers.emplace_back([&] {
            while (!stop.load()) {
                if (sperre.isBlocked("serverObjekt")) {
                    std::this_thread::sleep_for(1ms);
                    continue;
                }
                ++active;
                std::this_thread::sleep_for(2ms);
                --active;
                sperre.leaveBlock("serverObjekt");
            }
        });
    }
    for (int round = 0; round < 5; ++round) {
        std::this_thread::sleep_for(10ms);
        sperre.blockVideo();
        EXPECT_TRUE(sperre.bblocked());
        EXPECT_EQ(sperre.count(), 0);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(active.load(), 0);
            EXPECT_TRUE(sperre.isBlocked("EmpfRead"));
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(sperre.count(), 0);  // refused asks are not counted
        sperre.unblockVideo();
    }
    stop = true;
    for (auto& t : fetchers) t.join();
    EXPECT_EQ(sperre.count(), 0);
}

TEST(RebootSperreConcurrency, BlockReturnsAtOnceOrSoonAfterTheRunningFetchEnds) {
    TRebootSperre sperre;
    EXPECT_TRUE(sperre.started());
    auto t0 = std::chrono::steady_clock::now();
    sperre.blockVideo();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 50ms);
    sperre.unblockVideo();

    ASSERT_FALSE(sperre.isBlocked("serverObjekt"));
    std::atomic<bool> left{false};
    std::thread fetch([&] {
        std::this_thread::sleep_for(150ms);
        left = true;
        sperre.leaveBlock("serverObjekt");
    });
    sperre.blockVideo();
    EXPECT_TRUE(left.load());
    fetch.join();
    EXPECT_TRUE(sperre.bblocked());
}

}  // namespace
}  // namespace oculon::config
