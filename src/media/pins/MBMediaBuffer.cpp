#include "media/pins/MBMediaBuffer.h"

#include "media/pins/SGErrors.h"

namespace oculon::pins {

TMBSmartMediaBuffer::TMBSmartMediaBuffer(const TMBSmartMediaBuffer& source, bool copy)
    : TSGSmartBuffer(source, copy), FTimeStamp(source.TimeStamp()) {}

void TMBSmartMediaBuffer::SetTimeData(const TMBSmartMediaBuffer& source) {
    if (&source == this) return;
    const TMBTimeStampData stamp = source.TimeStamp();
    auto section = EnterWrite();
    FTimeStamp = stamp;
}

TMBTimeStampData TMBSmartMediaBuffer::TimeStamp() const {
    auto section = EnterRead();
    return FTimeStamp;
}

void TMBSmartMediaBuffer::SetTimeStampAvailable(bool value) {
    auto section = EnterWrite();
    FTimeStamp.Available = value;
}

void TMBSmartMediaBuffer::SetTimeStampBegin(std::int64_t value) {
    auto section = EnterWrite();
    FTimeStamp.Begin = value;
}

void TMBSmartMediaBuffer::SetTimeStampEnd(std::int64_t value) {
    auto section = EnterWrite();
    FTimeStamp.End = value;
}

void TMBMediaBuffer::Assign(const ISGData& source) {
    if (!dynamic_cast<TMBMediaBuffer*>(source.get())) throw EIntfCastError();
    TSGGenericBuffer::Assign(source);
}

bool TMBTimeStamp::Available() const { return FIntBuffer.MediaContainer().GetTimeStampAvailable(); }
std::int64_t TMBTimeStamp::BeginTime() const { return FIntBuffer.MediaContainer().GetTimeStampBegin(); }
std::int64_t TMBTimeStamp::EndTime() const { return FIntBuffer.MediaContainer().GetTimeStampEnd(); }
void TMBTimeStamp::SetAvailable(bool value) { FIntBuffer.MediaContainer().SetTimeStampAvailable(value); }
void TMBTimeStamp::SetBeginTime(std::int64_t value) { FIntBuffer.MediaContainer().SetTimeStampBegin(value); }
void TMBTimeStamp::SetEndTime(std::int64_t value) { FIntBuffer.MediaContainer().SetTimeStampEnd(value); }

}  // namespace oculon::pins
