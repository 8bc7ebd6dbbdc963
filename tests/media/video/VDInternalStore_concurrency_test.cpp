// A store shared between threads: its time data are written and cloned at
// once without a race or a half-written record.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "media/video/VDInternalStore.h"

namespace oculon::mediavideo {
namespace {

TEST(VDInternalStoreConcurrency, TimeDataAreClonedWholeWhileWritten) {
    const auto store = VDCreateStore(TVDVideoFormat::vfYV12, 16, 8);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (std::int32_t i = 0; i < 20000; ++i) store->SetTimeCodeData({true, i, i, i, i});
        done = true;
    });
    int torn = 0;
    while (!done) {
        const auto clone = store->CloneStore(false);
        const TVDTimeCodeData t = clone->GetTimeCodeData();
        if (t.Frame != t.Hour) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(store->CloneStore(false)->GetTimeCodeData().Frame, 19999);
}

}  // namespace
}  // namespace oculon::mediavideo
