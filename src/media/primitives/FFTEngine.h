#pragma once
// The transforms behind the FFT entries: a complex transform of one order
// with its tables, built once and then only read, and the real transform
// that runs a complex one of half the length. Unnormalized in both
// directions (forward e^(-2 pi i nk/N), inverse e^(+2 pi i nk/N)); a scale,
// when given, multiplies every result. Source and destination may be the
// same array. Neither needs scratch memory. Arithmetic is in double, rounding
// as written.

#include <cstddef>
#include <memory>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

inline constexpr int kFFTMaxOrder = 30;

// The widest vectors the transforms may take where the processor has them
// (by default the widest there are): AVX-512 lanes of split real and
// imaginary parts (complex orders 5 to 16, and the real recombination), or
// None for two complex values a vector, interleaved. The lanes give the bits
// of None up to order 10 (but for signed zeros, infinities and NaNs, where
// they skip multiplications by 1 and -i that None makes); above it None
// splits the transform into rows and columns, whose results differ from the
// lanes' within rounding.
enum class FFTLanes { None, Avx512 };
void limitFFTLanes(FFTLanes widest);

class UnitRoots;

class ComplexFFT {
public:
    // Null when a table cannot be allocated. order is 0 .. kFFTMaxOrder.
    static std::unique_ptr<ComplexFFT> create(int order);
    ~ComplexFFT();
    ComplexFFT(const ComplexFFT&) = delete;
    ComplexFFT& operator=(const ComplexFFT&) = delete;

    int order() const { return order_; }

    void forward(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const;
    void inverse(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const;

    // Where the tables lie, null where this order has none.
    struct TableAddresses {
        const void* bitReversal = nullptr;
        const void* passTwiddles = nullptr;
        const void* columnPassTwiddles[3] = {};
        const void* columnRoots[3] = {};
    };
    TableAddresses tableAddresses() const;

    struct Tables;

private:
    friend class RealFFT;
    explicit ComplexFFT(int order);
    // Builds the tables from roots of unity of this order or a higher one.
    static std::unique_ptr<ComplexFFT> build(int order, const UnitRoots& roots);
    template <bool Inverse>
    void run(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const;

    int order_;
    std::unique_ptr<Tables> tables_;
};

// Real transform of order 4 or more: the N real values are transformed as N/2
// complex values and the spectrum recombined, in the Perm layout (R_0,
// R_(N/2), then R_k, I_k for k = 1 .. N/2-1).
class RealFFT {
public:
    static std::unique_ptr<RealFFT> create(int order);

    int order() const { return half_->order() + 1; }

    void forward(const Ipp64f* src, Ipp64f* perm, const double* scale) const;
    void inverse(const Ipp64f* perm, Ipp64f* dst, const double* scale) const;

    const ComplexFFT& half() const { return *half_; }
    const Ipp64fc* forwardFactors() const { return forwardFactors_.get(); }
    const Ipp64fc* inverseFactors() const { return inverseFactors_.get(); }

private:
    RealFFT(std::unique_ptr<ComplexFFT> half, AlignedPtr<Ipp64fc> forwardFactors, AlignedPtr<Ipp64fc> inverseFactors);

    std::unique_ptr<ComplexFFT> half_;
    // Per bin k = 0 .. N/4: -i e^(-2 pi i k/N) / 2 and i e^(+2 pi i k/N).
    AlignedPtr<Ipp64fc> forwardFactors_;
    AlignedPtr<Ipp64fc> inverseFactors_;
};

}  // namespace oculon::primitives
