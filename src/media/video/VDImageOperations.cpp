// The image buffer's whole-image operations. Each brings the frame (and, for
// two frames, a private copy of the second where its format differs) into a
// format that a primitive takes, then makes one call of that primitive over
// the picture, writing only after unsharing.

#include <algorithm>
#include <array>

#include "media/primitives/AlphaComposition.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageLogic.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/ScaledConstantArithmetic.h"
#include "media/primitives/ScaledImageArithmetic.h"
#include "media/primitives/ScaledSampleArithmetic.h"
#include "media/video/VDSimpleImageBuffer.h"

namespace oculon::mediavideo {

namespace prim = oculon::primitives;
using F = TVDVideoFormat;
using prim::Ipp16s;
using prim::Ipp16u;
using prim::Ipp32u;
using prim::Ipp8u;
using prim::IppiSize;

namespace {

// The scale factor of every scaled primitive here: results are halved.
constexpr int kHalve = 1;

IppiSize wholePicture(const TVDImageBuffer& frame) {
    return {static_cast<int>(frame.GetWidth()), static_cast<int>(frame.GetHeight())};
}

IppiSize commonPicture(const TVDImageBuffer& a, const TVDImageBuffer& b) {
    return {static_cast<int>(std::min(a.GetWidth(), b.GetWidth())),
            static_cast<int>(std::min(a.GetHeight(), b.GetHeight()))};
}

int stepOf(const TVDImageBuffer& frame) { return static_cast<int>(frame.GetStep()); }

// The source itself when it has `format`, else a private converted copy:
// the caller's frame is never converted.
IVDImageBuffer sourceIn(const IVDImageBuffer& source, F format) {
    if (source->GetFormat() == format) return source;
    IVDImageBuffer copy = TVDImageBuffer::CreateCopy(source);
    copy->SetFormat(format);
    return copy;
}

// For fills that overwrite every pixel: a fresh store of `format`, as a
// conversion would give but without converting what is overwritten anyway.
void freshIn(TVDImageBuffer& frame, F format) { frame.SetImageSizeFormat(frame.GetWidth(), frame.GetHeight(), format); }

// --- Two frames ------------------------------------------------------------------

// dst := dst op src over `size`.
template <class T>
using PairRoutine = void (*)(const T* src, int srcStep, T* dst, int dstStep, IppiSize size);

template <auto& Fn, class T>
void plain(const T* s, int ss, T* d, int ds, IppiSize size) {
    Fn(s, ss, d, ds, size);
}

template <auto& Fn, class T>
void halved(const T* s, int ss, T* d, int ds, IppiSize size) {
    Fn(s, ss, d, ds, size, kHalve);
}

// The unsigned 16-bit arithmetic primitives take two sources: dst is the
// second (the minuend of a difference) and the destination.
template <auto& Fn>
void halvedInto(const Ipp16u* s, int ss, Ipp16u* d, int ds, IppiSize size) {
    Fn(s, ss, d, ds, d, ds, size, kHalve);
}

// Every byte of the pixel alike, alpha included.
template <int Bytes>
void absDiffBytes(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize size) {
    prim::ippiAbsDiff_8u_C1R(s, ss, d, ds, d, ds, {size.width * Bytes, size.height});
}

void absDiffWords(const Ipp16u* s, int ss, Ipp16u* d, int ds, IppiSize size) {
    prim::ippiAbsDiff_16u_C1R(s, ss, d, ds, d, ds, size);
}

// Unsigned 16-bit quotients, halved and rounded half to even like the
// primitives' (no primitive divides unsigned 16-bit samples); a zero divisor
// gives 65535, or 0 for a zero dividend.
void divideWords(const Ipp16u* s, int ss, Ipp16u* d, int ds, IppiSize size) {
    for (int y = 0; y < size.height; ++y) {
        const auto* divisors = reinterpret_cast<const Ipp16u*>(prim::region::row(s, ss, y));
        auto* items = reinterpret_cast<Ipp16u*>(prim::region::row(d, ds, y));
        for (int x = 0; x < size.width; ++x) {
            const std::uint32_t n = items[x];
            const std::uint32_t den = 2u * divisors[x];
            if (den == 0) {
                items[x] = n ? 65535 : 0;
                continue;
            }
            std::uint32_t q = n / den;
            const std::uint32_t twiceRest = 2u * (n % den);
            if (twiceRest > den || (twiceRest == den && (q & 1u))) ++q;
            items[x] = static_cast<Ipp16u>(q);
        }
    }
}

struct PairOperation {
    bool convert16;  // the flags of CheckChangeFormat
    bool convertGrey;
    PairRoutine<Ipp8u> rgb;    // RGB24 and values past the last format
    PairRoutine<Ipp8u> rgba;   // alpha kept, except by AbsDiff
    PairRoutine<Ipp8u> grey;   // GrayScale
    PairRoutine<Ipp16u> word;  // Gray16, and the 16-bit RGB formats in logic
};

const PairOperation kAdd{true,
                         false,
                         &halved<prim::ippiAdd_8u_C3IRSfs, Ipp8u>,
                         &halved<prim::ippiAdd_8u_AC4IRSfs, Ipp8u>,
                         &halved<prim::ippiAdd_8u_C1IRSfs, Ipp8u>,
                         &halvedInto<prim::ippiAdd_16u_C1RSfs>};
const PairOperation kSubtract{true,
                              false,
                              &halved<prim::ippiSub_8u_C3IRSfs, Ipp8u>,
                              &halved<prim::ippiSub_8u_AC4IRSfs, Ipp8u>,
                              &halved<prim::ippiSub_8u_C1IRSfs, Ipp8u>,
                              &halvedInto<prim::ippiSub_16u_C1RSfs>};
const PairOperation kMultiply{true,
                              false,
                              &halved<prim::ippiMul_8u_C3IRSfs, Ipp8u>,
                              &halved<prim::ippiMul_8u_AC4IRSfs, Ipp8u>,
                              &halved<prim::ippiMul_8u_C1IRSfs, Ipp8u>,
                              &halvedInto<prim::ippiMul_16u_C1RSfs>};
const PairOperation kMultiplyScale{true,
                                   false,
                                   &plain<prim::ippiMulScale_8u_C3IR, Ipp8u>,
                                   &plain<prim::ippiMulScale_8u_AC4IR, Ipp8u>,
                                   &plain<prim::ippiMulScale_8u_C1IR, Ipp8u>,
                                   &plain<prim::ippiMulScale_16u_C1IR, Ipp16u>};
const PairOperation kDivide{true,
                            false,
                            &halved<prim::ippiDiv_8u_C3IRSfs, Ipp8u>,
                            &halved<prim::ippiDiv_8u_AC4IRSfs, Ipp8u>,
                            &halved<prim::ippiDiv_8u_C1IRSfs, Ipp8u>,
                            &divideWords};
const PairOperation kAbsDiff{true, false, &absDiffBytes<3>, &absDiffBytes<4>, &absDiffBytes<1>, &absDiffWords};
// The 16-bit RGB formats stay and are combined as whole words.
const PairOperation kAnd{false,
                         false,
                         &plain<prim::ippiAnd_8u_C3IR, Ipp8u>,
                         &plain<prim::ippiAnd_8u_AC4IR, Ipp8u>,
                         &plain<prim::ippiAnd_8u_C1IR, Ipp8u>,
                         &plain<prim::ippiAnd_16u_C1IR, Ipp16u>};
const PairOperation kOr{false,
                        false,
                        &plain<prim::ippiOr_8u_C3IR, Ipp8u>,
                        &plain<prim::ippiOr_8u_AC4IR, Ipp8u>,
                        &plain<prim::ippiOr_8u_C1IR, Ipp8u>,
                        &plain<prim::ippiOr_16u_C1IR, Ipp16u>};
const PairOperation kXor{false,
                         false,
                         &plain<prim::ippiXor_8u_C3IR, Ipp8u>,
                         &plain<prim::ippiXor_8u_AC4IR, Ipp8u>,
                         &plain<prim::ippiXor_8u_C1IR, Ipp8u>,
                         &plain<prim::ippiXor_16u_C1IR, Ipp16u>};

// frame := frame op source over their common top-left rectangle.
void runPair(TVDImageBuffer& frame, const IVDImageBuffer& source, const PairOperation& op) {
    IVDImageBuffer src = source;
    if (source->GetFormat() != frame.GetFormat()) {
        const F common = frame.GetFormat() == F::vfRGBA32 ? F::vfRGBA32 : F::vfRGB24;
        frame.SetFormat(common);
        src = sourceIn(source, common);
    }
    if (frame.CheckChangeFormat(op.convert16, op.convertGrey)) src = sourceIn(source, F::vfRGB24);
    const IppiSize size = commonPicture(frame, *src);
    Ipp8u* dst = frame.Modify();  // before reading: when the source is this frame, it may move
    const Ipp8u* from = src->Read();
    const int ss = stepOf(*src);
    const int ds = stepOf(frame);
    switch (frame.GetFormat()) {
        case F::vfRGBA32: op.rgba(from, ss, dst, ds, size); break;
        case F::vfGrayScale: op.grey(from, ss, dst, ds, size); break;
        case F::vfGray16:
        case F::vfRGB565:
        case F::vfRGB555:
            op.word(reinterpret_cast<const Ipp16u*>(from), ss, reinterpret_cast<Ipp16u*>(dst), ds, size);
            break;
        default: op.rgb(from, ss, dst, ds, size); break;
    }
}

// --- One frame and a constant --------------------------------------------------

// The constant's four bytes in memory order, as bytes or as shift counts.
template <class Item>
std::array<Item, 4> constantOf(std::uint32_t value) {
    return {Item(value & 0xFF), Item(value >> 8 & 0xFF), Item(value >> 16 & 0xFF), Item(value >> 24)};
}

// One constant operation: C3 on the 24-bit family; on RGBA32 AC4 for a
// colour, C4 for a 32-bit value. Every other format becomes RGB24 first.
// `Scale` is the scale factor of the primitives that take one.
template <class Item, auto& C3, auto& AC4, auto& C4, int... Scale>
struct ValueOperation {
    static void Run(TVDImageBuffer& frame, TColor colour) { Run(frame, colour, true); }
    static void Run(TVDImageBuffer& frame, TVDValue32 value) { Run(frame, static_cast<std::uint32_t>(value), false); }

private:
    static void Run(TVDImageBuffer& frame, std::uint32_t value, bool colourForm) {
        frame.CheckChangeFormat(true, true);
        const std::array<Item, 4> constant = constantOf<Item>(value);
        const IppiSize size = wholePicture(frame);
        const int step = stepOf(frame);
        Ipp8u* dst = frame.Modify();
        if (frame.GetFormat() != F::vfRGBA32) C3(constant.data(), dst, step, size, Scale...);
        else if (colourForm) AC4(constant.data(), dst, step, size, Scale...);
        else C4(constant.data(), dst, step, size, Scale...);
    }
};

using AddC =
    ValueOperation<Ipp8u, prim::ippiAddC_8u_C3IRSfs, prim::ippiAddC_8u_AC4IRSfs, prim::ippiAddC_8u_C4IRSfs, kHalve>;
// No primitive subtracts a constant from three of four bytes: alpha changes too.
using SubC =
    ValueOperation<Ipp8u, prim::ippiSubC_8u_C3IRSfs, prim::ippiSubC_8u_C4IRSfs, prim::ippiSubC_8u_C4IRSfs, kHalve>;
using MulC =
    ValueOperation<Ipp8u, prim::ippiMulC_8u_C3IRSfs, prim::ippiMulC_8u_AC4IRSfs, prim::ippiMulC_8u_C4IRSfs, kHalve>;
using MulCScale =
    ValueOperation<Ipp8u, prim::ippiMulCScale_8u_C3IR, prim::ippiMulCScale_8u_AC4IR, prim::ippiMulCScale_8u_C4IR>;
using DivC =
    ValueOperation<Ipp8u, prim::ippiDivC_8u_C3IRSfs, prim::ippiDivC_8u_AC4IRSfs, prim::ippiDivC_8u_C4IRSfs, kHalve>;
using AndC = ValueOperation<Ipp8u, prim::ippiAndC_8u_C3IR, prim::ippiAndC_8u_AC4IR, prim::ippiAndC_8u_C4IR>;
using OrC = ValueOperation<Ipp8u, prim::ippiOrC_8u_C3IR, prim::ippiOrC_8u_AC4IR, prim::ippiOrC_8u_C4IR>;
using XorC = ValueOperation<Ipp8u, prim::ippiXorC_8u_C3IR, prim::ippiXorC_8u_AC4IR, prim::ippiXorC_8u_C4IR>;
// The shifts read one 32-bit count per channel: each byte of the constant
// becomes one.
using LShiftC =
    ValueOperation<Ipp32u, prim::ippiLShiftC_8u_C3IR, prim::ippiLShiftC_8u_AC4IR, prim::ippiLShiftC_8u_C4IR>;
using RShiftC =
    ValueOperation<Ipp32u, prim::ippiRShiftC_8u_C3IR, prim::ippiRShiftC_8u_AC4IR, prim::ippiRShiftC_8u_C4IR>;

// --- One frame ----------------------------------------------------------------------

template <auto& C3, auto& AC4, class... Extra>
void runUnary(TVDImageBuffer& frame, Extra... extra) {
    frame.CheckChangeFormat(true, true);
    const IppiSize size = wholePicture(frame);
    const int step = stepOf(frame);
    Ipp8u* dst = frame.Modify();
    (frame.GetFormat() == F::vfRGBA32 ? AC4 : C3)(dst, step, size, extra...);
}

// frame := op(source) over the common rectangle; the rest of the frame stays.
template <auto& C3, auto& AC4, class... Extra>
void runUnaryFrom(TVDImageBuffer& frame, const IVDImageBuffer& source, Extra... extra) {
    frame.CheckChangeFormat(true, true);
    const IVDImageBuffer src = sourceIn(source, frame.GetFormat());
    const IppiSize size = commonPicture(frame, *src);
    Ipp8u* dst = frame.Modify();
    const Ipp8u* from = src->Read();
    (frame.GetFormat() == F::vfRGBA32 ? AC4 : C3)(from, stepOf(*src), dst, stepOf(frame), size, extra...);
}

// --- Fill values -------------------------------------------------------------------

// 0.299 R + 0.587 G + 0.114 B, to the nearest integer with ties to even,
// counted in thousandths so that ties are exact.
// The grey of a colour, 0.299 R + 0.587 G + 0.114 B, times `scale`, to the
// nearest integer (ties to even), exact in integers.
std::uint32_t greyTimes(TColor colour, std::uint32_t scale) {
    const std::uint32_t n =
        (299u * VDColorRed(colour) + 587u * VDColorGreen(colour) + 114u * VDColorBlue(colour)) * scale;
    std::uint32_t q = n / 1000;
    const std::uint32_t rest = n % 1000;
    if (rest > 500 || (rest == 500 && (q & 1u))) ++q;
    return q;
}
std::uint8_t fillGrey(TColor colour) { return static_cast<std::uint8_t>(greyTimes(colour, 1)); }
// A 16-bit grey fill keeps the fraction an 8-bit one rounds away.
std::uint16_t fillGrey16(TColor colour) { return static_cast<std::uint16_t>(greyTimes(colour, 256)); }

// An 8-bit value as a 16-bit sample: the rule of the grey conversions.
std::uint16_t wide(std::uint8_t value) { return static_cast<std::uint16_t>(value * 257); }

// The word a 16-bit RGB store holds for a colour: blue in bits 0-4, each
// channel its top bits, as the conversions and the pixel setters write it.
std::uint16_t word565(TColor c) {
    return static_cast<std::uint16_t>((VDColorRed(c) >> 3) << 11 | (VDColorGreen(c) >> 2) << 5 | VDColorBlue(c) >> 3);
}
std::uint16_t word555(TColor c) {
    return static_cast<std::uint16_t>((VDColorRed(c) >> 3) << 10 | (VDColorGreen(c) >> 3) << 5 | VDColorBlue(c) >> 3);
}

void fillWords(TVDImageBuffer& frame, std::uint16_t value) {
    prim::ippiSet_16s_C1R(static_cast<Ipp16s>(value), reinterpret_cast<Ipp16s*>(frame.Write()), stepOf(frame),
                          wholePicture(frame));
}

void fillBytes(TVDImageBuffer& frame, std::uint8_t value) {
    prim::ippiSet_8u_C1R(value, frame.Write(), stepOf(frame), wholePicture(frame));
}

// Fills with blue, green, red (a colour's bytes reversed): RGB24 as it is
// overwritten whole, RGBA32 keeping alpha.
void fillRGB(TVDImageBuffer& frame, TColor colour) {
    const Ipp8u bgr[3] = {VDColorBlue(colour), VDColorGreen(colour), VDColorRed(colour)};
    if (frame.GetFormat() == F::vfRGBA32)
        prim::ippiSet_8u_AC4R(bgr, frame.Modify(), stepOf(frame), wholePicture(frame));
    else prim::ippiSet_8u_C3R(bgr, frame.Write(), stepOf(frame), wholePicture(frame));
}

void fillRGBA(TVDImageBuffer& frame, TColor colour, std::uint8_t alpha) {
    freshIn(frame, F::vfRGBA32);
    const Ipp8u bgra[4] = {VDColorBlue(colour), VDColorGreen(colour), VDColorRed(colour), alpha};
    prim::ippiSet_8u_C4R(bgra, frame.Write(), stepOf(frame), wholePicture(frame));
}

}  // namespace

void TVDImageBuffer::AlphaComp(const IVDImageBuffer& source, prim::IppiAlphaType alphaType) {
    SetFormat(F::vfRGBA32);
    const IVDImageBuffer src = sourceIn(source, F::vfRGBA32);
    const IppiSize size = commonPicture(*this, *src);
    Ipp8u* dst = Modify();
    prim::ippiAlphaComp_8u_AC4R(src->Read(), stepOf(*src), dst, stepOf(*this), dst, stepOf(*this), size, alphaType);
}

void TVDImageBuffer::Add(const IVDImageBuffer& source) { runPair(*this, source, kAdd); }
void TVDImageBuffer::Subtract(const IVDImageBuffer& source) { runPair(*this, source, kSubtract); }
void TVDImageBuffer::Multiply(const IVDImageBuffer& source) { runPair(*this, source, kMultiply); }
void TVDImageBuffer::MultiplyScale(const IVDImageBuffer& source) { runPair(*this, source, kMultiplyScale); }
void TVDImageBuffer::Divide(const IVDImageBuffer& source) { runPair(*this, source, kDivide); }
void TVDImageBuffer::AbsDiff(const IVDImageBuffer& source) { runPair(*this, source, kAbsDiff); }
void TVDImageBuffer::LAnd(const IVDImageBuffer& source) { runPair(*this, source, kAnd); }
void TVDImageBuffer::LOr(const IVDImageBuffer& source) { runPair(*this, source, kOr); }
void TVDImageBuffer::LXor(const IVDImageBuffer& source) { runPair(*this, source, kXor); }

void TVDImageBuffer::AssignAnd(const IVDImageBuffer& first, const IVDImageBuffer& second,
                               void (TVDImageBuffer::*operation)(const IVDImageBuffer&)) {
    // When the second operand is this frame, its picture is held apart
    // before this frame takes the first one's.
    const IVDImageBuffer operand = second.get() == this ? CreateCopy(second) : second;
    Assign(first);
    (this->*operation)(operand);
}

void TVDImageBuffer::Add(const IVDImageBuffer& a, const IVDImageBuffer& b) { AssignAnd(a, b, &TVDImageBuffer::Add); }
void TVDImageBuffer::Subtract(const IVDImageBuffer& a, const IVDImageBuffer& b) {
    AssignAnd(a, b, &TVDImageBuffer::Subtract);
}
void TVDImageBuffer::Multiply(const IVDImageBuffer& a, const IVDImageBuffer& b) {
    AssignAnd(a, b, &TVDImageBuffer::Multiply);
}
void TVDImageBuffer::MultiplyScale(const IVDImageBuffer& a, const IVDImageBuffer& b) {
    AssignAnd(a, b, &TVDImageBuffer::MultiplyScale);
}
void TVDImageBuffer::Divide(const IVDImageBuffer& a, const IVDImageBuffer& b) {
    AssignAnd(a, b, &TVDImageBuffer::Divide);
}
void TVDImageBuffer::AbsDiff(const IVDImageBuffer& a, const IVDImageBuffer& b) {
    AssignAnd(a, b, &TVDImageBuffer::AbsDiff);
}
void TVDImageBuffer::LAnd(const IVDImageBuffer& a, const IVDImageBuffer& b) { AssignAnd(a, b, &TVDImageBuffer::LAnd); }
void TVDImageBuffer::LOr(const IVDImageBuffer& a, const IVDImageBuffer& b) { AssignAnd(a, b, &TVDImageBuffer::LOr); }
void TVDImageBuffer::LXor(const IVDImageBuffer& a, const IVDImageBuffer& b) { AssignAnd(a, b, &TVDImageBuffer::LXor); }

void TVDImageBuffer::AddValue(TColor colour) { AddC::Run(*this, colour); }
void TVDImageBuffer::AddValue(TVDValue32 value) { AddC::Run(*this, value); }
void TVDImageBuffer::SubtractValue(TColor colour) { SubC::Run(*this, colour); }
void TVDImageBuffer::SubtractValue(TVDValue32 value) { SubC::Run(*this, value); }
void TVDImageBuffer::MultiplyValue(TColor colour) { MulC::Run(*this, colour); }
void TVDImageBuffer::MultiplyValue(TVDValue32 value) { MulC::Run(*this, value); }
void TVDImageBuffer::MultiplyScaleValue(TColor colour) { MulCScale::Run(*this, colour); }
void TVDImageBuffer::MultiplyScaleValue(TVDValue32 value) { MulCScale::Run(*this, value); }
void TVDImageBuffer::DivideValue(TColor colour) { DivC::Run(*this, colour); }
void TVDImageBuffer::DivideValue(TVDValue32 value) { DivC::Run(*this, value); }
void TVDImageBuffer::LAndValue(TColor colour) { AndC::Run(*this, colour); }
void TVDImageBuffer::LAndValue(TVDValue32 value) { AndC::Run(*this, value); }
void TVDImageBuffer::LOrValue(TColor colour) { OrC::Run(*this, colour); }
void TVDImageBuffer::LOrValue(TVDValue32 value) { OrC::Run(*this, value); }
void TVDImageBuffer::LXorValue(TColor colour) { XorC::Run(*this, colour); }
void TVDImageBuffer::LXorValue(TVDValue32 value) { XorC::Run(*this, value); }
void TVDImageBuffer::LShiftValue(TColor colour) { LShiftC::Run(*this, colour); }
void TVDImageBuffer::LShiftValue(TVDValue32 value) { LShiftC::Run(*this, value); }
void TVDImageBuffer::RShiftValue(TColor colour) { RShiftC::Run(*this, colour); }
void TVDImageBuffer::RShiftValue(TVDValue32 value) { RShiftC::Run(*this, value); }

void TVDImageBuffer::LNot() { runUnary<prim::ippiNot_8u_C3IR, prim::ippiNot_8u_AC4IR>(*this); }
void TVDImageBuffer::LNot(const IVDImageBuffer& source) {
    runUnaryFrom<prim::ippiNot_8u_C3R, prim::ippiNot_8u_AC4R>(*this, source);
}
void TVDImageBuffer::Sqr() { runUnary<prim::ippiSqr_8u_C3IRSfs, prim::ippiSqr_8u_AC4IRSfs>(*this, kHalve); }
void TVDImageBuffer::Sqr(const IVDImageBuffer& source) {
    runUnaryFrom<prim::ippiSqr_8u_C3RSfs, prim::ippiSqr_8u_AC4RSfs>(*this, source, kHalve);
}

void TVDImageBuffer::SetValue(TColor colour) {
    switch (FFormat) {
        case F::vfRGBA32: fillRGB(*this, colour); break;
        case F::vfGrayScale: fillBytes(*this, fillGrey(colour)); break;
        case F::vfGray16: fillWords(*this, fillGrey16(colour)); break;
        case F::vfRGB565: fillWords(*this, word565(colour)); break;
        case F::vfRGB555: fillWords(*this, word555(colour)); break;
        default:
            freshIn(*this, F::vfRGB24);
            fillRGB(*this, colour);
            break;
    }
}

void TVDImageBuffer::SetValue(TVDValue32 value) {
    const auto v = static_cast<std::uint32_t>(value);
    const TColor colour = v & 0xFFFFFFu;
    const auto alpha = static_cast<std::uint8_t>(v >> 24);
    if (alpha != 255) {
        fillRGBA(*this, colour, alpha);
        return;
    }
    freshIn(*this, F::vfRGB24);
    fillRGB(*this, colour);
}

void TVDImageBuffer::SetValue(std::uint8_t value) {
    switch (FFormat) {
        case F::vfRGB24:
        case F::vfRGBA32: fillRGB(*this, VDGreyColor(value)); break;
        case F::vfGrayScale: fillBytes(*this, value); break;
        case F::vfGray16: fillWords(*this, wide(value)); break;
        default: fillRGBA(*this, VDGreyColor(value), 255); break;
    }
}

void TVDImageBuffer::SetValue(std::uint8_t value, std::uint8_t alpha) {
    if (FFormat == F::vfRGBA32) fillRGBA(*this, VDGreyColor(value), alpha);
    else SetValue(value);
}

void TVDImageBuffer::SetValue(TColor colour, std::uint8_t alpha) {
    if (FFormat == F::vfRGBA32) fillRGBA(*this, colour, alpha);
    else SetValue(colour);
}

void TVDImageBuffer::SetAlpha(std::uint8_t value) { SetAlphaChannel(value); }

void TVDImageBuffer::SetGrayScale(std::uint8_t value) {
    freshIn(*this, F::vfGrayScale);
    fillBytes(*this, value);
}

}  // namespace oculon::mediavideo
