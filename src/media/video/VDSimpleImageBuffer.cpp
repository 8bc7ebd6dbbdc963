#include "media/video/VDSimpleImageBuffer.h"

#include "media/pins/SGErrors.h"
#include "media/primitives/ImageCopy.h"

namespace oculon::mediavideo {

namespace prim = oculon::primitives;
using F = TVDVideoFormat;

IVDImageBuffer VDImageBuffer(const pins::ISGData& buffer) {
    auto image = std::dynamic_pointer_cast<TVDImageBuffer>(buffer);
    if (!image) throw pins::EIntfCastError();
    return image;
}

TVDImageBuffer::TVDImageBuffer(std::uint32_t width, std::uint32_t height, TVDVideoFormat format)
    : TMBMediaBuffer(VDCreateStore(format, width, height), 0), FFormat(format) {
    TVDImageBuffer::PopulateCahces();
}

TVDImageBuffer::TVDImageBuffer(const TVDImageBuffer& source)
    : TMBMediaBuffer(source), FFormat(source.FFormat), FIsKeyFrame(source.FIsKeyFrame) {
    TVDImageBuffer::PopulateCahces();
}

IVDImageBuffer TVDImageBuffer::CreateCopy(const IVDImageBuffer& source) {
    if (!source) throw pins::EIntfCastError();
    return std::make_shared<TVDImageBuffer>(*source);
}

IVDImageBuffer TVDImageBuffer::CreateUniversal(const pins::ISGData& source) {
    return CreateCopy(VDImageBuffer(source));
}

void TVDImageBuffer::Assign(const pins::ISGData& source) {
    const IVDImageBuffer image = VDImageBuffer(source);
    TMBMediaBuffer::Assign(source);
    FFormat = image->FFormat;
}

void TVDImageBuffer::SetBuffer(TVDSmartImageBuffer& store) {
    if (VDStoreFormat(FFormat) != store.Format()) FFormat = store.Format();
    SetDataContainer(pins::TSGContainerRef(store, OwnsData()));
}

void TVDImageBuffer::PopulateCahces() {
    pDebugBuffer = static_cast<TVDSmartImageBuffer*>(DataContainer());
    FCharSize = pDebugBuffer->GetCharSize();
    FDataPtr = pDebugBuffer->GetData();
}

void TVDImageBuffer::ReplaceStore(std::unique_ptr<TVDSmartImageBuffer> store) {
    store->SetTimeData(GetBuffer());
    SetDataContainer(pins::TSGContainerRef(std::move(store), OwnsData()));
}

void TVDImageBuffer::SetImageSizeFormat(std::uint32_t width, std::uint32_t height, TVDVideoFormat format) {
    if (width == GetWidth() && height == GetHeight() && format == FFormat) return;
    auto store = VDCreateStore(format, width, height);  // may throw: nothing changed yet
    FFormat = format;
    ReplaceStore(std::move(store));
}

void TVDImageBuffer::SetFormat(TVDVideoFormat format) {
    if (format == FFormat) return;
    auto store = VDCreateStore(format, GetBuffer(), true);
    FFormat = format;
    ReplaceStore(std::move(store));
}

void TVDImageBuffer::SetFormatRGB() {
    if (FFormat != F::vfRGB24 && FFormat != F::vfRGBA32) SetFormat(F::vfRGB24);
}

bool TVDImageBuffer::CheckChangeFormat(bool convert16, bool convertGrey) {
    bool convert = false;
    switch (FFormat) {
        case F::vfYUY2:
        case F::vfUYVY:
        case F::vfYV12:
        case F::vfIYUV: convert = true; break;
        case F::vfRGB565:
        case F::vfRGB555: convert = convert16; break;
        case F::vfGrayScale:
        case F::vfGray16: convert = convertGrey; break;
        default: break;
    }
    if (convert) SetFormat(F::vfRGB24);
    return convert;
}

namespace {

// The 4:2:2 and 4:2:0 stores are read-only per pixel.
bool isYUV(TVDVideoFormat format) {
    return format == F::vfYUY2 || format == F::vfUYVY || format == F::vfYV12 || format == F::vfIYUV;
}

}  // namespace

void TVDImageBuffer::SetPixel(std::uint32_t x, std::uint32_t y, TColor colour) {
    // A grey colour keeps the format only where the store can take it.
    if (colour != VDGreyColor(VDColorRed(colour)) || isYUV(FFormat)) SetFormatRGB();
    Unique(true);
    GetBuffer().SetPixel(x, y, colour);
}

void TVDImageBuffer::SetColour(void (TVDSmartImageBuffer::*setter)(std::uint32_t, std::uint32_t, std::uint8_t),
                               std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    SetFormatRGB();
    Unique(true);
    (GetBuffer().*setter)(x, y, value);
}

void TVDImageBuffer::SetAlpha(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    SetFormat(F::vfRGBA32);
    Unique(true);
    GetBuffer().SetAlpha(x, y, value);
}

void TVDImageBuffer::SetPixelAlpha(std::uint32_t x, std::uint32_t y, TColor colour, std::uint8_t alpha) {
    SetFormat(F::vfRGBA32);
    Unique(true);
    GetBuffer().SetPixel(x, y, colour);
    GetBuffer().SetAlpha(x, y, alpha);
}

void TVDImageBuffer::SetGrayScale(std::uint32_t x, std::uint32_t y, std::uint8_t value) {
    if (FFormat != F::vfRGB24 && FFormat != F::vfRGBA32 && FFormat != F::vfGrayScale && FFormat != F::vfGray16)
        SetFormat(F::vfGrayScale);
    Unique(true);
    GetBuffer().SetGrayScale(x, y, value);
}

namespace {

prim::IppiSize wholePicture(const TVDImageBuffer& image) {
    return {static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight())};
}

}  // namespace

void TVDImageBuffer::SetColourChannel(int channel, std::uint8_t value) {
    if (FFormat == F::vfRGBA32) {
        prim::ippiSet_8u_C4CR(value, Modify() + channel, static_cast<int>(GetStep()), wholePicture(*this));
        return;
    }
    SetFormat(F::vfRGB24);
    prim::ippiSet_8u_C3CR(value, Modify() + channel, static_cast<int>(GetStep()), wholePicture(*this));
}

void TVDImageBuffer::SetAlphaChannel(std::uint8_t value) {
    SetFormat(F::vfRGBA32);
    prim::ippiSet_8u_C4CR(value, Modify() + 3, static_cast<int>(GetStep()), wholePicture(*this));
}

IVDImageBuffer TVDImageBuffer::GetColourChannel(int channel) const {
    auto result = CreateSize(GetWidth(), GetHeight(), F::vfGrayScale);
    if (FFormat == F::vfRGBA32) {
        prim::ippiCopy_8u_C4C1R(Read() + channel, static_cast<int>(GetStep()), result->Write(),
                                static_cast<int>(result->GetStep()), wholePicture(*this));
        return result;
    }
    TVDImageBuffer rgb(*this);
    rgb.SetFormat(F::vfRGB24);
    prim::ippiCopy_8u_C3C1R(rgb.Read() + channel, static_cast<int>(rgb.GetStep()), result->Write(),
                            static_cast<int>(result->GetStep()), wholePicture(*this));
    return result;
}

IVDImageBuffer TVDImageBuffer::GetAlphaChannel() const {
    if (FFormat != F::vfRGBA32) {
        auto result = CreateSize(GetWidth(), GetHeight(), F::vfGrayScale);
        result->SetValue(std::uint8_t{255});
        return result;
    }
    return GetColourChannel(3);
}

}  // namespace oculon::mediavideo
