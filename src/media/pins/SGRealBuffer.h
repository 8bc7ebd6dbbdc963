#pragma once
// A vector of doubles with arithmetic, conversions, statistics and
// correlation, each one call of a bound signal primitive on the buffer's
// 32-byte-aligned items. N is the buffer's own item count; an operation with
// another buffer works over the first min(N, other's count) items unless it
// says otherwise. Operations that read more items of another buffer than it
// holds throw ERangeError "Size out of range = <its count>" and change nothing.

#include <cstdint>
#include <memory>
#include <span>

#include "media/pins/SGMemoryBuffer.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::pins {

enum class TSGThresholdType : std::uint8_t { ttGreaterThan, ttLessThan };
enum class TSGAutoCorrType : std::uint8_t { actNormal, actBiased, actUnbiased };
enum class TSGNormType : std::uint8_t { ntL1Norm, ntL2Norm, ntCNorm };

// Item-wise quotients; where a divisor is exactly 0.0 the item becomes 1e15
// when the quotient came out above 0, else -1e14 (0 / 0 included): the
// markers the users of these buffers look for, kept as they are.
void SGDivideItems(const double* divisors, double* items, int count);

// The operations with one value over every item of a real buffer or matrix.
// Adding or subtracting 0.0, multiplying by 1.0 and dividing by 0.0 or 1.0
// do nothing, not even unshare.
template <class Derived>
class TSGRealValueOps {
public:
    void SetValue(double value) { primitives::ippsSet_64f(value, self().Write(), count()); }
    void AddValue(double value) {
        if (value != 0.0) primitives::ippsAddC_64f_I(value, self().Modify(), count());
    }
    void SubtractValue(double value) {
        if (value != 0.0) primitives::ippsSubC_64f_I(value, self().Modify(), count());
    }
    void MultiplyValue(double value) {
        if (value != 1.0) primitives::ippsMulC_64f_I(value, self().Modify(), count());
    }
    void DivideValue(double value) {
        if (value != 0.0 && value != 1.0) primitives::ippsDivC_64f_I(value, self().Modify(), count());
    }
    void Zero() { primitives::ippsZero_64f(self().Write(), count()); }

private:
    Derived& self() { return static_cast<Derived&>(*this); }
    int count() { return static_cast<int>(self().GetSize()); }
};

class TSGRealBuffer : public TSGVectorBuffer<TSGRealBuffer, double>, public TSGRealValueOps<TSGRealBuffer> {
public:
    using TSGVectorBuffer::TSGVectorBuffer;
    static std::shared_ptr<TSGRealBuffer> CreateSize(std::uint32_t count) {
        return std::make_shared<TSGRealBuffer>(std::uint64_t{count});
    }
    static std::shared_ptr<TSGRealBuffer> CreateData(std::span<const double> items) {
        return std::make_shared<TSGRealBuffer>(items);
    }
    static std::shared_ptr<TSGRealBuffer> CreateIntegerData(std::span<const std::int32_t> items);
    // Shares the container of any data buffer: no copy, despite the name.
    static std::shared_ptr<TSGRealBuffer> CreateCopy(const ISGData& any) {
        return std::make_shared<TSGRealBuffer>(any);
    }

    // The Jaehne test signal; nothing for a negative magnitude.
    void VectorJaehne(double magnitude);

    void Add(const TSGRealBuffer& other);
    void Subtract(const TSGRealBuffer& other);
    void Multiply(const TSGRealBuffer& other);
    // By SGDivideItems.
    void Divide(const TSGRealBuffer& other);

    // N items into `dest`, which must hold N. Both saturate at the limits of
    // the integer type; `round` rounds to nearest (ties to even), else
    // toward zero; NaN gives 0.
    void ToInt(std::span<std::int32_t> dest, bool round) const;
    void ToShort(std::span<std::int16_t> dest, bool round) const;
    void ToSingle(std::span<float> dest) const;
    // N items from `source`, which must hold N.
    void FromInt(std::span<const std::int32_t> source);
    void FromShort(std::span<const std::int16_t> source);
    void FromSingle(std::span<const float> source);

    // Items := (source - subtrahend) / divisor; nothing for a divisor below
    // the smallest normal double, which the primitive refuses.
    void NormalizeFrom(const TSGRealBuffer& source, double subtrahend, double divisor);
    void Normalize(double subtrahend, double divisor) { NormalizeFrom(*this, subtrahend, divisor); }
    double Dot(const TSGRealBuffer& other) const;

    // ttGreaterThan clamps items above level to level, ttLessThan those below.
    void Threshold(double level, TSGThresholdType type);
    // N items from the source, which must hold N.
    void ThresholdFrom(const TSGRealBuffer& source, double level, TSGThresholdType type);

    void Sqr();
    void Abs();
    void Exp();
    void Sqrt();
    void Ln();
    void SqrFrom(const TSGRealBuffer& source);
    void AbsFrom(const TSGRealBuffer& source);
    void ExpFrom(const TSGRealBuffer& source);
    void SqrtFrom(const TSGRealBuffer& source);
    void LnFrom(const TSGRealBuffer& source);

    double Mean() const;
    double StdDev() const;  // the sample deviation; 0.0 below 2 items

    // The first count(first) + count(second) - 1 items := the linear
    // convolution of second with first; this buffer must hold them.
    void Convolve(const TSGRealBuffer& first, const TSGRealBuffer& second);
    // The norm of other - this over N items; other must hold N.
    double Norm(TSGNormType type, const TSGRealBuffer& other) const;
    // N lags of the autocorrelation of the source's first N items; the
    // source must hold N. actBiased divides by N, actUnbiased by the number
    // of terms of each lag.
    void AutoCorr(const TSGRealBuffer& source, TSGAutoCorrType type);
    // N lags from lowLag of the cross-correlation of first with second.
    void CrossCorr(const TSGRealBuffer& first, const TSGRealBuffer& second, int lowLag);

    // Smallest and largest item; 0.0 (and index 0) for an empty buffer.
    double GetMinValue() const;
    double GetMaxValue() const;
    double GetMinIndex(std::uint32_t& index) const;
    double GetMaxIndex(std::uint32_t& index) const;
    // Over items from..to-1, from clamped to 0..N-1 and to to 0..N; 0.0 for
    // an empty range.
    double GetMin(int from, int to) const;
    double GetMax(int from, int to) const;
    // The same, skipping the markers at or beyond -1.7e308 and +1.7e308;
    // 0.0 when the range holds nothing else.
    double GetMinRestricted(int from, int to) const;
    double GetMaxRestricted(int from, int to) const;

private:
    void NeedAtLeast(const TSGRealBuffer& source, std::uint32_t count) const;
};
using ISGRealBuffer = std::shared_ptr<TSGRealBuffer>;

}  // namespace oculon::pins
