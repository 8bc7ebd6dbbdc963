// The standard stream types as registered, the value sources and scalar
// sinks, the scalar converters, and the enable pin of a filter.
#include <gtest/gtest.h>

#include "FilterTestKit.h"
#include "PinTestKit.h"
#include "media/pins/PNRegistry.h"

using namespace pintest;

namespace {

class StandardPins : public ::testing::Test {
protected:
    TPNLibrary library;
    Log log;
    std::vector<IPNNotifyOperation> got;
    // A sink of the given types that keeps what reaches it.
    PNOwned<TestSink> sink(std::vector<TGUID> types) {
        auto s = PNMakePin<TestSink>("s", log, std::move(types));
        s->onReceive = [this](const IPNNotifyOperation& op) {
            got.push_back(op);
            return true;
        };
        return s;
    }
    template <typename Op>
    const Op& last() {
        const auto* op = PNOperationAs<Op>(got.at(got.size() - 1));
        EXPECT_NE(op, nullptr);
        return *op;
    }
};

TEST(StandardStreams, RegisteredAsTheyStandAndAgainAfterTheRegistriesWereEmptied) {
    const std::pair<TGUID, const char*> names[] = {
        {kPNStreamClock, "Clock"},
        {kPNStreamInteger, "32 bit Integer"},
        {kPNStreamInt64, "64 bit Integer"},
        {kPNStreamFloat, "Float"},
        {kPNStreamReal, "Real"},
        {kPNStreamRealComplex, "Real Complex"},
        {kPNStreamBoolean, "Boolean"},
        {kPNStreamCharacter, "Character"},
        {kPNStreamString, "Sting"},
        {kPNStreamRangedInteger, "Ranged 32 bit Integer"},
        {kPNStreamRangedInt64, "Ranged 64 bit Integer"},
        {kPNStreamRangedReal, "Ranged Real"},
        {kPNStreamDateTime, "Date/Time"},
        {kPNStreamGraphSync, "DirectShow Graph synchronization"},
    };
    for (int round = 0; round < 2; ++round) {
        {
            TPNLibrary user;
            PNInitStandardStreams();
            for (const auto& [id, name] : names) EXPECT_EQ(PNGetStreamTypeFromID(id), name);
            EXPECT_EQ(PNGetConverter(kPNStreamFloat, kPNStreamReal), &TPNFloatToRealFormatConverter::Class);
            EXPECT_EQ(PNGetConverter(kPNStreamRangedInt64, kPNStreamRangedReal),
                      &TPNInt64ToRealRangedFormatConverter::Class);
            EXPECT_EQ(PNConverters().size(), 7u);
        }
        // The last user has ended: the registries are empty.
        EXPECT_EQ(PNGetStreamTypeFromID(kPNStreamClock), PNGetStreamGUIDFromID(kPNStreamClock));
    }
}

TEST_F(StandardPins, ValueSourcesServeTheirSinksTypes) {
    auto real = PNMakePin<TPNRealSourcePin>(nullptr, nullptr);
    auto ranged = PNMakePin<TPNRealRangedSourcePin>(nullptr, nullptr);
    ranged->SetValue(2.5);
    ranged->SetRange(-1, 9);
    auto floats = sink({kPNStreamFloat});
    auto rangedSink = sink({kPNStreamRangedReal});

    // A real value for a "Float" input goes as single precision.
    ASSERT_TRUE(floats->Connect(real.get()));
    got.clear();  // the value sent to the new link
    real->Notify(std::make_shared<TPNSuppliedRealOperation>(0.1));
    EXPECT_EQ(last<TPNSuppliedSingleOperation>().Value, 0.1f);

    // A new link brings the value with its range.
    ASSERT_TRUE(rangedSink->Connect(ranged.get()));
    const auto& v = last<TPNSuppliedRealValueRangeOperation>();
    EXPECT_EQ(v.Value, 2.5);
    EXPECT_EQ(v.Min, -1);
    EXPECT_EQ(v.Max, 9);
}

TEST_F(StandardPins, SinksStoreAndReportTheirKindOnly) {
    std::vector<double> reported;
    auto real = PNMakePin<TPNRealSinkPin>(nullptr, nullptr, [&](TPNSinkPin&, double v) { reported.push_back(v); });
    EXPECT_FALSE(real->DispatchData(kPNStreamFloat, {}, std::make_shared<TPNSuppliedSingleOperation>(0.5f)));
    EXPECT_EQ(real->Value(), 0.5);
    EXPECT_FALSE(real->DispatchData(kPNStreamFloat, {}, std::make_shared<TPNSuppliedBoolOperation>(true)));
    EXPECT_EQ(reported, std::vector<double>{0.5});

    std::vector<std::string> calls;
    auto ranged = PNMakePin<TPNIntAndRangedSinkPin>(
        nullptr, nullptr,
        [&](TPNSinkPin&, std::int32_t v, std::int32_t lo, std::int32_t hi, bool withRange) {
            calls.push_back(std::to_string(v) + " " + std::to_string(lo) + ".." + std::to_string(hi) +
                            (withRange ? " r" : ""));
        },
        [&](TPNSinkPin&, std::int32_t lo, std::int32_t hi) {
            calls.push_back("range " + std::to_string(lo) + ".." + std::to_string(hi));
        });
    ranged->DispatchData(kPNStreamRangedInteger, {}, std::make_shared<TPNSuppliedIntValueRangeOperation>(5, 0, 10));
    ranged->DispatchData(kPNStreamRangedInteger, {}, std::make_shared<TPNSuppliedIntRangeOperation>(1, 3));
    ranged->DispatchData(kPNStreamInteger, {}, std::make_shared<TPNSuppliedIntegerOperation>(2));
    EXPECT_EQ(calls, (std::vector<std::string>{"5 0..10 r", "range 1..3", "2 1..3"}));
    EXPECT_EQ(ranged->Value(), 2);
}

TEST_F(StandardPins, ConvertersBridgeScalarTypes) {
    auto integers = makeSource({kPNStreamInteger}, nullptr, {}, 0, log);
    float value = 0;
    auto floats = PNMakePin<TPNFloatSinkPin>(nullptr, nullptr, [&](TPNSinkPin&, float v) { value = v; });
    ASSERT_TRUE(floats->Connect(integers.get()));
    EXPECT_TRUE(integers->IsConnectedByConverterTo(*floats));
    integers->Notify(std::make_shared<TPNSuppliedIntegerOperation>(7));
    EXPECT_EQ(value, 7.0f);

    // With its range an integer goes on as a real value with range; without, as a single.
    auto ranged = makeSource({kPNStreamRangedInteger}, nullptr, {}, 0, log);
    auto rangedSink = sink({kPNStreamRangedReal});
    ASSERT_TRUE(rangedSink->Connect(ranged.get()));
    ranged->Notify(std::make_shared<TPNSuppliedIntValueRangeOperation>(4, 0, 8));
    EXPECT_EQ(last<TPNSuppliedRealValueRangeOperation>().Max, 8.0);
    ranged->Notify(std::make_shared<TPNSuppliedIntegerOperation>(3));
    EXPECT_EQ(last<TPNSuppliedSingleOperation>().Value, 3.0f);
}

TEST_F(StandardPins, TheEnablePinSwitchesAFilter) {
    struct Filter : filtertest::PassThrough {
        void EnabledChanged() override { ++changes; }
        int changes = 0;
    };
    auto filter = PNOwned<Filter>::make();
    auto switcher = makeSource({kPNStreamBoolean}, nullptr, {}, 0, log);
    ASSERT_TRUE(filter->EnablePin().Connect(switcher.get()));
    switcher->Notify(std::make_shared<TPNSuppliedBoolOperation>(false));
    EXPECT_FALSE(filter->IsEnabled());
    switcher->Notify(std::make_shared<TPNSuppliedBoolOperation>(false));
    EXPECT_EQ(filter->changes, 1);
    EXPECT_EQ(filter->PublishedProperties().at(0).Name, "EnablePin");
}

TEST_F(StandardPins, AClockPassesTicksDownAndHandsOperationsFromBelowToItsOwner) {
    int fromBelow = 0;
    auto clock = PNMakePin<TPNClockSourcePin>(
        nullptr, nullptr,
        [&](TPNBasicPin&, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) { return ++fromBelow > 0; });
    auto ticks = sink({kPNStreamClock});
    ASSERT_TRUE(ticks->Connect(clock.get()));
    got.clear();
    EXPECT_FALSE(clock->Notify(std::make_shared<TPNClockOperation>()));  // a tick is never "taken"
    EXPECT_EQ(got.size(), 1u);
    EXPECT_TRUE(ticks->Notify(std::make_shared<TPNPumpRequestOperation>()));
    EXPECT_EQ(fromBelow, 1);
}

}  // namespace
