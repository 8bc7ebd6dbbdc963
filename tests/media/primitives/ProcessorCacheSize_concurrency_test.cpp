// First calls of the cache-size probe from several threads at once: each
// gets the one outcome, and the state words are read and written without a
// data race.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "media/primitives/ProcessorCacheSize.h"

namespace oculon::primitives {
namespace {

bool cpuidWithAnEightMegabyteCache(std::uint32_t leaf, CpuidResult& out) {
    if (leaf == 0) out = {4, 0x756E6547, 0x6C65746E, 0x49656E69};
    else out = {0x00470001, 0, 0, 0};
    return true;
}

TEST(CacheSizeConcurrency, SimultaneousFirstCallsAgree) {
    for (int round = 0; round < 20; ++round) {
        CacheSizeProbe probe(&cpuidWithAnEightMegabyteCache);
        std::atomic<bool> go{false};
        std::vector<Ipp32s> sizes(4, -1);
        std::vector<IppStatus> status(4, -1);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                while (!go.load()) std::this_thread::yield();
                status[t] = probe.query(&sizes[t]);
            });
        go = true;
        for (std::thread& t : threads) t.join();
        for (int t = 0; t < 4; ++t) {
            EXPECT_EQ(status[t], ippStsNoErr);
            EXPECT_EQ(sizes[t], 8388608);
        }
    }
}

}  // namespace
}  // namespace oculon::primitives
