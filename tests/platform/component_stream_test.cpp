#include "platform/ComponentStream.h"

#include <gtest/gtest.h>

#include <limits>

using namespace oculon::platform;

namespace {

TStreamObject sampleForm() {
    TStreamObject filter{"TVDGenericFilter", "VDGenericFilter1", {}, {}};
    filter.Properties.push_back({"OutputPin.Form", TStreamValue::Ident("VideoViewerFrame1")});
    filter.Properties.push_back(
        {"OutputPin.SinkPins", TStreamValue::List({TStreamValue::Ident("VideoViewerFrame1.VDAVILogger1.InputPin")})});
    TStreamObject root{"TVideoViewerFrame", "VideoViewerFrame1", {}, {filter}};
    return root;
}

std::vector<std::uint8_t> bytesOf(const TStreamValue& v) {
    TStreamObject o{"C", "", {{"P", v}}, {}};
    auto all = EncodeComponentStream(o);
    // signature, "C", "", "P": the value follows at byte 4 + 2 + 1 + 2
    return {all.begin() + 9, all.end() - 2};
}

}  // namespace

TEST(ComponentStream, ValueTypesHaveTheirNumbersAndLayouts) {
    EXPECT_EQ(bytesOf(TStreamValue::Ident("Ab")), (std::vector<std::uint8_t>{7, 2, 'A', 'b'}));
    EXPECT_EQ(bytesOf(TStreamValue::Integer(-2)), (std::vector<std::uint8_t>{2, 0xFE}));
    EXPECT_EQ(bytesOf(TStreamValue::Integer(300)), (std::vector<std::uint8_t>{3, 0x2C, 0x01}));
    EXPECT_EQ(bytesOf(TStreamValue::Integer(70000)), (std::vector<std::uint8_t>{4, 0x70, 0x11, 0x01, 0}));
    EXPECT_EQ(bytesOf(TStreamValue::Integer(1LL << 40)).front(), 19);
    EXPECT_EQ(bytesOf(TStreamValue::String("x")), (std::vector<std::uint8_t>{6, 1, 'x'}));
    EXPECT_EQ(bytesOf(TStreamValue::String(std::string(256, 'x'))).front(), 12);
    EXPECT_EQ(bytesOf(TStreamValue::String("\xC3\xA4")), (std::vector<std::uint8_t>{20, 2, 0, 0, 0, 0xC3, 0xA4}));
    TStreamValue wide;
    wide.Type = TValueType::vaWString;
    wide.Text = "\xC3\xA4\xF0\x9F\x98\x80";  // one BMP character, one surrogate pair
    EXPECT_EQ(bytesOf(wide), (std::vector<std::uint8_t>{18, 3, 0, 0, 0, 0xE4, 0, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(bytesOf(TStreamValue::Binary({1, 2})), (std::vector<std::uint8_t>{10, 2, 0, 0, 0, 1, 2}));
    EXPECT_EQ(bytesOf(TStreamValue::List({TStreamValue::Nil(), TStreamValue::Boolean(true)})),
              (std::vector<std::uint8_t>{1, 13, 9, 0}));
    // 1.5 as an 80-bit float: mantissa 0xC000000000000000, exponent 0x3FFF
    EXPECT_EQ(bytesOf(TStreamValue::Extended(1.5L)),
              (std::vector<std::uint8_t>{5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}));

    for (int t = 0; t < 256; ++t)
        EXPECT_EQ(GOWIsStringValueType(static_cast<TValueType>(t)), t == 6 || t == 12 || t == 18 || t == 20) << t;
}

TEST(ComponentStream, BinaryAndTextRoundTrips) {
    TStreamObject form = sampleForm();
    TStreamValue coll;
    coll.Type = TValueType::vaCollection;
    coll.CollectionItems = {{{"FormatData", TStreamValue::Binary({0x55, 0, 2})}}, {}};
    form.Properties = {
        {"Names", TStreamValue::List({TStreamValue::String("it's\tme"), TStreamValue::String("")})},
        {"Scale", TStreamValue::Extended(0.1L)},
        {"Zero", TStreamValue::Extended(0)},
        {"Big", TStreamValue::Integer(std::numeric_limits<std::int64_t>::min())},
        {"Items", coll},
        {"Nested", TStreamValue::List({TStreamValue::List({TStreamValue::Ident("A.B"), TStreamValue::Nil()})})},
    };
    const auto bytes = EncodeComponentStream(form);
    EXPECT_EQ(DecodeComponentStream(bytes.data(), bytes.size()), form);
    const std::string text = FormText(form);
    EXPECT_EQ(ParseFormText(text), form) << text;
    EXPECT_NE(text.find("  Names = ('it''s'#9'me' '')\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Items = <item FormatData = {550002} end item end>\n"), std::string::npos) << text;
}

TEST(ComponentStream, FormTextReadsAsThePinLinksAreWritten) {
    EXPECT_EQ(FormText(sampleForm()),
              "object VideoViewerFrame1: TVideoViewerFrame\n"
              "  object VDGenericFilter1: TVDGenericFilter\n"
              "    OutputPin.Form = VideoViewerFrame1\n"
              "    OutputPin.SinkPins = (VideoViewerFrame1.VDAVILogger1.InputPin)\n"
              "  end\n"
              "end\n");
}

TEST(ComponentStream, DamagedStreamsAreRefusedWithTheirPlace) {
    const auto good = EncodeComponentStream(sampleForm());
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(DecodeComponentStream(good.data(), n), EComponentStreamError) << n;
    auto extra = good;
    extra.push_back(0);
    EXPECT_THROW(DecodeComponentStream(extra.data(), extra.size()), EComponentStreamError);

    // A length of 4 GiB with nothing behind it: refused before anything is allocated.
    std::vector<std::uint8_t> huge = {'O', 'C', 'S', '1', 1, 'C', 0, 1, 'P', 10, 0xFF, 0xFF, 0xFF, 0xFF};
    try {
        DecodeComponentStream(huge.data(), huge.size());
        FAIL();
    } catch (const EComponentStreamError& e) {
        EXPECT_STREQ(e.what(), "component stream damaged at byte 14: value runs past the end of the stream");
    }
    std::vector<std::uint8_t> unknown = {'O', 'C', 'S', '1', 1, 'C', 0, 1, 'P', 99};
    EXPECT_THROW(DecodeComponentStream(unknown.data(), unknown.size()), EComponentStreamError);

    // Lists nested past the limit, in both encodings.
    std::vector<std::uint8_t> deep = {'O', 'C', 'S', '1', 1, 'C', 0, 1, 'P'};
    deep.insert(deep.end(), kMaxStreamDepth + 1, 1);
    deep.insert(deep.end(), kMaxStreamDepth + 1, 0);
    deep.push_back(0);
    deep.push_back(0);
    EXPECT_THROW(DecodeComponentStream(deep.data(), deep.size()), EComponentStreamError);
    const std::string deepText =
        "object A: B P = " + std::string(kMaxStreamDepth + 1, '(') + std::string(kMaxStreamDepth + 1, ')') + " end";
    EXPECT_THROW(ParseFormText(deepText), EComponentStreamError);

    for (const char* bad :
         {"", "object A: B", "object A: B P = end", "object A: B P = 'x end", "object A: B P = {1} end",
          "object A: B P = 99999999999999999999 end", "object A: B end junk", "object : B end"})
        EXPECT_THROW(ParseFormText(bad), EComponentStreamError) << bad;
}

TEST(ComponentStream, ReaderChecksEachValueAndDefersWhatItChanges) {
    TStreamValue v =
        TStreamValue::List({TStreamValue::Ident("A"), TStreamValue::String("b"), TStreamValue::Integer(3)});
    TApplyQueue queue;
    int applied = 0;
    TReader r(v, "X.SinkPins", queue);
    r.ReadListBegin();
    EXPECT_EQ(r.ReadIdent(), "A");
    r.Apply([&] { ++applied; });
    EXPECT_EQ(r.NextValue(), TValueType::vaString);
    try {
        r.ReadIdent();
        FAIL();
    } catch (const EComponentStreamError& e) {
        EXPECT_STREQ(e.what(), "property \"X.SinkPins\": identifier expected, found 'b'");
    }
    EXPECT_EQ(r.ReadString(), "b");
    EXPECT_DOUBLE_EQ(static_cast<double>(r.ReadFloat()), 3.0);
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    r.CheckFinished();
    EXPECT_EQ(applied, 0);
    queue.Run();
    EXPECT_EQ(applied, 1);

    TWriter w;
    w.WriteListBegin();
    w.WriteIdent("A");
    EXPECT_THROW(w.Take(), EComponentStreamError);  // the list is still open
    w.WriteListEnd();
    EXPECT_EQ(w.Take(), TStreamValue::List({TStreamValue::Ident("A")}));
}

TEST(ComponentStream, FilersStoreOnlyWhatTheConditionAllowsAndReadByPrefix) {
    std::vector<TStreamProperty> props;
    TPropertyWriteFiler wf(props);
    wf.SetPrefix("Threading.");
    wf.DefineProperty(
        "Kept", {}, [](TWriter& w) { w.WriteInteger(5); }, true);
    wf.DefineProperty(
        "Dropped", {}, [](TWriter& w) { w.WriteInteger(6); }, false);
    wf.DefineBinaryProperty(
        "Data", {},
        [](std::vector<std::uint8_t>& b) {
            b = {1, 2};
        },
        true);
    ASSERT_EQ(props.size(), 2u);
    EXPECT_EQ(props[0].Name, "Threading.Kept");

    std::vector<bool> used(props.size());
    TApplyQueue queue;
    TPropertyReadFiler rf(props, used, queue);
    rf.SetPrefix("Threading.");
    std::int64_t kept = 0;
    std::vector<std::uint8_t> data;
    rf.DefineProperty(
        "Kept", [&](TReader& r) { kept = r.ReadInteger(); }, {}, true);
    rf.DefineBinaryProperty(
        "Data", [&](const std::vector<std::uint8_t>& b, TApplyQueue&) { data = b; }, {}, true);
    EXPECT_EQ(kept, 5);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(used, (std::vector<bool>{true, true}));
    // A reader method that leaves part of its value unread is refused.
    used.assign(props.size(), false);
    EXPECT_THROW(rf.DefineProperty(
                     "Kept", [](TReader&) {}, {}, true),
                 EComponentStreamError);
}

TEST(ComponentStream, TreesAreBoundedInMemoryByTheStreamsSize) {
    // A run of empty values is a tree of 144 bytes for each byte: 4 MB of
    // nils once took more than a gigabyte; now it is refused early, in
    // both encodings.
    const std::vector<std::uint8_t> head = {'O', 'C', 'S', '1', 1, 'C', 0, 1, 'P', 1};
    const auto nils = [&](std::size_t n) {
        std::vector<std::uint8_t> s = head;
        s.insert(s.end(), n, 13);
        s.insert(s.end(), 3, 0);
        return s;
    };
    const auto big = nils(4'000'000);
    try {
        DecodeComponentStream(big.data(), big.size());
        FAIL();
    } catch (const EComponentStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("more than 32 times its size in memory"), std::string::npos) << e.what();
    }
    std::string text = "object A: C P = (";
    for (int i = 0; i < 200'000; ++i) text += "nil ";
    EXPECT_THROW(ParseFormText(text + ") end"), EComponentStreamError);

    // What a form stores stays far inside the bound: a few empty values,
    // and many links, each in both encodings.
    const auto few = nils(2000);
    EXPECT_EQ(DecodeComponentStream(few.data(), few.size()).Properties[0].Value.Items.size(), 2000u);
    TStreamValue links = TStreamValue::List();
    for (int i = 0; i < 20'000; ++i) links.Items.push_back(TStreamValue::Ident("P" + std::to_string(i) + ".X.In"));
    const TStreamObject form{"TComponent", "Form1", {{"Out.SinkPins", links}}, {}};
    const auto bytes = EncodeComponentStream(form);
    EXPECT_EQ(DecodeComponentStream(bytes.data(), bytes.size()), form);
    EXPECT_EQ(ParseFormText(FormText(form)), form);
}
