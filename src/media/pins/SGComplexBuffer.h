#pragma once
// A vector of complex doubles (real part, then imaginary part) with the
// complex signal operations. An operation with another buffer works over the
// first min(own, other's) items.

#include <cstdint>
#include <memory>

#include "media/pins/SGRealBuffer.h"
#include "media/primitives/IppDefs.h"

namespace oculon::pins {

using TPNRealComplex = primitives::Ipp64fc;

class TSGComplexBuffer : public TSGVectorBuffer<TSGComplexBuffer, TPNRealComplex> {
public:
    using TSGVectorBuffer::TSGVectorBuffer;
    static std::shared_ptr<TSGComplexBuffer> CreateSize(std::uint32_t count) {
        return std::make_shared<TSGComplexBuffer>(std::uint64_t{count});
    }
    // Shares the container of any data buffer.
    static std::shared_ptr<TSGComplexBuffer> CreateCopy(const ISGData& any) {
        return std::make_shared<TSGComplexBuffer>(any);
    }

    void Add(const TSGComplexBuffer& other);
    void Subtract(const TSGComplexBuffer& other);
    void Multiply(const TSGComplexBuffer& other);
    void Divide(const TSGComplexBuffer& other);  // a zero divisor gives NaN
    void SetValue(double re, double im) { SetValue(TPNRealComplex{re, im}); }
    void SetValue(TPNRealComplex value);
    // No value is skipped; dividing by 0 leaves the items as they were.
    void AddValue(double re, double im);
    void SubtractValue(double re, double im);
    void MultiplyValue(double re, double im);
    void DivideValue(double re, double im);
    // Resized (items not kept) to the shorter of the two, then item i :=
    // (realPart[i], imaginaryPart[i]).
    void SetBuffer(const TSGRealBuffer& realPart, const TSGRealBuffer& imaginaryPart);
    void Zero();

    // Items := (source - sub) / div; nothing for a divisor below the
    // smallest normal double, which the primitive refuses.
    void NormalizeFrom(const TSGComplexBuffer& source, TPNRealComplex sub, double div);
    void Normalize(TPNRealComplex sub, double div) { NormalizeFrom(*this, sub, div); }
    TPNRealComplex Dot(const TSGComplexBuffer& other) const;
    // By magnitude: with `less` items below level are raised to it, else
    // items above it are lowered. Nothing for a negative level.
    void Threshold(double level, bool less);
    void ThresholdFrom(const TSGComplexBuffer& source, double level, bool less);
    void Sqr();
    void Sqrt();
    void SqrFrom(const TSGComplexBuffer& source);
    void SqrtFrom(const TSGComplexBuffer& source);
    // min(own, source's) lags of the autocorrelation of the source's first
    // min(own, source's) items; norm 1 divides by that length, norm 2 by the
    // number of terms of each lag.
    void AutoCorr(const TSGComplexBuffer& source, int norm);
    // This buffer's count of lags from lowLag of the cross-correlation of
    // source1 with source2.
    void CrossCorr(const TSGComplexBuffer& source1, const TSGComplexBuffer& source2, int lowLag);

    // New real buffers of this buffer's count.
    std::shared_ptr<TSGRealBuffer> Phase() const;
    std::shared_ptr<TSGRealBuffer> Magnitude() const;
    std::shared_ptr<TSGRealBuffer> PowerSpectrum() const;
    std::shared_ptr<TSGRealBuffer> GetReal() const;
    std::shared_ptr<TSGRealBuffer> GetImaginary() const;

private:
    std::shared_ptr<TSGRealBuffer> ToReal(primitives::IppStatus (*fn)(const TPNRealComplex*, double*, int)) const;
};
using ISGComplexBuffer = std::shared_ptr<TSGComplexBuffer>;

}  // namespace oculon::pins
