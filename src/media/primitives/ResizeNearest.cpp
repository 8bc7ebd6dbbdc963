// Nearest-neighbour resize: every destination pixel copies the source pixel
// the tables name; no arithmetic on the samples.

#include <cstring>

#include "media/primitives/ResizeKernels.h"

namespace oculon::primitives::resize {

namespace {

// Copies `Values` samples per pixel; destination pixels lie `stride` samples
// apart (Values for one plane and four channels, the pixel stride for three).
template <typename T, int Values>
void nearest(const Job& job) {
    const int stride = Values == 3 ? job.channels : Values;
    for (int j = 0; j < job.height; ++j) {
        const T* s = job.srcRow<T>(job.rows[j]);
        T* d = job.dstRow<T>(j);
        for (int k = 0; k < job.width; ++k) std::memcpy(d + k * stride, s + job.cols[k], Values * sizeof(T));
    }
}

}  // namespace

// ownResize8pxN, ownResize16pxN, ownResize32pxN, ownResize8plN, ownResize16plN,
// ownResize32plN, ownResize8px4N, ownResize16px4N, ownResize32px4N
const Kernel kNearestKernels[9] = {
    nearest<Ipp8u, 3>,  nearest<Ipp16u, 3>, nearest<Ipp32f, 3>, nearest<Ipp8u, 1>,  nearest<Ipp16u, 1>,
    nearest<Ipp32f, 1>, nearest<Ipp8u, 4>,  nearest<Ipp16u, 4>, nearest<Ipp32f, 4>,
};

}  // namespace oculon::primitives::resize
