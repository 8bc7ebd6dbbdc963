#include "media/primitives/FIRFilter.h"

#include <algorithm>
#include <cstring>

#include "media/primitives/FFT.h"
#include "media/primitives/FIRState.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/StatePool.h"

namespace oculon::primitives {

namespace {

constexpr int kFFTTaps = 32;
constexpr int kFFTIters = 512;
constexpr long long kSpareBytes = 32896;
// Inputs a multi-rate pass appends to the history at most (or one
// iteration's, when that is more).
constexpr long long kMultiRatePassInputs = 1024;

BlockPool& blockPool() { return BlockPool::instance(); }

FIRStateHeader& headerOf(IppsFIRState_64f* p) { return *reinterpret_cast<FIRStateHeader*>(p); }

void copy(const Ipp64f* src, Ipp64f* dst, long long count) {
    if (count > 0) std::memmove(dst, src, static_cast<std::size_t>(count) * sizeof(Ipp64f));
}

double dot(const Ipp64f* taps, const Ipp64f* x, int len) {
    double y = 0;
    _px_DotProd_64f(taps, x, len, &y);
    return y;
}

long long roundUp16(long long bytes) { return (bytes + 15) & ~15LL; }

// Carves the block into its areas, in order, each on a 16-byte boundary.
class BlockLayout {
public:
    explicit BlockLayout(long long header) : size_(roundUp16(header)) {}
    long long add(long long bytes) {
        const long long at = size_;
        size_ += roundUp16(bytes);
        return at;
    }
    long long size() const { return size_; }

private:
    long long size_;
};

// What the block of a state holds besides its header.
struct Areas {
    long long taps, delay, fftTaps = -1, fftWork = -1, fftBuffer = -1, phases = -1, size;
};

Areas layoutFor(long long tapsLen, long long delaySlots, long long fftLength, long long fftBufferBytes,
                long long phases) {
    BlockLayout b(sizeof(FIRStateHeader));
    Areas a{};
    a.taps = b.add(8 * tapsLen);
    a.delay = b.add(8 * delaySlots);
    if (fftLength > 0) {
        a.fftTaps = b.add(8 * fftLength);
        a.fftWork = b.add(8 * fftLength);
        a.fftBuffer = b.add(fftBufferBytes);
    }
    if (phases > 0) a.phases = b.add(static_cast<long long>(sizeof(FIRPhase)) * phases);
    b.add(kSpareBytes);
    a.size = b.size();
    return a;
}

template <typename T>
T* at(Ipp8u* block, long long offset) {
    return offset < 0 ? nullptr : reinterpret_cast<T*>(block + offset);
}

// The history x[-historyLen] .. x[-1] from a delay line of `given` samples,
// newest first, of the type `id` names; zero where it holds nothing.
template <typename T>
void readDelayLine(const void* line, long long given, Ipp64f* history, long long historyLen) {
    const auto* d = static_cast<const T*>(line);
    for (long long k = 0; k < historyLen; ++k) history[historyLen - 1 - k] = k < given ? static_cast<Ipp64f>(d[k]) : 0;
}

void fillHistory(Ipp32u id, const void* line, long long given, Ipp64f* history, long long historyLen) {
    if (!line) return std::fill(history, history + historyLen, 0.0);
    switch (id) {
        case kFIRDelay16s: return readDelayLine<Ipp16s>(line, given, history, historyLen);
        case kFIRDelay32s: return readDelayLine<Ipp32s>(line, given, history, historyLen);
        case kFIRDelay32f: return readDelayLine<Ipp32f>(line, given, history, historyLen);
        default: return readDelayLine<Ipp64f>(line, given, history, historyLen);
    }
}

void releaseBlock(FIRStateHeader& s) {
    if (s.fftSpec) _px_ippsFFTFree_R_64f(s.fftSpec);
    blockPool().release(&s);
}

// The FFT of a filter of 32 taps or more: twice the smallest power of two
// above the length. Beyond the largest transform, the status its creation
// would give.
IppStatus prepareFFT(int tapsLen, IppsFFTSpec_R_64f** spec, int* length, int* bufferBytes) {
    const int above = fftOrderFor(static_cast<long long>(tapsLen) + 1);
    if (above < 0) return ippStsFftOrderErr;
    const int order = above + 1;
    if (IppStatus st = _px_ippsFFTInitAlloc_R_64f(spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone)) return st;
    if (IppStatus st = _px_ippsFFTGetBufSize_R_64f(*spec, bufferBytes)) {
        _px_ippsFFTFree_R_64f(*spec);
        *spec = nullptr;
        return st;
    }
    *length = 1 << order;
    return ippStsNoErr;
}

// Outputs computed through the delay buffer; a longer call computes the
// rest straight from the source, last output first, so that it may write
// over its own input.
void filterDirect(FIRStateHeader& s, const Ipp64f* src, Ipp64f* dst, int count) {
    const int t = s.tapsLen;
    Ipp64f* h = s.delay;
    const Ipp64f* taps = s.taps;
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
IppStatus filterFFT(FIRStateHeader& s, const Ipp64f* src, Ipp64f* dst, int count) {
    const int t = s.tapsLen, n = s.fftLength;
    const int step = n - (t - 1);
    Ipp64f* h = s.delay;
    Ipp64f* block = s.fftWork;
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
        if (IppStatus st = _px_ippsFFTFwd_RToPerm_64f(block, block, s.fftSpec, s.fftBuffer)) return st;
        _px_ippsMulPerm_64f_I(s.fftTaps, block, n);
        if (IppStatus st = _px_ippsFFTInv_PermToR_64f(block, block, s.fftSpec, s.fftBuffer)) return st;
        copy(block + t - 1, dst + p, fresh);
    }
    return ippStsNoErr;
}

// Multi-rate filtering, one routine per mode (Up and Down are 0 where the
// state's factor counts, 1 where the mode fixes it). Each pass appends the
// inputs of up to iterationsPerPass iterations to the history, computes
// their outputs four at a time and then singly, and keeps the last
// historyLen inputs. An output of phase p sums taps p.tap, p.tap + up, ...
// times the inputs from its first one backwards.
template <int Up, int Down>
void filterMultiRate(FIRStateHeader& s, const Ipp64f* src, Ipp64f* dst, long long iterations) {
    const long long up = Up ? Up : s.upFactor, down = Down ? Down : s.downFactor;
    const int t = s.tapsLen, history = s.historyLen;
    Ipp64f* buffer = s.delay;
    const Ipp64f* reversed = s.taps;  // tap k is reversed[t - 1 - k]
    const auto first = [&](long long output, const Ipp64f*& x, long long& k) {
        const FIRPhase& p = s.phases[output % up];
        x = buffer + history + output / up * down + p.input;
        k = p.tap;
    };
    for (long long done = 0; done < iterations;) {
        const long long n = std::min<long long>(s.iterationsPerPass, iterations - done);
        copy(src + done * down, buffer + history, n * down);
        const long long outputs = n * up;
        Ipp64f* out = dst + done * up;
        long long o = 0;
        for (; o + 4 <= outputs; o += 4) {
            const Ipp64f* x[4];
            long long k[4];
            double sum[4] = {};
            for (int lane = 0; lane < 4; ++lane) first(o + lane, x[lane], k[lane]);
            for (long long step = 0;
                 k[0] + step * up < t || k[1] + step * up < t || k[2] + step * up < t || k[3] + step * up < t; ++step)
                for (int lane = 0; lane < 4; ++lane) {
                    const long long tap = k[lane] + step * up;
                    if (tap < t) sum[lane] += reversed[t - 1 - tap] * x[lane][-step];
                }
            std::copy(sum, sum + 4, out + o);
        }
        for (; o < outputs; ++o) {
            const Ipp64f* x;
            long long k;
            first(o, x, k);
            double sum = 0;
            for (long long step = 0; k + step * up < t; ++step) sum += reversed[t - 1 - (k + step * up)] * x[-step];
            out[o] = sum;
        }
        copy(buffer + n * down, buffer, history);
        done += n;
    }
}

IppStatus createSingleRate(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const void* pDlyLine,
                           Ipp32u id) {
    if (!ppState || !pTaps) return ippStsNullPtrErr;
    if (tapsLen < 1) return ippStsFIRLenErr;
    IppsFFTSpec_R_64f* spec = nullptr;
    int fftLength = -1, fftBufferBytes = 0;
    if (tapsLen >= kFFTTaps)
        if (IppStatus st = prepareFFT(tapsLen, &spec, &fftLength, &fftBufferBytes)) return st;
    const Areas a = layoutFor(tapsLen, 3LL * tapsLen + 4, fftLength, fftBufferBytes, 0);
    Ipp8u* block = blockPool().acquire(a.size);
    if (!block) {
        if (spec) _px_ippsFFTFree_R_64f(spec);
        return ippStsMemAllocErr;
    }
    auto& s = *reinterpret_cast<FIRStateHeader*>(block);
    s.taps = at<Ipp64f>(block, a.taps);
    s.delay = at<Ipp64f>(block, a.delay);
    s.tapsLen = s.tapsLen2 = tapsLen;
    s.directBlock = ((tapsLen + 3) & ~3) | 1;
    s.fftSpec = spec;
    s.fftTaps = at<Ipp64f>(block, a.fftTaps);
    s.fftWork = at<Ipp64f>(block, a.fftWork);
    s.fftLength = fftLength;
    s.fftBuffer = fftBufferBytes > 0 ? at<Ipp8u>(block, a.fftBuffer) : nullptr;
    s.fftBufferSize = fftBufferBytes;
    s.work[0] = s.delay + tapsLen;
    s.work[1] = s.delay + 2LL * tapsLen + 4;
    s.owner = 1;
    std::reverse_copy(pTaps, pTaps + tapsLen, s.taps);
    fillHistory(id, pDlyLine, tapsLen, s.delay, tapsLen);
    if (spec) {
        copy(pTaps, s.fftTaps, tapsLen);
        std::fill(s.fftTaps + tapsLen, s.fftTaps + fftLength, 0.0);
        if (IppStatus st = _px_ippsFFTFwd_RToPerm_64f(s.fftTaps, s.fftTaps, spec, s.fftBuffer)) {
            releaseBlock(s);
            return st;
        }
    }
    s.id = id;
    *ppState = reinterpret_cast<IppsFIRState_64f*>(block);
    return ippStsNoErr;
}

}  // namespace

IppStatus ownsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const void* pDlyLine,
                               Ipp32u id) {
    return createSingleRate(ppState, pTaps, tapsLen, pDlyLine, id);
}

IppStatus ownsFIRMRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, int upFactor,
                                 int upPhase, int downFactor, int downPhase, const Ipp64f* pDlyLine) {
    if (!ppState || !pTaps) return ippStsNullPtrErr;
    if (tapsLen < 1) return ippStsFIRLenErr;
    if (upFactor < 1 || downFactor < 1 || upPhase < 0 || upPhase >= upFactor || downPhase < 0 ||
        downPhase >= downFactor)
        return ippStsBadArgErr;
    const long long up = upFactor, down = downFactor;
    const long long history = (tapsLen - 1) / up + 2;
    const long long perPass = std::max(1LL, kMultiRatePassInputs / down);
    const Areas a = layoutFor(tapsLen, history + perPass * down, -1, 0, up);
    Ipp8u* block = blockPool().acquire(a.size);
    if (!block) return ippStsMemAllocErr;
    auto& s = *reinterpret_cast<FIRStateHeader*>(block);
    s.taps = at<Ipp64f>(block, a.taps);
    s.delay = at<Ipp64f>(block, a.delay);
    s.tapsLen = s.tapsLen2 = tapsLen;
    s.fftLength = -1;
    s.owner = 1;
    s.mode = upFactor == 1 ? 1 : downFactor == 1 ? 2 : 3;
    s.upFactor = upFactor, s.upPhase = upPhase, s.downFactor = downFactor, s.downPhase = downPhase;
    s.historyLen = static_cast<Ipp32s>(history);
    s.iterationsPerPass = static_cast<Ipp32s>(perPass);
    s.phases = at<FIRPhase>(block, a.phases);
    for (long long q = 0; q < up; ++q) {
        // Output phase q reads the upsampled signal at q down + downPhase;
        // tap k meets the input whose upsampled place is k before that.
        const long long place = q * down + downPhase - upPhase;
        const long long tap = ((place % up) + up) % up;
        s.phases[q] = {static_cast<Ipp32s>((place - tap) / up), static_cast<Ipp32s>(tap)};
    }
    std::reverse_copy(pTaps, pTaps + tapsLen, s.taps);
    fillHistory(kFIRMultiRate, pDlyLine, (tapsLen + up - 1) / up, s.delay, history);
    s.id = kFIRMultiRate;
    *ppState = reinterpret_cast<IppsFIRState_64f*>(block);
    return ippStsNoErr;
}

IppStatus _px_ippsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                                   const Ipp64f* pDlyLine) {
    return createSingleRate(ppState, pTaps, tapsLen, pDlyLine, kFIRSingleRate);
}

IppStatus _px_ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState) {
    if (!pSrc || !pDst || !pState) return ippStsNullPtrErr;
    if (numIters < 1) return ippStsSizeErr;
    FIRStateHeader& s = headerOf(pState);
    if (s.id == kFIRMultiRate) {
        switch (s.mode) {
            case 1: filterMultiRate<1, 0>(s, pSrc, pDst, numIters); return ippStsNoErr;
            case 2: filterMultiRate<0, 1>(s, pSrc, pDst, numIters); return ippStsNoErr;
            case 3: filterMultiRate<0, 0>(s, pSrc, pDst, numIters); return ippStsNoErr;
            default: return ippStsContextMatchErr;
        }
    }
    if (s.id != kFIRSingleRate) return ippStsContextMatchErr;
    if (s.fftSpec && numIters >= kFFTIters) return filterFFT(s, pSrc, pDst, numIters);
    filterDirect(s, pSrc, pDst, numIters);
    return ippStsNoErr;
}

IppStatus _px_ippsFIRFree_64f(IppsFIRState_64f* pState) {
    if (!pState) return ippStsNullPtrErr;
    FIRStateHeader& s = headerOf(pState);
    if (s.id != kFIRSingleRate && s.id != kFIRMultiRate) return ippStsContextMatchErr;
    if (s.owner != 1) return ippStsNoErr;
    releaseBlock(s);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsFIRInitAlloc_64f);
OCULON_IPP_DEFINE(ippsFIR_64f);
OCULON_IPP_DEFINE(ippsFIRFree_64f);

}  // namespace oculon::primitives
