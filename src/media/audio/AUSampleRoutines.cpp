#include "media/audio/AUSampleRoutines.h"

#include "media/primitives/IPPExtraFunctions.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/IntegerDivision.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/SampleFillCopy.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/SampleWalk.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/ScaledSampleArithmetic.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::audio {

namespace {

namespace prim = oculon::primitives;
using Bytes = std::uint8_t;
using prim::Ipp16s;
using prim::Ipp32s;
using prim::Ipp8u;
using prim::IppiSize;

// What the primitives of a width take: the sample pointer type T, the type
// of a constant V, and the codec of one sample.
struct W8 {
    using T = Ipp8u;
    using V = Ipp8u;
    using Codec = prim::samples::Bytes;
};
struct W16 {
    using T = Ipp16s;
    using V = Ipp16s;
    using Codec = prim::samples::Shorts;
};
struct W24 {
    using T = Ipp8u;
    using V = Ipp32s;
    using Codec = prim::samples::Packed24;
};
struct W32 {
    using T = Ipp32s;
    using V = Ipp32s;
    using Codec = prim::samples::Longs;
};

// The samples are aligned to their width: blocks are 32-byte aligned, the
// header is 40 bytes and a frame holds whole samples.
template <class T>
T* as(Bytes* p) {
    return reinterpret_cast<T*>(p);
}
template <class T>
const T* as(const Bytes* p) {
    return reinterpret_cast<const T*>(p);
}
IppiSize column(int rows) { return {1, rows}; }

template <class W, auto& Fn>
void columnWithColumn(const Bytes* s, int sStep, Bytes* d, int dStep, int rows) {
    Fn(as<typename W::T>(s), sStep, as<typename W::T>(d), dStep, column(rows), 0);
}
template <class W, auto& Fn>
void runWithValue(std::int32_t v, Bytes* p, int n) {
    Fn(static_cast<typename W::V>(v), as<typename W::T>(p), n, 0);
}
template <class W, auto& Fn>
void runFromWithValue(const Bytes* s, std::int32_t v, Bytes* d, int n) {
    Fn(as<typename W::T>(s), static_cast<typename W::V>(v), as<typename W::T>(d), n, 0);
}
template <class W, auto& Fn>
void columnWithValue(std::int32_t v, Bytes* p, int step, int rows) {
    Fn(static_cast<typename W::V>(v), as<typename W::T>(p), step, column(rows), 0);
}
template <class W, auto& Fn>
void setRun(std::int32_t v, Bytes* p, int n) {
    Fn(static_cast<typename W::V>(v), as<typename W::T>(p), n);
}
template <class W, auto& Fn>
void zeroRun(Bytes* p, int n) {
    Fn(as<typename W::T>(p), n);
}
template <class W, auto& Fn>
void setColumn(std::int32_t v, Bytes* p, int step, int rows) {
    Fn(static_cast<typename W::V>(v), as<typename W::T>(p), step, column(rows));
}
template <class W, auto& Fn>
void copyColumn(const Bytes* s, int sStep, Bytes* d, int dStep, int rows) {
    Fn(as<typename W::T>(s), sStep, as<typename W::T>(d), dStep, column(rows));
}
template <class W, auto& Fn>
void multiplyRun(double f, Bytes* p, int n) {
    Fn(f, as<typename W::T>(p), W::Codec::kBytes, IppiSize{n, 1});
}
template <class W, auto& Fn>
void multiplyRunFrom(double f, const Bytes* s, Bytes* d, int n) {
    Fn(f, as<typename W::T>(s), as<typename W::T>(d), W::Codec::kBytes, IppiSize{n, 1});
}

// The 8-bit run divides by the rule of the out-of-place division, in place.
void divideBytes(std::int32_t v, Bytes* p, int n) { prim::ippsDivC_8u_Sfs(p, static_cast<Ipp8u>(v), p, n, 0); }

template <class W>
constexpr TAUSampleRoutines common(int zeroLevel) {
    TAUSampleRoutines r{};
    r.bytes = W::Codec::kBytes;
    r.zeroLevel = zeroLevel;
    r.load = &W::Codec::load;
    r.store = &W::Codec::store;
    return r;
}

constexpr TAUSampleRoutines k8 = [] {
    TAUSampleRoutines r = common<W8>(127);
    r.columnWithColumn = {
        columnWithColumn<W8, prim::ippiAdd_8s_C1IRSfs>, columnWithColumn<W8, prim::ippiSub_8s_C1IRSfs>,
        columnWithColumn<W8, prim::ippiMul_8s_C1IRSfs>, columnWithColumn<W8, prim::ippiDiv_8s_C1IRSfs>};
    r.runWithValue = {runWithValue<W8, prim::ippsAddC_8u_ISfs>, runWithValue<W8, prim::ippsSubC_8u_ISfs>,
                      runWithValue<W8, prim::ippsMulC_8u_ISfs>, divideBytes};
    r.runFromWithValue = {runFromWithValue<W8, prim::ippsAddC_8u_Sfs>, runFromWithValue<W8, prim::ippsSubC_8u_Sfs>,
                          runFromWithValue<W8, prim::ippsMulC_8u_Sfs>, runFromWithValue<W8, prim::ippsDivC_8u_Sfs>};
    r.columnWithValue = {columnWithValue<W8, prim::ippiAddC_8u_C1IRSfs>, columnWithValue<W8, prim::ippiSubC_8u_C1IRSfs>,
                         columnWithValue<W8, prim::ippiMulC_8u_C1IRSfs>,
                         columnWithValue<W8, prim::ippiDivC_8u_C1IRSfs>};
    r.setRun = setRun<W8, prim::ippsSet_8u>;
    r.zeroRun = zeroRun<W8, prim::ippsZero_8u>;
    r.setColumn = setColumn<W8, prim::ippiSet_8u_C1R>;
    r.copyColumn = copyColumn<W8, prim::ippiCopy_8u_C1R>;
    r.multiplyRun = multiplyRun<W8, prim::MultiplyByReal8uI>;
    r.multiplyRunFrom = multiplyRunFrom<W8, prim::MultiplyByReal8u>;
    return r;
}();

constexpr TAUSampleRoutines k16 = [] {
    TAUSampleRoutines r = common<W16>(0);
    r.columnWithColumn = {
        columnWithColumn<W16, prim::ippiAdd_16s_C1IRSfs>, columnWithColumn<W16, prim::ippiSub_16s_C1IRSfs>,
        columnWithColumn<W16, prim::ippiMul_16s_C1IRSfs>, columnWithColumn<W16, prim::ippiDiv_16s_C1IRSfs>};
    r.runWithValue = {runWithValue<W16, prim::ippsAddC_16s_ISfs>, runWithValue<W16, prim::ippsSubC_16s_ISfs>,
                      runWithValue<W16, prim::ippsMulC_16s_ISfs>, runWithValue<W16, prim::ippsDivC_16s_ISfs>};
    r.runFromWithValue = {runFromWithValue<W16, prim::ippsAddC_16s_Sfs>, runFromWithValue<W16, prim::ippsSubC_16s_Sfs>,
                          runFromWithValue<W16, prim::ippsMulC_16s_Sfs>, runFromWithValue<W16, prim::ippsDivC_16s_Sfs>};
    r.columnWithValue = {
        columnWithValue<W16, prim::ippiAddC_16s_C1IRSfs>, columnWithValue<W16, prim::ippiSubC_16s_C1IRSfs>,
        columnWithValue<W16, prim::ippiMulC_16s_C1IRSfs>, columnWithValue<W16, prim::ippiDivC_16s_C1IRSfs>};
    r.setRun = setRun<W16, prim::ippsSet_16s>;
    r.zeroRun = zeroRun<W16, prim::ippsZero_16s>;
    r.setColumn = setColumn<W16, prim::ippiSet_16s_C1R>;
    r.copyColumn = copyColumn<W16, prim::ippiCopy_16s_C1R>;
    r.multiplyRun = multiplyRun<W16, prim::MultiplyByReal16sI>;
    r.multiplyRunFrom = multiplyRunFrom<W16, prim::MultiplyByReal16s>;
    return r;
}();

constexpr TAUSampleRoutines k24 = [] {
    TAUSampleRoutines r = common<W24>(0);
    r.columnWithColumn = {
        columnWithColumn<W24, prim::ippiAdd_24s_C1IRSfs>, columnWithColumn<W24, prim::ippiSub_24s_C1IRSfs>,
        columnWithColumn<W24, prim::ippiMul_24s_C1IRSfs>, columnWithColumn<W24, prim::ippiDiv_24s_C1IRSfs>};
    r.runWithValue = {runWithValue<W24, prim::ippsAddC_24s_ISfs>, runWithValue<W24, prim::ippsSubC_24s_ISfs>,
                      runWithValue<W24, prim::ippsMulC_24s_ISfs>, runWithValue<W24, prim::ippsDivC_24s_ISfs>};
    r.runFromWithValue = {runFromWithValue<W24, prim::ippsAddC_24s_Sfs>, runFromWithValue<W24, prim::ippsSubC_24s_Sfs>,
                          runFromWithValue<W24, prim::ippsMulC_24s_Sfs>, runFromWithValue<W24, prim::ippsDivC_24s_Sfs>};
    r.columnWithValue = {
        columnWithValue<W24, prim::ippiAddC_24s_C1IRSfs>, columnWithValue<W24, prim::ippiSubC_24s_C1IRSfs>,
        columnWithValue<W24, prim::ippiMulC_24s_C1IRSfs>, columnWithValue<W24, prim::ippiDivC_24s_C1IRSfs>};
    r.setRun = setRun<W24, prim::ippsSet_24s>;
    r.zeroRun = zeroRun<W24, prim::ippsZero_24s>;
    r.setColumn = setColumn<W24, prim::ippiSet_24s_C1R>;
    r.copyColumn = copyColumn<W24, prim::ippiCopy_24s_C1R>;
    r.multiplyRun = multiplyRun<W24, prim::MultiplyByReal24sI>;
    r.multiplyRunFrom = multiplyRunFrom<W24, prim::MultiplyByReal24s>;
    return r;
}();

constexpr TAUSampleRoutines k32 = [] {
    TAUSampleRoutines r = common<W32>(0);
    r.columnWithColumn = {
        columnWithColumn<W32, prim::ippiAdd_32s_C1IRSfs>, columnWithColumn<W32, prim::ippiSub_32s_C1IRSfs>,
        columnWithColumn<W32, prim::ippiMul_32s_C1IRSfs>, columnWithColumn<W32, prim::ippiDiv_32s_C1IRSfs>};
    r.runWithValue = {runWithValue<W32, prim::ippsAddC_32s_ISfs>, runWithValue<W32, prim::ippsSubC_32s_ISfs>,
                      runWithValue<W32, prim::ippsMulC_32s_ISfs>, runWithValue<W32, prim::ippsDivC_32s_ISfs>};
    r.runFromWithValue = {runFromWithValue<W32, prim::ippsAddC_32s_Sfs>, runFromWithValue<W32, prim::ippsSubC_32s_Sfs>,
                          runFromWithValue<W32, prim::ippsMulC_32s_Sfs>, runFromWithValue<W32, prim::ippsDivC_32s_Sfs>};
    r.columnWithValue = {
        columnWithValue<W32, prim::ippiAddC_32s_C1IRSfs>, columnWithValue<W32, prim::ippiSubC_32s_C1IRSfs>,
        columnWithValue<W32, prim::ippiMulC_32s_C1IRSfs>, columnWithValue<W32, prim::ippiDivC_32s_C1IRSfs>};
    r.setRun = setRun<W32, prim::ippsSet_32s>;
    r.zeroRun = zeroRun<W32, prim::ippsZero_32s>;
    r.setColumn = setColumn<W32, prim::ippiSet_32s_C1R>;
    r.copyColumn = copyColumn<W32, prim::ippiCopy_32s_C1R>;
    r.multiplyRun = multiplyRun<W32, prim::MultiplyByReal32sI>;
    r.multiplyRunFrom = multiplyRunFrom<W32, prim::MultiplyByReal32s>;
    return r;
}();

// The scalings between widths; the narrowing ones are asked for the fast form.
using Scale = void(const Bytes* source, int sourceStep, Bytes* target, int targetStep, int rows);
template <class S, class D, auto& Fn>
void widen(const Bytes* s, int sStep, Bytes* d, int dStep, int rows) {
    Fn(as<typename S::T>(s), sStep, as<typename D::T>(d), dStep, column(rows));
}
template <class S, class D, auto& Fn>
void narrow(const Bytes* s, int sStep, Bytes* d, int dStep, int rows) {
    Fn(as<typename S::T>(s), sStep, as<typename D::T>(d), dStep, column(rows), prim::ippAlgHintFast);
}

// [from][to], by width / 8 - 1; the diagonal copies.
Scale* const kScales[4][4] = {
    {copyColumn<W8, prim::ippiCopy_8u_C1R>, widen<W8, W16, prim::ippiScale_8u16s_C1R>,
     widen<W8, W24, prim::ippiScale_8u24s_C1R>, widen<W8, W32, prim::ippiScale_8u32s_C1R>},
    {narrow<W16, W8, prim::ippiScale_16s8u_C1R>, copyColumn<W16, prim::ippiCopy_16s_C1R>,
     widen<W16, W24, prim::ippiScale_16s24s_C1R>, widen<W16, W32, prim::ippiScale_16s32s_C1R>},
    {narrow<W24, W8, prim::ippiScale_24s8u_C1R>, narrow<W24, W16, prim::ippiScale_24s16s_C1R>,
     copyColumn<W24, prim::ippiCopy_24s_C1R>, widen<W24, W32, prim::ippiScale_24s32s_C1R>},
    {narrow<W32, W8, prim::ippiScale_32s8u_C1R>, narrow<W32, W16, prim::ippiScale_32s16s_C1R>,
     narrow<W32, W24, prim::ippiScale_32s24s_C1R>, copyColumn<W32, prim::ippiCopy_32s_C1R>},
};

}  // namespace

const TAUSampleRoutines* AUSampleRoutines(unsigned width) {
    switch (width) {
        case 8: return &k8;
        case 16: return &k16;
        case 24: return &k24;
        case 32: return &k32;
        default: return nullptr;
    }
}

void AUConvertColumn(const std::uint8_t* source, unsigned sourceWidth, int sourceStep, std::uint8_t* target,
                     unsigned targetWidth, int targetStep, int rows) {
    kScales[sourceWidth / 8 - 1][targetWidth / 8 - 1](source, sourceStep, target, targetStep, rows);
}

}  // namespace oculon::audio
