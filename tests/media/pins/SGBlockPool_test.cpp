// The block pool: exact-size free lists handed out last-freed first, the
// trim that keeps a list's blocks for 8 ticks after its last use and then
// frees one per tick, the power-of-two sizes of the memory containers, and
// the trim clock's own thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "media/pins/SGErrors.h"
#include "media/pins/SGSmartBuffer.h"

using namespace oculon::pins;
using List = TSGSmartBufferManager::ListState;

namespace {

TEST(BlockPool, ExactSizeListsReuseLastFreedFirst) {
    TSGSmartBufferManager pool(SGNoClock());
    EXPECT_EQ(pool.Allocate(0), nullptr);
    EXPECT_EQ(pool.ListCount(), 0u);

    void* a = pool.Allocate(1000);
    void* b = pool.Allocate(1000);
    for (void* p : {a, b}) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
    EXPECT_EQ(pool.List(1000), (List{1000, 0, 8}));
    pool.Deallocate(a, 1000);
    pool.Deallocate(b, 1000);
    EXPECT_EQ(pool.List(1000), (List{1000, 2, 10}));
    EXPECT_FALSE(pool.List(1024));  // sizes are exact here: no rounding
    EXPECT_EQ(pool.Allocate(1000), b);
    EXPECT_EQ(pool.Allocate(1000), a);
    EXPECT_EQ(pool.List(1000), (List{1000, 0, 9}));  // renewed from the free blocks before the take
    pool.Deallocate(a, 1000);
    pool.Deallocate(b, 1000);

    EXPECT_THROW(pool.Allocate(kSGLargestBlock + 1), EBufferTooLarge);
    EXPECT_EQ(pool.ListCount(), 1u);
}

TEST(BlockPool, TrimKeepsBlocksEightTicksThenFreesOnePerTick) {
    TSGSmartBufferManager pool(SGNoClock());
    void* one = pool.Allocate(64);
    void* three[3] = {pool.Allocate(256), pool.Allocate(256), pool.Allocate(256)};
    pool.Deallocate(one, 64);
    for (void* p : three) pool.Deallocate(p, 256);
    EXPECT_EQ(pool.List(64), (List{64, 1, 9}));
    EXPECT_EQ(pool.List(256), (List{256, 3, 11}));

    for (int tick = 1; tick <= 8; ++tick) ASSERT_TRUE(pool.OnTimer());
    EXPECT_EQ(pool.List(64), (List{64, 1, 1}));
    EXPECT_EQ(pool.List(256), (List{256, 3, 3}));
    EXPECT_TRUE(pool.OnTimer());  // tick 9: the single block and its list go
    EXPECT_FALSE(pool.List(64));
    EXPECT_EQ(pool.List(256), (List{256, 2, 2}));
    EXPECT_TRUE(pool.OnTimer());
    EXPECT_EQ(pool.List(256), (List{256, 1, 1}));
    EXPECT_FALSE(pool.OnTimer());  // tick 11: nothing left
    EXPECT_EQ(pool.ListCount(), 0u);

    // Any use of a size starts its count again.
    pool.Deallocate(pool.Allocate(64), 64);
    for (int tick = 1; tick <= 5; ++tick) pool.OnTimer();
    void* again = pool.Allocate(64);
    EXPECT_EQ(pool.List(64), (List{64, 0, 9}));
    pool.Deallocate(again, 64);
    EXPECT_EQ(pool.List(64), (List{64, 1, 9}));
    pool.ReleaseMemory();
    EXPECT_EQ(pool.ListCount(), 0u);
}

TEST(BlockPool, MemoryContainersRoundToPowersOfTwo) {
    const std::pair<std::uint64_t, std::uint32_t> sizes[] = {
        {0, 4}, {1, 4}, {4, 4}, {5, 8}, {640 * 480 * 3, 1 << 20}, {1u << 30, 1u << 30}, {(1u << 30) + 1, 1u << 30}};
    for (const auto& [size, block] : sizes) EXPECT_EQ(TSGSmartBuffer::CalculateAllocationSize(size), block) << size;
    // A request above the largest block is refused before anything is copied.
    EXPECT_THROW(TSGSmartMemoryBuffer((1u << 30) + 1), EBufferTooLarge);
    EXPECT_THROW(TSGSmartMemoryBuffer(reinterpret_cast<const void*>(1), std::uint64_t{5} << 30), EBufferTooLarge);

    // The process-wide pool serves the block and the container object itself.
    TSGSmartBufferManager& pool = SGBufferManager();
    pool.SetClock(SGNoClock());
    const auto before = pool.List(1024).value_or(List{1024, 0, 0}).FreeBlocks;
    std::uint8_t* block = nullptr;
    {
        const auto first = std::make_unique<TSGSmartMemoryBuffer>(1000);
        EXPECT_EQ(first->AllocatedSize(), 1024u);
        block = first->RawData();
    }
    EXPECT_EQ(pool.List(1024)->FreeBlocks, before + 1);
    EXPECT_GE(pool.List(sizeof(TSGSmartMemoryBuffer))->FreeBlocks, 1u);
    EXPECT_EQ(TSGSmartMemoryBuffer(513).RawData(), block);
    pool.SetClock(SGThreadClock());
}

TEST(BlockPool, ThreadClockTrimsAndRestsWhileIdle) {
    TSGSmartBufferManager pool(SGThreadClock(std::chrono::milliseconds(1)));
    const auto emptiesWithin = [&](std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (pool.ListCount() != 0 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return pool.ListCount() == 0;
    };
    for (int round = 0; round < 2; ++round) {  // the second round wakes a resting clock
        pool.Deallocate(pool.Allocate(4096), 4096);
        EXPECT_TRUE(emptiesWithin(std::chrono::seconds(10)));
    }
}

}  // namespace
