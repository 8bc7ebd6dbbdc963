#pragma once
// Media data (video frames, audio blocks) with a time stamp: an availability
// flag and a begin and an end time in the producer's unit. The stamp lives in
// the container, so every buffer on one container sees the same stamp and a
// copy-on-write clone carries it along. Setting a stamp is not a write of the
// data and does not unshare: a buffer that must carry a stamp of its own makes
// itself unique first. Image and audio containers and buffers derive from
// these two classes.

#include <cstdint>
#include <memory>

#include "media/pins/SGGenericBuffer.h"

namespace oculon::pins {

struct TMBTimeStampData {
    bool Available = false;
    std::int64_t Begin = 0;
    std::int64_t End = 0;
};

// The container level. Every field is read and written under the
// container's section, so a 64-bit time is never seen half written.
class TMBSmartMediaBuffer : public TSGSmartBuffer {
public:
    // Every concrete media container clones into its own class, stamp included.
    std::unique_ptr<TSGSmartBuffer> Clone(bool copy) const override = 0;
    // Takes the source's stamp; image containers add their time code and date.
    virtual void SetTimeData(const TMBSmartMediaBuffer& source);

    TMBTimeStampData TimeStamp() const;
    bool GetTimeStampAvailable() const { return TimeStamp().Available; }
    std::int64_t GetTimeStampBegin() const { return TimeStamp().Begin; }
    std::int64_t GetTimeStampEnd() const { return TimeStamp().End; }
    void SetTimeStampAvailable(bool value);
    void SetTimeStampBegin(std::int64_t value);
    void SetTimeStampEnd(std::int64_t value);

protected:
    TMBSmartMediaBuffer() = default;
    // The copy constructor of derived containers: the source's stamp, whether
    // or not the data are copied.
    TMBSmartMediaBuffer(const TMBSmartMediaBuffer& source, bool copy);

private:
    TMBTimeStampData FTimeStamp;
};

class TMBMediaBuffer;

// The stamp of a media buffer, read and written through its current container.
class TMBTimeStamp {
public:
    explicit TMBTimeStamp(TMBMediaBuffer& buffer) : FIntBuffer(buffer) {}
    TMBTimeStamp(const TMBTimeStamp&) = delete;
    TMBTimeStamp& operator=(const TMBTimeStamp&) = delete;

    bool Available() const;
    std::int64_t BeginTime() const;
    std::int64_t EndTime() const;
    void SetAvailable(bool value);
    void SetBeginTime(std::int64_t value);
    void SetEndTime(std::int64_t value);

private:
    TMBMediaBuffer& FIntBuffer;
};

// The buffer level: a generic buffer whose container is a media container.
class TMBMediaBuffer : public TSGGenericBuffer {
public:
    TMBMediaBuffer(std::unique_ptr<TMBSmartMediaBuffer> container, std::uint32_t byteSize)
        : TSGGenericBuffer(std::move(container), byteSize) {}
    TMBMediaBuffer(TMBSmartMediaBuffer& container, std::uint32_t byteSize) : TSGGenericBuffer(container, byteSize) {}
    TMBMediaBuffer(const TMBMediaBuffer& source) : TSGGenericBuffer(source) {}

    // Only from another media buffer: its container must carry a stamp.
    void Assign(const ISGData& source) override;

    TMBTimeStamp& GetTimeStamp() { return FTimeStamp; }
    const TMBTimeStamp& GetTimeStamp() const { return FTimeStamp; }
    TMBSmartMediaBuffer& MediaContainer() const { return static_cast<TMBSmartMediaBuffer&>(*DataContainer()); }

private:
    TMBTimeStamp FTimeStamp{*this};
};
using IMBMediaBuffer = std::shared_ptr<TMBMediaBuffer>;

}  // namespace oculon::pins
