// Stored links whose notify-after pins run forward, in reverse, in a circle
// or in random order: the first delivery, a reload onto the live links and
// the teardown each cost work that grows with the links as their number
// does. Work is counted in allocations (every exchange of the notify-after
// pass made some), not in seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNPersistence.h"
#include "media/pins/SGDataPins.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Every form of plain new and delete, so that none pairs with another allocator's.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace oculon;
using namespace oculon::pins;

// A filter's output linked to `n` pins of roots that are not loaded, each
// named with the pin it is to be told after.
std::string storedLinks(const std::string& order, int n) {
    const auto pin = [](int i) { return "P" + std::to_string(i) + ".X.In"; };
    std::vector<std::string> links;
    for (int i = 0; i < n; ++i) {
        if (order == "forward") links.push_back(i == 0 ? pin(0) : "(" + pin(i) + " " + pin(i - 1) + ")");
        if (order == "reverse") links.push_back("(" + pin(i) + " " + pin(i + 1) + ")");
        if (order == "cyclic") links.push_back("(" + pin(i) + " " + pin((i + 1) % n) + ")");
        if (order == "random") links.push_back(i == 0 ? pin(0) : "(" + pin(i) + " " + pin(i - 1) + ")");
    }
    if (order == "random") std::shuffle(links.begin(), links.end(), std::mt19937(n));
    std::string text = "object Frame1: TComponent object Filter1: TComponent OutputPin.SinkPins = (";
    for (const auto& link : links) text += link + " ";
    return text + ") end end";
}

struct Frame {
    std::unique_ptr<TComponent> root = std::make_unique<TComponent>(nullptr, "Frame1", TComponentKind::Frame);
    std::unique_ptr<TComponent> filter = std::make_unique<TComponent>(root.get(), "Filter1");
    PNOwned<TSGPNRealSourcePin> out = PNMakePin<TSGPNRealSourcePin>(filter.get(), nullptr);
    Frame(const std::string& order, int n) {
        filter->PublishPin("OutputPin", *out);
        PNReadRoot(*root, platform::ParseFormText(storedLinks(order, n)));
    }
};

std::size_t countAllocations(const std::function<void()>& step) {
    allocations = 0;
    counting = true;
    step();
    counting = false;
    return allocations;
}

TEST(LinksScaling, NotifyAfterLinksInAnyOrderCostTheSameEachHoweverMany) {
    TPNLibrary library;
    const std::vector<std::pair<std::string, std::function<void(Frame&)>>> steps = {
        {"first delivery", [](Frame& f) { f.out->Notify(std::make_shared<TPNNotifyOperation>()); }},
        {"reload", [](Frame& f) { PNReadRoot(*f.root, PNWriteRoot(*f.root)); }},
        {"teardown",
         [](Frame& f) {
             f.out.reset();
             f.filter.reset();
         }},
    };
    for (const char* order : {"forward", "reverse", "cyclic", "random"}) {
        for (const auto& [name, step] : steps) {
            std::size_t counted[2] = {};
            for (int i = 0; i < 2; ++i) {
                Frame frame(order, 500 << i);
                counted[i] = countAllocations([&] { step(frame); });
            }
            EXPECT_LT(counted[1], counted[0] * 22 / 10)
                << order << ", " << name << ": " << counted[0] << " " << counted[1];
        }
    }
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

}  // namespace
