#include "media/video/VDInternalStore.h"

#include <algorithm>
#include <cstring>

#include "media/primitives/ColourConversion.h"
#include "media/primitives/SampleScaling.h"
#include "media/video/VDStoreConversion.h"

namespace oculon::mediavideo {

using primitives::Ipp16u;
using primitives::Ipp8u;
using primitives::IppiSize;
using F = TVDVideoFormat;

std::uint8_t VDGreyValue(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    static const primitives::GreyWeights w = primitives::greyWeights(kVDGreyWeights);
    return static_cast<std::uint8_t>((w.w0 * blue + w.w1 * green + w.w2 * red) >> 12);
}

// --- The store base --------------------------------------------------------

TVDSmartImageBuffer::TVDSmartImageBuffer(TVDVideoFormat format, std::uint32_t width, std::uint32_t height)
    : FFormat(VDStoreFormat(format)),
      FGeometry(VDStoreGeometry(format, width, height)),
      FDataPtr(static_cast<std::uint8_t*>(pins::SGBufferAllocate(FGeometry.Size))) {}

TVDSmartImageBuffer::TVDSmartImageBuffer(TVDVideoFormat format, const TVDSmartImageBuffer& source, bool copy)
    : TVDSmartImageBuffer(format, source.GetWidth(), source.GetHeight()) {
    if (source.Format() == FFormat) {
        TMBSmartMediaBuffer::SetTimeData(source);
        if (copy) {
            pins::SGPasFastCopy(source.FDataPtr, FDataPtr, FGeometry.Size);
            FFullRange = source.FFullRange;
        }
    } else if (copy) {
        VDConvertPixels(source, *this);
    }
}

TVDSmartImageBuffer::~TVDSmartImageBuffer() { pins::SGBufferDeallocate(FDataPtr, FGeometry.Size); }

std::unique_ptr<pins::TSGSmartBuffer> TVDSmartImageBuffer::Clone(bool copy) const { return CloneStore(copy); }

std::unique_ptr<TVDSmartImageBuffer> TVDSmartImageBuffer::CloneStore(bool copy) const {
    auto store = VDCreateStore(FFormat, *this, copy);
    store->SetTimeData(*this);
    return store;
}

void TVDSmartImageBuffer::SetTimeData(const pins::TMBSmartMediaBuffer& source) {
    if (&source == this) return;
    TMBSmartMediaBuffer::SetTimeData(source);
    const auto* store = dynamic_cast<const TVDSmartImageBuffer*>(&source);
    if (!store) return;
    // One section at a time: the source's to read, then this one's to write.
    const TVDTimeCodeData timeCode = store->GetTimeCodeData();
    const TVDDateTimeData dateTime = store->GetDateTimeData();
    auto section = EnterWrite();
    FTimeCode = timeCode;
    FDateTime = dateTime;
}

std::uint8_t* TVDSmartImageBuffer::GetPlane(int plane) const {
    if (plane == 0) return FDataPtr;
    if (!FGeometry.Planar() || plane > 2 || !FDataPtr) return nullptr;
    return FDataPtr + FGeometry.ChromaOffset[plane - 1];
}

std::uint32_t TVDSmartImageBuffer::GetPlaneStep(int plane) const {
    if (plane == 0) return FGeometry.Step;
    return FGeometry.Planar() && plane <= 2 ? FGeometry.ChromaStep : 0;
}

TVDTimeCodeData TVDSmartImageBuffer::GetTimeCodeData() const {
    auto section = EnterRead();
    return FTimeCode;
}

void TVDSmartImageBuffer::SetTimeCodeData(const TVDTimeCodeData& value) {
    auto section = EnterWrite();
    FTimeCode = value;
}

TVDDateTimeData TVDSmartImageBuffer::GetDateTimeData() const {
    auto section = EnterRead();
    return FDateTime;
}

void TVDSmartImageBuffer::SetDateTimeData(const TVDDateTimeData& value) {
    auto section = EnterWrite();
    FDateTime = value;
}

std::uint8_t TVDSmartImageBuffer::GetGrayScale(std::uint32_t x, std::uint32_t y) const {
    const TColor c = GetPixel(x, y);
    return VDGreyValue(VDColorBlue(c), VDColorGreen(c), VDColorRed(c));
}

// --- B, G, R (, A) bytes ------------------------------------------------------

template <F Format>
TColor TVDSmartByteRGBStore<Format>::GetPixel(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = this->PixelAddress(x, y);
    return VDColor(p[2], p[1], p[0]);
}

template <F Format>
void TVDSmartByteRGBStore<Format>::SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) {
    std::uint8_t* p = this->PixelAddress(x, y);
    p[0] = VDColorBlue(colour);
    p[1] = VDColorGreen(colour);
    p[2] = VDColorRed(colour);
}

template <F Format>
std::uint8_t TVDSmartByteRGBStore<Format>::GetAlpha(std::uint32_t x, std::uint32_t y) const {
    if constexpr (Format == F::vfRGBA32) return this->PixelAddress(x, y)[3];
    else return 255;
}

template <F Format>
void TVDSmartByteRGBStore<Format>::SetAlpha(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    if constexpr (Format == F::vfRGBA32) this->PixelAddress(x, y)[3] = value;
}

template <F Format>
std::uint8_t TVDSmartByteRGBStore<Format>::GetGrayScale(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = this->PixelAddress(x, y);
    return VDGreyValue(p[0], p[1], p[2]);
}

// --- 16-bit words ---------------------------------------------------------------

namespace {

// Where each channel's field lies in a word: bit position and width.
struct Field {
    int shift, bits;
    std::uint16_t mask() const { return static_cast<std::uint16_t>(((1u << bits) - 1) << shift); }
    std::uint8_t read(std::uint16_t word) const {
        return static_cast<std::uint8_t>(((word >> shift) & ((1u << bits) - 1)) << (8 - bits));
    }
    std::uint16_t narrow(std::uint8_t value) const {
        return static_cast<std::uint16_t>((value >> (8 - bits)) << shift);
    }
    void write(std::uint16_t& word, std::uint8_t value) const {
        word = static_cast<std::uint16_t>((word & ~mask()) | narrow(value));
    }
};

template <F Format>
struct WordFields {
    static constexpr Field blue{0, 5};
    static constexpr Field green{5, Format == F::vfRGB565 ? 6 : 5};
    static constexpr Field red{Format == F::vfRGB565 ? 11 : 10, 5};
};

}  // namespace

template <F Format>
std::uint16_t& TVDSmartWordRGBStore<Format>::Word(std::uint32_t x, std::uint32_t y) const {
    return *reinterpret_cast<std::uint16_t*>(this->PixelAddress(x, y));
}

template <F Format>
TColor TVDSmartWordRGBStore<Format>::GetPixel(std::uint32_t x, std::uint32_t y) const {
    using W = WordFields<Format>;
    const std::uint16_t w = Word(x, y);
    return VDColor(W::red.read(w), W::green.read(w), W::blue.read(w));
}

template <F Format>
void TVDSmartWordRGBStore<Format>::SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) {
    using W = WordFields<Format>;
    Word(x, y) = static_cast<std::uint16_t>(W::red.narrow(VDColorRed(colour)) | W::green.narrow(VDColorGreen(colour)) |
                                            W::blue.narrow(VDColorBlue(colour)));
}

template <F Format>
void TVDSmartWordRGBStore<Format>::SetRed(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    WordFields<Format>::red.write(Word(x, y), value);
}

template <F Format>
void TVDSmartWordRGBStore<Format>::SetGreen(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    WordFields<Format>::green.write(Word(x, y), value);
}

template <F Format>
void TVDSmartWordRGBStore<Format>::SetBlue(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    WordFields<Format>::blue.write(Word(x, y), value);
}

// --- 4:2:2 and 4:2:0 --------------------------------------------------------------

template <F Format>
TColor TVDSmartYUVStore<Format>::GetPixel(std::uint32_t x, std::uint32_t y) const {
    std::uint32_t first = x & ~1u;
    // An odd width ends its rows with a lone pixel. The whole-image
    // converters give it the chroma of the pair before it (4:2:2) or of its
    // own block (4:2:0), and so does this one.
    IppiSize pair{static_cast<int>(std::min<std::uint32_t>(2, this->GetWidth() - first)), 1};
    if (Format != F::vfYV12 && Format != F::vfIYUV && pair.width == 1 && first >= 2) {
        first -= 2;
        pair.width = 3;
    }
    Ipp8u out[9] = {};
    Ipp8u* pixel = out + 3 * (x - first);
    const std::uint8_t* packed = this->GetData() + std::uint64_t{y} * this->GetStep() + 2 * std::uint64_t{first};
    // One row: the source step is what the pixels take, so nothing past
    // them is read.
    const int packedStep = 2 * pair.width;
    if constexpr (Format == F::vfYUY2) {
        primitives::ippiYUV422ToRGB_8u_C2C3R(packed, packedStep, out, 9, pair);
    } else if constexpr (Format == F::vfUYVY) {
        ippiUYVYToRGB_8u_C2C3R(packed, packedStep, out, 9, pair);
    } else if (this->FullRange()) {
        VDFullRangeToBgr(*this, x, y, {1, 1}, out, 3);
        return VDColor(out[2], out[1], out[0]);
    } else {
        TVDYCbCrPlanes planes = VDYCbCrPlanes(*this);
        planes.Plane[0] += std::uint64_t{y} * planes.Step[0] + first;
        for (int k = 1; k < 3; ++k) planes.Plane[k] += std::uint64_t{y / 2} * planes.Step[k] + first / 2;
        const Ipp8u* const src[3] = {planes.Plane[0], planes.Plane[1], planes.Plane[2]};
        primitives::ippiYCbCr420ToRGB_8u_P3C3R(src, planes.Step, out, 9, pair);
        // Read in the store's own order, blue first.
        return VDColor(pixel[2], pixel[1], pixel[0]);
    }
    return VDColor(pixel[0], pixel[1], pixel[2]);
}

// --- Grey -------------------------------------------------------------------------

template <F Format>
std::uint8_t TVDSmartGreyStore<Format>::GetGrayScale(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = this->PixelAddress(x, y);
    if constexpr (Format == F::vfGrayScale) {
        return *p;
    } else {
        Ipp8u value = 0;
        primitives::ippiScale_16u8u_C1R(reinterpret_cast<const Ipp16u*>(p), 2, &value, 1, IppiSize{1, 1},
                                        primitives::ippAlgHintFast);
        return value;
    }
}

template <F Format>
void TVDSmartGreyStore<Format>::SetGrayScale(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    std::uint8_t* p = this->PixelAddress(x, y);
    if constexpr (Format == F::vfGrayScale) *p = value;
    else *reinterpret_cast<std::uint16_t*>(p) = static_cast<std::uint16_t>(value * 257);
}

template class TVDSmartByteRGBStore<F::vfRGB24>;
template class TVDSmartByteRGBStore<F::vfRGBA32>;
template class TVDSmartYUVStore<F::vfYUY2>;
template class TVDSmartYUVStore<F::vfUYVY>;
template class TVDSmartYUVStore<F::vfYV12>;
template class TVDSmartYUVStore<F::vfIYUV>;
template class TVDSmartWordRGBStore<F::vfRGB565>;
template class TVDSmartWordRGBStore<F::vfRGB555>;
template class TVDSmartGreyStore<F::vfGrayScale>;
template class TVDSmartGreyStore<F::vfGray16>;

// --- Factory ------------------------------------------------------------------------

namespace {

template <typename... Args>
std::unique_ptr<TVDSmartImageBuffer> makeStore(TVDVideoFormat format, Args&&... args) {
    switch (VDStoreFormat(format)) {
        case F::vfRGBA32: return std::make_unique<TVDSmartRGBABuffer>(args...);
        case F::vfYUY2: return std::make_unique<TVDSmartYUY2Buffer>(args...);
        case F::vfUYVY: return std::make_unique<TVDSmartUYVYBuffer>(args...);
        case F::vfYV12: return std::make_unique<TVDSmartYV12Buffer>(args...);
        case F::vfIYUV: return std::make_unique<TVDSmartIYUVBuffer>(args...);
        case F::vfRGB565: return std::make_unique<TVDSmartRGB565Buffer>(args...);
        case F::vfRGB555: return std::make_unique<TVDSmartRGB555Buffer>(args...);
        case F::vfGrayScale: return std::make_unique<TVDSmartGrayScaleBuffer>(args...);
        case F::vfGray16: return std::make_unique<TVDSmartGrayScale16Buffer>(args...);
        default: return std::make_unique<TVDSmartRGBBuffer>(args...);
    }
}

}  // namespace

std::unique_ptr<TVDSmartImageBuffer> VDCreateStore(TVDVideoFormat format, std::uint32_t width, std::uint32_t height) {
    return makeStore(format, width, height);
}

std::unique_ptr<TVDSmartImageBuffer> VDCreateStore(TVDVideoFormat format, const TVDSmartImageBuffer& source,
                                                   bool copy) {
    return makeStore(format, source, copy);
}

}  // namespace oculon::mediavideo
