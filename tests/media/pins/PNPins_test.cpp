// Links of a source pin: the stream type a link agrees on, the fan-out
// order through converters and by delivery score, the nesting limit, the
// connection limit, pins destroyed while linked, and pin names.
#include <gtest/gtest.h>

#include "PinTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNProperties.h"

using namespace pintest;

namespace {

class PinsTest : public ::testing::Test {
protected:
    void SetUp() override { TestConverter::log = &log; }
    TPNLibrary library;  // its end empties the registries for the next test
    Log log;
};

IPNNotifyOperation op() { return std::make_shared<TPNNotifyOperation>(); }

PNOwned<TestSource> makeSource(std::vector<TGUID> types, TComponent* owner = nullptr,
                               std::shared_ptr<IPNLock> ownerLock = {}, int maxConnections = 0) {
    return pintest::makeSource(std::move(types), owner, std::move(ownerLock), maxConnections, *TestConverter::log);
}

const TPNFormatConverterClass kAtoCSecond{"AtoC2", makeConverter<kA, kC>};
const TPNFormatConverterClass kBtoD{"BtoD", [] { return std::shared_ptr<IPNFormatConverter>(); }};

TEST_F(PinsTest, ConnectionIdChoice) {
    auto source = makeSource({kA, kB});
    auto both = PNMakePin<TestSink>("both", log, std::vector{kA, kB});
    auto onlyA = PNMakePin<TestSink>("a", log, std::vector{kA});
    auto onlyC = PNMakePin<TestSink>("c", log, std::vector{kC});
    auto cAndD = PNMakePin<TestSink>("cd", log, std::vector{kC, kD});
    EXPECT_EQ(source->FindConnectionID(*both, true).ID, kB);  // the later type wins
    EXPECT_EQ(source->FindConnectionID(*onlyA, true).ID, kA);
    EXPECT_TRUE(source->FindConnectionID(*onlyC, true).ID.isNull());  // no converter registered yet

    PNRegisterTypeConverter(kA, kC, &kAtoC);
    PNRegisterTypeConverter(kA, kC, &kAtoCSecond);  // replaces the class of the pair
    EXPECT_EQ(PNGetConverter(kA, kC), &kAtoCSecond);
    EXPECT_EQ(PNConverters().size(), 1u);
    auto viaC = source->FindConnectionID(*onlyC, true);
    EXPECT_EQ(viaC.ID, kA);
    EXPECT_EQ(viaC.ConverterClass, &kAtoCSecond);
    EXPECT_TRUE(source->FindConnectionID(*onlyC, false).ID.isNull());
    // Converters only lead to sinks.
    auto otherSource = makeSource({kC});
    EXPECT_TRUE(source->FindConnectionID(*otherSource, true).ID.isNull());

    // The converter registered last wins, whatever the order of the source's types.
    PNRegisterTypeConverter(kB, kD, &kBtoD);
    EXPECT_EQ(source->FindConnectionID(*cAndD, true).ConverterClass, &kBtoD);
    // A direct type beats every converter.
    EXPECT_EQ(source->FindConnectionID(*both, true).ConverterClass, nullptr);
}

TEST_F(PinsTest, FanOutServesEachConverterOnceAndOrdersByDeliveryScore) {
    PNRegisterTypeConverter(kA, kC, &kAtoC);
    TestConverter::made = 0;
    auto source = makeSource({kA});
    auto x = PNMakePin<TestSink>("X", log, std::vector{kA});
    auto y = PNMakePin<TestSink>("Y", log, std::vector{kC});
    auto z = PNMakePin<TestSink>("Z", log, std::vector{kC});
    for (TPNBasicPin* sink : {x.get(), y.get(), z.get()}) EXPECT_TRUE(sink->Connect(source.get()));
    log.take();  // the notices of the new links
    // The second link through a converter reuses the one the first made.
    EXPECT_EQ(TestConverter::made, 1);
    EXPECT_TRUE(source->IsConnectedByConverterTo(*z));
    EXPECT_FALSE(source->IsConnectedByConverterTo(*x));

    EXPECT_TRUE(source->Notify(op()));
    // X direct, the converter once (for Y and Z), which then serves its
    // sinks: Y took the notice of Z's link through it, so Z comes first and
    // Y last, with nsLastIteration (marker 2).
    EXPECT_EQ(log.take(), (std::vector<std::string>{"X/0", "conv/0", "Z/0", "Y/2"}));
    // X and the converter took it: they move behind Z, whose entry was served
    // through the converter and so kept its score.
    std::vector<TPNBasicPin*> order;
    for (const auto& e : source->Entries()) order.push_back(e.RealPin);
    EXPECT_EQ(order, (std::vector<TPNBasicPin*>{z.get(), x.get(), y.get()}));
    EXPECT_TRUE(source->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"conv/0", "Z/0", "Y/2", "X/0"}));

    // Unlinking both converter sinks drops the converter.
    source->DisconnectFrom(*y);
    EXPECT_EQ(source->FormatConverters().size(), 1u);
    source->DisconnectFrom(*z);
    EXPECT_TRUE(source->FormatConverters().empty());
    EXPECT_EQ(source->GetSinkCount(), 1u);
}

struct ScoredSource : TPNSourcePin {
    using TPNSourcePin::TPNSourcePin;
    void set(std::size_t i, std::int32_t level, TPNBasicPin* after = nullptr) {
        FSinkPins.ScoresAndOrder()[i].ModificationLevel = level;
        FSinkPins.SetAfterPin(i, after);
    }
};

TEST_F(PinsTest, ReorderLowersScoresSortsAndHonoursNotifyAfter) {
    auto source = PNMakePin<ScoredSource>(nullptr, nullptr);
    std::vector<PNOwned<TestSink>> sinks;
    for (const char* n : {"1", "2", "3", "4"}) {
        sinks.push_back(PNMakePin<TestSink>(n, log, std::vector{kA}));
        source->IntConnect(*sinks.back(), nullptr);
    }
    source->set(0, 2);
    source->set(1, 0);
    source->set(2, 1);
    source->set(3, 0, sinks[0].get());  // 4 is notified after 1
    source->ReorderChangedData();
    // Levels 2, 0, 1, 0 become 1, 0, 0, 0 and sort to 2, 3, 4, 1; then 1
    // moves in front of 4, which names it.
    std::vector<std::pair<TPNBasicPin*, int>> got;
    for (const auto& e : source->Entries()) got.emplace_back(e.RealPin, e.ModificationLevel);
    EXPECT_EQ(got, (std::vector<std::pair<TPNBasicPin*, int>>{
                       {sinks[1].get(), 0}, {sinks[2].get(), 0}, {sinks[0].get(), 1}, {sinks[3].get(), 0}}));
}

TEST_F(PinsTest, NestingLimitThrowsAndRestoresTheCounters) {
    auto source = makeSource({kA});
    auto loop = PNMakePin<TestSink>("L", log, std::vector{kA});
    source->IntConnect(*loop, nullptr);
    int depth = 0;
    bool recurse = true;
    loop->onReceive = [&](const IPNNotifyOperation& o) {
        ++depth;
        return recurse ? source->Notify(o) : true;
    };
    try {
        source->Notify(op());
        ADD_FAILURE() << "no exception";
    } catch (const EOWException& e) {
        EXPECT_STREQ(e.what(), "The pin depends on itself. Please protect with functional dependency.");
    }
    EXPECT_EQ(depth, kMaxNestedDeliveries + 1);
    EXPECT_EQ(source->InSending(), 0);
    recurse = false;
    EXPECT_TRUE(source->Notify(op()));  // the pin still delivers
    log.take();
}

TEST_F(PinsTest, ResultConnectionLimitAndSelfUnlinkingHandler) {
    auto source = makeSource({kA}, nullptr, nullptr, 1);
    EXPECT_FALSE(source->Notify(op()));  // unlinked
    auto s1 = PNMakePin<TestSink>("1", log, std::vector{kA});
    auto s2 = PNMakePin<TestSink>("2", log, std::vector{kA});
    source->IntConnect(*s1, nullptr);
    s1->onReceive = [](const IPNNotifyOperation&) { return false; };
    EXPECT_FALSE(source->Notify(op()));  // delivered but not taken
    source->IntConnect(*s2, nullptr);    // the limit drops the first sink
    EXPECT_EQ(source->GetSinkCount(), 1u);
    EXPECT_EQ(source->GetSink(0), s2.get());
    EXPECT_EQ(s1->unlinked, 1);
    EXPECT_EQ(source->GetSink(5), nullptr);
    // A handler that unlinks its own link does not wait for itself.
    s2->onReceive = [&](const IPNNotifyOperation&) {
        source->DisconnectFrom(*s2);
        return true;
    };
    EXPECT_TRUE(source->Notify(op()));
    EXPECT_FALSE(source->IsConnected());
    log.take();
}

// A handler that relinks while the fan-out runs: the delivery goes on over
// the links it started with (their handlers stay alive until it ends), the
// next one takes the new links, and the score of a sink that took the
// operation rises although its entry moved.
TEST_F(PinsTest, RelinkingDuringAFanOutKeepsTheLinksItStartedWith) {
    auto source = makeSource({kA});
    // Captures on the heap: the handler reads them after its sink relinked.
    source->AddType(kA, [keep = std::string(64, 'k')](TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                                      const IPNNotifyOperation& o) {
        return receiver.DispatchData(id, states, o) && keep.size() == 64;
    });
    auto x = PNMakePin<TestSink>("X", log, std::vector{kA});
    auto y = PNMakePin<TestSink>("Y", log, std::vector{kA});
    auto z = PNMakePin<TestSink>("Z", log, std::vector{kA});
    source->IntConnect(*x, nullptr);
    source->IntConnect(*y, nullptr);
    x->onReceive = [&](const IPNNotifyOperation&) {
        source->DisconnectFrom(*y);
        source->IntConnect(*z, nullptr);
        source->AddType(kA, PNDispatchDataHandler());
        return true;
    };
    EXPECT_TRUE(source->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"X/0", "Y/2"}));
    std::vector<std::pair<TPNBasicPin*, int>> got;
    for (const auto& e : source->Entries()) got.emplace_back(e.RealPin, e.ModificationLevel);
    EXPECT_EQ(got, (std::vector<std::pair<TPNBasicPin*, int>>{{z.get(), 0}, {x.get(), 3}}));

    x->onReceive = nullptr;
    EXPECT_TRUE(source->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Z/0", "X/2"}));
}

TEST_F(PinsTest, DestroyedPinsAreDroppedEverywhere) {
    const std::size_t before = PNLivePinCount();
    auto source = makeSource({kA});
    auto keep = PNMakePin<TestSink>("keep", log, std::vector{kA});
    auto gone = PNMakePin<TestSink>("gone", log, std::vector{kA});
    auto last = PNMakePin<TestSink>("last", log, std::vector{kA});  // linked to nothing
    // Pins hear of each pin that goes, linked to it or not, the last made first.
    std::vector<std::string> told;
    keep->onDeleted = [&](TPNBasicPin&) { told.push_back("keep"); };
    last->onDeleted = [&](TPNBasicPin&) { told.push_back("last"); };
    ASSERT_TRUE(keep->Connect(source.get()));
    source->IntConnect(*gone, keep.get());
    source->IntConnect(*gone, nullptr);  // a second link to the same sink
    EXPECT_EQ(source->GetConnectedAfterForPin(*gone), keep.get());
    source->FunctionSources().Add(gone.get());
    EXPECT_TRUE(source->DependsOn(*gone));
    gone.reset();
    EXPECT_EQ(source->GetSinkCount(), 1u);
    EXPECT_FALSE(source->DependsOn(*keep));
    EXPECT_EQ(told, (std::vector<std::string>{"last", "keep"}));
    TPNBasicPin* const sourcePin = source.get();
    source.reset();
    EXPECT_EQ(keep->unlinked, 1);  // the source unlinked it first
    EXPECT_EQ(keep->deleted.back(), sourcePin);
    keep.reset();
    last.reset();
    EXPECT_EQ(PNLivePinCount(), before);
}

struct Inputs : IPNPublishedPinList {
    std::vector<TPNBasicPin*> pins;
    std::size_t PublishedCount() const override { return pins.size(); }
    TPNBasicPin* PublishedPin(std::size_t i) const override { return pins[i]; }
    std::string PublishedName(std::size_t i) const override { return "In" + std::to_string(i); }
};

TEST_F(PinsTest, NamesRootsAndFormRetargeting) {
    TComponent app(nullptr, "Application", TComponentKind::Application);
    TComponent form(&app, "Form1", TComponentKind::Form);
    TComponent frame(&form, "VideoViewerFrame1", TComponentKind::Frame);
    TComponent filter(&frame, "Filter1");
    TComponent loose(&app, "Loose");
    EXPECT_EQ(PNGetMainOwnerComponent(&filter), &frame);
    EXPECT_EQ(PNGetMainOwnerComponent(&frame), &frame);
    EXPECT_EQ(PNGetMainOwnerComponent(&loose), &loose);
    EXPECT_EQ(PNGetMainOwnerComponent(nullptr), nullptr);

    auto out = makeSource({kA}, &filter);
    std::vector<PNOwned<TestSink>> ins;
    Inputs inputs;
    for (int i = 0; i < 3; ++i) {
        ins.push_back(PNMakePin<TestSink>("in", log, std::vector{kA}, &filter));
        inputs.pins.push_back(ins.back().get());
    }
    filter.PublishPin("OutputPin", *out);
    filter.PublishPinList("Inputs", inputs);
    EXPECT_EQ(out->GetFullName(true), "VideoViewerFrame1.Filter1.OutputPin");
    EXPECT_EQ(out->GetName(), "OutputPin");
    EXPECT_EQ(out->GetOwnerName(), "Filter1");
    EXPECT_EQ(ins[2]->GetFullIdentName(false), "Filter1.Inputs._Pin2");
    EXPECT_EQ(ins[2]->GetFullName(false), "Filter1.Inputs.In2");
    auto orphan = makeSource({kA});
    EXPECT_EQ(orphan->GetFullName(true), "(No owner)");
    EXPECT_EQ(orphan->GetRootName(), "");

    std::string stored = "VideoViewerFrame.Filter1.OutputPin";
    out->ApplyFormName(stored);  // no load name: unchanged
    EXPECT_EQ(stored, "VideoViewerFrame.Filter1.OutputPin");
    out->SetLoadFormName("VideoViewerFrame");
    out->ApplyFormName(stored);
    EXPECT_EQ(stored, "VideoViewerFrame1.Filter1.OutputPin");
    std::string other = "VideoViewerFrame2.Filter1.OutputPin";
    out->ApplyFormName(other);
    EXPECT_EQ(other, "VideoViewerFrame2.Filter1.OutputPin");
}

TEST_F(PinsTest, StreamRegistry) {
    constexpr TGUID kInt64 = PNGuid("{6D054E38-F733-4212-8D5A-0E866802F866}");
    EXPECT_EQ(PNGetStreamTypeFromID(GUID_NULL), "NIL ID");
    EXPECT_EQ(PNGetStreamTypeFromID(kInt64), "{6D054E38-F733-4212-8D5A-0E866802F866}");
    int calls = 0;
    PNRegisterDefaultHandler(
        kInt64, [&](TPNBasicPin&, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) { return ++calls > 0; });
    PNRegisterStream(kInt64, "64 bit Integer");
    PNRegisterStream(kInt64, "64 bit Integer");  // renaming keeps the handler
    EXPECT_EQ(PNGetStreamTypeFromID(kInt64), "64 bit Integer");
    // A pin that registered the type without a handler falls back to the registry's.
    auto source = PNMakePin<TPNSourcePin>(nullptr, nullptr);
    source->AddType(kInt64);
    auto sink = PNMakePin<TestSink>("s", log, std::vector{kInt64});
    source->IntConnect(*sink, nullptr);
    EXPECT_EQ(source->GetConnectionID(*sink), kInt64);
    EXPECT_TRUE(source->Notify(op()));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(source->GetLinkNameID(kInt64), "64 bit Integer");
}

}  // namespace
