#pragma once
// What the resize driver hands its row kernels, and the parts the kernel
// families share: the ring of filtered rows, the final stores and the kernel
// table. Every kernel works from tables the driver settled beforehand, so
// its loops only look up offsets and weights.

#include <cstddef>
#include <limits>

#include "media/primitives/ImageResize.h"

namespace oculon::primitives::resize {

using std::ptrdiff_t;

// One kernel call. Offsets and steps count samples of the kernel's type.
struct Job {
    const void* src;  // the sample at the region's top-left corner
    void* dst;        // the first destination sample
    ptrdiff_t srcStep;
    ptrdiff_t dstStep;
    int width;                   // destination columns produced
    int height;                  // destination rows produced
    const int* rows;             // per destination row: source row of its node, counted from the region's first row
    const int* cols;             // per destination column: sample offset of its node pixel within a row
    const Ipp16u* rowWeights16;  // linear 8u/16u: share of the lower row, of 16384
    const Ipp16u* colWeights16;  // linear 8u/16u: (left, right) shares, adding up to 16384
    const float* rowWeights;     // other cases: the position's distance from its node
    const float* colWeights;
    const float* rowCoefs;  // Lanczos: six taps per row and per column
    const float* colCoefs;
    void* buffers[6];  // row buffers of filtered rows
    int channels;      // pixel stride in samples; 1 for a plane
    int layout;        // channels worked: 1 a plane, 3 three channels, otherwise four
    // The whole source image around the region, in pixels from its origin:
    // columns -left .. right - 1 and rows -top .. bottom - 1 exist.
    int left;
    int top;
    int right;
    int bottom;

    // Values per destination pixel, and the distance between tap pixels.
    int values() const { return layout == 1 ? 1 : layout == 3 ? 3 : 4; }
    int spacing() const { return layout == 1 ? 1 : layout == 3 ? channels : 4; }
    // Whether destination pixels lie back to back (else every pixel keeps
    // its samples past the third).
    bool packed() const { return values() == channels; }

    template <typename T>
    const T* srcRow(ptrdiff_t row) const {
        return static_cast<const T*>(src) + row * srcStep;
    }
    template <typename T>
    T* dstRow(ptrdiff_t row) const {
        return static_cast<T*>(dst) + row * dstStep;
    }
};

using Kernel = void (*)(const Job&);

// Bytes of one sample of a sample type code (1 for an unknown code).
inline int bytesPerSample(int sampleType) { return sampleType == kSample16u ? 2 : sampleType == kSample32f ? 4 : 1; }

// Steps in bytes become steps in samples by an arithmetic shift.
inline int sampleShift(int bytes) { return bytes == 4 ? 2 : bytes == 2 ? 1 : 0; }

// Byte offset of the region's first sample. Its rows lie on the kernels'
// grid of whole-sample steps, so an odd 16-bit step cannot put the region
// one byte off the rows the kernels walk (nor misalign its samples).
inline ptrdiff_t regionOffset(TVDImageRect roi, int srcStep, int pixelBytes, int bytes) {
    const ptrdiff_t rowSamples = srcStep >> sampleShift(bytes);
    return (static_cast<ptrdiff_t>(roi.Y) * rowSamples) * bytes + static_cast<ptrdiff_t>(roi.X) * pixelBytes;
}

// The checks both drivers make, in their order: pointers (-8), sizes (-6),
// a region starting outside the image (warning 29), destination size (-6),
// factors not above 0 or NaN (-23). Images whose rows of `pixelBytes`-byte
// pixels would not fit an int step are refused as sizes (-6).
IppStatus checkArguments(const void* src, IppiSize srcSize, TVDImageRect roi, const void* dst, IppiSize dstSize,
                         double xFactor, double yFactor, int pixelBytes);

// Destination pixels along one axis: the destination size, or fewer where
// region x factor (+ 1e-7) is smaller, at least 1 where it reaches 0.5.
// False when it does not. Never converts a value out of the int range.
bool processedSize(int region, double factor, int dstSize, int* out);

// The table of the driver: family base + sample type (0 8u, 1 16u, 2 32f),
// + 3 for one plane, and in the nearest family + 6 for four channels.
inline constexpr int kNearestBase = 0;
inline constexpr int kLinearBase = 9;
inline constexpr int kCubicBase = 15;
inline constexpr int kLanczos3Base = 21;
inline constexpr int kLanczosBase = 27;  // without border handling; never chosen
inline constexpr int kKernelCount = 33;
Kernel kernelAt(int position);

// Each family in table order, defined in its own file.
extern const Kernel kNearestKernels[9];
extern const Kernel kLinearKernels[6];
extern const Kernel kCubicKernels[6];
extern const Kernel kLanczos3Kernels[6];
extern const Kernel kLanczosKernels[6];

// Super-sampling as ownpiDecimateSuper; `integers` false keeps every image
// on the floating-point rows, whose bytes the integer rows must give.
IppStatus decimateSuper(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst, int dstStep,
                        IppiSize dstRoiSize, double xFactor, double yFactor, int channels, int layout, int sampleType,
                        int planar, bool integers);

// The widest vector rows 8-bit super-sampling may take where the processor
// has them (by default the widest there are); each must give the bytes of
// the plain integer rows, which None keeps to.
enum class SuperVectors { None, Avx2, Avx512 };
void limitSuperVectorRows(SuperVectors widest);

// The widest vector rows this processor runs (None where it lacks AVX2, or
// on a build that has no vector rows), settled once.
SuperVectors processorVectors();

// The same limit for the 8-bit Lanczos rows, whose every level must give
// the bytes of the plain loops.
void limitLanczosVectorRows(SuperVectors widest);

// The same limit for the 8-bit cubic rows; allowCubicVectorRows(false) keeps
// them to the plain loops, (true) lets them take the widest there are.
void limitCubicVectorRows(SuperVectors widest);
void allowCubicVectorRows(bool allow);

// Six coefficients per weight (taps -2 .. +3 from the node) from the
// Lanczos-3 window, normalised to a sum of one.
void ownpi_Lanczos3(const float* weights, int count, float* coefs);

// Buffers that hold filtered source rows, each tagged with its row, so a row
// that several destination rows need is filtered once.
template <typename V, int N>
class RowRing {
public:
    explicit RowRing(void* const* buffers) {
        for (int k = 0; k < N; ++k) {
            buffer_[k] = static_cast<V*>(buffers[k]);
            row_[k] = kEmpty;
        }
    }

    // Points node[k] at a buffer holding row want[k], calling filter(buffer,
    // row) only for rows no buffer holds yet. Rows may repeat.
    template <typename Filter>
    void window(const int (&want)[N], V* (&node)[N], Filter filter) {
        bool used[N] = {};
        bool found[N] = {};
        for (int k = 0; k < N; ++k)
            for (int b = 0; b < N; ++b)
                if (row_[b] == want[k]) {
                    node[k] = buffer_[b];
                    used[b] = found[k] = true;
                    break;
                }
        for (int k = 0; k < N; ++k) {
            if (found[k]) continue;
            int b = 0;
            while (b < N && row_[b] != want[k]) ++b;  // filled for an earlier node
            if (b == N) {
                b = 0;
                while (used[b]) ++b;
                filter(buffer_[b], want[k]);
                row_[b] = want[k];
                used[b] = true;
            }
            node[k] = buffer_[b];
        }
    }

private:
    static constexpr int kEmpty = std::numeric_limits<int>::min();
    V* buffer_[N];
    int row_[N];
};

// Runs the separable kernels: for each destination row, rows node + first
// ... node + first + N - 1 are filtered into the ring (clamped to the image
// when `clamp`), then blended into the destination row.
template <int N, typename V, typename Filter, typename Blend>
void eachDestinationRow(const Job& job, int first, bool clamp, Filter filter, Blend blend) {
    RowRing<V, N> ring(job.buffers);
    for (int j = 0; j < job.height; ++j) {
        int want[N];
        for (int k = 0; k < N; ++k) {
            int r = job.rows[j] + first + k;
            if (clamp) r = r < -job.top ? -job.top : r > job.bottom - 1 ? job.bottom - 1 : r;
            want[k] = r;
        }
        V* node[N];
        ring.window(want, node, filter);
        blend(j, node);
    }
}

// The final store of the cubic and Lanczos kernels: integer samples round
// half up (with a hair more) and saturate; floats keep the value.
template <typename T>
inline T storeSample(double v) {
    if constexpr (std::numeric_limits<T>::is_integer) {
        constexpr double kMax = std::numeric_limits<T>::max();
        v += 0.5000001;
        v = v > 0 ? v : 0.0;  // NaN included
        return static_cast<T>(v < kMax ? v : kMax);
    } else {
        return static_cast<T>(v);
    }
}

}  // namespace oculon::primitives::resize
