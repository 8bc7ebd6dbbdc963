// First calls of the cache-size probe from several threads at once each get
// the one outcome, without a data race on the probe's state.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "media/primitives/ProcessorCacheSize.h"

namespace oculon::primitives {
namespace {

bool cpuidWithAnEightMegabyteCache(std::uint32_t leaf, CpuidResult& out) {
    out = leaf == 0 ? CpuidResult{4, 0x756E6547, 0x6C65746E, 0x49656E69} : CpuidResult{0x00470001, 0, 0, 0};
    return true;
}

TEST(CacheSizeConcurrency, SimultaneousFirstCallsAgree) {
    for (int round = 0; round < 20; ++round) {
        CacheSizeProbe probe(&cpuidWithAnEightMegabyteCache);
        std::atomic<bool> go{false};
        std::vector<long long> answers(4);
        std::vector<std::thread> threads;
        for (long long& answer : answers)
            threads.emplace_back([&] {
                while (!go.load()) std::this_thread::yield();
                Ipp32s size = -1;
                answer = probe.query(&size) * (1LL << 24) + size;
            });
        go = true;
        for (std::thread& t : threads) t.join();
        for (long long answer : answers) EXPECT_EQ(answer, 8388608);
    }
}

}  // namespace
}  // namespace oculon::primitives
