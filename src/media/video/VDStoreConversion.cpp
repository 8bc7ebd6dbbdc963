#include "media/video/VDStoreConversion.h"

#include "media/pins/SGBlockPool.h"
#include "media/pins/SGErrors.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::mediavideo {

using namespace primitives;
using F = TVDVideoFormat;

namespace {

// An intermediate image: a pool block of `bytes`, given back when it goes.
class Scratch {
public:
    explicit Scratch(std::uint64_t bytes)
        : FSize(bounded(bytes)), FData(static_cast<Ipp8u*>(pins::SGBufferAllocate(FSize))) {}
    ~Scratch() { pins::SGBufferDeallocate(FData, FSize); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Ipp8u* data() const { return FData; }

private:
    static std::uint32_t bounded(std::uint64_t bytes) {
        if (bytes > pins::kSGLargestBlock) throw pins::EBufferTooLarge(bytes);
        return static_cast<std::uint32_t>(bytes);
    }
    const std::uint32_t FSize;
    Ipp8u* const FData;
};

}  // namespace

IppStatus ippiUYVYToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (roiSize.width < 1 || roiSize.height < 1) return ippStsSizeErr;
    if (srcStep < 1) return ippStsStepErr;
    const std::uint64_t bytes = std::uint64_t(srcStep) * static_cast<std::uint64_t>(roiSize.height);
    const Scratch swapped(bytes);
    ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(pSrc), reinterpret_cast<Ipp16u*>(swapped.data()),
                      static_cast<int>(bytes / 2));
    return ippiYUV422ToRGB_8u_C2C3R(swapped.data(), srcStep, pDst, dstStep, roiSize);
}

TVDYCbCrPlanes VDYCbCrPlanes(const TVDSmartImageBuffer& store) {
    const bool iyuv = store.Format() == F::vfIYUV;
    const int cb = iyuv ? 2 : 1, cr = iyuv ? 1 : 2;
    return TVDYCbCrPlanes{{store.GetPlane(0), store.GetPlane(cb), store.GetPlane(cr)},
                          {static_cast<int>(store.GetPlaneStep(0)), static_cast<int>(store.GetPlaneStep(cb)),
                           static_cast<int>(store.GetPlaneStep(cr))}};
}

void VDConvertPixels(const TVDSmartImageBuffer& source, TVDSmartImageBuffer& target) {}

}  // namespace oculon::mediavideo
