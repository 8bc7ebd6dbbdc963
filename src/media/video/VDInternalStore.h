#pragma once
// The pixel stores: the shared, reference-counted containers that hold one
// frame's pixels (a pool block laid out as VDStoreGeometry says), its time
// stamp, time code and date-time. There is one store class per pixel
// format; a store never changes its format or size, a frame that changes
// either moves to a new store. Image buffers hold stores through
// pins::TSGContainerRef and write only to a store they own alone.
//
// The per-pixel accessors are for occasional access and check nothing: the
// caller keeps x < width and y < height. The 4:2:2 and 4:2:0 stores are read
// only through them (their setters change nothing) and convert a pixel pair
// on every call.

#include <cstdint>
#include <memory>

#include "media/pins/MBMediaBuffer.h"
#include "media/pins/SGBlockPool.h"
#include "media/video/VDStoreGeometry.h"
#include "media/video/VDVideoFormat.h"

namespace oculon::mediavideo {

struct TVDTimeCodeData {
    bool Available = false;
    std::int32_t Frame = 0;
    std::int32_t Sec = 0;
    std::int32_t Min = 0;
    std::int32_t Hour = 0;
    friend bool operator==(const TVDTimeCodeData&, const TVDTimeCodeData&) = default;
};

struct TVDDateTimeData {
    bool Available = false;
    std::int32_t Millisec = 0;
    std::int32_t Sec = 0;
    std::int32_t Min = 0;
    std::int32_t Hour = 0;
    std::int32_t Day = 0;
    std::int32_t Month = 0;
    std::int32_t Year = 0;
    friend bool operator==(const TVDDateTimeData&, const TVDDateTimeData&) = default;
};

// The grey value of a colour: (467 b + 2404 g + 1225 r) >> 12, the weights
// of kVDGreyWeights as the grey primitive rounds them.
std::uint8_t VDGreyValue(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

class TVDSmartImageBuffer : public pins::TMBSmartMediaBuffer, public pins::TSGPooledInstance {
public:
    ~TVDSmartImageBuffer() override;

    // The format of the store's class (never past the last format).
    TVDVideoFormat Format() const { return FFormat; }
    // A store of the same class, size, stamp, time code and date-time; the
    // pixels are copied only when `copy` is set.
    std::unique_ptr<pins::TSGSmartBuffer> Clone(bool copy) const override;
    std::unique_ptr<TVDSmartImageBuffer> CloneStore(bool copy) const;
    // The source's stamp and, from another pixel store, its time code and
    // date-time.
    void SetTimeData(const pins::TMBSmartMediaBuffer& source) override;

    std::uint8_t* RawData() const override { return FDataPtr; }
    std::uint32_t AllocatedSize() const override { return FGeometry.Size; }
    std::uint32_t GetCharSize() const { return FGeometry.Size; }

    std::uint8_t* GetData() const { return FDataPtr; }
    std::uint32_t GetWidth() const { return FGeometry.Width; }
    std::uint32_t GetExtWidth() const { return FGeometry.ExtWidth; }
    std::uint32_t GetHeight() const { return FGeometry.Height; }
    std::uint32_t GetBytesPerPixel() const { return FGeometry.BytesPerPixel; }
    // Bytes per row: 2 x width for 4:2:2, the luma row for 4:2:0.
    std::uint32_t GetStep() const { return FGeometry.Step; }
    const TVDStoreGeometry& Geometry() const { return FGeometry; }
    // Plane 0 is the whole picture (the luma plane of a planar format);
    // planes 1 and 2 are a planar format's chroma planes in memory order
    // (null for the other formats). Steps in bytes.
    std::uint8_t* GetPlane(int plane) const;
    std::uint32_t GetPlaneStep(int plane) const;
    // A planar store whose planes hold a JPEG picture's samples as a decoder
    // gives them: full-range Y, Cb, Cr with Cb in memory plane 1 of IYUV
    // (plane 2 of YV12), where the stores' converters write studio range in
    // their own order. Set by whoever fills the planes, before the store is
    // shared; a copy keeps it, and every conversion or pixel read honours it.
    bool FullRange() const { return FFullRange; }
    void SetFullRange(bool value) { FFullRange = value && FGeometry.Planar(); }

    TVDTimeCodeData GetTimeCodeData() const;
    void SetTimeCodeData(const TVDTimeCodeData& value);
    TVDDateTimeData GetDateTimeData() const;
    void SetDateTimeData(const TVDDateTimeData& value);

    virtual TColor GetPixel(std::uint32_t x, std::uint32_t y) const = 0;
    virtual void SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) {}
    virtual std::uint8_t GetRed(std::uint32_t x, std::uint32_t y) const { return VDColorRed(GetPixel(x, y)); }
    virtual void SetRed(std::uint32_t x, std::uint32_t y, std::uint8_t value) {}
    virtual std::uint8_t GetGreen(std::uint32_t x, std::uint32_t y) const { return VDColorGreen(GetPixel(x, y)); }
    virtual void SetGreen(std::uint32_t x, std::uint32_t y, std::uint8_t value) {}
    virtual std::uint8_t GetBlue(std::uint32_t x, std::uint32_t y) const { return VDColorBlue(GetPixel(x, y)); }
    virtual void SetBlue(std::uint32_t x, std::uint32_t y, std::uint8_t value) {}
    virtual std::uint8_t GetAlpha(std::uint32_t x, std::uint32_t y) const { return 255; }
    virtual void SetAlpha(std::uint32_t x, std::uint32_t y, std::uint8_t value) {}
    virtual std::uint8_t GetGrayScale(std::uint32_t x, std::uint32_t y) const;
    virtual void SetGrayScale(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
        SetPixel(x, y, VDGreyColor(value));
    }

protected:
    // A store of `format` (already a store format) with a fresh block whose
    // bytes are not set.
    TVDSmartImageBuffer(TVDVideoFormat format, std::uint32_t width, std::uint32_t height);
    // The store of `format` made from `source` of any format: with `copy`,
    // the same picture (a byte copy from a store of the same format,
    // otherwise converted); without, the same size and unset bytes. A copy
    // from the same format takes the source's stamp; a conversion carries
    // no time data (CloneStore and the image buffer set them).
    TVDSmartImageBuffer(TVDVideoFormat format, const TVDSmartImageBuffer& source, bool copy);

    // The first byte of pixel (x, y) of a packed format with one or more
    // whole bytes per pixel.
    std::uint8_t* PixelAddress(std::uint32_t x, std::uint32_t y) const {
        return FDataPtr + (std::uint64_t{x} + std::uint64_t{y} * FGeometry.ExtWidth) * FGeometry.BytesPerPixel;
    }

private:
    const TVDVideoFormat FFormat;
    const TVDStoreGeometry FGeometry;
    std::uint8_t* const FDataPtr;
    TVDTimeCodeData FTimeCode;  // under the container's section
    TVDDateTimeData FDateTime;  // likewise
    bool FFullRange = false;
};

// The store class of one format: its two constructors.
template <TVDVideoFormat F>
class TVDSmartStore : public TVDSmartImageBuffer {
public:
    static constexpr TVDVideoFormat kFormat = F;
    TVDSmartStore(std::uint32_t width, std::uint32_t height) : TVDSmartImageBuffer(F, width, height) {}
    // A copy of a store of this class, or a conversion from any other.
    TVDSmartStore(const TVDSmartImageBuffer& source, bool copy) : TVDSmartImageBuffer(F, source, copy) {}
};

// B, G, R (and A) bytes per pixel.
template <TVDVideoFormat F>
class TVDSmartByteRGBStore final : public TVDSmartStore<F> {
public:
    using TVDSmartStore<F>::TVDSmartStore;
    TColor GetPixel(std::uint32_t x, std::uint32_t y) const override;
    // Keeps the alpha byte.
    void SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) override;
    std::uint8_t GetRed(std::uint32_t x, std::uint32_t y) const override { return this->PixelAddress(x, y)[2]; }
    void SetRed(std::uint32_t x, std::uint32_t y, std::uint8_t value) override { this->PixelAddress(x, y)[2] = value; }
    std::uint8_t GetGreen(std::uint32_t x, std::uint32_t y) const override { return this->PixelAddress(x, y)[1]; }
    void SetGreen(std::uint32_t x, std::uint32_t y, std::uint8_t v) override { this->PixelAddress(x, y)[1] = v; }
    std::uint8_t GetBlue(std::uint32_t x, std::uint32_t y) const override { return this->PixelAddress(x, y)[0]; }
    void SetBlue(std::uint32_t x, std::uint32_t y, std::uint8_t value) override { this->PixelAddress(x, y)[0] = value; }
    // 255 for RGB24, whose SetAlpha changes nothing.
    std::uint8_t GetAlpha(std::uint32_t x, std::uint32_t y) const override;
    void SetAlpha(std::uint32_t x, std::uint32_t y, std::uint8_t value) override;
    std::uint8_t GetGrayScale(std::uint32_t x, std::uint32_t y) const override;
};

// One little-endian word per pixel, blue in bits 0-4 and red in the top
// field, as the conversions and the 16-bit AVI formats have it. A field
// reads as its bits shifted to the top of a byte, low bits 0; a byte is
// written as its top bits.
template <TVDVideoFormat F>
class TVDSmartWordRGBStore final : public TVDSmartStore<F> {
public:
    using TVDSmartStore<F>::TVDSmartStore;
    TColor GetPixel(std::uint32_t x, std::uint32_t y) const override;
    void SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) override;
    // The setters of one channel keep the other bits of the word.
    void SetRed(std::uint32_t x, std::uint32_t y, std::uint8_t value) override;
    void SetGreen(std::uint32_t x, std::uint32_t y, std::uint8_t value) override;
    void SetBlue(std::uint32_t x, std::uint32_t y, std::uint8_t value) override;

private:
    std::uint16_t& Word(std::uint32_t x, std::uint32_t y) const;
};

// Packed 4:2:2 and planar 4:2:0: read-only per pixel, each read converting
// the pixel pair that holds x with the format's whole-image converter.
template <TVDVideoFormat F>
class TVDSmartYUVStore final : public TVDSmartStore<F> {
public:
    using TVDSmartStore<F>::TVDSmartStore;
    TColor GetPixel(std::uint32_t x, std::uint32_t y) const override;
};

// One grey sample per pixel: 8-bit, or 16-bit with the 8-bit accessors
// reading the sample as the whole-image conversion narrows it and writing
// value x 257.
template <TVDVideoFormat F>
class TVDSmartGreyStore final : public TVDSmartStore<F> {
public:
    using TVDSmartStore<F>::TVDSmartStore;
    TColor GetPixel(std::uint32_t x, std::uint32_t y) const override { return VDGreyColor(GetGrayScale(x, y)); }
    // Stores the colour's red byte.
    void SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) override { SetGrayScale(x, y, VDColorRed(colour)); }
    std::uint8_t GetGrayScale(std::uint32_t x, std::uint32_t y) const override;
    void SetGrayScale(std::uint32_t x, std::uint32_t y, std::uint8_t value) override;
};

using TVDSmartRGBBuffer = TVDSmartByteRGBStore<TVDVideoFormat::vfRGB24>;
using TVDSmartRGBABuffer = TVDSmartByteRGBStore<TVDVideoFormat::vfRGBA32>;
using TVDSmartYUY2Buffer = TVDSmartYUVStore<TVDVideoFormat::vfYUY2>;
using TVDSmartUYVYBuffer = TVDSmartYUVStore<TVDVideoFormat::vfUYVY>;
using TVDSmartYV12Buffer = TVDSmartYUVStore<TVDVideoFormat::vfYV12>;
using TVDSmartIYUVBuffer = TVDSmartYUVStore<TVDVideoFormat::vfIYUV>;
using TVDSmartRGB565Buffer = TVDSmartWordRGBStore<TVDVideoFormat::vfRGB565>;
using TVDSmartRGB555Buffer = TVDSmartWordRGBStore<TVDVideoFormat::vfRGB555>;
using TVDSmartGrayScaleBuffer = TVDSmartGreyStore<TVDVideoFormat::vfGrayScale>;
using TVDSmartGrayScale16Buffer = TVDSmartGreyStore<TVDVideoFormat::vfGray16>;

extern template class TVDSmartByteRGBStore<TVDVideoFormat::vfRGB24>;
extern template class TVDSmartByteRGBStore<TVDVideoFormat::vfRGBA32>;
extern template class TVDSmartYUVStore<TVDVideoFormat::vfYUY2>;
extern template class TVDSmartYUVStore<TVDVideoFormat::vfUYVY>;
extern template class TVDSmartYUVStore<TVDVideoFormat::vfYV12>;
extern template class TVDSmartYUVStore<TVDVideoFormat::vfIYUV>;
extern template class TVDSmartWordRGBStore<TVDVideoFormat::vfRGB565>;
extern template class TVDSmartWordRGBStore<TVDVideoFormat::vfRGB555>;
extern template class TVDSmartGreyStore<TVDVideoFormat::vfGrayScale>;
extern template class TVDSmartGreyStore<TVDVideoFormat::vfGray16>;

// The store class of `format` (vfRGB24's for a value past the last format)
// with a fresh block of unset bytes.
std::unique_ptr<TVDSmartImageBuffer> VDCreateStore(TVDVideoFormat format, std::uint32_t width, std::uint32_t height);
// The store class of `format` made from `source`, as its converting
// constructor does: the same picture when `copy` is set.
std::unique_ptr<TVDSmartImageBuffer> VDCreateStore(TVDVideoFormat format, const TVDSmartImageBuffer& source, bool copy);

}  // namespace oculon::mediavideo
