// The notify-after pass on link numbers: chains and circles in every order,
// trees, pins waited for by several entries and sinks linked twice come out
// exactly as the rule reads, exchange by exchange; and a source's links keep
// the rule's order through loading, deliveries, reloads and sinks going.
#include "media/pins/PNAfterPinOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "StoredLinksKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNStandardOperations.h"

namespace {

using oculon::pins::kNoAfterPin;
using oculon::pins::PNAfterPinsFirst;
using Links = std::vector<std::int32_t>;

// The rule as it reads: in list order, each entry changes places with every
// entry behind it whose sink is the notify-after pin of the entry it holds.
Links byTheRule(const Links& sinks, const Links& afters) {
    Links order(sinks.size());
    std::iota(order.begin(), order.end(), 0);
    bool moved = false;
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size() && afters[order[i]] != kNoAfterPin; ++j)
            if (sinks[order[j]] == afters[order[i]]) {
                std::swap(order[i], order[j]);
                moved = true;
            }
    return moved ? order : Links{};
}

TEST(AfterPinOrder, ChainsAndCirclesComeOutAsTheRuleReads) {
    // Each link waits for the next: one pass turns the list round.
    EXPECT_EQ(PNAfterPinsFirst({0, 1, 2, 3}, {1, 2, 3, kNoAfterPin}), (Links{3, 2, 1, 0}));
    EXPECT_EQ(PNAfterPinsFirst({0, 1, 2, 3}, {1, 2, 3, 0}), (Links{3, 2, 1, 0}));
    // A circle never settles: the next pass turns it by one.
    EXPECT_EQ(PNAfterPinsFirst({3, 2, 1, 0}, {0, 3, 2, 1}), (Links{3, 0, 1, 2}));
    // Already in order, or waiting for itself: nothing moves.
    EXPECT_TRUE(PNAfterPinsFirst({0, 1, 2}, {kNoAfterPin, 0, 1}).empty());
    EXPECT_TRUE(PNAfterPinsFirst({0, 1}, {0, 1}).empty());
}

TEST(AfterPinOrder, EveryShapeComesOutAsTheRuleReads) {
    std::mt19937 random(60);
    const auto below = [&](std::size_t n) { return static_cast<std::int32_t>(random() % n); };
    for (int round = 0; round < 40000; ++round) {
        // Mostly short lists, where every case comes up; now and then longer
        // ones, where the exchanges run past many shared pins in one arrival.
        const std::size_t n = 1 + random() % (round % 16 == 0 ? 60 : 12);
        Links sinks(n), afters(n), pins(n);
        std::iota(sinks.begin(), sinks.end(), 0);
        std::iota(pins.begin(), pins.end(), 0);
        std::shuffle(sinks.begin(), sinks.end(), random);
        std::shuffle(pins.begin(), pins.end(), random);
        const int shape = round % 3;
        for (std::size_t i = 0; i < n; ++i) {
            if (shape == 2) sinks[i] = below(n);  // some sinks linked twice, some pins without a link
            // Chains and circles: each pin waited for once; else trees.
            afters[i] = random() % 5 == 0 ? kNoAfterPin : shape == 0 ? pins[i] : below(n);
        }
        ASSERT_EQ(PNAfterPinsFirst(sinks, afters), byTheRule(sinks, afters)) << "round " << round;
    }
}

// Against the rule written out: every delivery, also a start replayed to a
// sink linked again, ends with one notify-after pass; a reload leaves the
// links in the order they were stored in; a sink that takes itself off
// leaves the order of the others as it is, and the entries that named it
// name none. No sink takes anything, so no score orders the links.
TEST(AfterPinOrder, ASourceKeepsTheRulesOrderThroughLoadsDeliveriesReloadsAndSinksGoing) {
    using namespace storedlinks;
    TPNLibrary library;
    constexpr int n = 7;
    for (const bool loaded : {false, true}) {
        for (const auto& order : kOrders) {
            for (const bool start : {false, true}) {
                Frame<TSGPNRealSinkPin> f(order, n, loaded);
                // The rule's list: each link's pin and notify-after pin.
                std::vector<std::pair<int, int>> rule;
                for (const int i : storedOrder(order, n)) rule.emplace_back(i, afterOf(order, i, n));
                const auto pass = [&] {
                    Links sinks, afters;
                    for (const auto& [pin, after] : rule) {
                        sinks.push_back(pin);
                        afters.push_back(after);
                    }
                    std::vector<std::pair<int, int>> passed;
                    for (const std::int32_t link : byTheRule(sinks, afters)) passed.push_back(rule[link]);
                    if (!passed.empty()) rule = passed;
                };
                const auto deliver = [&](const IPNNotifyOperation& op) {
                    f.out->Notify(op);
                    pass();
                };
                const auto expect = [&](const std::string& step) {
                    std::vector<std::string> want, got;
                    for (const auto& link : rule) want.push_back(pinName(link.first, loaded));
                    for (const auto& e : f.out->Entries()) got.push_back(e.RealPin->GetFullIdentName(true));
                    ASSERT_EQ(got, want) << order << (loaded ? ", loaded" : "") << (start ? ", started" : "") << ", "
                                         << step;
                };
                f.load();
                expect("load");
                if (start) deliver(std::make_shared<TPNStartOperation>());
                deliver(std::make_shared<TPNNotifyOperation>());
                expect("delivery");
                // Written in the order they stand, and read back into it.
                f.reload();
                expect("reload");
                deliver(std::make_shared<TPNNotifyOperation>());
                expect("delivery after the reload");
                if (!loaded) continue;
                std::vector<int> gone = storedOrder("random", n);
                for (std::size_t k = 0; k < gone.size(); ++k) {
                    f.sinks[gone[k]].reset();
                    std::erase_if(rule, [&](const auto& link) { return link.first == gone[k]; });
                    for (auto& link : rule)
                        if (link.second == gone[k]) link.second = -1;
                    expect("S" + std::to_string(gone[k]) + " gone");
                    if (k % 2 == 0) continue;
                    deliver(std::make_shared<TPNNotifyOperation>());
                    expect("delivery after S" + std::to_string(gone[k]) + " went");
                }
            }
        }
    }
}

}  // namespace
