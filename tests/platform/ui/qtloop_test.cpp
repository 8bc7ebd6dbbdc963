// Qt's event loop drives the main loop: posted messages, synchronize() and
// timers run on the main thread, payloads are freed.

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/MainLoop.h"

using namespace oculon::platform;
using namespace std::chrono_literals;

namespace {
struct Payload : MessagePayload {
    explicit Payload(std::atomic<int>& f) : freed(f) {}
    ~Payload() override { ++freed; }
    std::atomic<int>& freed;
};
constexpr std::uint32_t kTestMessage = WM_USER + 1000;  // this test's own
}  // namespace

template <>
struct oculon::platform::MessagePayloadOf<kTestMessage> {
    using type = Payload;
};

TEST(QtLoopBackend, MessagesSynchronizeAndTimersRunOnQtsLoop) {
    std::atomic<int> freed{0};
    int received = 0, synced = 0, ticks = 0;
    MessageTarget target([&](Message& m) {
        EXPECT_TRUE(MainLoop::instance().isMainThread());
        received += static_cast<int>(m.wParam);
    });
    std::thread worker([&] {
        for (int i = 1; i <= 10; ++i)
            MainLoop::instance().post<kTestMessage>(target.id(), std::make_unique<Payload>(freed),
                                                    static_cast<std::uintptr_t>(i));
        MainLoop::instance().synchronize([&] { synced = received; });
    });
    Timer timer;
    timer.setInterval(5ms);
    timer.setOnTimer([&] {
        if (++ticks == 3) {
            timer.setEnabled(false);
            QTimer::singleShot(20, qApp, &QApplication::quit);
        }
    });
    timer.setEnabled(true);
    QTimer::singleShot(5000, qApp, &QApplication::quit);  // safety net
    QApplication::exec();
    worker.join();
    EXPECT_EQ(received, 55);
    EXPECT_EQ(synced, 55);  // posted before the call, so handled before it
    EXPECT_EQ(freed.load(), 10);
    EXPECT_EQ(ticks, 3);
}
