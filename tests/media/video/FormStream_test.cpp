// Three roots of components written to the component stream root by root
// and read back into fresh components, in every order: the export's generic
// filter feeding the AVI logger, a state link across two roots, a link
// through a converter, notify-after sinks and pins of a named pin list come
// back the same and write the same bytes again; links to roots not yet read
// wait on placeholders. Damaged streams change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>

#include "media/pins/PNPersistence.h"
#include "media/pins/PNStateDispatcher.h"
#include "media/pins/PinTestKit.h"
#include "media/video/VDAVILogger.h"
#include "media/video/VDGenericFilter.h"

using namespace oculon;
using namespace oculon::pins;
using namespace oculon::mediavideo;
using namespace pintest;
using platform::EComponentStreamError;

namespace {

// A component of the test: a state source, a source and sinks of kA, a
// sink of kC and a list of two named sources.
class TTestPanel : public TCBComponent {
public:
    TTestPanel(TComponent* owner, std::string name) : TCBComponent(owner, std::move(name)) {
        Level = makeSource({kA}, this, FLock);
        Tap = makeSource({kA}, this, FLock);
        Probe = PNMakePin<TestSink>("probe", sharedLog(), std::vector{kA}, this, FLock);
        In1 = PNMakePin<TestSink>("in1", sharedLog(), std::vector{kA}, this, FLock);
        In2 = PNMakePin<TestSink>("in2", sharedLog(), std::vector{kA}, this, FLock);
        In3 = PNMakePin<TestSink>("in3", sharedLog(), std::vector{kA}, this, FLock);
        In4 = PNMakePin<TestSink>("in4", sharedLog(), std::vector{kA}, this, FLock);
        Meter = PNMakePin<TestSink>("meter", sharedLog(), std::vector{kC}, this, FLock);
        Outputs.Add(PNOwned<TPNBasicPin>(makeSource({kA}, this, FLock)), "Left");
        Outputs.Add(PNOwned<TPNBasicPin>(makeSource({kA}, this, FLock)), "Right");
        PublishPin("Level", *Level);
        PublishPin("Tap", *Tap);
        PublishPin("Probe", *Probe);
        PublishPin("In1", *In1);
        PublishPin("In2", *In2);
        PublishPin("In3", *In3);
        PublishPin("In4", *In4);
        PublishPin("Meter", *Meter);
        PublishPinList("Outputs", Outputs);
    }
    TPNSourcePin& Out(std::size_t i) { return *static_cast<TPNSourcePin*>(Outputs.GetPin(i)); }
    void GetPropInfos(TPropList& props) override {
        TCBComponent::GetPropInfos(props);
        props.push_back(PNProp<double>(
            "Gain", [this] { return Gain; }, [this](double v) { Gain = v; }));
        props.push_back(PNProp<double>(
            "Stamp", [this] { return Stamp; }, [this](double v) { Stamp = v; }, std::nullopt, "TDateTime"));
    }

    double Gain = 1.5;   // a 0 survives through "_Floats"
    double Stamp = 2.0;  // a date: never in "_Floats"

    PNOwned<TestSource> Level, Tap;
    PNOwned<TestSink> Probe, In1, In2, In3, In4, Meter;
    TPNPinList Outputs{this, FLock, true};
};

// The frame of the export, a player form and a console form beside it.
struct Roots {
    std::unique_ptr<TComponent> frame, form, console;
    PNOwned<TVDGenericFilter> filter;
    PNOwned<TVDAVILogger> logger;
    PNOwned<TTestPanel> panel1, panel2, panel3;

    void makeFrame(bool loading) {
        frame = std::make_unique<TComponent>(nullptr, "VideoViewerFrame1", TComponentKind::Frame);
        frame->SetLoading(loading);
        filter = PNOwned<TVDGenericFilter>::make(frame.get(), "VDGenericFilter1");
        logger = PNOwned<TVDAVILogger>::make(frame.get(), "VDAVILogger1");
        panel1 = PNOwned<TTestPanel>::make(frame.get(), "Panel1");
    }
    void makeForm(bool loading) {
        form = std::make_unique<TComponent>(nullptr, "PlayerForm", TComponentKind::Form);
        form->SetLoading(loading);
        panel2 = PNOwned<TTestPanel>::make(form.get(), "Panel2");
    }
    void makeConsole(bool loading) {
        console = std::make_unique<TComponent>(nullptr, "ConsoleForm", TComponentKind::Form);
        console->SetLoading(loading);
        panel3 = PNOwned<TTestPanel>::make(console.get(), "Panel3");
    }
    void dropFrame() {
        panel1.reset();
        logger.reset();
        filter.reset();
        frame.reset();
    }
    void dropForm() {
        panel2.reset();
        form.reset();
    }
    ~Roots() {
        panel3.reset();
        console.reset();
        dropForm();
        dropFrame();
    }
};

// What a root's pins are linked to, one line per pin: sinks with their
// notify-after pins and types, the source, the dispatcher and its members.
std::string links(TComponent& root) {
    std::ostringstream out;
    for (std::size_t c = 0; c < root.ComponentCount(); ++c) {
        for (TPNBasicPin* pin : PNPublishedPins(*root.Components(c))) {
            std::ostringstream line;
            if (auto* source = dynamic_cast<TPNSourcePin*>(pin)) {
                for (const auto& e : source->Entries()) {
                    line << " ->" << e.RealPin->GetFullName(true) << "/" << PNGetStreamGUIDFromID(e.ConnectedID);
                    if (e.NotifyAfterPin) line << " after " << e.NotifyAfterPin->GetFullName(true);
                    if (e.ConnectionPin != e.RealPin) line << " (converter)";
                }
            }
            if (auto* sink = dynamic_cast<TPNSinkPin*>(pin); sink && sink->GetSourcePin())
                line << " <-" << sink->GetSourcePin()->GetFullName(true)
                     << (sink->IsConnectedByConverterTo(*sink->GetSourcePin()) ? " (converter)" : "");
            if (const auto d = pin->Dispatcher()) {
                std::vector<std::string> members;
                for (const auto& m : d->Members()) members.push_back(m.RealPin->GetFullName(true));
                std::sort(members.begin(), members.end());
                line << " state " << d->Name();
                for (const auto& m : members) line << " " << m;
            }
            if (!line.str().empty()) out << pin->GetFullName(true) << ":" << line.str() << "\n";
        }
    }
    return out.str();
}

class FormStream : public ::testing::Test {
protected:
    void SetUp() override { PNRegisterTypeConverter(kA, kC, &kAtoC); }

    // Settings of the frame's components that differ from a fresh one's.
    static void configure(Roots& r) {
        r.filter->Threading().Queue().SetSize(30);
        r.filter->Threading().SetPriority(TThreadPriority::tpHigher);
        r.filter->SetSynchronizeType(TSGSynchronizeType::stQueue);
        r.logger->SetColorBits(TVDColorBits::cb16_565);
        r.logger->SetFileName("/tmp/export.avi");
        r.logger->AudioCompression().SetEnabled(true);
        r.logger->AudioCompression().Compressions().Items(0).Format().SetFormat(kFormat.data(), kFormat.size());
        r.logger->AudioCompression().Compressions().Add();
        r.panel1->Gain = 0;
        r.panel1->Stamp = 5.0;
    }
    static inline const std::vector<std::uint8_t> kFormat = {1,    0, 2, 0, 0x22, 0x56, 0, 0, 0x88,
                                                             0x58, 1, 0, 4, 0,    16,   0, 0, 0};

    void link(Roots& r) {
        ASSERT_TRUE(r.logger->InputPin().Connect(&r.filter->OutputPin()));
        ASSERT_TRUE(r.panel1->Level->ConnectByState(*r.panel2->Probe));  // across the roots
        ASSERT_TRUE(r.panel2->Tap->Connect(r.panel1->Meter.get()));      // kA to kC: a converter
        ASSERT_TRUE(r.panel2->Out(0).Connect(r.panel1->In1.get()));
        ASSERT_TRUE(r.panel2->Out(0).ConnectAfter(r.panel1->In2.get(), r.panel1->In1.get()));
        ASSERT_TRUE(r.panel1->Out(1).Connect(r.panel2->In1.get()));
        ASSERT_TRUE(r.panel1->Out(0).ConnectByState(*r.panel2->In2));  // a pin list's "State" entry
        // The source and the notify-after pin in one root, the sink in another.
        ASSERT_TRUE(r.panel2->Level->Connect(r.panel2->In3.get()));
        ASSERT_TRUE(r.panel2->Level->ConnectAfter(r.panel1->In3.get(), r.panel2->In3.get()));
        if (!r.panel3) return;
        // Sinks in all three roots; the form's follows the frame's.
        ASSERT_TRUE(r.panel3->Tap->Connect(r.panel1->In4.get()));
        ASSERT_TRUE(r.panel3->Tap->Connect(r.panel3->In1.get()));
        ASSERT_TRUE(r.panel3->Tap->ConnectAfter(r.panel2->In4.get(), r.panel1->In4.get()));
    }
};

TEST_F(FormStream, RootsComeBackTheSameInEveryOrderOfLoading) {
    std::vector<std::vector<std::uint8_t>> streams;
    std::string expected;
    std::string frameText;
    const auto write = [](Roots& r) {
        std::vector<std::vector<std::uint8_t>> out;
        for (TComponent* root : {r.frame.get(), r.form.get(), r.console.get()})
            out.push_back(platform::EncodeComponentStream(PNWriteRoot(*root)));
        return out;
    };
    const auto allLinks = [](Roots& r) { return links(*r.frame) + links(*r.form) + links(*r.console); };
    {
        Roots r;
        r.makeFrame(false);
        r.makeForm(false);
        r.makeConsole(false);
        link(r);
        configure(r);
        expected = allLinks(r);
        ASSERT_NE(expected.find("(converter)"), std::string::npos) << expected;
        ASSERT_NE(expected.find(" after PlayerForm.Panel2.In3"), std::string::npos) << expected;
        ASSERT_NE(expected.find(" after VideoViewerFrame1.Panel1.In4"), std::string::npos) << expected;
        streams = write(r);
        frameText = platform::FormText(PNWriteRoot(*r.frame));
    }
    EXPECT_EQ(PNUnloadedPinCount(), 0u);

    // The Part's own lines, byte for byte, in the frame's text.
    EXPECT_NE(frameText.find("    Threading.Queue.Size = 30\n"
                             "    OutputPin.Form = VideoViewerFrame1\n"
                             "    OutputPin.SinkPins = (VideoViewerFrame1.VDAVILogger1.InputPin)\n"),
              std::string::npos)
        << frameText;
    EXPECT_NE(frameText.find("    Outputs.Pins = (State (('VideoViewerFrame1Link2' PlayerForm.Panel2.In2)) Sinks "
                             "(PlayerForm.Panel2.In1))\n"),
              std::string::npos)
        << frameText;
    EXPECT_NE(frameText.find("    InputPin.SourcePin = VideoViewerFrame1.VDGenericFilter1.OutputPin\n"),
              std::string::npos)
        << frameText;

    std::vector<platform::TStreamObject> trees;
    for (const auto& bytes : streams) trees.push_back(platform::DecodeComponentStream(bytes.data(), bytes.size()));
    std::vector<int> order = {0, 1, 2};  // frame, form, console
    do {
        SCOPED_TRACE(::testing::Message() << "roots read in the order " << order[0] << order[1] << order[2]);
        Roots r;
        const auto load = [&](int root) {
            if (root == 0) {
                r.makeFrame(true);
                PNReadRoot(*r.frame, trees[0]);
            } else if (root == 1) {
                r.makeForm(true);
                PNReadRoot(*r.form, trees[1]);
            } else {
                r.makeConsole(true);
                PNReadRoot(*r.console, trees[2]);
            }
        };
        load(order[0]);
        EXPECT_GT(PNUnloadedPinCount(), 0u);  // links to the other roots wait on placeholders
        load(order[1]);
        load(order[2]);
        EXPECT_EQ(PNUnloadedPinCount(), 0u);
        EXPECT_FALSE(r.frame->InState(csLoading));
        EXPECT_EQ(allLinks(r), expected);
        EXPECT_EQ(r.filter->Threading().Queue().Size(), 30u);
        EXPECT_EQ(r.filter->Threading().Priority(), TThreadPriority::tpHigher);
        EXPECT_EQ(r.logger->FileName(), "/tmp/export.avi");
        ASSERT_EQ(r.logger->AudioCompression().Compressions().Count(), 2u);
        EXPECT_EQ(r.logger->AudioCompression().Compressions().Items(0).Format().FormatData(), kFormat);
        EXPECT_TRUE(r.logger->AudioCompression().Compressions().Items(1).Format().IsEmpty());
        EXPECT_EQ(r.panel1->Gain, 0);
        EXPECT_EQ(r.panel1->Stamp, 5.0);
        EXPECT_EQ(r.panel2->Gain, 1.5);
        // Written again, the roots give the bytes they were read from.
        const auto again = write(r);
        for (std::size_t i = 0; i < again.size(); ++i)
            EXPECT_TRUE(again[i] == streams[i]) << platform::FormText(PNWriteRoot(i == 0   ? *r.frame
                                                                                  : i == 1 ? *r.form
                                                                                           : *r.console));
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
    EXPECT_TRUE(TPNStateDispatcher::Names(false).empty());
}

TEST_F(FormStream, SettingsAreStoredAsTheirClassesPublishThem) {
    Roots r;
    r.makeFrame(false);
    configure(r);
    r.panel1->Stamp = 0;  // a date's 0 is no value: not written at all
    const std::string text = platform::FormText(PNWriteRoot(*r.frame));
    for (const char* line : {
             "    SynchronizeType = 2\n",
             "    Threading.Priority = 4\n",
             "    Threading.Queue.Size = 30\n",
             "    AudioCompression.Compressions = <item Format.FormatData = {1200000001000200225600008858010004001000"
             "0000} end item end>\n",
             "    AudioCompression.Enabled = True\n",
             "    ColorBits = 3\n",
             "    FileName = '/tmp/export.avi'\n",
             "    _Floats = ((Gain 0.0))\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_EQ(text.find("QueueSize"), std::string::npos);  // read, never written
    EXPECT_EQ(text.find("Stamp"), std::string::npos);

    // The older "QueueSize" sets the queue's size; a "_Floats" entry of a
    // property that is gone is skipped.
    PNReadRoot(*r.frame, platform::ParseFormText("object VideoViewerFrame1: TComponent\n"
                                                 "  object VDGenericFilter1: TVDGenericFilter\n"
                                                 "    Threading.QueueSize = 7\n"
                                                 "  end\n"
                                                 "  object Panel1: TTestPanel\n"
                                                 "    _Floats = ((Gone 0.0) (Gain 0.0))\n"
                                                 "  end\n"
                                                 "end\n"));
    EXPECT_EQ(r.filter->Threading().Queue().Size(), 7u);

    // A record whose byte count does not match its bytes is refused whole.
    for (const char* bad : {"{0500000001}", "{01}", "{FFFFFF7F00}"}) {
        const std::string damaged = std::string(
                                        "object VideoViewerFrame1: TComponent object VDAVILogger1: "
                                        "TVDAVILogger ColorBits = 1 AudioCompression.Compressions = "
                                        "<item Format.FormatData = ") +
                                    bad + " end> end end";
        EXPECT_THROW(PNReadRoot(*r.frame, platform::ParseFormText(damaged)), EComponentStreamError) << bad;
        EXPECT_EQ(r.logger->ColorBits(), TVDColorBits::cb16_565);
        EXPECT_EQ(r.logger->AudioCompression().Compressions().Count(), 2u);
    }
}

TEST_F(FormStream, AssignCopiesPublishedSettingsButNeitherNameNorPins) {
    Roots r;
    r.makeFrame(false);
    r.makeForm(false);
    configure(r);
    link(r);
    const std::string before = links(*r.frame) + links(*r.form);
    r.panel2->Assign(*r.panel1);
    EXPECT_EQ(r.panel2->Gain, 0);
    EXPECT_EQ(r.panel2->Name(), "Panel2");
    EXPECT_EQ(links(*r.frame) + links(*r.form), before);

    auto other = PNOwned<TVDAVILogger>::make(nullptr, "Other");
    other->Assign(*r.logger);
    EXPECT_EQ(other->Name(), "Other");
    EXPECT_EQ(other->FileName(), "/tmp/export.avi");
    EXPECT_EQ(other->ColorBits(), TVDColorBits::cb16_565);
    ASSERT_EQ(other->AudioCompression().Compressions().Count(), 2u);
    EXPECT_EQ(other->AudioCompression().Compressions().Items(0).Format().FormatData(), kFormat);
    EXPECT_FALSE(other->InputPin().GetSourcePin());
    EXPECT_THROW(r.panel2->Assign(*r.frame), std::invalid_argument);

    TSGThreading& threading = r.filter->Threading();
    auto filter2 = PNOwned<TVDGenericFilter>::make(nullptr, "Filter2");
    filter2->SetThreading(threading);
    EXPECT_EQ(filter2->Threading().Queue().Size(), 30u);
    EXPECT_EQ(filter2->Threading().Priority(), TThreadPriority::tpHigher);
}

TEST_F(FormStream, AFrameStoredUnderAnotherNameLinksToItsNewName) {
    Roots r;
    r.makeFrame(true);
    const auto tree = platform::ParseFormText(
        "object VideoViewerFrame: TComponent\n"
        "  object VDGenericFilter1: TVDGenericFilter\n"
        "    OutputPin.Form = VideoViewerFrame\n"
        "    OutputPin.SinkPins = (VideoViewerFrame.VDAVILogger1.InputPin)\n"
        "  end\n"
        "end\n");
    PNReadRoot(*r.frame, tree);
    EXPECT_EQ(r.logger->InputPin().GetSourcePin(), &r.filter->OutputPin());
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

// A link whose notify-after pin is its own sink, not loaded: taking the
// link off lets go of the placeholder only once it is no longer used.
TEST_F(FormStream, ALinkThatWaitsOnItsOwnSinkGoesWithItsSource) {
    Roots r;
    r.makeFrame(true);
    PNReadRoot(*r.frame, platform::ParseFormText("object VideoViewerFrame1: TComponent\n"
                                                 "  object VDGenericFilter1: TVDGenericFilter\n"
                                                 "    OutputPin.SinkPins = ((In In) (Out In))\n"
                                                 "  end\n"
                                                 "end\n"));
    EXPECT_EQ(PNUnloadedPinCount(), 2u);
    r.dropFrame();
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

TEST_F(FormStream, DamagedStreamsChangeNoLink) {
    Roots r;
    r.makeFrame(false);
    r.makeForm(false);
    link(r);
    const std::string before = links(*r.frame) + links(*r.form);
    const std::string good = platform::FormText(PNWriteRoot(*r.form));
    const std::vector<std::string> damaged = {
        // a bad entry after good ones: the good ones are not made either
        "object PlayerForm: TComponent object Panel2: TTestPanel Level.SinkPins = (PlayerForm.Panel2.In1 'x') "
        "end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel Tap.SinkPins = (A.B.C) Nope = 1 end end",
        "object PlayerForm: TComponent object Panel9: TTestPanel end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel In1.SourcePin = 5 end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel In1.SourcePin = ((A.B.C)) end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel Probe.State = ('') end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel Outputs.Pins = (nil nil nil) end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel Outputs.Pins = (Sinks) end end",
        "object PlayerForm: TComponent object Panel2: TTestPanel "
        "Meter.StateConverter = ('D' '{00000000-0000-0000-0000-000000000000}' 'x') end end",
    };
    for (const auto& text : damaged) {
        EXPECT_THROW(PNReadRoot(*r.form, platform::ParseFormText(text)), EComponentStreamError) << text;
        EXPECT_EQ(links(*r.frame) + links(*r.form), before) << text;
        EXPECT_FALSE(r.form->InState(csLoading));
        EXPECT_EQ(PNUnloadedPinCount(), 0u);
    }
    // Read again as written: nothing changes either.
    PNReadRoot(*r.form, platform::ParseFormText(good));
    EXPECT_EQ(links(*r.frame) + links(*r.form), before);
}

TEST_F(FormStream, AStateLinkThroughAConverterComesBack) {
    std::string text, expected;
    {
        Roots r;
        r.makeForm(false);
        ASSERT_TRUE(r.panel2->Level->ConnectByState(*r.panel2->Meter));
        ASSERT_TRUE(r.panel2->Meter->IsConnectedByConverterTo(*r.panel2->Level));
        expected = links(*r.form);
        text = platform::FormText(PNWriteRoot(*r.form));
    }
    EXPECT_NE(text.find("    Meter.StateConverter = ('PlayerFormLink1' '{A0000000-0000-0000-0000-00000000000A}' "
                        "'{C0000000-0000-0000-0000-00000000000C}')\n"),
              std::string::npos)
        << text;
    Roots r;
    r.makeForm(true);
    PNReadRoot(*r.form, platform::ParseFormText(text));
    EXPECT_EQ(links(*r.form), expected);
    EXPECT_EQ(platform::FormText(PNWriteRoot(*r.form)), text);
}

// Counts the operations on every lock of the library.
struct LockOperations : IPNDBGNotify {
    std::atomic<std::size_t> count{0};
    void Notify(const TPNLock&, TPNDBOperation, std::thread::id) override { ++count; }
};

TEST_F(FormStream, LinksToPinsNotLoadedCostTheSameEachHoweverMany) {
    // The export's filter linked to `n` pins of a root that never loads,
    // each but the first to be notified after the one before: read, written
    // and read again into the loaded frame, then gone with it.
    const auto loadAndUnload = [](int n) {
        std::string sinks = "P0.X.In";
        for (int i = 1; i < n; ++i) sinks += " (P" + std::to_string(i) + ".X.In P" + std::to_string(i - 1) + ".X.In)";
        const auto tree = platform::ParseFormText(
            "object VideoViewerFrame1: TComponent object VDGenericFilter1: "
            "TVDGenericFilter OutputPin.SinkPins = (" +
            sinks + " VideoViewerFrame1.VDAVILogger1.InputPin) end end");
        auto frame = std::make_unique<TComponent>(nullptr, "VideoViewerFrame1", TComponentKind::Frame);
        auto filter = PNOwned<TVDGenericFilter>::make(frame.get(), "VDGenericFilter1");
        auto logger = PNOwned<TVDAVILogger>::make(frame.get(), "VDAVILogger1");
        PNReadRoot(*frame, tree);
        PNReadRoot(*frame, PNWriteRoot(*frame));
        EXPECT_EQ(PNUnloadedPinCount(), static_cast<std::size_t>(n));
        EXPECT_EQ(filter->OutputPin().GetSinkCount(), static_cast<std::size_t>(n) + 1);
        EXPECT_EQ(logger->InputPin().GetSourcePin(), &filter->OutputPin());
        logger.reset();
        filter.reset();
        EXPECT_EQ(PNUnloadedPinCount(), 0u);
    };
    // Twice the links, twice the work: counted in lock operations, which
    // every step of a link takes, a pin's going told to every other pin
    // once took for each of the others.
    const auto operations = std::make_shared<LockOperations>();
    GOWAddDBGListener(operations);
    std::size_t counted[2] = {};
    for (int i = 0; i < 2; ++i) {
        operations->count = 0;
        loadAndUnload(1000 << i);
        counted[i] = operations->count;
    }
    GOWRemoveDBGListener(operations);
    EXPECT_LT(counted[1], counted[0] * 21 / 10) << counted[0] << " " << counted[1];
    // Many links in a time that no cost per link growing with their number
    // would come near: 0.3 s here in a release build and 6 s under the
    // address sanitizer, where it took hours.
    const auto start = std::chrono::steady_clock::now();
    loadAndUnload(8000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(FormStream, APlaceholderStillWaitingAtExitEndsCleanly) {
    // Its root never loaded: the process ends with it registered. The
    // child runs the test afresh: worker threads of the parent do not fork.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            makeSource({kA}).reset();  // this thread has used a pin's destroy guard
            PNMakeUnloadedPin(nullptr, "PlayerForm.Panel2.Tap", "PlayerForm.Panel2.Tap", "PlayerForm.Panel2.Tap",
                              TPNPinType::ptSource);
            std::exit(PNUnloadedPinCount() == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FormStream, PinListsInsertNameAndKeepNamedPins) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    TComponent owner(&form, "C1");
    auto a = makeSource({kA}, &owner);
    auto b = makeSource({kA}, &owner);
    TPNPinList list(&owner, nullptr, false);
    owner.PublishPinList("Refs", list);
    list.Add(*a);
    list.Insert(0, *b, "First");
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"First", "Pin [1]"}));
    EXPECT_EQ(list.StoredNames(), (std::vector<std::string>{"First", ""}));
    list.SetName(1, "Second");
    EXPECT_EQ(list.GetName(1), "Second");
    EXPECT_EQ(b->GetFullName(true), "Form1.C1.Refs.First");
    EXPECT_EQ(b->GetFullIdentName(true), "Form1.C1.Refs._Pin0");

    const auto tree = PNWriteRoot(form);
    EXPECT_EQ(platform::FormText(tree),
              "object Form1: TComponent\n"
              "  object C1: TComponent\n"
              "    Refs.Names = ('First' 'Second')\n"
              "    Refs.Form = Form1\n"
              "    Refs.Pins = (Form1.C1.Refs._Pin0 Form1.C1.Refs._Pin1)\n"
              "  end\n"
              "end\n");

    // A list that does not own its pins reads names of pins of other roots
    // as placeholders; at run time, once loaded, it drops them.
    TComponent other(nullptr, "Form2", TComponentKind::Form);
    TComponent holder(&other, "C2");
    TPNPinList refs(&holder, nullptr, false);
    holder.PublishPinList("Refs", refs);
    PNReadRoot(other, platform::ParseFormText("object Form2: TComponent object C2: TComponent "
                                              "Refs.Pins = (Form1.C1.Out Form1.C1.Refs._Pin0) end end"));
    EXPECT_EQ(refs.PublishedCount(), 2u);
    EXPECT_EQ(refs.PublishedPin(1), b.get());
    EXPECT_EQ(refs.GetCount(), 1u);
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

TEST_F(FormStream, SinkAssignTakesTheOtherSinksSource) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    TComponent owner(&form, "C1");
    auto src = makeSource({kA}, &owner);
    auto k1 = PNMakePin<TestSink>("k1", sharedLog(), std::vector{kA}, &owner);
    auto k2 = PNMakePin<TestSink>("k2", sharedLog(), std::vector{kA}, &owner);
    ASSERT_TRUE(k1->Connect(src.get()));
    k2->Assign(k1.get());
    EXPECT_EQ(k2->GetSourcePin(), src.get());
    k2->Assign(nullptr);
    EXPECT_EQ(k2->GetSourcePin(), nullptr);
    EXPECT_EQ(src->GetSinkCount(), 1u);
}

}  // namespace
