#pragma once
// The shared containers that hold the bytes of the data buffers. A container
// counts every buffer object that refers to it (references) and those of
// them that own it (owners, which may write without copying first); it frees
// itself with its last reference. Buffer objects hold a container only
// through a TSGContainerRef, which does that counting for them.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "media/pins/SGBlockPool.h"

namespace oculon::pins {

class TSGSmartBuffer {
public:
    // Both counts start at 0; the first TSGContainerRef takes the first reference.
    TSGSmartBuffer() = default;
    virtual ~TSGSmartBuffer() = default;
    TSGSmartBuffer(const TSGSmartBuffer&) = delete;
    TSGSmartBuffer& operator=(const TSGSmartBuffer&) = delete;

    void AddReff(bool owner);
    // Drops one reference (and one ownership when `owner` is set and there is
    // one). The container deletes itself when the last reference goes; a call
    // without any reference left changes nothing.
    void RemoveReff(bool owner);
    // One owner fewer; the reference stays.
    void RemoveOwnerShip();
    // True for 0 or 1 owners: the one owner may write in place.
    bool SingleOwner() const;
    std::int32_t CountOwners() const;
    std::int32_t CountTransports() const;
    // A sequence number slot for the data; nothing in the program numbers
    // data yet. Empty until set; a clone starts without one.
    void SetBufferNumber(std::uint64_t number) {
        const auto l = EnterWrite();
        FBufferNumber = number;
        FBufferNumberAvailable = true;
    }
    std::optional<std::uint64_t> BufferNumber() const {
        const auto l = EnterRead();
        return FBufferNumberAvailable ? std::optional(FBufferNumber) : std::nullopt;
    }

    // A new container of the same kind and allocated size, with both counts
    // 0; the bytes are copied only when `copy` is set.
    virtual std::unique_ptr<TSGSmartBuffer> Clone(bool copy) const;
    // The first byte and the size of the container's block; null and 0 for
    // a container without one.
    virtual std::uint8_t* RawData() const { return nullptr; }
    virtual std::uint32_t AllocatedSize() const { return 0; }

    // The smallest power of two 2^k >= size, k from 2 to 30; 2^30 for
    // anything above.
    static std::uint32_t CalculateAllocationSize(std::uint64_t size);

protected:
    // The copy constructor of derived containers; `copy` says whether the
    // derived class copies the bytes. Nothing is taken at this level.
    TSGSmartBuffer(const TSGSmartBuffer&, bool /*copy*/) {}

    // Guards both counts and, in derived containers, their other fields.
    // Reads exclude like writes.
    std::unique_lock<std::mutex> EnterRead() const { return std::unique_lock(FCriticalSection); }
    std::unique_lock<std::mutex> EnterWrite() const { return std::unique_lock(FCriticalSection); }

private:
    mutable std::mutex FCriticalSection;
    std::int32_t FCountOwners = 0;
    std::int32_t FCountTransports = 0;
    bool FBufferNumberAvailable = false;
    std::uint64_t FBufferNumber = 0;
};

// A container of raw bytes in a pool block of CalculateAllocationSize of the
// size asked for. The container object itself also lives in the pool.
class TSGSmartMemoryBuffer : public TSGSmartBuffer, public TSGPooledInstance {
public:
    // The bytes are not cleared: a reused block holds what it held before.
    // Throws EBufferTooLarge above kSGLargestBlock.
    explicit TSGSmartMemoryBuffer(std::uint64_t size);
    // As above, then `size` bytes copied from `data` (nothing when null).
    TSGSmartMemoryBuffer(const void* data, std::uint64_t size);
    // A block as large as the source's; the whole block copied when `copy`.
    TSGSmartMemoryBuffer(const TSGSmartMemoryBuffer& source, bool copy);
    ~TSGSmartMemoryBuffer() override;

    std::uint8_t* RawData() const override { return FDataPtr; }
    std::uint32_t AllocatedSize() const override { return FAllocatedSize; }
    // Copies as much of the source's block as fits into this one.
    void CopyFrom(const TSGSmartBuffer& source);
    std::unique_ptr<TSGSmartBuffer> Clone(bool copy) const override;

private:
    std::uint32_t FAllocatedSize = 0;
    std::uint8_t* FDataPtr = nullptr;
};

// One buffer object's hold on a container: a reference, and ownership while
// owns() is set. Moving it keeps the counts; destroying it gives both back.
class TSGContainerRef {
public:
    TSGContainerRef() = default;
    TSGContainerRef(TSGSmartBuffer& container, bool owns) : FContainer(&container), FOwns(owns) {
        container.AddReff(owns);
    }
    // Takes a new container (counts 0) into the reference counting.
    TSGContainerRef(std::unique_ptr<TSGSmartBuffer> fresh, bool owns) : TSGContainerRef(*fresh, owns) {
        fresh.release();  // from now on it frees itself with its last reference
    }
    TSGContainerRef(TSGContainerRef&& o) noexcept : FContainer(std::exchange(o.FContainer, nullptr)), FOwns(o.FOwns) {}
    TSGContainerRef& operator=(TSGContainerRef&& o) noexcept {
        if (this != &o) {
            reset();
            FContainer = std::exchange(o.FContainer, nullptr);
            FOwns = o.FOwns;
        }
        return *this;
    }
    TSGContainerRef(const TSGContainerRef&) = delete;
    TSGContainerRef& operator=(const TSGContainerRef&) = delete;
    ~TSGContainerRef() { reset(); }

    TSGSmartBuffer* get() const { return FContainer; }
    TSGSmartBuffer* operator->() const { return FContainer; }
    bool owns() const { return FOwns; }
    // Stops owning; the reference stays. Once only.
    void RemoveOwnerShip() {
        if (FOwns && FContainer) FContainer->RemoveOwnerShip();
        FOwns = false;
    }
    void reset() {
        if (auto* c = std::exchange(FContainer, nullptr)) c->RemoveReff(FOwns);
    }

private:
    TSGSmartBuffer* FContainer = nullptr;
    bool FOwns = false;
};

}  // namespace oculon::pins
