#pragma once
// The sample routines that the audio buffers and pixel stores call directly,
// not through a bound entry point: 24-bit and 32-bit fills and copies, the
// wrapping 8s/24s/32s arithmetic, scalings between sample widths,
// multiplication by a real factor and the 16-bit pixel conversions.

#include "media/primitives/MultiplyByReal.h"
#include "media/primitives/PackedSamples.h"
#include "media/primitives/Pixel16Conversion.h"
#include "media/primitives/SampleWidthScaling.h"
#include "media/primitives/WrappingSampleArithmetic.h"
