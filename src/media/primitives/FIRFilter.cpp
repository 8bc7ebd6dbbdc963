#include "media/primitives/FIRFilter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/FFT.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/StatePool.h"

namespace oculon::primitives {

namespace {

constexpr Ipp32u kSingleRate = 0x46493133;
// The multi-rate form, accepted by filtering and release; nothing here
// creates one.
constexpr Ipp32u kMultiRate = 0x46493135;

constexpr int kFFTTaps = 32;
constexpr int kFFTIters = 512;

struct FIRState {
    // Cleared first when the state is released.
    Ipp32u id = 0;
    int tapsLen = 0;
    // Inputs that one pass through the history buffer takes.
    long long directBlock = 0;
    // The taps last to first, so that an output is a dot product with the
    // inputs in time order.
    AlignedPtr<Ipp64f> reversedTaps;
    // The last tapsLen inputs (oldest first), room for one direct block
    // after them, and room to keep the last inputs of a longer call.
    AlignedPtr<Ipp64f> history;
    // Overlap-save: the taps in their own order, zero-padded to fftLength
    // and transformed (Perm), and one block of work.
    int fftLength = -1;
    std::unique_ptr<ScopedRealFFT> fft;
    AlignedPtr<Ipp64f> taps;
    AlignedPtr<Ipp64f> block;
};

StatePool<FIRState>& statePool() { return StatePool<FIRState>::instance(); }

void copy(const Ipp64f* src, Ipp64f* dst, long long count) {
    if (count > 0) std::memmove(dst, src, static_cast<std::size_t>(count) * sizeof(Ipp64f));
}

double dot(const Ipp64f* taps, const Ipp64f* x, int len) {
    double y = 0;
    _px_DotProd_64f(taps, x, len, &y);
    return y;
}

IppStatus prepareFFT(FIRState& s, const Ipp64f* pTaps) {
    // Twice the smallest power of two above the length; beyond the largest
    // transform, the status its creation would give.
    const int above = fftOrderFor(static_cast<long long>(s.tapsLen) + 1);
    if (above < 0) return ippStsFftOrderErr;
    const int order = above + 1;
    s.fft = std::make_unique<ScopedRealFFT>();
    if (IppStatus st = s.fft->init(order)) return st;
    s.fftLength = 1 << order;
    s.taps = alignedArray<Ipp64f>(s.fftLength);
    s.block = alignedArray<Ipp64f>(s.fftLength);
    if (!s.taps || !s.block) return ippStsMemAllocErr;
    copy(pTaps, s.taps.get(), s.tapsLen);
    std::fill(s.taps.get() + s.tapsLen, s.taps.get() + s.fftLength, 0.0);
    return _px_ippsFFTFwd_RToPerm_64f(s.taps.get(), s.taps.get(), s.fft->spec(), nullptr);
}

IppStatus create(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const Ipp64f* pDlyLine) try {
    if (!ppState || !pTaps) return ippStsNullPtrErr;
    if (tapsLen < 1) return ippStsFIRLenErr;
    FIRState* s = statePool().acquire();
    if (!s) return ippStsMemAllocErr;
    s->tapsLen = tapsLen;
    s->directBlock = ((static_cast<long long>(tapsLen) + 3) & ~3LL) | 1;
    IppStatus st = tapsLen >= kFFTTaps ? prepareFFT(*s, pTaps) : ippStsNoErr;
    if (st == ippStsNoErr) {
        s->reversedTaps = alignedArray<Ipp64f>(tapsLen);
        s->history = alignedArray<Ipp64f>(3LL * tapsLen + 4);
        if (!s->reversedTaps || !s->history) st = ippStsMemAllocErr;
    }
    if (st != ippStsNoErr) {
        statePool().release(s);
        return st;
    }
    std::reverse_copy(pTaps, pTaps + tapsLen, s->reversedTaps.get());
    if (pDlyLine) std::reverse_copy(pDlyLine, pDlyLine + tapsLen, s->history.get());
    else std::fill(s->history.get(), s->history.get() + tapsLen, 0.0);
    s->id = kSingleRate;
    *ppState = reinterpret_cast<IppsFIRState_64f*>(s);
    return ippStsNoErr;
} catch (const std::bad_alloc&) {
    return ippStsMemAllocErr;
}

// Outputs computed through the history buffer; a longer call computes the
// rest straight from the source, last output first, so that it may write
// over its own input.
void filterDirect(FIRState& s, const Ipp64f* src, Ipp64f* dst, int count) {
    const int t = s.tapsLen;
    Ipp64f* h = s.history.get();
    const Ipp64f* taps = s.reversedTaps.get();
    const long long buffered = std::min<long long>(count, s.directBlock);
    copy(src, h + t, buffered);
    if (count > buffered) {
        Ipp64f* kept = h + 2LL * t + 4;
        copy(src + count - t, kept, t);
        for (long long n = count - 1; n >= buffered; --n) dst[n] = dot(taps, src + n - t + 1, t);
        for (long long n = 0; n < buffered; ++n) dst[n] = dot(taps, h + n + 1, t);
        copy(kept, h, t);
        return;
    }
    for (long long n = 0; n < buffered; ++n) dst[n] = dot(taps, h + n + 1, t);
    copy(h + buffered, h, t);
}

// Overlap-save: each block holds tapsLen - 1 inputs of history and up to
// fftLength - tapsLen + 1 new ones, and yields as many outputs.
IppStatus filterFFT(FIRState& s, const Ipp64f* src, Ipp64f* dst, int count) {
    const int t = s.tapsLen, n = s.fftLength;
    const int step = n - (t - 1);
    Ipp64f* h = s.history.get();
    Ipp64f* block = s.block.get();
    for (long long p = 0; p < count; p += step) {
        const int fresh = static_cast<int>(std::min<long long>(step, count - p));
        copy(h + 1, block, t - 1);
        copy(src + p, block + t - 1, fresh);
        std::fill(block + t - 1 + fresh, block + n, 0.0);
        if (fresh >= t) {
            copy(src + p + fresh - t, h, t);
        } else {
            copy(h + fresh, h, t - fresh);
            copy(src + p, h + t - fresh, fresh);
        }
        if (IppStatus st = _px_ippsFFTFwd_RToPerm_64f(block, block, s.fft->spec(), nullptr)) return st;
        _px_ippsMulPerm_64f_I(s.taps.get(), block, n);
        if (IppStatus st = _px_ippsFFTInv_PermToR_64f(block, block, s.fft->spec(), nullptr)) return st;
        copy(block + t - 1, dst + p, fresh);
    }
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                                   const Ipp64f* pDlyLine) {
    return create(ppState, pTaps, tapsLen, pDlyLine);
}

IppStatus _px_ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState) {
    if (!pSrc || !pDst || !pState) return ippStsNullPtrErr;
    if (numIters < 1) return ippStsSizeErr;
    FIRState& s = *reinterpret_cast<FIRState*>(pState);
    // A multi-rate state would name its routine in a mode field; none can be
    // made here, so none has a routine to run.
    if (s.id != kSingleRate) return ippStsContextMatchErr;
    if (s.fft && numIters >= kFFTIters) return filterFFT(s, pSrc, pDst, numIters);
    filterDirect(s, pSrc, pDst, numIters);
    return ippStsNoErr;
}

IppStatus _px_ippsFIRFree_64f(IppsFIRState_64f* pState) {
    if (!pState) return ippStsNullPtrErr;
    FIRState* s = reinterpret_cast<FIRState*>(pState);
    if (s->id != kSingleRate && s->id != kMultiRate) return ippStsContextMatchErr;
    statePool().release(s);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsFIRInitAlloc_64f);
OCULON_IPP_DEFINE(ippsFIR_64f);
OCULON_IPP_DEFINE(ippsFIRFree_64f);

}  // namespace oculon::primitives
