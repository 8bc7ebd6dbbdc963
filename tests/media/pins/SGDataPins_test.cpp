// Data pins: what SubmitBuffer hands on and what it never does, the rates
// the default handler divides, the buffer and text converters, the last item
// a real output gives a scalar input, and the buffer list.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <map>

#include "FilterTestKit.h"
#include "PinTestKit.h"
#include "media/pins/SGErrors.h"
#include "media/pins/SGIntegerBuffer.h"
#include "media/pins/SGRealBuffer.h"

using namespace pintest;
using filtertest::numbered;

namespace {

class DataPins : public ::testing::Test {
protected:
    DataPins() { SGPNInitDataStreams(); }  // as the first data pin would
    TPNLibrary library;
    Log log;
    std::vector<IPNNotifyOperation> got;
    // A pin that takes `types` (and the data pins' dispatch) and keeps what reaches it.
    PNOwned<TestSink> sink(std::vector<TGUID> types) {
        types.push_back(kSGDispatchData);
        auto s = PNMakePin<TestSink>("s", log, std::move(types));
        s->onReceive = [this](const IPNNotifyOperation& op) {
            got.push_back(op);
            return true;
        };
        return s;
    }
    ISGData lastBuffer() { return PNOperationAs<TPNSuppliedBufferOperation>(got.at(got.size() - 1))->Buffer; }
};

TEST_F(DataPins, SubmitBufferSharesTheDataAndNeverThrows) {
    auto source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    EXPECT_FALSE(source->SubmitBuffer(numbered(1)));  // no sink
    auto s = sink({kSGStreamUniversal});
    ASSERT_TRUE(s->Connect(source.get()));
    const ISGDataBuffer sent = SGDataBuffer(numbered(3));
    EXPECT_TRUE(source->SubmitBuffer(sent));
    EXPECT_NE(lastBuffer(), sent);
    EXPECT_EQ(SGDataBuffer(lastBuffer())->DataContainer(), sent->DataContainer());
    EXPECT_EQ(sent->DataContainer()->CountOwners(), 2);
    got.clear();  // the operation goes, and with it its hold on the data
    EXPECT_EQ(sent->DataContainer()->CountOwners(), 1);

    s->onReceive = [](const IPNNotifyOperation&) -> bool { throw std::runtime_error("sink broke"); };
    EXPECT_FALSE(source->SubmitBuffer(sent));
    EXPECT_FALSE(source->SubmitBuffer(nullptr));
}

TEST_F(DataPins, TheDefaultHandlerCountsRatesInItems) {
    // A source that leaves its types' handling to the registry.
    auto source = PNMakePin<TPNSourcePin>(nullptr, nullptr);
    source->AddType(kSGStreamReal);
    source->AddType(kSGStreamInteger);
    double rate = 0;
    auto reals = PNMakePin<TSGPNRealSinkPin>(
        nullptr, nullptr, [&](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
            rate = PNOperationAs<TPNStartSampleRateOperation>(op)->SampleRate;
            return true;
        });
    auto integers = PNMakePin<TSGPNIntegerSinkPin>(
        nullptr, nullptr, [&](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
            rate += PNOperationAs<TPNStartSampleRateOperation>(op)->SampleRate;
            return true;
        });
    ASSERT_TRUE(reals->Connect(source.get()));
    ASSERT_TRUE(integers->Connect(source.get()));
    source->Notify(std::make_shared<TPNStartSampleRateOperation>(8000.0));
    EXPECT_EQ(rate, 1000.0 + 2000.0);
}

TEST_F(DataPins, BufferConvertersViewOrConvertTheData) {
    auto source = PNMakePin<TSGPNIntegerSourcePin>(nullptr, nullptr);
    auto reals = sink({kSGStreamReal});
    auto bytes = sink({kSGStreamBinary});
    ASSERT_TRUE(reals->Connect(source.get()));
    const std::int32_t items[] = {1, -2, 3};
    const auto ints = std::make_shared<TSGIntegerBuffer>(std::span<const std::int32_t>(items));
    source->SubmitBuffer(ints);
    const auto real = std::dynamic_pointer_cast<TSGRealBuffer>(lastBuffer());
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(std::vector<double>(real->Read(), real->Read() + real->GetSize()), (std::vector<double>{1, -2, 3}));

    reals->Disconnect();
    ASSERT_TRUE(bytes->Connect(source.get()));
    got.clear();
    source->SubmitBuffer(ints);
    const auto block = std::dynamic_pointer_cast<TSGBlockBuffer>(lastBuffer());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->GetSize(), 12u);
    EXPECT_EQ(block->DataContainer(), ints->DataContainer());
}

TEST_F(DataPins, ARealOutputGivesScalarInputsTheLastItem) {
    auto source = PNMakePin<TSGPNRealSourcePin>(nullptr, nullptr, nullptr, TSGPNOperationEvent{}, true);
    std::vector<float> values;
    auto scalar = PNMakePin<TPNFloatSinkPin>(nullptr, nullptr, [&](TPNSinkPin&, float v) { values.push_back(v); });
    ASSERT_TRUE(scalar->Connect(source.get()));
    EXPECT_EQ(source->GetConnectionID(*scalar), kPNStreamFloat);
    const double items[] = {1.5, 2.5};
    source->SubmitBuffer(TSGRealBuffer::CreateData(items));
    // An empty one has no last item: nothing is sent, nothing fails.
    const auto empty = std::make_shared<TPNSuppliedBufferOperation>(TSGRealBuffer::CreateSize(0));
    EXPECT_NO_THROW(source->NotificationSingle(*scalar, kPNStreamFloat, {}, empty));
    EXPECT_EQ(values, std::vector<float>{2.5f});
}

TEST_F(DataPins, ScalarsBecomeTexts) {
    auto times = makeSource({kPNStreamDateTime}, nullptr, {}, 0, log);
    auto texts = sink({kSGStreamString});
    ASSERT_TRUE(texts->Connect(times.get()));
    times->Notify(std::make_shared<TPNSuppliedDateTimeOperation>(45000.5));
    EXPECT_EQ(PNOperationAs<TPNSuppliedStringOperation>(got.back())->Value, SGPNDateTimeToStr(45000.5));

    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(SGPNDateTimeToStr(45000.5), "03/15/23 12:00:00");  // 2023-03-15 noon
    EXPECT_EQ(SGPNDateTimeToStr(0), "12/30/99");                 // day 0, midnight: no time
    EXPECT_EQ(SGPNDateTimeToStr(-1.25), "12/29/99 06:00:00");    // before day 0 the fraction still counts forward
    EXPECT_EQ(SGPNDateTimeToStr(NAN), "");
    EXPECT_EQ(SGPNDateTimeToStr(1e300), "");
    EXPECT_EQ(SGPNFloatToStr(0.1), "0.1");
    EXPECT_EQ(SGPNFloatToStr(1e20), "1E20");
    EXPECT_EQ(SGPNFloatToStr(-1.5e-5), "-1.5E-5");
    EXPECT_EQ(SGPNFloatToStr(123), "123");
}

// Two sinks served through one converter: what an output sends one sink
// alone (the start it missed, the stop of its unlinking) reaches that sink
// once, and never the other.
TEST_F(DataPins, ASinkAloneThroughASharedConverter) {
    auto source = PNMakePin<TSGPNIntegerSourcePin>(nullptr, nullptr);
    std::map<const TPNBasicPin*, std::string> seen;
    auto bytes = [&] {
        auto s = PNMakePin<TestSink>("s", log, std::vector<TGUID>{kSGStreamBinary, kSGDispatchData});
        s->onReceive = [&seen, pin = s.get()](const IPNNotifyOperation& op) {
            seen[pin] += PNOperationAs<TPNStopOperation>(op)    ? "stop "
                         : PNOperationAs<TPNStartOperation>(op) ? "start "
                                                                : "data ";
            return true;
        };
        return s;
    };
    auto first = bytes(), second = bytes();
    source->Notify(std::make_shared<TPNStartSampleRateOperation>(10.0));
    ASSERT_TRUE(first->Connect(source.get()));
    ASSERT_TRUE(second->Connect(source.get()));
    ASSERT_EQ(source->FormatConverters().size(), 1u);
    source->SubmitBuffer(numbered(1));
    first->Disconnect();
    source->SubmitBuffer(numbered(2));
    second->Disconnect();
    EXPECT_EQ(seen[first.get()], "start data stop ");
    EXPECT_EQ(seen[second.get()], "start data data stop ");
}

TEST_F(DataPins, ALinkFromEitherSideReplaysTheStartOnce) {
    std::string order;
    auto source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr, nullptr, TSGPNOperationEvent{},
                                            [&](TPNBasicPin&) { order += "connect "; });
    auto sink = [&] {
        return PNMakePin<TSGPNSinkPin>(nullptr, nullptr,
                                       [&](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
                                           if (PNOperationAs<TPNStartOperation>(op)) order += "start ";
                                           return true;
                                       });
    };
    source->Notify(std::make_shared<TPNStartSampleRateOperation>(10.0));
    auto fromSink = sink(), fromSource = sink();
    ASSERT_TRUE(fromSink->Connect(source.get()));
    EXPECT_EQ(order, "start connect ");
    order.clear();
    ASSERT_TRUE(source->Connect(fromSource.get()));
    EXPECT_EQ(order, "connect start ");
    order.clear();
    source->Stop();
    auto late = sink();
    ASSERT_TRUE(source->Connect(late.get()));
    EXPECT_EQ(order, "connect ");
}

TEST_F(DataPins, OperationsSentUpReachTheProducerEventOnly) {
    // Up an integer link through the integer-to-binary converter.
    int taken = 0;
    auto producer = PNMakePin<TSGPNIntegerSourcePin>(
        nullptr, nullptr, nullptr, [&](TPNBasicPin&, const TGUID&, const IPNNotifyOperation&, TPNNotifyStates) {
            ++taken;
            return true;
        });
    auto bytes = PNMakePin<TestSink>("bytes", log, std::vector<TGUID>{kSGStreamBinary, kSGDispatchData});
    ASSERT_TRUE(bytes->Connect(producer.get()));
    ASSERT_NE(bytes->FormatConverter(), nullptr);
    EXPECT_TRUE(bytes->Notify(std::make_shared<TPNNotifyOperation>()));
    EXPECT_EQ(taken, 1);
    // A converter's output passes operations up through the converter.
    const IPNNotifyOperation plain = std::make_shared<TPNNotifyOperation>();
    EXPECT_TRUE(bytes->FormatConverter()->OutputPin().DispatchData(kSGStreamBinary, {}, plain));
    EXPECT_EQ(taken, 2);

    // A data source without an operation event takes nothing, whatever the
    // pin notification event of its base would say.
    auto mute = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    mute->SetPinNotificationEvent(
        [](TPNBasicPin&, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) { return true; });
    auto s = PNMakePin<TSGPNSinkPin>(nullptr, nullptr);
    ASSERT_TRUE(s->Connect(mute.get()));
    EXPECT_FALSE(s->Notify(plain));
    EXPECT_FALSE(mute->DispatchData(kSGStreamUniversal, {}, plain));
}

TEST_F(DataPins, BufferPairChecksWhatItHandsOut) {
    struct Other : TSGBasicBuffer {
        ISGData MakeCopy() const override { return std::make_shared<Other>(); }
    };
    TCBBufferPair pair;
    pair.AddBuffer(numbered(1));
    pair.AddBuffer(std::make_shared<Other>());
    EXPECT_EQ(pair.GetBuffer(0)->ByteRead()[0], 1);
    EXPECT_THROW(pair.GetBuffer(1), EIntfCastError);
    EXPECT_THROW(pair.GetBuffer(2), ERangeError);
    EXPECT_THROW(pair.SetBuffer(2, numbered(2)), ERangeError);
    pair.SetBuffer(1, numbered(2));
    EXPECT_EQ(pair.GetBuffer(1)->ByteRead()[0], 2);
    EXPECT_EQ(SGPNGetStreamType(kSGStreamComplex)->ElementSize, 16u);
}

}  // namespace
