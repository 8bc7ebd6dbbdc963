// What editors and name helpers see of pins: the source's link texts and
// linking by name, editor pointers cleared by destruction, after-pins and
// dispatchers by index, the design-behaviour switch, property paths through
// collections and settings objects, class names, the stream-type
// extensions, the string value types, the named colours, and an upward
// operation that reaches the source past a converter.
#include <gtest/gtest.h>

#include <algorithm>

#include "PinTestKit.h"
#include "media/pins/PNExtCollection.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNProperties.h"
#include "media/pins/PNStateDispatcher.h"
#include "media/pins/PNValueTypes.h"

using namespace pintest;

namespace {

IPNNotifyOperation op() { return std::make_shared<TPNNotifyOperation>(); }

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { TestConverter::log = &log; }
    void TearDown() override { EXPECT_EQ(TestConverter::alive, 0); }
    TPNLibrary library;
    Log log;
};

// Pins whose owner is the component that publishes them.
template <typename Pin>
struct Owned : TComponent {
    Owned(TComponent& form, std::string name, Log& log, const char* property)
        : TComponent(&form, std::move(name)), pin(PNMakePin<Pin>("p", log, std::vector{kA}, this)) {
        PublishPin(property, *pin);
    }
    PNOwned<Pin> pin;
};

TEST_F(EditorTest, ASourceLinksByTheNamesItsEditorShows) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    TComponent other(nullptr, "Form2", TComponentKind::Form);
    Owned<TestSource> gen(form, "Gen", log, "OutputPin");
    Owned<TestSink> log1(form, "Log1", log, "InputPin");
    Owned<TestSink> log2(form, "Log2", log, "InputPin");
    Owned<TestSink> far(other, "Far", log, "InputPin");
    TestSource& src = *gen.pin;

    EXPECT_FALSE(src.SetEditorString("Log9.InputPin"));  // no such pin, nothing was linked
    EXPECT_TRUE(src.SetEditorString("Log1.InputPin , Log2.InputPin"));
    ASSERT_EQ(src.GetSinkCount(), 2u);
    EXPECT_EQ(src.GetEditorString(), "( 2 Links )");
    std::vector<std::string> texts{src.GetLinkStr(0), src.GetLinkStr(1)};
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"Log1.InputPin", "Log2.InputPin"}));
    EXPECT_EQ(src.GetLinkStr(2), "");

    // A pin under another root is named with that root, as the editor shows it.
    EXPECT_FALSE(src.TryLinkTo(&other, "Far.InputPin", false));
    EXPECT_TRUE(src.TryLinkTo(&other, "Form2.Far.InputPin", false));
    EXPECT_TRUE(src.IsConnectedTo(*far.pin));
    std::vector<std::string> all;
    for (std::size_t i = 0; i < src.GetSinkCount(); ++i) all.push_back(src.GetLinkStr(i));
    EXPECT_NE(std::find(all.begin(), all.end(), "Form2.Far.InputPin"), all.end());

    // An empty name unlinks every sink, unless only checking.
    EXPECT_FALSE(src.TryLinkTo(&form, "", true));
    EXPECT_EQ(src.GetSinkCount(), 3u);
    EXPECT_TRUE(src.SetEditorString("(Disconnected)"));  // it was linked
    EXPECT_EQ(src.GetSinkCount(), 0u);
    EXPECT_EQ(src.GetEditorString(), "(Disconnected)");
    EXPECT_TRUE(src.TryLinkToList(&form, "Log2.InputPin", true));
    EXPECT_TRUE(src.IsConnectedTo(*log2.pin));

    // A listed pin that refuses the link (the source depends on it) is no success.
    src.FunctionSources().Add(log1.pin.get());
    std::vector<TPNPinCandidate> listed;
    ASSERT_TRUE(PNGetPinsValueList(listed, src, ".", pvoFullList));
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const auto& c) { return c.Text == "Log1.InputPin"; }));
    EXPECT_FALSE(src.TryLinkTo(&form, "Log1.InputPin", false));
    EXPECT_FALSE(src.IsConnectedTo(*log1.pin));
}

TEST_F(EditorTest, EditorPointersAreClearedWhenTheirObjectGoes) {
    auto pin = PNMakePin<TestSink>("s", log, std::vector{kA});
    TPNBasicPin* shown = pin.get();
    pin->CurrentEditorPtr = &shown;
    pin.reset();
    EXPECT_EQ(shown, nullptr);

    TPNExtCollection collection(nullptr);
    TPNExtCollectionItem* item = &collection.Add<TPNExtCollectionItem>();
    item->CurrentEditorPtr = &item;
    collection.Delete(0);
    EXPECT_EQ(item, nullptr);
}

TEST_F(EditorTest, AfterPinsAndDispatchersByIndex) {
    auto s = makeSource({kA}, nullptr, nullptr, 0, log);
    auto first = PNMakePin<TestSink>("first", log, std::vector{kA});
    auto second = PNMakePin<TestSink>("second", log, std::vector{kA});
    ASSERT_TRUE(s->Connect(first.get()));
    ASSERT_TRUE(s->ConnectAfter(second.get(), first.get()));
    for (std::size_t i = 0; i < 2; ++i) {
        TPNBasicPin* after = s->GetConnectedAfterPin(i);
        EXPECT_EQ(after, s->GetConnectedPin(i) == second.get() ? first.get() : nullptr);
    }
    EXPECT_EQ(s->GetConnectedAfterPin(5), nullptr);

    EXPECT_EQ(s->GetDispatcher(0), nullptr);
    auto member = PNMakePin<TestSink>("member", log, std::vector{kA});
    ASSERT_TRUE(s->ConnectByState(*member));
    ASSERT_NE(s->Dispatcher(), nullptr);
    EXPECT_EQ(s->GetDispatcher(3), s->Dispatcher());
    EXPECT_EQ(s->GetDispatcherCount(), 1u);
    const auto running = PNDispatchers(false);
    EXPECT_NE(std::find(running.begin(), running.end(), s->Dispatcher()), running.end());
    EXPECT_EQ(std::find(PNDispatchers(true).begin(), PNDispatchers(true).end(), s->Dispatcher()),
              PNDispatchers(true).end());
    const auto designing = TPNStateDispatcher::CreateNamed("DesignLink", true);
    EXPECT_EQ(PNDispatchers(true).back(), designing);
}

TEST_F(EditorTest, DesignBehaviourOffLetsDesignAndRunTimePinsLink) {
    TComponent designed(nullptr, "Designed");
    designed.SetDesigning(true);
    auto s = makeSource({kA}, nullptr, nullptr, 0, log);
    auto d = PNMakePin<TestSink>("d", log, std::vector{kA}, &designed);
    EXPECT_TRUE(PNPinsExist());
    EXPECT_TRUE(d->OwnerInDesigning());
    EXPECT_FALSE(d->Connect(s.get()));
    PNSetDesignBehaviour(false);
    EXPECT_FALSE(d->OwnerInDesigning());
    EXPECT_TRUE(d->Connect(s.get()));
    PNSetDesignBehaviour(true);
    EXPECT_TRUE(d->Connect(nullptr));
}

// Settings that publish a pin, and settings that publish each other.
struct Settings : TPersistent {
    explicit Settings(TPNBasicPin* pin = nullptr) {
        if (pin) PublishPin("Tap", *pin);
    }
};
struct Item : TPNExtCollectionItem {
    explicit Item(TPNExtCollection& c, TPNBasicPin* pin = nullptr) : TPNExtCollectionItem(c) {
        if (pin) PublishPin("Pin", *pin);
    }
};

TEST_F(EditorTest, PropertyPathsReachCollectionItemsAndSettingsObjects) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    TComponent filter(&form, "Filter1");
    TComponent buddy(&form, "Buddy");
    auto tap = PNMakePin<TestSink>("tap", log, std::vector{kA}, &filter);
    auto itemPin = PNMakePin<TestSink>("item", log, std::vector{kA}, &filter);
    auto buddyPin = PNMakePin<TestSink>("buddy", log, std::vector{kA}, &buddy);
    TPNPinList inputs(&filter, nullptr, true);
    for (int i = 0; i < 3; ++i)
        inputs.Add(PNMakePin<TestSink>("in", log, std::vector{kA}, &filter), "In" + std::to_string(i));
    Settings settings(tap.get());
    TPNExtCollection items(nullptr);
    items.Add<Item>();
    items.Add<Item>(itemPin.get());
    Settings loopA, loopB;
    loopA.PublishObject("Other", loopB);
    loopB.PublishObject("Other", loopA);
    filter.PublishObject("Settings", settings);
    filter.PublishCollection("Items", items);
    filter.PublishPinList("Inputs", inputs);
    filter.PublishComponent("Buddy", buddy);  // a reference: never searched
    filter.PublishObject("Loop", loopA);
    buddy.PublishPin("InputPin", *buddyPin);

    EXPECT_EQ(tap->GetFullName(true), "Form1.Filter1.Settings.Tap");
    EXPECT_EQ(itemPin->GetFullName(false), "Filter1.Items[1].Pin");
    EXPECT_EQ(itemPin->GetFullIdentName(false), "Filter1.Items._Item1.Pin");
    EXPECT_EQ(inputs.GetPin(2)->GetFullIdentName(false), "Filter1.Inputs._Pin2");

    std::vector<TPNPropertyLine> lines;
    ASSERT_TRUE(PNGetClassPropertiesOfTypeName(filter, "TPersistent", lines, true));
    std::vector<std::string> paths;
    for (const auto& l : lines) paths.push_back(l.Text);
    EXPECT_EQ(paths,
              (std::vector<std::string>{"Settings", "Items", "Items._Item0", "Items._Item1", "Loop", "Loop.Other"}));
    EXPECT_EQ(std::get<TPersistent*>(lines[3].Object), &items.Items(1));

    lines.clear();
    ASSERT_TRUE(PNGetClassPropertiesOfTypeNamePrefix(filter, "TPNSinkPin", lines, false, "Filter1."));
    paths.clear();
    for (const auto& l : lines) paths.push_back(l.Text);
    EXPECT_EQ(paths, (std::vector<std::string>{"Filter1.Settings.Tap", "Filter1.Items[1].Pin", "Filter1.Inputs.In0",
                                               "Filter1.Inputs.In1", "Filter1.Inputs.In2"}));

    // The pin picker lists every pin of a component, one line each, and
    // still lists the others when one component's walk fails.
    auto src = makeSource({kA}, nullptr, nullptr, 0, log);
    std::vector<TPNPinCandidate> candidates;
    EXPECT_TRUE(PNGetPinsValueListSingle(candidates, &filter, *src, pvoFullList | pvoSaveValue, "", "."));
    EXPECT_EQ(candidates.size(), 6u);  // five of Filter1, Buddy's own pin once
    EXPECT_EQ(candidates[1].Text, "Filter1.Items._Item1.Pin");
    candidates.clear();
    filter.BeforeDestruction();  // Filter1 is going
    EXPECT_FALSE(PNGetPinsValueListSingleRoot(candidates, form, *src, pvoFullList, "Form1", "."));
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].Text, "Form1.Buddy.InputPin");
    lines.clear();
    EXPECT_FALSE(PNGetClassPropertiesOfTypeName(filter, "TPNPin", lines, true));
    EXPECT_TRUE(lines.empty());
}

TEST_F(EditorTest, ClassesAreRecognisedByName) {
    auto sinkPin = PNMakePin<TestSink>("s", log, std::vector{kA});
    auto sourcePin = makeSource({kA}, nullptr, nullptr, 0, log);
    TPNExtCollection items(nullptr);
    auto& item = items.Add<Item>();
    TComponent component(nullptr, "C");
    TPNPinList list(nullptr, nullptr, false);
    const TPNPropertyValue s{sinkPin.get()}, src{sourcePin.get()}, it{static_cast<TPersistent*>(&item)}, c{&component},
        l{static_cast<const IPNPublishedPinList*>(&list)};
    for (const char* name : {"TPNSinkPin", "TPNBasicSinkPin", "TPNPin", "TPNBasicPin", "TPNObject"})
        EXPECT_TRUE(IsDescendOf(s, name)) << name;
    EXPECT_FALSE(IsDescendOf(src, "TPNSinkPin"));
    EXPECT_TRUE(IsDescendOf(src, "TPNSourcePin"));
    EXPECT_TRUE(IsDescendOf(it, "TPNExtCollectionItem"));
    EXPECT_TRUE(IsDescendOf(it, "TPersistent"));
    EXPECT_FALSE(IsDescendOf(it, "TComponent"));
    EXPECT_TRUE(IsDescendOf(c, "TComponent"));
    EXPECT_TRUE(IsDescendOf(l, "TPNPinList"));
    EXPECT_TRUE(IsDescendOf(l, "TPNObject"));
    EXPECT_FALSE(IsDescendOf(s, "TPNPinList"));
    EXPECT_FALSE(IsDescendOf(it, "TTestItem"));  // nobody registered the name
    PNRegisterClassName<Item>("TTestItem");
    EXPECT_TRUE(IsDescendOf(it, "TTestItem"));
    EXPECT_FALSE(IsDescendOf(c, "TTestItem"));
}

TEST_F(EditorTest, ASinkSendsUpToTheSourcePastItsConverter) {
    PNRegisterTypeConverter(kA, kC, &kAtoC);
    // A sink of type C whose handler records where it delivers.
    struct Recording : TestSink {
        Recording(Log& log) : TestSink("rec", log, {}) {
            AddType(kC, [this](TPNBasicPin& receiver, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) {
                receivers.push_back(&receiver);
                return true;
            });
            DeclareInterface(kC);
        }
        std::vector<TPNBasicPin*> receivers;
    };
    auto s = makeSource({kA}, nullptr, nullptr, 0, log);
    auto rec = PNMakePin<Recording>(log);
    auto direct = makeSource({kC}, nullptr, nullptr, 0, log);

    rec->SetSourcePin(direct.get());
    EXPECT_EQ(rec->GetSourcePin(), direct.get());
    EXPECT_EQ(rec->FormatConverter(), nullptr);
    rec->SetSourcePin(s.get());
    ASSERT_TRUE(rec->IsConnectedByConverterTo(*s));
    const auto converter = rec->FormatConverter();
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(rec->GetConnectionSourcePin(), &converter->OutputPin());
    EXPECT_TRUE(rec->Notify(op()));
    EXPECT_EQ(rec->receivers, std::vector<TPNBasicPin*>{s.get()});
    rec->SetSourcePin(nullptr);
    EXPECT_FALSE(rec->IsConnected());
    EXPECT_FALSE(rec->Notify(op()));
    EXPECT_EQ(rec->receivers.size(), 1u);
}

TEST_F(EditorTest, LocksAndTheirGuardsShowWhatIsBehindThem) {
    auto pin = PNMakePin<TestSink>("s", log, std::vector{kA});
    EXPECT_EQ(&pin->DestroyGuard().Instance(), &pin->DestroyGuard());
    EXPECT_EQ(&pin->DestroyGuard().Owner(), pin.get());
    // The object's bookkeeping section is re-entrant, and the pin's state
    // link is read under it.
    std::lock_guard outer(pin->IntLockSection());
    std::lock_guard inner(pin->IntLockSection());
    EXPECT_EQ(pin->Dispatcher(), nullptr);
}

struct Extention : IPNStreamInfoExtention {
    explicit Extention(TGUID id) : id(id) {}
    TGUID GetExtentionId() const override { return id; }
    TGUID id;
};

TEST(StreamTypes, ExtensionsStayWithTheirTypeUntilTheLibraryEnds) {
    {
        TPNLibrary library;
        EXPECT_TRUE(PNGetStreamInfoExtentions(kA).empty());
        PNRegisterStream(kA, "A");
        auto first = std::make_shared<Extention>(kC);
        auto second = std::make_shared<Extention>(kD);
        PNAddStreamInfoExtention(kA, first);
        PNAddStreamInfoExtention(kA, second);
        PNAddStreamInfoExtention(kB, first);  // registers B
        PNRegisterStream(kA, "A again");      // renaming keeps them
        const auto list = PNGetStreamInfoExtentions(kA);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0], first);
        EXPECT_EQ(PNFindStreamInfoExtention(kA, kD), second);
        EXPECT_EQ(PNFindStreamInfoExtention(kA, kB), nullptr);
        EXPECT_EQ(PNGetStreamTypeFromID(kB), "");
        EXPECT_EQ(PNGetStreamInfoExtentions(kB).size(), 1u);
    }
    EXPECT_TRUE(PNGetStreamInfoExtentions(kA).empty());
}

TEST(StreamValues, FourValueTypesHoldStrings) {
    std::vector<int> strings;
    for (int type = 0; type < 256; ++type)
        if (GOWIsStringValueType(static_cast<std::uint8_t>(type))) strings.push_back(type);
    EXPECT_EQ(strings, (std::vector<int>{6, 12, 18, 20}));
    static_assert(GOWIsStringValueType(TPNValueType::vaUTF8String));
}

TEST(NamedColours, TheTableLivesWhileTheLibraryIsStarted) {
    EXPECT_TRUE(PNNamedColors().empty());
    {
        TPNLibrary library;
        const auto colors = PNNamedColors();
        ASSERT_EQ(colors.size(), 141u);
        for (std::size_t i = 1; i < colors.size(); ++i) EXPECT_LT(colors[i - 1].Name, colors[i].Name);
        EXPECT_EQ(colors.front().Name, "AliceBlue");
        EXPECT_EQ(colors.front().ARGB, 0xFFF0F8FFu);
        EXPECT_EQ(colors.back().Name, "YellowGreen");
        EXPECT_EQ(PNColorByName("Transparent"), 0x00FFFFFFu);
        EXPECT_EQ(PNColorByName("CornflowerBlue"), 0xFF6495EDu);
        EXPECT_EQ(PNColorByName("Tomato"), 0xFFFF6347u);
        EXPECT_EQ(PNColorByName("tomato"), std::nullopt);
        // Alpha is opaque everywhere but in Transparent.
        EXPECT_EQ(std::count_if(colors.begin(), colors.end(), [](const auto& c) { return c.ARGB >> 24 != 0xFF; }), 1);
    }
    EXPECT_EQ(PNColorByName("Tomato"), std::nullopt);
}

}  // namespace
