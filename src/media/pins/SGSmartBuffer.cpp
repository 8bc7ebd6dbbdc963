#include "media/pins/SGSmartBuffer.h"

#include <algorithm>
#include <bit>

#include "media/pins/SGErrors.h"

namespace oculon::pins {

void TSGSmartBuffer::AddReff(bool owner) {
    auto section = EnterWrite();
    if (owner) ++FCountOwners;
    ++FCountTransports;
}

void TSGSmartBuffer::RemoveReff(bool owner) {
    {
        auto section = EnterWrite();
        if (owner && FCountOwners >= 1) --FCountOwners;
        if (FCountTransports <= 0 || --FCountTransports > 0) return;
    }
    delete this;
}

void TSGSmartBuffer::RemoveOwnerShip() {
    auto section = EnterWrite();
    if (FCountOwners > 0) --FCountOwners;
}

bool TSGSmartBuffer::SingleOwner() const {
    auto section = EnterRead();
    return FCountOwners <= 1;
}

std::int32_t TSGSmartBuffer::CountOwners() const {
    auto section = EnterRead();
    return FCountOwners;
}

std::int32_t TSGSmartBuffer::CountTransports() const {
    auto section = EnterRead();
    return FCountTransports;
}

std::unique_ptr<TSGSmartBuffer> TSGSmartBuffer::Clone(bool copy) const {
    return std::unique_ptr<TSGSmartBuffer>(new TSGSmartBuffer(*this, copy));
}

std::uint32_t TSGSmartBuffer::CalculateAllocationSize(std::uint64_t size) {
    if (size <= 4) return 4;
    if (size >= kSGLargestBlock) return kSGLargestBlock;
    return static_cast<std::uint32_t>(std::bit_ceil(size));
}

namespace {

std::uint32_t blockSize(std::uint64_t size) {
    if (size > kSGLargestBlock) throw EBufferTooLarge(size);
    return TSGSmartBuffer::CalculateAllocationSize(size);
}

}  // namespace

TSGSmartMemoryBuffer::TSGSmartMemoryBuffer(std::uint64_t size)
    : FAllocatedSize(blockSize(size)), FDataPtr(static_cast<std::uint8_t*>(SGBufferAllocate(FAllocatedSize))) {}

TSGSmartMemoryBuffer::TSGSmartMemoryBuffer(const void* data, std::uint64_t size) : TSGSmartMemoryBuffer(size) {
    if (data) SGPasFastCopy(data, FDataPtr, size);
}

TSGSmartMemoryBuffer::TSGSmartMemoryBuffer(const TSGSmartMemoryBuffer& source, bool copy)
    : TSGSmartBuffer(source, copy),
      FAllocatedSize(source.FAllocatedSize),
      FDataPtr(static_cast<std::uint8_t*>(SGBufferAllocate(FAllocatedSize))) {
    if (copy) SGPasFastCopy(source.FDataPtr, FDataPtr, FAllocatedSize);
}

TSGSmartMemoryBuffer::~TSGSmartMemoryBuffer() { SGBufferDeallocate(FDataPtr, FAllocatedSize); }

void TSGSmartMemoryBuffer::CopyFrom(const TSGSmartBuffer& source) {
    if (source.RawData()) SGPasFastCopy(source.RawData(), FDataPtr, std::min(source.AllocatedSize(), FAllocatedSize));
}

std::unique_ptr<TSGSmartBuffer> TSGSmartMemoryBuffer::Clone(bool copy) const {
    return std::make_unique<TSGSmartMemoryBuffer>(*this, copy);
}

}  // namespace oculon::pins
