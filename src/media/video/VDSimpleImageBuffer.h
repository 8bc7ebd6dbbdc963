#pragma once
// The frame of the video chain: one picture of a pixel format, width and
// height over a pixel store, with its time stamp, time code, date-time and
// key-frame flag. Copying a frame shares its store; the first write through
// a frame whose store has another owner gives it a store of its own. A
// change of format converts into a new store, a change of size takes a
// fresh one.
//
// Coordinates, sizes and formats are trusted (as the stores' accessors
// are): x < width and y < height. Setters that need another format convert
// the frame first (a colour on a grey frame makes it RGB24; alpha makes it
// RGBA32). The whole-image operations are declared here and made in
// VDImageOperations.cpp; the bitmap transfers in VDImageBitmaps.cpp.

#include <cstdint>
#include <memory>
#include <string>

#include "media/pins/MBMediaBuffer.h"
#include "media/primitives/IppDefs.h"
#include "media/video/VDInternalStore.h"
#include "media/video/VDVideoFormat.h"

namespace oculon::mediavideo {

class TBitmap;
class TVDBasicBitmap;
class TVDImageBuffer;
using IVDImageBuffer = std::shared_ptr<TVDImageBuffer>;

// The image buffer behind any data buffer; EIntfCastError for another kind.
IVDImageBuffer VDImageBuffer(const pins::ISGData& buffer);

// A record of a frame's current store (time code, date-time), read and
// written whole: every frame on that store sees the same, and as with the
// time stamp, setting it is no write of the pixels and does not unshare.
template <class Data, Data (TVDSmartImageBuffer::*Read)() const, void (TVDSmartImageBuffer::*Write)(const Data&)>
class TVDStoreRecord {
public:
    explicit TVDStoreRecord(TVDImageBuffer& buffer) : FIntBuffer(buffer) {}
    TVDStoreRecord(const TVDStoreRecord&) = delete;
    TVDStoreRecord& operator=(const TVDStoreRecord&) = delete;

    Data Get() const;
    void Set(const Data& value);
    bool Available() const { return Get().Available; }
    void SetAvailable(bool v) { Change(&Data::Available, v); }

protected:
    template <class Field>
    void Change(Field Data::*field, Field value) {
        Data data = Get();
        data.*field = value;
        Set(data);
    }

private:
    TVDImageBuffer& FIntBuffer;
};

class TVDTimeCode : public TVDStoreRecord<TVDTimeCodeData, &TVDSmartImageBuffer::GetTimeCodeData,
                                          &TVDSmartImageBuffer::SetTimeCodeData> {
public:
    using TVDStoreRecord::TVDStoreRecord;
    std::int32_t Frame() const { return Get().Frame; }
    std::int32_t Sec() const { return Get().Sec; }
    std::int32_t Min() const { return Get().Min; }
    std::int32_t Hour() const { return Get().Hour; }
    void SetFrame(std::int32_t v) { Change(&TVDTimeCodeData::Frame, v); }
    void SetSec(std::int32_t v) { Change(&TVDTimeCodeData::Sec, v); }
    void SetMin(std::int32_t v) { Change(&TVDTimeCodeData::Min, v); }
    void SetHour(std::int32_t v) { Change(&TVDTimeCodeData::Hour, v); }
};

class TVDDateTime : public TVDStoreRecord<TVDDateTimeData, &TVDSmartImageBuffer::GetDateTimeData,
                                          &TVDSmartImageBuffer::SetDateTimeData> {
public:
    using TVDStoreRecord::TVDStoreRecord;
    std::int32_t Year() const { return Get().Year; }
    std::int32_t Month() const { return Get().Month; }
    std::int32_t Day() const { return Get().Day; }
    std::int32_t Hour() const { return Get().Hour; }
    std::int32_t Min() const { return Get().Min; }
    std::int32_t Sec() const { return Get().Sec; }
    std::int32_t Millisec() const { return Get().Millisec; }
    void SetYear(std::int32_t v) { Change(&TVDDateTimeData::Year, v); }
    void SetMonth(std::int32_t v) { Change(&TVDDateTimeData::Month, v); }
    void SetDay(std::int32_t v) { Change(&TVDDateTimeData::Day, v); }
    void SetHour(std::int32_t v) { Change(&TVDDateTimeData::Hour, v); }
    void SetMin(std::int32_t v) { Change(&TVDDateTimeData::Min, v); }
    void SetSec(std::int32_t v) { Change(&TVDDateTimeData::Sec, v); }
    void SetMillisec(std::int32_t v) { Change(&TVDDateTimeData::Millisec, v); }
};

struct TVDDimSize {
    std::uint32_t cx = 0;
    std::uint32_t cy = 0;
};

// A 32-bit constant of the value operations: blue, green, red (as the
// bytes of a TColor: red lowest) and an alpha in bits 24-31.
enum class TVDValue32 : std::uint32_t {};
constexpr TVDValue32 VDValue32(TColor colour, std::uint8_t alpha) {
    return static_cast<TVDValue32>((colour & 0xFFFFFFu) | std::uint32_t{alpha} << 24);
}

class TVDImageBuffer : public pins::TMBMediaBuffer {
public:
    // A frame on a new store of `format` (a value past the last format keeps
    // its value on an RGB24 store); the pixels are not set.
    TVDImageBuffer(std::uint32_t width, std::uint32_t height, TVDVideoFormat format);
    // Shares the source's store; format and key-frame flag copied.
    TVDImageBuffer(const TVDImageBuffer& source);

    static IVDImageBuffer CreateSize(std::uint32_t width, std::uint32_t height, TVDVideoFormat format) {
        return std::make_shared<TVDImageBuffer>(width, height, format);
    }
    // A new frame on the source's store. EIntfCastError for a null source,
    // or for a data buffer that is no image buffer.
    static IVDImageBuffer CreateCopy(const IVDImageBuffer& source);
    static IVDImageBuffer CreateUniversal(const pins::ISGData& source);
    // A frame of the bitmap's size and picture: RGBA32 from a pf32bit
    // bitmap, RGB24 from any other.
    static IVDImageBuffer CreateBmp(const TBitmap& bitmap);

    pins::ISGData MakeCopy() const override { return std::make_shared<TVDImageBuffer>(*this); }
    // Shares the source's store and takes its format; EIntfCastError (and
    // nothing changed) for anything but an image buffer.
    void Assign(const pins::ISGData& source) override;
    std::uint32_t GetByteSize() const override { return GetBuffer().GetCharSize(); }
    std::uint32_t GetSize() const override { return GetBuffer().GetCharSize(); }

    TVDSmartImageBuffer& GetBuffer() const { return *pDebugBuffer; }
    // Moves the frame onto `store`; the format becomes the store's, so that
    // the format never misnames the pixels.
    void SetBuffer(TVDSmartImageBuffer& store);

    // The first pixel byte: Read never unshares; Write unshares without
    // copying (for callers that overwrite every pixel), Modify with copying.
    const std::uint8_t* Read() const { return ByteRead(); }
    std::uint8_t* Write() { return ByteWrite(); }
    std::uint8_t* Modify() { return ByteModify(); }

    std::uint32_t GetWidth() const { return GetBuffer().GetWidth(); }
    std::uint32_t GetHeight() const { return GetBuffer().GetHeight(); }
    std::uint32_t GetExtWidth() const { return GetBuffer().GetExtWidth(); }
    std::uint32_t GetBytesPerPixel() const { return GetBuffer().GetBytesPerPixel(); }
    // Bytes from one row to the next, as the store lays them out.
    std::uint32_t GetStep() const { return GetBuffer().GetStep(); }
    TVDDimSize GetDimSize() const { return {GetWidth(), GetHeight()}; }
    TVDVideoFormat GetFormat() const { return FFormat; }
    TVDTimeCode& GetTimeCode() { return FTimeCode; }
    TVDDateTime& GetDateTime() { return FDateTime; }
    bool GetIsKeyFrame() const { return FIsKeyFrame; }
    void SetIsKeyFrame(bool value) { FIsKeyFrame = value; }

    // A fresh store (pixels not kept) unless size and format are already
    // these; the time data move along.
    void SetImageSize(std::uint32_t width, std::uint32_t height) { SetImageSizeFormat(width, height, FFormat); }
    void SetImageSizeFormat(std::uint32_t width, std::uint32_t height, TVDVideoFormat format);
    // Converts the picture into a new store of `format`; the other owners of
    // the old store keep it.
    void SetFormat(TVDVideoFormat format);
    // To RGB24 unless RGB24 or RGBA32.
    void SetFormatRGB();
    // To RGB24 when the format is a YUV one, a 16-bit RGB one (with
    // `convert16`) or a grey one (with `convertGrey`); true when it converted.
    bool CheckChangeFormat(bool convert16, bool convertGrey);

    TColor GetPixel(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetPixel(x, y); }
    std::uint8_t GetRed(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetRed(x, y); }
    std::uint8_t GetGreen(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetGreen(x, y); }
    std::uint8_t GetBlue(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetBlue(x, y); }
    std::uint8_t GetAlpha(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetAlpha(x, y); }
    std::uint8_t GetGrayScale(std::uint32_t x, std::uint32_t y) const { return GetBuffer().GetGrayScale(x, y); }
    // A grey colour (R = G = B) keeps the format, so a grey frame stays grey;
    // a YUV frame, which cannot be written per pixel, becomes RGB24.
    void SetPixel(std::uint32_t x, std::uint32_t y, TColor colour);
    void SetRed(std::uint32_t x, std::uint32_t y, std::uint8_t v) { SetColour(&TVDSmartImageBuffer::SetRed, x, y, v); }
    void SetGreen(std::uint32_t x, std::uint32_t y, std::uint8_t v) {
        SetColour(&TVDSmartImageBuffer::SetGreen, x, y, v);
    }
    void SetBlue(std::uint32_t x, std::uint32_t y, std::uint8_t v) {
        SetColour(&TVDSmartImageBuffer::SetBlue, x, y, v);
    }
    void SetAlpha(std::uint32_t x, std::uint32_t y, std::uint8_t value);
    void SetPixelAlpha(std::uint32_t x, std::uint32_t y, TColor colour, std::uint8_t alpha);
    // Keeps RGB24, RGBA32 and the grey formats; others become GrayScale.
    void SetGrayScale(std::uint32_t x, std::uint32_t y, std::uint8_t value);

    // One channel of every pixel (RGB24 unless RGBA32).
    void SetRedChannel(std::uint8_t value) { SetColourChannel(2, value); }
    void SetGreenChannel(std::uint8_t value) { SetColourChannel(1, value); }
    void SetBlueChannel(std::uint8_t value) { SetColourChannel(0, value); }
    void SetAlphaChannel(std::uint8_t value);
    // A GrayScale frame of one channel; this frame keeps its format.
    IVDImageBuffer GetRedChannel() const { return GetColourChannel(2); }
    IVDImageBuffer GetGreenChannel() const { return GetColourChannel(1); }
    IVDImageBuffer GetBlueChannel() const { return GetColourChannel(0); }
    // 255 everywhere unless RGBA32.
    IVDImageBuffer GetAlphaChannel() const;

    // --- Bitmap transfers (VDImageBitmaps.cpp) ---
    // Nothing from an empty bitmap; otherwise this frame takes its size and
    // picture, RGBA32 from a pf32bit bitmap, RGB24 from any other.
    void FromBitmap(const TBitmap& bitmap);
    // The bitmap takes this frame's size and picture, pf32bit for RGBA32;
    // any format but RGBA32 converts this frame to RGB24 first.
    void ToBitmap(TBitmap& bitmap);
    void FromBitmap(const TVDBasicBitmap& bitmap);
    void ToBitmap(TVDBasicBitmap& bitmap);
    // A BMP file of the picture (as ToBitmap, so this frame may become RGB24).
    void SaveToBitmapFile(const std::string& fileName);

    // --- Whole-image operations (VDImageOperations.cpp) ---
    // Two images: this := this op source over the common top-left
    // rectangle. The source is never changed: where it must be converted,
    // a private copy is. Arithmetic halves the exact result (scale factor
    // 1, rounded half to even, saturated); MultiplyScale takes 255 (65535)
    // as 1.0. The two-argument forms make this frame share `first` first,
    // then take `second` as it was (this frame itself included).
    void AlphaComp(const IVDImageBuffer& source, primitives::IppiAlphaType alphaType);
    void Add(const IVDImageBuffer& source);
    void Add(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void Subtract(const IVDImageBuffer& source);
    void Subtract(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void Multiply(const IVDImageBuffer& source);
    void Multiply(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void MultiplyScale(const IVDImageBuffer& source);
    void MultiplyScale(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void Divide(const IVDImageBuffer& source);
    void Divide(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void AbsDiff(const IVDImageBuffer& source);
    void AbsDiff(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void LAnd(const IVDImageBuffer& source);
    void LAnd(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void LOr(const IVDImageBuffer& source);
    void LOr(const IVDImageBuffer& first, const IVDImageBuffer& second);
    void LXor(const IVDImageBuffer& source);
    void LXor(const IVDImageBuffer& first, const IVDImageBuffer& second);

    // Constants: every frame but RGB24 and RGBA32 becomes RGB24 first. The
    // constant's bytes go to the stored channels in memory order (a TColor's
    // red byte to blue). The colour forms keep an RGBA32 frame's alpha
    // (except SubtractValue); the 32-bit forms take its high byte for alpha.
    void AddValue(TColor colour);
    void AddValue(TColor colour, std::uint8_t alpha) { AddValue(VDValue32(colour, alpha)); }
    void AddValue(TVDValue32 value);
    void SubtractValue(TColor colour);
    void SubtractValue(TColor colour, std::uint8_t alpha) { SubtractValue(VDValue32(colour, alpha)); }
    void SubtractValue(TVDValue32 value);
    void MultiplyValue(TColor colour);
    void MultiplyValue(TColor colour, std::uint8_t alpha) { MultiplyValue(VDValue32(colour, alpha)); }
    void MultiplyValue(TVDValue32 value);
    void MultiplyScaleValue(TColor colour);
    void MultiplyScaleValue(TColor colour, std::uint8_t alpha) { MultiplyScaleValue(VDValue32(colour, alpha)); }
    void MultiplyScaleValue(TVDValue32 value);
    void DivideValue(TColor colour);
    void DivideValue(TColor colour, std::uint8_t alpha) { DivideValue(VDValue32(colour, alpha)); }
    void DivideValue(TVDValue32 value);
    void LAndValue(TColor colour);
    void LAndValue(TColor colour, std::uint8_t alpha) { LAndValue(VDValue32(colour, alpha)); }
    void LAndValue(TVDValue32 value);
    void LOrValue(TColor colour);
    void LOrValue(TColor colour, std::uint8_t alpha) { LOrValue(VDValue32(colour, alpha)); }
    void LOrValue(TVDValue32 value);
    void LXorValue(TColor colour);
    void LXorValue(TColor colour, std::uint8_t alpha) { LXorValue(VDValue32(colour, alpha)); }
    void LXorValue(TVDValue32 value);
    // Each byte of the constant is the shift count of its channel.
    void LShiftValue(TColor colour);
    void LShiftValue(TColor colour, std::uint8_t alpha) { LShiftValue(VDValue32(colour, alpha)); }
    void LShiftValue(TVDValue32 value);
    void RShiftValue(TColor colour);
    void RShiftValue(TColor colour, std::uint8_t alpha) { RShiftValue(VDValue32(colour, alpha)); }
    void RShiftValue(TVDValue32 value);

    // Bitwise not and halved squares (RGB24 unless RGBA32, whose alpha is
    // kept); from a source: this := op(source) over the common rectangle.
    void LNot();
    void LNot(const IVDImageBuffer& source);
    void Sqr();
    void Sqr(const IVDImageBuffer& source);

    // Fills. An 8-bit value v fills a Gray16 frame with v x 257.
    void SetValue(TColor colour);
    // Alpha 255 fills RGB24, any other RGBA32.
    void SetValue(TVDValue32 value);
    void SetValue(std::uint8_t value);
    void SetValue(std::uint8_t value, std::uint8_t alpha);
    void SetValue(TColor colour, std::uint8_t alpha);
    // RGBA32 with every alpha set, colours kept.
    void SetAlpha(std::uint8_t value);
    void SetGrayScale(std::uint8_t value);
    void Zero() { SetValue(TColor{0}); }
    void Zero(std::uint8_t alpha) { SetValue(TColor{0}, alpha); }

protected:
    void PopulateCahces() override;

private:
    void SetColourChannel(int channel, std::uint8_t value);
    IVDImageBuffer GetColourChannel(int channel) const;
    // Shares `first`, then operation(second).
    void AssignAnd(const IVDImageBuffer& first, const IVDImageBuffer& second,
                   void (TVDImageBuffer::*operation)(const IVDImageBuffer&));
    // RGB24 unless RGBA32, unshared, then the store's setter.
    void SetColour(void (TVDSmartImageBuffer::*setter)(std::uint32_t, std::uint32_t, std::uint8_t), std::uint32_t x,
                   std::uint32_t y, std::uint8_t value);
    // Moves to `store`, which brings the time data of the current one.
    void ReplaceStore(std::unique_ptr<TVDSmartImageBuffer> store);

    TVDSmartImageBuffer* pDebugBuffer = nullptr;  // the data container, typed
    TVDVideoFormat FFormat;
    TVDTimeCode FTimeCode{*this};
    TVDDateTime FDateTime{*this};
    bool FIsKeyFrame = false;
};

template <class Data, Data (TVDSmartImageBuffer::*Read)() const, void (TVDSmartImageBuffer::*Write)(const Data&)>
Data TVDStoreRecord<Data, Read, Write>::Get() const {
    return (FIntBuffer.GetBuffer().*Read)();
}

template <class Data, Data (TVDSmartImageBuffer::*Read)() const, void (TVDSmartImageBuffer::*Write)(const Data&)>
void TVDStoreRecord<Data, Read, Write>::Set(const Data& value) {
    (FIntBuffer.GetBuffer().*Write)(value);
}

}  // namespace oculon::mediavideo
