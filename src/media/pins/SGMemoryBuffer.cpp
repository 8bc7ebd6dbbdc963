#include "media/pins/SGMemoryBuffer.h"

#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

TSGMemoryBuffer::TSGMemoryBuffer(std::uint64_t byteSize)
    : TSGMemoryBuffer(std::make_unique<TSGSmartMemoryBuffer>(byteSize), BytesFor(byteSize, 1)) {}

TSGMemoryBuffer::TSGMemoryBuffer(std::unique_ptr<TSGSmartMemoryBuffer> container, std::uint32_t byteSize)
    : TSGGenericBuffer(std::move(container), byteSize) {
    TSGMemoryBuffer::PopulateCahces();
}

TSGMemoryBuffer::TSGMemoryBuffer(TSGSmartBuffer& container, std::uint32_t byteSize)
    : TSGGenericBuffer(container, byteSize) {
    TSGMemoryBuffer::PopulateCahces();
}

TSGMemoryBuffer::TSGMemoryBuffer(const TSGMemoryBuffer& source) : TSGGenericBuffer(source) {}

std::uint32_t TSGMemoryBuffer::BytesFor(std::uint64_t count, std::uint32_t itemSize) {
    if (count > kSGLargestBlock / itemSize)
        throw EBufferTooLarge(count > UINT64_MAX / itemSize ? UINT64_MAX : count * itemSize);
    return static_cast<std::uint32_t>(count * itemSize);
}

std::unique_ptr<TSGSmartMemoryBuffer> TSGMemoryBuffer::MakeCopySize(std::uint64_t items) const {
    return std::make_unique<TSGSmartMemoryBuffer>(BytesFor(items, ItemSize()));
}

void TSGMemoryBuffer::PopulateCahces() { FDataPtr = DataContainer()->RawData(); }

void TSGMemoryBuffer::ResizeItems(std::uint64_t items, bool keep) {
    const std::uint32_t bytes = BytesFor(items, ItemSize());
    if (items == GetSize() && items != 0) return;
    const TSGSmartBuffer& container = *DataContainer();
    const bool inPlace =
        items == 0 ||
        (keep && (items < GetSize() || (container.SingleOwner() && items <= container.AllocatedSize() / ItemSize())));
    if (!inPlace) {
        auto fresh = MakeCopySize(items);
        if (keep) fresh->CopyFrom(container);
        SetDataContainer(TSGContainerRef(std::move(fresh), OwnsData()));
    }
    FCharSize = bytes;
    PopulateCahces();
}

void TSGBlockBuffer::Add(const TSGBlockBuffer& other) { Pairwise(prim::ippsAdd_8u_ISfs, other, 0); }
void TSGBlockBuffer::Subtract(const TSGBlockBuffer& other) { Pairwise(prim::ippsSub_8u_ISfs, other, 0); }
void TSGBlockBuffer::Multiply(const TSGBlockBuffer& other) { Pairwise(prim::ippsMul_8u_ISfs, other, 0); }

void TSGBlockBuffer::Divide(const TSGBlockBuffer& other) {
    Pairwise(
        [](const std::uint8_t* by, std::uint8_t* to, int n) {
            for (int i = 0; i < n; ++i) to[i] = by[i] ? static_cast<std::uint8_t>(to[i] / by[i]) : (to[i] ? 255 : 0);
        },
        other);
}

void TSGBlockBuffer::SetValue(std::uint8_t value) { prim::ippsSet_8u(value, Write(), Count()); }

void TSGBlockBuffer::Zero() { prim::ippsZero_8u(Write(), Count()); }

}  // namespace oculon::pins
