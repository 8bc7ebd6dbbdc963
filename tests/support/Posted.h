#pragma once
// The messages of one number that the code under test posts to a target of
// the test's own, taken on a manual main loop that the test pumps.

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/MainLoop.h"

namespace oculon::testsupport {

template <std::uint32_t Id>
class Posted {
public:
    Posted()
        : target_([this](platform::Message& m) {
              if (m.id == Id) items.push_back(m.take<Id>());
          }) {}

    platform::TargetId id() const { return target_.id(); }
    platform::ManualLoopBackend& loop() { return loop_; }
    // Pumps until `count` messages have come.
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        return loop_.pumpUntil([&] { return items.size() >= count; }, timeout);
    }

    std::vector<std::unique_ptr<platform::PayloadOf<Id>>> items;

private:
    platform::ManualLoopBackend loop_;
    platform::MessageTarget target_;
};

}  // namespace oculon::testsupport
