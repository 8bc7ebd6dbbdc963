// The call-button decoder: the pulse table at its bounds, the confirmation
// window, and what each stray edge does to a decoding.
#include <gtest/gtest.h>

#include "app/AnalogDecoder.h"

namespace oculon::app {
namespace {

TEST(PulseTable, BoundsBelongToNoButtonExceptTheFirstLowerOne) {
    const std::pair<std::uint32_t, int> table[] = {
        {0, 0},    {149, 0},  {150, 1},  {449, 1},  {450, 0},  {451, 2},  {749, 2},  {750, 0},  {751, 3},
        {1049, 3}, {1050, 0}, {1051, 4}, {1349, 4}, {1350, 0}, {1351, 5}, {1650, 0}, {1651, 6}, {1951, 7},
        {2250, 0}, {2251, 8}, {2549, 8}, {2550, 0}, {2551, 9}, {2849, 9}, {2850, 0}, {3000, 0}, {0xFFFFFFFFu, 0},
    };
    for (const auto& [ms, button] : table) EXPECT_EQ(buttonForPulse(ms), button) << ms << " ms";
}

class Decoder : public ::testing::Test {
protected:
    bool edge(std::uint32_t t, bool on, const std::string& address = "10.0.0.3") {
        now = t;
        return decoder.inputChanged(address, on, buttons);
    }
    // A pulse of `length` ms at `start`, then the confirming edge `gap` later.
    bool press(std::uint32_t start, std::uint32_t length, std::uint32_t gap) {
        edge(start, true);
        edge(start + length, false);
        return edge(start + length + gap, true);
    }

    std::uint32_t now = 0;
    std::array<bool, 10> buttons{};
    AnalogDecoder decoder{[this] { return now; }};
};

TEST_F(Decoder, OnlyASelectedButtonConfirmedInTimeIsACall) {
    buttons[1] = true;
    EXPECT_TRUE(press(1000, 300, 200));
    EXPECT_EQ(decoder.find("10.0.0.3")->Zustand, TAnalogState::Bild);
    EXPECT_TRUE(edge(1600, true));  // further "on" events keep reporting the call
    EXPECT_FALSE(edge(1700, false) || decoder.find("10.0.0.3"));

    // The confirmation window is 50 to 499 ms.
    EXPECT_FALSE(press(2000, 300, 49));
    EXPECT_TRUE(press(3000, 300, 50));
    edge(3400, false);
    EXPECT_TRUE(press(4000, 300, 499));
    edge(4900, false);
    EXPECT_FALSE(press(6000, 300, 500));

    // A button the station ignores, and a pulse naming no button, forget the
    // address; the cancelling edge starts no new decoding.
    buttons = {};
    buttons[2] = true;
    EXPECT_FALSE(press(8000, 300, 200) || decoder.size() > 0);
    EXPECT_FALSE(edge(8600, false) || decoder.size() > 0);
    buttons.fill(true);
    EXPECT_FALSE(press(9000, 3000, 200));
    EXPECT_EQ(decoder.size(), 0u);
}

TEST_F(Decoder, OffWithoutADecodingDoesNothingAndAddressesDecodeIndependently) {
    EXPECT_FALSE(edge(1000, false) || decoder.size() > 0 || !decoder.timings().empty());
    buttons[1] = true;
    edge(2000, true, "a");
    edge(2050, true, "b");
    edge(2300, false, "a");
    edge(2400, false, "b");  // 350 ms: also button 1
    EXPECT_TRUE(edge(2500, true, "a"));
    EXPECT_TRUE(edge(2600, true, "b"));
}

TEST_F(Decoder, TickCounterWrapsDuringAPulse) {
    buttons[3] = true;
    EXPECT_TRUE(press(0xFFFFFF00u, 900, 100));
    EXPECT_TRUE(decoder.timings().back().count == 900u && decoder.timings().back().erkannt == 3);
}

TEST_F(Decoder, PulseHistoryKeepsOnlyTheNewest) {
    for (std::uint32_t i = 0; i < 3 * AnalogDecoder::kMaxTimings; ++i) {
        edge(i * 1000, true);
        edge(i * 1000 + 200, false);
        edge(i * 1000 + 900, false);  // a second "off" ends the decoding
    }
    EXPECT_EQ(decoder.timings().size(), AnalogDecoder::kMaxTimings);
    EXPECT_EQ(decoder.timings().back().Ticks, (3 * AnalogDecoder::kMaxTimings - 1) * 1000 + 200);
    EXPECT_EQ(decoder.size(), 0u);
}

}  // namespace
}  // namespace oculon::app
