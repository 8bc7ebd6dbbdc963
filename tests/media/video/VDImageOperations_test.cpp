// The whole-image operations against per-element references, with the
// source's store (shared with a third frame) left as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

using E = Element;
using I = TVDImageBuffer;
// An operation with a second frame and with a constant, against one
// reference: reference(this element, source element or constant byte, max).
struct OperationCase {
    std::string name;
    void (I::*pair)(const IVDImageBuffer&);
    void (I::*colourForm)(TColor);
    void (I::*wideForm)(TVDValue32);
    E (*reference)(E a, E b, E max);
    bool logic = false;  // also on RGB565, whose words stay words
};
const OperationCase kOperations[] = {
    {"Add", &I::Add, &I::AddValue, &I::AddValue, [](E a, E b, E m) { return std::min(halve(a + b), m); }},
    {"Subtract", &I::Subtract, &I::SubtractValue, &I::SubtractValue,
     [](E a, E b, E) { return a > b ? halve(a - b) : 0; }},
    {"Multiply", &I::Multiply, &I::MultiplyValue, &I::MultiplyValue,
     [](E a, E b, E m) { return std::min<E>(halve(std::uint64_t{a} * b), m); }},
    {"MultiplyScale", &I::MultiplyScale, &I::MultiplyScaleValue, &I::MultiplyScaleValue,
     [](E a, E b, E m) {
         const std::uint64_t p = std::uint64_t{a} * b, bits = m == 255 ? 8 : 16;
         return static_cast<E>((p + (p >> bits) + 1) >> bits);
     }},
    {"Divide", &I::Divide, &I::DivideValue, &I::DivideValue, quotient},
    {"AbsDiff", &I::AbsDiff, nullptr, nullptr, [](E a, E b, E) { return a > b ? a - b : b - a; }},
    {"LAnd", &I::LAnd, &I::LAndValue, &I::LAndValue, [](E a, E b, E) { return a & b; }, true},
    {"LOr", &I::LOr, &I::LOrValue, &I::LOrValue, [](E a, E b, E) { return a | b; }, true},
    {"LXor", &I::LXor, &I::LXorValue, &I::LXorValue, [](E a, E b, E) { return a ^ b; }, true},
    {"LShift", nullptr, &I::LShiftValue, &I::LShiftValue, [](E a, E c, E) { return c < 8 ? (a << c) & 255 : 0; }},
    {"RShift", nullptr, &I::RShiftValue, &I::RShiftValue, [](E a, E c, E) { return c < 8 ? a >> c : 0; }},
};

// Every element against the reference; RGBA alpha stays but for AbsDiff.
TEST(VDImageOperations, TwoFramesAgainstReferencesSourceUntouched) {
    for (const OperationCase& op : kOperations)
        for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale, F::vfGray16, F::vfRGB565}) {
            if (!op.pair || (format == F::vfRGB565 && !op.logic)) continue;
            SCOPED_TRACE(op.name + " " + VDFormatName(format));
            const auto frame = randomFrame(9, 5, format, 1);
            const auto source = randomFrame(9, 5, format, 2);
            source->SetPixel(3, 2, 0);  // a zero divisor
            const auto keeper = TVDImageBuffer::CreateCopy(source);
            const std::vector<E> a = elements(*frame), b = elements(*source);
            const auto sourceBytes = pixels(*source);
            ((*frame).*op.pair)(source);
            EXPECT_EQ(frame->GetFormat(), format);
            EXPECT_EQ(&keeper->GetBuffer(), &source->GetBuffer());
            EXPECT_EQ(pixels(*source), sourceBytes);
            const std::vector<E> result = elements(*frame);
            const E max = format == F::vfGray16 ? 65535 : 255;
            for (std::size_t i = 0; i < a.size(); ++i) {
                const bool alpha = format == F::vfRGBA32 && i % 4 == 3 && op.name != "AbsDiff";
                ASSERT_EQ(result[i], alpha ? a[i] : op.reference(a[i], b[i], max)) << i << ": " << a[i] << ", " << b[i];
            }
        }
}

// Each byte of the constant acts on the stored channel of its place (a
// colour's red byte on blue, its high byte 0 on alpha, which only
// SubtractValue changes); grey frames become RGB24 first. The divisors are
// powers of two, which the primitive's reciprocal divides exactly.
TEST(VDImageOperations, ConstantsActOnTheChannelOfTheirByte) {
    const std::uint8_t constant[4] = {1, 2, 4, 8};
    const TColor colour = VDColor(constant[0], constant[1], constant[2]);
    for (const OperationCase& op : kOperations)
        for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale})
            for (const bool wide : {false, true}) {
                if (!op.colourForm) continue;
                SCOPED_TRACE(op.name + " " + VDFormatName(format) + (wide ? " 32-bit" : " colour"));
                const auto frame = randomFrame(7, 3, format, 4);
                const auto start = TVDImageBuffer::CreateCopy(frame);
                start->CheckChangeFormat(true, true);
                const std::vector<E> a = elements(*start);
                if (wide) ((*frame).*op.wideForm)(VDValue32(colour, constant[3]));
                else ((*frame).*op.colourForm)(colour);
                EXPECT_EQ(frame->GetFormat(), start->GetFormat());
                const std::vector<E> result = elements(*frame);
                const std::size_t channels = format == F::vfRGBA32 ? 4 : 3;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    const bool colourAlpha = i % channels == 3 && !wide;
                    const E expected = op.reference(a[i], colourAlpha ? 0 : constant[i % channels], 255);
                    ASSERT_EQ(result[i], colourAlpha && op.name != "Subtract" ? a[i] : expected) << i;
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

    // A grey frame with an RGB one: both RGB24, the source through a copy.
    const auto grey = TVDImageBuffer::CreateSize(2, 2, F::vfGrayScale);
    grey->SetValue(std::uint8_t{40});
    big->Subtract(grey);
    EXPECT_EQ(big->GetPixel(1, 1), VDGreyColor(18));
    EXPECT_EQ(grey->GetFormat(), F::vfGrayScale);
    grey->Add(big);
    EXPECT_EQ(grey->GetFormat(), F::vfRGB24);

    const auto a = TVDImageBuffer::CreateSize(3, 3, F::vfGrayScale);
    a->SetValue(std::uint8_t{10});
    const auto b = TVDImageBuffer::CreateSize(3, 3, F::vfGrayScale);
    b->SetValue(std::uint8_t{250});
    const auto diff = TVDImageBuffer::CreateSize(1, 1, F::vfRGBA32);
    diff->AbsDiff(a, b);
    EXPECT_EQ(diff->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(pixels(*diff), std::vector<std::uint8_t>(9, 240));

    // This frame as the second operand: b := a - b, from b as it was.
    b->SetValue(std::uint8_t{4});
    b->Subtract(a, b);
    EXPECT_EQ(pixels(*b), std::vector<std::uint8_t>(9, 3));  // (10 - 4) / 2
}

// this := op(source) over the common rectangle, through a private copy of
// the source in this frame's format; the rest of this frame stays.
TEST(VDImageOperations, NotAndSquareOfASourceLeaveTheSourceAlone) {
    for (const F format : {F::vfRGB24, F::vfRGBA32})
        for (const bool square : {false, true}) {
            SCOPED_TRACE(std::string(VDFormatName(format)) + (square ? " Sqr" : " LNot"));
            const auto frame = randomFrame(6, 4, format, 5);
            const auto before = TVDImageBuffer::CreateCopy(frame);
            const auto source = randomFrame(4, 3, F::vfGrayScale, 6);
            const auto keeper = TVDImageBuffer::CreateCopy(source);
            const auto sourceBytes = pixels(*source);
            if (square) frame->Sqr(source);
            else frame->LNot(source);
            EXPECT_EQ(pixels(*source), sourceBytes);
            EXPECT_EQ(&source->GetBuffer(), &keeper->GetBuffer());
            for (std::uint32_t y = 0; y < 4; ++y)
                for (std::uint32_t x = 0; x < 6; ++x) {
                    const E v = x < 4 && y < 3 ? source->GetGrayScale(x, y) : 256;
                    const E op = square ? std::min(halve(v * v), 255u) : 255 - v;
                    EXPECT_EQ(frame->GetPixel(x, y), v < 256 ? VDGreyColor(op & 255) : before->GetPixel(x, y));
                    EXPECT_EQ(frame->GetAlpha(x, y), before->GetAlpha(x, y));
                }
            square ? frame->Sqr() : frame->LNot();
            const E red = before->GetRed(5, 3);
            EXPECT_EQ(frame->GetRed(5, 3), square ? std::min(halve(red * red), 255u) : 255 - red);
        }
}

TEST(VDImageOperations, FillsWidenEightBitValuesOneWay) {
    const TColor red = VDColor(255, 0, 0);
    const auto grey = TVDImageBuffer::CreateSize(3, 2, F::vfGrayScale);
    grey->SetValue(red);
    EXPECT_EQ(grey->GetGrayScale(2, 1), 76);  // 76.245
    const auto grey16 = TVDImageBuffer::CreateSize(3, 2, F::vfGray16);
    // A colour fills 16-bit grey with its grey times 256, the fraction kept.
    for (const auto& [colour, value] :
         {std::pair{red, 19519}, std::pair{VDColor(200, 101, 55), 32091}, std::pair{VDColor(255, 255, 255), 65280}}) {
        grey16->SetValue(colour);
        EXPECT_EQ(elements(*grey16), std::vector<Element>(6, static_cast<Element>(value))) << value;
    }
    grey16->SetValue(std::uint8_t{255});
    EXPECT_EQ(elements(*grey16), std::vector<Element>(6, 65535));

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
    frame->Zero();
    EXPECT_EQ(frame->GetPixel(0, 1), 0u);
    EXPECT_EQ(frame->GetAlpha(0, 1), 128);  // the colour fills keep alpha

    const auto yuy2 = TVDImageBuffer::CreateSize(4, 2, F::vfYUY2);
    yuy2->SetValue(std::uint8_t{9});
    EXPECT_EQ(yuy2->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(yuy2->GetPixel(3, 1), VDGreyColor(9));
    EXPECT_EQ(yuy2->GetAlpha(3, 1), 255);
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
