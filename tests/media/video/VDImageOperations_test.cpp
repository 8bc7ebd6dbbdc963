// The whole-image operations against per-element references, with the
// source's store (shared with a third frame) left as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "ImageTestKit.h"
#include "media/video/VDSimpleImageBuffer.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;
using testkit::pixels;
using testkit::randomFrame;
using Element = std::uint32_t;

// The elements of a frame: bytes, or 16-bit words for the word formats.
std::vector<Element> elements(const TVDImageBuffer& frame) {
    const std::vector<std::uint8_t> bytes = pixels(frame);
    const bool words = frame.GetFormat() == F::vfGray16 || frame.GetFormat() == F::vfRGB565;
    std::vector<Element> out;
    for (std::size_t i = 0; i < bytes.size(); i += words ? 2 : 1)
        out.push_back(words ? bytes[i] | bytes[i + 1] << 8 : bytes[i]);
    return out;
}

// Half of a value, ties to even: what scale factor 1 does.
Element halve(std::uint64_t v) { return static_cast<Element>((v >> 1) + ((v & 1) & ((v >> 1) & 1))); }

Element quotient(Element a, Element b, Element max) {
    if (b == 0) return a ? max : 0;
    Element q = a / (2 * b);
    const Element twiceRest = 2 * (a % (2 * b));
    return q + (twiceRest > 2 * b || (twiceRest == 2 * b && (q & 1)));
}

struct PairCase {
    const char* name;
    std::function<void(TVDImageBuffer&, const IVDImageBuffer&)> run;
    std::function<Element(Element a, Element b, Element max)> reference;
    bool logic = false;  // also on RGB565, as words
};

const PairCase kPairs[] = {
    {"Add", [](auto& t, auto& s) { t.Add(s); }, [](Element a, Element b, Element m) { return std::min(halve(a + b), m); }},
    {"Subtract", [](auto& t, auto& s) { t.Subtract(s); }, [](Element a, Element b, Element) { return a > b ? halve(a - b) : 0; }},
    {"Multiply", [](auto& t, auto& s) { t.Multiply(s); },
     [](Element a, Element b, Element m) { return std::min<Element>(halve(std::uint64_t{a} * b), m); }},
    {"MultiplyScale", [](auto& t, auto& s) { t.MultiplyScale(s); },
     [](Element a, Element b, Element m) {
         const std::uint64_t p = std::uint64_t{a} * b;
         const int bits = m == 255 ? 8 : 16;
         return static_cast<Element>((p + (p >> bits) + 1) >> bits);
     }},
    {"Divide", [](auto& t, auto& s) { t.Divide(s); }, quotient},
    {"AbsDiff", [](auto& t, auto& s) { t.AbsDiff(s); }, [](Element a, Element b, Element) { return a > b ? a - b : b - a; }},
    {"LAnd", [](auto& t, auto& s) { t.LAnd(s); }, [](Element a, Element b, Element) { return a & b; }, true},
    {"LOr", [](auto& t, auto& s) { t.LOr(s); }, [](Element a, Element b, Element) { return a | b; }, true},
    {"LXor", [](auto& t, auto& s) { t.LXor(s); }, [](Element a, Element b, Element) { return a ^ b; }, true},
};

TEST(VDImageOperations, TwoFramesAgainstReferencesSourceUntouched) {
    for (const PairCase& op : kPairs)
        for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale, F::vfGray16, F::vfRGB565}) {
            if (format == F::vfRGB565 && !op.logic) continue;
            SCOPED_TRACE(std::string(op.name) + " " + VDFormatName(format));
            const auto frame = randomFrame(9, 5, format, 1);
            const auto source = randomFrame(9, 5, format, 2);
            if (op.name == std::string("Divide")) source->SetPixel(3, 2, 0);  // a zero divisor
            const auto keeper = TVDImageBuffer::CreateCopy(source);
            const std::vector<Element> a = elements(*frame), b = elements(*source);
            const auto sourceBytes = pixels(*source);

            op.run(*frame, source);
            EXPECT_EQ(frame->GetFormat(), format);
            EXPECT_EQ(&keeper->GetBuffer(), &source->GetBuffer());
            EXPECT_EQ(pixels(*source), sourceBytes);
            const std::vector<Element> result = elements(*frame);
            const Element max = format == F::vfGray16 ? 65535 : 255;
            for (std::size_t i = 0; i < a.size(); ++i) {
                const bool alpha = format == F::vfRGBA32 && i % 4 == 3 && op.name != std::string("AbsDiff");
                ASSERT_EQ(result[i], alpha ? a[i] : op.reference(a[i], b[i], max)) << i << ": " << a[i] << ", " << b[i];
            }
        }
}

TEST(VDImageOperations, TwoFramesOfOtherSizesAndFormats) {
    const auto small = TVDImageBuffer::CreateSize(4, 2, F::vfRGB24);
    small->SetValue(VDGreyColor(51));
    const auto big = TVDImageBuffer::CreateSize(8, 6, F::vfRGB24);
    big->SetValue(VDGreyColor(100));
    big->Add(small);
    EXPECT_EQ(big->GetPixel(3, 1), VDGreyColor(76));  // 151 / 2, half to even
    EXPECT_EQ(big->GetPixel(4, 1), VDGreyColor(100));
    EXPECT_EQ(big->GetPixel(3, 2), VDGreyColor(100));

    const auto grey = TVDImageBuffer::CreateSize(4, 2, F::vfGrayScale);
    grey->SetValue(std::uint8_t{50});
    grey->Add(big);
    EXPECT_EQ(grey->GetFormat(), F::vfRGB24);
    EXPECT_EQ(grey->GetPixel(0, 0), VDGreyColor(63));  // (50 + 76) / 2
    const auto rgb = randomFrame(4, 2, F::vfRGB24, 3);
    const auto keeper = TVDImageBuffer::CreateCopy(small);
    small->SetFormat(F::vfGrayScale);
    rgb->Subtract(small);
    EXPECT_EQ(small->GetFormat(), F::vfGrayScale);

    const auto a = TVDImageBuffer::CreateSize(3, 3, F::vfGrayScale);
    a->SetValue(std::uint8_t{10});
    const auto b = TVDImageBuffer::CreateSize(3, 3, F::vfGrayScale);
    b->SetValue(std::uint8_t{250});
    const auto diff = TVDImageBuffer::CreateSize(1, 1, F::vfRGBA32);
    diff->AbsDiff(a, b);
    EXPECT_EQ(diff->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(pixels(*diff), std::vector<std::uint8_t>(9, 240));
    EXPECT_EQ(pixels(*a), std::vector<std::uint8_t>(9, 10));
}

struct ValueCase {
    const char* name;
    std::function<void(TVDImageBuffer&, TColor)> colourForm;
    std::function<void(TVDImageBuffer&, TVDValue32)> wideForm;
    std::function<Element(Element, Element)> reference;
    bool keepsAlpha = true;
};

const ValueCase kValues[] = {
    {"AddValue", [](auto& f, TColor c) { f.AddValue(c); }, [](auto& f, TVDValue32 v) { f.AddValue(v); },
     [](Element a, Element c) { return std::min<Element>(halve(a + c), 255); }},
    {"SubtractValue", [](auto& f, TColor c) { f.SubtractValue(c); }, [](auto& f, TVDValue32 v) { f.SubtractValue(v); },
     [](Element a, Element c) { return a > c ? halve(a - c) : 0; }, false},
    {"MultiplyValue", [](auto& f, TColor c) { f.MultiplyValue(c); }, [](auto& f, TVDValue32 v) { f.MultiplyValue(v); },
     [](Element a, Element c) { return std::min<Element>(halve(a * c), 255); }},
    {"MultiplyScaleValue", [](auto& f, TColor c) { f.MultiplyScaleValue(c); },
     [](auto& f, TVDValue32 v) { f.MultiplyScaleValue(v); },
     [](Element a, Element c) { return (a * c + (a * c >> 8) + 1) >> 8; }},
    {"DivideValue", [](auto& f, TColor c) { f.DivideValue(c); }, [](auto& f, TVDValue32 v) { f.DivideValue(v); },
     [](Element a, Element c) { return quotient(a, c, 255); }},
    {"LAndValue", [](auto& f, TColor c) { f.LAndValue(c); }, [](auto& f, TVDValue32 v) { f.LAndValue(v); },
     [](Element a, Element c) { return a & c; }},
    {"LOrValue", [](auto& f, TColor c) { f.LOrValue(c); }, [](auto& f, TVDValue32 v) { f.LOrValue(v); },
     [](Element a, Element c) { return a | c; }},
    {"LXorValue", [](auto& f, TColor c) { f.LXorValue(c); }, [](auto& f, TVDValue32 v) { f.LXorValue(v); },
     [](Element a, Element c) { return a ^ c; }},
    {"LShiftValue", [](auto& f, TColor c) { f.LShiftValue(c); }, [](auto& f, TVDValue32 v) { f.LShiftValue(v); },
     [](Element a, Element c) { return c < 8 ? (a << c) & 255 : 0; }},
    {"RShiftValue", [](auto& f, TColor c) { f.RShiftValue(c); }, [](auto& f, TVDValue32 v) { f.RShiftValue(v); },
     [](Element a, Element c) { return c < 8 ? a >> c : 0; }},
};

// Each byte of the constant acts on the stored channel of its place: a
// colour's red byte on blue. The divisors are powers of two, which the
// primitive's reciprocal divides exactly.
TEST(VDImageOperations, ConstantsActOnTheChannelOfTheirByte) {
    const std::uint8_t constant[4] = {1, 2, 4, 8};
    const TColor colour = VDColor(constant[0], constant[1], constant[2]);
    for (const ValueCase& op : kValues)
        for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale})
            for (const bool wide : {false, true}) {
                SCOPED_TRACE(std::string(op.name) + " " + VDFormatName(format) + (wide ? " 32-bit" : " colour"));
                const auto frame = randomFrame(7, 3, format, 4);
                const auto start = TVDImageBuffer::CreateCopy(frame);
                start->CheckChangeFormat(true, true);  // what the operation does first
                const std::vector<Element> a = elements(*start);
                if (wide) op.wideForm(*frame, VDValue32(colour, constant[3]));
                else op.colourForm(*frame, colour);
                EXPECT_EQ(frame->GetFormat(), format == F::vfRGBA32 ? F::vfRGBA32 : F::vfRGB24);
                const std::vector<Element> result = elements(*frame);
                const std::size_t channels = format == F::vfRGBA32 ? 4 : 3;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    const bool alpha = i % channels == 3;
                    const bool kept = alpha && !wide && op.keepsAlpha;
                    const Element c = alpha && !wide ? 0 : constant[i % channels];  // a colour's high byte is 0
                    ASSERT_EQ(result[i], kept ? a[i] : op.reference(a[i], c)) << i;
                }
            }
}

TEST(VDImageOperations, NotAndSquareOfASourceLeaveTheSourceAlone) {
    for (const F format : {F::vfRGB24, F::vfRGBA32}) {
        SCOPED_TRACE(VDFormatName(format));
        const auto frame = randomFrame(6, 4, format, 5);
        const auto source = randomFrame(4, 3, F::vfGrayScale, 6);
        const auto keeper = TVDImageBuffer::CreateCopy(source);
        const auto sourceBytes = pixels(*source);
        const auto before = TVDImageBuffer::CreateCopy(frame);
        frame->LNot(source);
        const auto squared = TVDImageBuffer::CreateCopy(frame);
        squared->Sqr(source);
        EXPECT_EQ(pixels(*source), sourceBytes);
        EXPECT_EQ(&source->GetBuffer(), &keeper->GetBuffer());
        for (std::uint32_t y = 0; y < 4; ++y)
            for (std::uint32_t x = 0; x < 6; ++x) {
                const bool inside = x < 4 && y < 3;
                const std::uint8_t v = inside ? source->GetGrayScale(x, y) : 0;
                EXPECT_EQ(frame->GetPixel(x, y), inside ? VDGreyColor(~v & 255) : before->GetPixel(x, y));
                EXPECT_EQ(squared->GetPixel(x, y), inside ? VDGreyColor(std::min(halve(v * v), 255u)) : before->GetPixel(x, y));
                EXPECT_EQ(frame->GetAlpha(x, y), before->GetAlpha(x, y));
            }
        const auto whole = TVDImageBuffer::CreateCopy(before);
        whole->LNot();
        whole->Sqr();
        EXPECT_EQ(whole->GetRed(5, 3), std::min(halve((255 - before->GetRed(5, 3)) * (255 - before->GetRed(5, 3))), 255u));
    }
}

TEST(VDImageOperations, FillsWidenEightBitValuesOneWay) {
    const TColor red = VDColor(255, 0, 0);
    const auto grey = TVDImageBuffer::CreateSize(3, 2, F::vfGrayScale);
    grey->SetValue(red);
    EXPECT_EQ(grey->GetGrayScale(2, 1), 76);  // 76.245
    const auto grey16 = TVDImageBuffer::CreateSize(3, 2, F::vfGray16);
    grey16->SetValue(red);
    EXPECT_EQ(elements(*grey16), std::vector<Element>(6, 76 * 257));
    grey16->SetValue(std::uint8_t{255});
    EXPECT_EQ(elements(*grey16), std::vector<Element>(6, 65535));
    grey16->SetFormat(F::vfGrayScale);
    EXPECT_EQ(grey16->GetGrayScale(0, 0), 255);

    // 16-bit RGB words as the store holds them: each channel's top bits.
    for (const F format : {F::vfRGB565, F::vfRGB555}) {
        const auto words = TVDImageBuffer::CreateSize(3, 2, format);
        words->SetValue(VDColor(200, 101, 55));
        const std::uint8_t greenMask = format == F::vfRGB565 ? 0xFC : 0xF8;
        EXPECT_EQ(words->GetPixel(1, 1), VDColor(200 & 0xF8, 101 & greenMask, 55 & 0xF8)) << VDFormatName(format);
    }

    const auto frame = TVDImageBuffer::CreateSize(3, 2, F::vfRGBA32);
    frame->SetValue(VDValue32(red, 255));
    EXPECT_EQ(frame->GetFormat(), F::vfRGB24);
    frame->SetValue(VDValue32(red, 128));
    EXPECT_EQ(frame->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(pixels(*frame)[2], 255);  // blue, green, red, alpha
    EXPECT_EQ(frame->GetAlpha(2, 1), 128);
    frame->SetValue(VDColor(1, 2, 3));
    EXPECT_EQ(frame->GetPixel(0, 0), VDColor(1, 2, 3));
    EXPECT_EQ(frame->GetAlpha(0, 0), 128);
    frame->Zero(7);
    EXPECT_EQ(frame->GetPixel(0, 1), 0u);
    EXPECT_EQ(frame->GetAlpha(0, 1), 7);

    const auto yuy2 = TVDImageBuffer::CreateSize(4, 2, F::vfYUY2);
    yuy2->SetValue(std::uint8_t{9});
    EXPECT_EQ(yuy2->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(pixels(*yuy2), std::vector<std::uint8_t>({9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255,
                                                        9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255}));
    yuy2->SetGrayScale(std::uint8_t{4});
    EXPECT_EQ(yuy2->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(pixels(*yuy2), std::vector<std::uint8_t>(8, 4));
}

TEST(VDImageOperations, AlphaOfASharedFrameAndComposition) {
    const auto frame = randomFrame(5, 2, F::vfRGBA32, 7);
    frame->SetAlphaChannel(200);
    const auto other = TVDImageBuffer::CreateCopy(frame);
    frame->SetAlpha(std::uint8_t{0});
    EXPECT_NE(&frame->GetBuffer(), &other->GetBuffer());
    EXPECT_EQ(frame->GetPixel(4, 1), other->GetPixel(4, 1));
    EXPECT_EQ(frame->GetAlpha(4, 1), 0);
    EXPECT_EQ(other->GetAlpha(4, 1), 200);

    // An opaque source over this frame replaces its colours.
    const auto base = randomFrame(5, 2, F::vfRGB24, 8);
    const auto top = randomFrame(3, 2, F::vfGrayScale, 9);
    const auto before = TVDImageBuffer::CreateCopy(base);
    base->AlphaComp(top, primitives::ippAlphaOver);
    EXPECT_EQ(base->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(top->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(base->GetPixel(2, 1), VDGreyColor(top->GetGrayScale(2, 1)));
    EXPECT_EQ(base->GetPixel(3, 1), before->GetPixel(3, 1));
}

}  // namespace
}  // namespace oculon::mediavideo
