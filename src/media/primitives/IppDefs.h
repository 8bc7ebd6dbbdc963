#pragma once
// The element types, region types, enumerations and status codes shared by
// every primitive entry point, with the numbering of the IPP 5.1 interface so
// that a library export and a built-in body are interchangeable.

#include <bit>
#include <cstdint>

namespace oculon::primitives {

using Ipp8u = std::uint8_t;
using Ipp8s = std::int8_t;
using Ipp16u = std::uint16_t;
using Ipp16s = std::int16_t;
using Ipp32u = std::uint32_t;
using Ipp64u = std::uint64_t;
using Ipp32s = std::int32_t;
using Ipp32f = float;
using Ipp64f = double;

struct Ipp16sc {
    Ipp16s re;
    Ipp16s im;
};

struct Ipp32fc {
    Ipp32f re;
    Ipp32f im;
};

struct Ipp64fc {
    Ipp64f re;
    Ipp64f im;
};

// The NaN that floating-point bodies write for an undefined result (a zero
// over zero, a root or logarithm of a negative number): quiet, sign set.
inline constexpr double kIppNaN = std::bit_cast<double>(std::uint64_t{0xFFF8000000000000});

// Width and height of a region in pixels, passed by value.
struct IppiSize {
    int width;
    int height;
};

enum IppiAxis : int { ippAxsHorizontal = 0, ippAxsVertical = 1, ippAxsBoth = 2 };
enum IppRoundMode : int { ippRndZero = 0, ippRndNear = 1 };
enum IppHintAlgorithm : int { ippAlgHintNone = 0, ippAlgHintFast = 1, ippAlgHintAccurate = 2 };
enum IppCmpOp : int { ippCmpLess = 0, ippCmpLessEq = 1, ippCmpEq = 2, ippCmpGreaterEq = 3, ippCmpGreater = 4 };
// Porter-Duff operations on straight colours (0..5) and on premultiplied
// colours (6..11).
enum IppiAlphaType : int {
    ippAlphaOver = 0,
    ippAlphaIn = 1,
    ippAlphaOut = 2,
    ippAlphaATop = 3,
    ippAlphaXor = 4,
    ippAlphaPlus = 5,
    ippAlphaOverPremul = 6,
    ippAlphaInPremul = 7,
    ippAlphaOutPremul = 8,
    ippAlphaATopPremul = 9,
    ippAlphaXorPremul = 10,
    ippAlphaPlusPremul = 11,
};

// 0 success, negative an error (nothing or only the stated part written),
// positive a warning (the work was done).
using IppStatus = std::int32_t;

inline constexpr IppStatus ippStsNoErr = 0;
inline constexpr IppStatus ippStsSqrtNegArg = 3;
inline constexpr IppStatus ippStsDivByZero = 6;
inline constexpr IppStatus ippStsLnZeroArg = 7;
inline constexpr IppStatus ippStsLnNegArg = 8;
inline constexpr IppStatus ippStsBadArgErr = -5;
inline constexpr IppStatus ippStsSizeErr = -6;
inline constexpr IppStatus ippStsNullPtrErr = -8;
inline constexpr IppStatus ippStsMemAllocErr = -9;
inline constexpr IppStatus ippStsDivByZeroErr = -10;
inline constexpr IppStatus ippStsStepErr = -14;
inline constexpr IppStatus ippStsFftOrderErr = -15;
inline constexpr IppStatus ippStsFftFlagErr = -16;
inline constexpr IppStatus ippStsContextMatchErr = -17;
inline constexpr IppStatus ippStsThreshNegLevelErr = -19;
inline constexpr IppStatus ippStsMirrorFlipErr = -21;
inline constexpr IppStatus ippStsInterpolationErr = -22;
inline constexpr IppStatus ippStsResizeFactorErr = -23;
inline constexpr IppStatus ippStsFIRLenErr = -26;
inline constexpr IppStatus ippStsShiftErr = -32;
inline constexpr IppStatus ippStsMaskSizeErr = -33;
inline constexpr IppStatus ippStsAnchorErr = -34;
inline constexpr IppStatus ippStsJaehneErr = -38;
inline constexpr IppStatus ippStsHugeWinErr = -39;
inline constexpr IppStatus ippStsAlphaTypeErr = -50;
inline constexpr IppStatus ippStsNumChannelsErr = -53;
inline constexpr IppStatus ippStsChannelOrderErr = -60;
inline constexpr IppStatus ippStsLUTNofLevelsErr = -106;
inline constexpr IppStatus ippStsNotEvenStepErr = -108;

// The name of a status code ("ippStsSizeErr"), or null for a code without one.
const char* ippStatusName(IppStatus status);

}  // namespace oculon::primitives
