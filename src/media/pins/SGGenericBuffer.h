#pragma once
// The data buffer: a small object that pins pass from filter to filter, its
// bytes in a shared container. Copying a buffer makes a new object on the
// same container; the first write through a buffer whose container has
// another owner moves that buffer to a container of its own
// (copy-on-write), so what was sent never changes under its receivers.
//
// A buffer object is used by one thread at a time; the containers behind
// buffers may be shared between threads. Buffers travel as ISGData.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "media/pins/SGSmartBuffer.h"

namespace oculon::pins {

class TSGBasicBuffer;
using ISGData = std::shared_ptr<TSGBasicBuffer>;

// Base of every buffer object.
class TSGBasicBuffer {
public:
    virtual ~TSGBasicBuffer() = default;
    TSGBasicBuffer& operator=(const TSGBasicBuffer&) = delete;

    TSGBasicBuffer* GetInstance() { return this; }
    // A new object of the same class on the same data.
    virtual ISGData MakeCopy() const = 0;
    ISGData MakeIntfCopy() const { return MakeCopy(); }

protected:
    TSGBasicBuffer() = default;
    TSGBasicBuffer(const TSGBasicBuffer&) = default;
};

class TSGGenericBuffer;

// A buffer's sequence stamp: the number its data was given, when it was
// given one. Made and freed with its buffer.
class TSGSequenceStamp {
public:
    explicit TSGSequenceStamp(const TSGGenericBuffer& buffer) : FIntBuffer(buffer) {}
    TSGSequenceStamp(const TSGSequenceStamp&) = delete;
    TSGSequenceStamp& operator=(const TSGSequenceStamp&) = delete;
    const TSGGenericBuffer& Buffer() const { return FIntBuffer; }
    // The number of the data the buffer is on now.
    std::optional<std::uint64_t> Number() const;

private:
    const TSGGenericBuffer& FIntBuffer;
};

// The copy-on-write buffer over any container. Every buffer is born an
// owner of its container; so is each copy.
class TSGGenericBuffer : public TSGBasicBuffer {
public:
    // A buffer of `byteSize` bytes on a new container.
    TSGGenericBuffer(std::unique_ptr<TSGSmartBuffer> container, std::uint32_t byteSize);
    // A buffer sharing `container`.
    TSGGenericBuffer(TSGSmartBuffer& container, std::uint32_t byteSize);
    // Shares the source's container, as an owner too.
    TSGGenericBuffer(const TSGGenericBuffer& source);

    ISGData MakeCopy() const override { return std::make_shared<TSGGenericBuffer>(*this); }

    // Copies `count` bytes from this buffer at `sourceOffset` into `dest` at
    // `destOffset`; `dest` is unshared with its data first. Both ranges must
    // lie inside their buffers (ERangeError otherwise, nothing copied).
    virtual void CopyTo(std::uint32_t sourceOffset, TSGGenericBuffer& dest, std::uint32_t destOffset,
                        std::uint32_t count);
    // Shares the source's container, as after MakeCopy. Throws EIntfCastError
    // for anything but a TSGGenericBuffer.
    virtual void Assign(const ISGData& source);
    // Same byte size and same bytes.
    virtual bool IsEqual(const TSGGenericBuffer& other) const;

    // Gives this buffer a container of its own unless it is the one owner;
    // with `copy` the bytes come along. True when it moved.
    bool Unique(bool copy) { return MakeUnique(copy); }
    virtual bool MakeUnique(bool copy);

    virtual std::uint32_t GetByteSize() const { return FCharSize; }
    // Items; bytes at this level.
    virtual std::uint32_t GetSize() const { return FCharSize; }

    // Reading never unshares. ByteWrite is for a caller that overwrites every
    // byte (when it had to unshare, the bytes are undefined); ByteModify
    // keeps them.
    const std::uint8_t* ByteRead() const { return FDataPtr; }
    std::uint8_t* ByteWrite();
    std::uint8_t* ByteModify();

    // Stops counting as an owner, for good: while another owner is left that
    // one writes in place, and this buffer sees its writes.
    void RemoveOwnerShip() { FContainer.RemoveOwnerShip(); }
    bool OwnsData() const { return FContainer.owns(); }
    TSGSmartBuffer* DataContainer() const { return FContainer.get(); }
    const TSGSequenceStamp& GetSequenceStamp() const { return FSequenceStamp; }

    // The buffer's bytes and nothing else: no header, size or type. Loading
    // reads exactly GetByteSize() bytes; a shorter file throws EReadError,
    // the buffer then holding what was read. EFileError when the file cannot
    // be made, opened, written or read.
    void SaveToFile(const std::string& fileName) const;
    void LoadFromFile(const std::string& fileName);

protected:
    // Moves to another container and refreshes the caches.
    void SetDataContainer(TSGContainerRef container);
    // Refreshes FDataPtr and any cache of a derived class from the container.
    virtual void PopulateCahces() {}

    std::uint8_t* FDataPtr = nullptr;  // first byte in use; derived classes set it
    std::uint32_t FCharSize = 0;       // bytes in use

private:
    TSGSequenceStamp FSequenceStamp{*this};
    TSGContainerRef FContainer;
};

inline std::optional<std::uint64_t> TSGSequenceStamp::Number() const {
    const TSGSmartBuffer* container = FIntBuffer.DataContainer();
    return container ? container->BufferNumber() : std::nullopt;
}

// Every data buffer is a generic buffer.
using ISGDataBuffer = std::shared_ptr<TSGGenericBuffer>;
using ISGGenericBuffer = ISGDataBuffer;

}  // namespace oculon::pins
