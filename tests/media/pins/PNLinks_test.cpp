// Links made from the sink's side: the stream type a chain chooses (direct,
// through a converter already there, through a new one), types that follow
// an input through a component, re-negotiation, loops, pins deleted in the
// middle of a chain, placeholders, pin lists and state dispatchers.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "PinTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNStateDispatcher.h"

using namespace pintest;

namespace {

IPNNotifyOperation op() { return std::make_shared<TPNNotifyOperation>(); }

const TPNFormatConverterClass kAtoD{"AtoD", makeConverter<kA, kD>};
const TPNFormatConverterClass kAtoCLate{"AtoC late", makeConverter<kA, kC>};

class LinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestConverter::log = &log;
        TestConverter::made = 0;
    }
    void TearDown() override { EXPECT_EQ(TestConverter::alive, 0); }
    PNOwned<TestSource> source(std::vector<TGUID> types, TComponent* owner = nullptr, int max = 0) {
        return makeSource(std::move(types), owner, nullptr, max, log);
    }
    PNOwned<TestSink> sink(const char* name, std::vector<TGUID> types, TComponent* owner = nullptr) {
        return PNMakePin<TestSink>(name, log, std::move(types), owner);
    }
    TPNLibrary library;
    Log log;
};

// A component whose output's data (and type) follow its input.
struct Component {
    Component(Log& log, std::vector<TGUID> in, std::vector<TGUID> out, bool typeFollows)
        : input(PNMakePin<TestSink>("in", log, in)), output(makeSource(out, nullptr, nullptr, 0, log)) {
        output->FunctionSources().Add(input.get());
        if (typeFollows) output->DataTypeSources().Add(input.get());
    }
    PNOwned<TestSink> input;
    PNOwned<TestSource> output;
};

TEST_F(LinksTest, ChainChoosesTheTypeByTheRule) {
    // A direct type, the last the source offers that the sink takes, beats
    // any converter; the sink takes what the source proposed.
    PNRegisterTypeConverter(kA, kC, &kAtoC);
    auto s = source({kA, kB});
    auto both = sink("both", {kA, kB, kC});
    ASSERT_TRUE(both->Connect(s.get()));
    EXPECT_EQ(s->GetConnectionID(*both), kB);
    EXPECT_EQ(both->GetConnectionID(*s), kB);
    EXPECT_FALSE(both->IsConnectedByConverterTo(*s));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"both/3"}));  // the notice of the new link

    // No common type: a new converter of the registered class.
    auto c1 = sink("c1", {kC});
    ASSERT_TRUE(c1->Connect(s.get()));
    EXPECT_EQ(TestConverter::made, 1);
    EXPECT_EQ(s->GetConnectionID(*c1), kA);
    EXPECT_EQ(c1->GetConnectionID(*s), kC);
    EXPECT_TRUE(c1->IsConnectedByConverterTo(*s));
    EXPECT_EQ(c1->GetSourcePin(), s.get());
    EXPECT_EQ(log.take(), (std::vector<std::string>{"conv/3", "c1/2"}));

    // The converter already on the source beats a class registered later.
    PNRegisterTypeConverter(kA, kC, &kAtoCLate);
    PNRegisterTypeConverter(kA, kD, &kAtoD);
    auto c2 = sink("c2", {kC});
    ASSERT_TRUE(c2->Connect(s.get()));
    EXPECT_EQ(TestConverter::made, 1);
    // Among new converters the one registered last wins.
    auto cd = sink("cd", {kC, kD});
    EXPECT_EQ(s->DownStreamFindConnectionID(*cd, false, true).ConverterClass, &kAtoD);
    log.take();

    // Downwards through the converter once (c1 took more notices, so it
    // comes last there), upwards through it to the source.
    EXPECT_TRUE(s->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"both/0", "conv/0", "c2/0", "c1/2"}));
    EXPECT_TRUE(c2->Notify(op()));
    EXPECT_TRUE(both->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"src^2", "src^2"}));

    // No type at all: refused, nothing linked.
    auto d = sink("d", {kB});
    auto onlyA = source({kA});
    EXPECT_FALSE(d->Connect(onlyA.get()));
    EXPECT_FALSE(onlyA->Connect(d.get()));
    EXPECT_FALSE(d->Notify(op()));  // unlinked: no call
    EXPECT_EQ(onlyA->GetSinkCount(), 0u);

    // The converter goes with the last link through it.
    c1->Disconnect();
    EXPECT_EQ(TestConverter::alive, 1);
    EXPECT_TRUE(c2->Connect(nullptr));
    EXPECT_EQ(TestConverter::alive, 0);
    EXPECT_FALSE(c2->IsConnected());
    EXPECT_EQ(s->GetSinkCount(), 1u);
}

TEST_F(LinksTest, TypesFollowAnInputAndChainsRenegotiate) {
    auto s1 = source({kA});
    Component x(log, {kA, kB}, {kA, kB}, true);
    auto k2 = sink("k2", {kA, kB});
    ASSERT_TRUE(x.input->Connect(s1.get()));
    ASSERT_TRUE(k2->Connect(x.output.get()));
    // The output could send B, but its type follows an input that only gets A.
    EXPECT_EQ(x.output->GetConnectionID(*k2), kA);

    TPNObjectListList chains;
    TPNObjectList chain;
    k2->BackPopulateStreamChains(chains, chain);
    EXPECT_EQ(chain, (TPNObjectList{k2.get(), x.output.get(), x.input.get(), s1.get()}));
    EXPECT_TRUE(chains.empty());

    // A sink that changes its types: the chain chooses again and tells it.
    auto s = source({kA, kB});
    auto k = sink("k", {kA, kB});
    ASSERT_TRUE(k->Connect(s.get()));
    EXPECT_EQ(k->GetConnectionID(*s), kB);
    log.take();
    k->Drop(kB);
    k->ChainReconnect(GUID_NULL, GUID_NULL);
    EXPECT_EQ(s->GetConnectionID(*k), kA);
    EXPECT_EQ(k->GetConnectionID(*s), kA);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"k/3"}));
}

TEST_F(LinksTest, LoopsAreRefusedAndTheConnectionLimitMakesRoom) {
    Component x(log, {kA}, {kA}, false);
    Component y(log, {kA}, {kA}, false);
    ASSERT_TRUE(y.input->Connect(x.output.get()));
    EXPECT_TRUE(y.output->DependsOn(*x.input));
    EXPECT_FALSE(x.input->Connect(y.output.get()));  // y's output depends on x's input
    EXPECT_FALSE(y.output->Connect(x.input.get()));
    EXPECT_FALSE(x.input->Connect(x.output.get()));
    EXPECT_FALSE(x.input->IsConnected());

    auto s = source({kA}, nullptr, 1);
    auto k1 = sink("k1", {kA});
    auto k2 = sink("k2", {kA});
    ASSERT_TRUE(s->Connect(k1.get()));
    ASSERT_TRUE(k1->Connect(s.get()));  // the same link again drops nothing
    EXPECT_EQ(s->GetSink(0), k1.get());
    ASSERT_TRUE(k2->Connect(s.get()));
    EXPECT_EQ(s->GetSinkCount(), 1u);
    EXPECT_EQ(s->GetSink(0), k2.get());
    EXPECT_EQ(k1->GetSourcePin(), nullptr);
}

TEST_F(LinksTest, SinkChoiceUpstreamRefusalsAndEditorStrings) {
    // The sink takes the proposed type when it can, else its highest supported entry.
    auto s = source({kA, kB, kC});
    auto k = sink("k", {kA, kB});
    EXPECT_EQ(k->UpStreamFindConnectionID(s.get(), kA), kA);
    EXPECT_EQ(k->UpStreamFindConnectionID(s.get(), kC), kB);
    auto none = sink("none", {kD});
    EXPECT_TRUE(none->UpStreamFindConnectionID(s.get(), kA).isNull());

    TComponent owner(nullptr, "Owner");
    auto ownerLock = std::make_shared<TPNLock>();
    auto guarded = PNMakePin<TestSink>("g", log, std::vector{kA}, &owner, ownerLock);
    ASSERT_TRUE(guarded->Connect(s.get()));
    ASSERT_TRUE(k->Connect(s.get()));
    EXPECT_EQ(s->GetEditorString(), "( 2 Links )");
    EXPECT_TRUE(guarded->Notify(op()));
    // An owner that is stopping refuses upward operations at once.
    std::promise<void> stopping, done;
    std::thread stopper([&] {
        auto stop = ownerLock->StopLock();
        stopping.set_value();
        done.get_future().wait();
    });
    stopping.get_future().wait();
    EXPECT_FALSE(guarded->Notify(op()));
    done.set_value();
    stopper.join();

    log.take();
    EXPECT_TRUE(k->SetEditorString("(Disconnected)"));  // it was linked
    EXPECT_EQ(k->GetEditorString(), "(Disconnected)");
    EXPECT_EQ(s->GetSinkCount(), 1u);
}

TEST_F(LinksTest, NoticeNestingLimitRestoresTheCounters) {
    auto s = source({kA});
    auto k = sink("k", {kA});
    int depth = 0;
    k->onReceive = [&](const IPNNotifyOperation&) {
        ++depth;
        s->NewConnection(*k);
        return true;
    };
    EXPECT_THROW(k->Connect(s.get()), EOWException);
    EXPECT_EQ(depth, kMaxNestedNewConnections + 1);
    EXPECT_EQ(s->InSending(), 0);
    // The link lock came back too: another thread links at once.
    k->onReceive = nullptr;
    auto other = sink("o", {kA});
    std::thread([&] { EXPECT_TRUE(other->Connect(s.get())); }).join();
    log.take();
}

TEST_F(LinksTest, PinsDeletedInTheMiddleOfAChainLeaveNoReference) {
    PNRegisterTypeConverter(kA, kC, &kAtoC);
    auto s1 = source({kA});
    auto x = std::make_unique<Component>(log, std::vector{kC}, std::vector{kC}, true);
    auto k2 = sink("k2", {kC});
    ASSERT_TRUE(x->input->Connect(s1.get()));  // through a converter
    ASSERT_TRUE(k2->Connect(x->output.get()));
    ASSERT_EQ(TestConverter::alive, 1);

    x->input.reset();  // the component's input goes: its converter, link and dependencies with it
    EXPECT_EQ(TestConverter::alive, 0);
    EXPECT_EQ(s1->GetSinkCount(), 0u);
    EXPECT_TRUE(x->output->FunctionSources().Snapshot().empty());
    EXPECT_TRUE(x->output->DataTypeSources().Snapshot().empty());
    EXPECT_FALSE(x->output->DependsOn(*k2));
    EXPECT_EQ(x->output->DownStreamFindConnectionID(*k2, true, true).ID, kC);  // walks what is left
    EXPECT_TRUE(x->output->Notify(op()));

    x.reset();  // the output goes: the sink downstream is unlinked
    EXPECT_EQ(k2->GetSourcePin(), nullptr);
    EXPECT_FALSE(k2->Notify(op()));
    EXPECT_FALSE(s1->Notify(op()));
}

TEST_F(LinksTest, PlaceholdersHandTheirLinksToTheRealPin) {
    TComponent app(nullptr, "Application", TComponentKind::Application);
    TComponent form1(&app, "Form1", TComponentKind::Form);
    TComponent logger(&form1, "Logger1");
    auto in = sink("in", {kA}, &logger);
    logger.PublishPin("InputPin", *in);

    // The source's form is not loaded: the link waits in a placeholder.
    ASSERT_TRUE(in->TryLinkTo("Form2.Filter1.OutputPin", "Form2.Filter1.OutputPin"));
    auto* placeholder = dynamic_cast<TPNUnloadedPin*>(in->GetSourcePin());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->GetFullName(false), "Filter1.OutputPin");
    EXPECT_EQ(placeholder->GetName(), "OutputPin");
    EXPECT_EQ(in->GetEditorString(), "Form2.Filter1.OutputPin");
    EXPECT_TRUE(in->GetConnectionID(*placeholder).isNull());
    EXPECT_FALSE(in->Notify(op()));
    EXPECT_EQ(PNUnloadedPinCount(), 1u);

    // The form loads: the real pin takes the link and negotiates it.
    auto bystander = sink("bystander", {kA});  // linked to nothing, told all the same
    TComponent form2(&app, "Form2", TComponentKind::Form);
    TComponent filter(&form2, "Filter1");
    auto out = source({kA}, &filter);
    filter.PublishPin("OutputPin", *out);
    out->CheckVirtualList();
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
    EXPECT_EQ(bystander->replaced, 1);
    EXPECT_EQ(in->GetSourcePin(), out.get());
    EXPECT_EQ(in->GetConnectionID(*out), kA);
    log.take();
    EXPECT_TRUE(out->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"in/2"}));

    // At design time a closing form leaves a placeholder for its sink in the source.
    form1.SetDesigning(true);
    form2.SetDesigning(true);
    logger.SetDesigning(true);
    filter.SetDesigning(true);
    form1.BeforeDestruction();
    in.reset();
    ASSERT_EQ(out->GetSinkCount(), 1u);
    EXPECT_EQ(out->GetSink(0)->GetFullIdentName(true), "Form1.Logger1.InputPin");
    TComponent reopened(&form1, "Logger1");
    reopened.SetDesigning(true);
    auto again = sink("again", {kA}, &reopened);
    reopened.PublishPin("InputPin", *again);
    again->CheckVirtualList();
    EXPECT_EQ(out->GetSink(0), again.get());
    EXPECT_EQ(again->GetSourcePin(), out.get());
    EXPECT_EQ(PNUnloadedPinCount(), 0u);

    // A placeholder that loses its last link frees itself.
    ASSERT_TRUE(again->TryLinkTo("Form3.X.OutputPin", "Form3.X.OutputPin"));
    EXPECT_EQ(PNUnloadedPinCount(), 1u);
    TPNBasicPin* const unlinked = again->GetSourcePin();
    EXPECT_TRUE(again->Connect(nullptr));
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
    EXPECT_TRUE(!bystander->deleted.empty() && bystander->deleted.back() == unlinked);
    EXPECT_EQ(TPNInternalPinList::GetByNameCreate(&form1, TPNPinType::ptSource, "", "", ""), nullptr);
}

TEST_F(LinksTest, PinListsDropPlaceholdersOnceLoadedAtRunTime) {
    for (const bool designing : {true, false}) {
        TComponent owner(nullptr, "Owner");
        owner.SetDesigning(designing);
        TPNPinList list(&owner, nullptr, true);
        for (int i = 0; i < 5; ++i) {
            if (i == 1 || i == 3)
                list.Add(*PNMakeUnloadedPin(nullptr, {}, "F.C.P" + std::to_string(i), "F.C.P" + std::to_string(i),
                                            TPNPinType::ptSink));
            else list.Add(PNOwned<TPNBasicPin>(sink("p", {kA}, &owner)), i == 0 ? "First" : "");
        }
        EXPECT_EQ(list.GetCount(), 3u);
        EXPECT_EQ(PNUnloadedPinCount(), designing ? 2u : 0u);
        EXPECT_EQ(list.GetName(0), "First");
        EXPECT_EQ(list.GetName(designing ? 2 : 1), designing ? "Pin [2]" : "Pin [1]");
        EXPECT_EQ(list.GetPin(9), nullptr);
    }
    EXPECT_EQ(PNUnloadedPinCount(), 0u);  // the design-time list let its placeholders go
}

// A placeholder in a design-time pin list is resolved when its pin comes
// into being: the list holds the real pin in its place from then on.
TEST_F(LinksTest, APinListTakesTheRealPinOfItsPlaceholder) {
    TComponent app(nullptr, "Application", TComponentKind::Application);
    TComponent form(&app, "Form2", TComponentKind::Form);
    form.SetDesigning(true);
    TComponent owner(&form, "Mixer");
    owner.SetDesigning(true);
    auto list = std::make_unique<TPNPinList>(&owner, nullptr, false);
    list->Add(*PNMakeUnloadedPin(nullptr, {}, "Form2.Filter1.InputPin", "Form2.Filter1.InputPin", TPNPinType::ptSink));
    EXPECT_EQ(list->GetCount(), 0u);  // a placeholder is counted apart

    TComponent filter(&form, "Filter1");
    filter.SetDesigning(true);
    auto real = sink("real", {kA}, &filter);
    filter.PublishPin("InputPin", *real);
    real->CheckVirtualList();
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
    EXPECT_EQ(list->GetPin(0), real.get());
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(real->OwnerPinList(), list.get());
    list.reset();
    EXPECT_EQ(real->OwnerPinList(), nullptr);
}

// A list that does not own its pins lets go of one that is destroyed.
TEST_F(LinksTest, APinListDropsAPinThatIsDestroyed) {
    TComponent owner(nullptr, "Owner");
    auto list = std::make_unique<TPNPinList>(&owner, nullptr, false);
    auto kept = sink("kept", {kA}, &owner);
    auto gone = sink("gone", {kA}, &owner);
    list->Add(*kept, "Kept");
    list->Add(*gone, "Gone");
    gone.reset();
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(list->GetPin(0), kept.get());
    EXPECT_EQ(list->GetName(0), "Kept");
    list.reset();
    EXPECT_EQ(kept->OwnerPinList(), nullptr);
}

TEST_F(LinksTest, StateDispatchersAreNamedSharedAndFreed) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    TComponent owner(&form, "C1");
    auto s = source({kA}, &owner);
    auto k1 = sink("k1", {kA}, &owner);
    auto k2 = sink("k2", {kA}, &owner);
    owner.PublishPin("Out", *s);
    owner.PublishPin("In1", *k1);
    owner.PublishPin("In2", *k2);

    ASSERT_TRUE(s->ConnectByState(*k1));
    const std::weak_ptr<TPNStateDispatcher> d = s->Dispatcher();
    ASSERT_FALSE(d.expired());
    EXPECT_EQ(d.lock()->Name(), "Form1Link1");
    EXPECT_EQ(TPNStateDispatcher::GetUniqueName(&form), "Form1Link2");
    EXPECT_EQ(s->GetEditorString(), "Form1.C1.In1");  // two members: the other one's name
    EXPECT_EQ(k1->GetEditorString(), "Form1.C1.Out");
    ASSERT_TRUE(k2->ConnectToState(d.lock()));
    EXPECT_EQ(k2->GetEditorString(), "Form1Link1");
    EXPECT_EQ(TPNStateDispatcher::GetByName("Form1Link1", false), d.lock());
    EXPECT_EQ(TPNStateDispatcher::GetByName("Form1Link1", true), nullptr);  // another design state
    log.take();

    // The state fan-out reaches every other member, the last one last.
    EXPECT_TRUE(s->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"k1/0", "k2/2"}));

    // A member that leaves takes every "after it" with it; one member alone dissolves it.
    auto member = sink("m", {kA}, &owner);
    d.lock()->AddPinAfter(*member, *member, k2.get());
    d.lock()->SetNotifyAfterByName(*k1, "Form1.C1.In2");
    k2->Disconnect();
    EXPECT_EQ(d.lock()->GetConnectedAfterForPin(*k1), nullptr);
    EXPECT_EQ(d.lock()->GetConnectedAfterForPin(*member), nullptr);
    member.reset();
    k1->Disconnect();
    EXPECT_TRUE(d.expired());
    EXPECT_FALSE(s->IsStateConnected());
    EXPECT_EQ(s->GetEditorString(), "(Disconnected)");
    EXPECT_TRUE(TPNStateDispatcher::Names(false).empty());

    // By name: two pins meet in one dispatcher.
    EXPECT_TRUE(s->LinkToStateByName("Shared"));
    EXPECT_TRUE(k1->LinkToStateByName("Shared"));
    EXPECT_EQ(s->Dispatcher(), k1->Dispatcher());
    EXPECT_EQ(TPNStateDispatcher::Names(false), std::vector<std::string>{"Shared"});
    s.reset();
    EXPECT_FALSE(k1->IsStateConnected());
    EXPECT_TRUE(TPNStateDispatcher::Names(false).empty());

    // Members of other types meet through a converter that the dispatcher keeps.
    PNRegisterTypeConverter(kA, kC, &kAtoC);
    auto a = source({kA}, &owner);
    auto c = sink("c", {kC}, &owner);
    ASSERT_TRUE(a->ConnectByState(*c));
    EXPECT_EQ(TestConverter::alive, 1);
    EXPECT_TRUE(c->IsConnectedByConverterTo(*a));
    log.take();
    EXPECT_TRUE(a->Notify(op()));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"conv/2", "c/2"}));
    c->Disconnect();
    EXPECT_EQ(TestConverter::alive, 0);
    EXPECT_FALSE(a->IsStateConnected());
    EXPECT_FALSE(c->IsConnected());
}

}  // namespace
