#pragma once
// The plain data buffers: bytes in a memory container with typed access on
// top of the copy-on-write buffer. TSGMemoryBuffer reads the bytes of its
// container, TSGLinearMemoryBuffer adds Resize, TSGVectorBuffer gives items
// of one type (range-checked), and TSGBlockBuffer holds bytes with
// saturating arithmetic. The real, integer and complex buffers and the real
// matrix are built on the same classes.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "media/pins/SGErrors.h"
#include "media/pins/SGGenericBuffer.h"

namespace oculon::pins {

class TSGMemoryBuffer : public TSGGenericBuffer {
public:
    // A new memory container of `byteSize` bytes, contents unspecified.
    explicit TSGMemoryBuffer(std::uint64_t byteSize);
    // A byte view of any container (no copy); the buffer owns it too.
    TSGMemoryBuffer(TSGSmartBuffer& container, std::uint32_t byteSize);
    TSGMemoryBuffer(const TSGMemoryBuffer& source);

    ISGData MakeCopy() const override { return std::make_shared<TSGMemoryBuffer>(*this); }
    std::uint32_t GetSize() const override { return FCharSize / ItemSize(); }
    virtual std::uint32_t ItemSize() const { return 1; }
    std::uint32_t GetCharSize() const { return FCharSize; }
    // A new container for `items` items of ItemSize bytes.
    std::unique_ptr<TSGSmartMemoryBuffer> MakeCopySize(std::uint64_t items) const;

    // Bytes for `count` items of `itemSize`; EBufferTooLarge above the
    // largest block.
    static std::uint32_t BytesFor(std::uint64_t count, std::uint32_t itemSize);

protected:
    TSGMemoryBuffer(std::unique_ptr<TSGSmartMemoryBuffer> container, std::uint32_t byteSize);
    void PopulateCahces() override;
    // Sets the size to `items`, keeping or replacing the container: with
    // `keep` a shrink never copies and a growth copies only when the
    // container is shared or its block is too small; without `keep` every
    // change of size takes a new container with unspecified contents.
    void ResizeItems(std::uint64_t items, bool keep);
};

class TSGLinearMemoryBuffer : public TSGMemoryBuffer {
public:
    using TSGMemoryBuffer::TSGMemoryBuffer;
    virtual void Resize(std::uint64_t items, bool keep) { ResizeItems(items, keep); }
};

// Items of type Item on a linear memory buffer; Self is the concrete class.
// Read never unshares; Write unshares without copying (for a caller that
// overwrites every item), Modify with copying.
template <class Self, class Item>
class TSGVectorBuffer : public TSGLinearMemoryBuffer {
public:
    using ItemType = Item;
    // `count` items, contents unspecified.
    explicit TSGVectorBuffer(std::uint64_t count) : TSGLinearMemoryBuffer(BytesFor(count, sizeof(Item))) {}
    // A copy of `items`.
    explicit TSGVectorBuffer(std::span<const Item> items)
        : TSGLinearMemoryBuffer(std::make_unique<TSGSmartMemoryBuffer>(items.data(), items.size_bytes()),
                                BytesFor(items.size(), sizeof(Item))) {}
    // A view of the container of any data buffer, sharing it (no copy);
    // EIntfCastError for anything else.
    explicit TSGVectorBuffer(const ISGData& any)
        : TSGLinearMemoryBuffer(*generic(any).DataContainer(), generic(any).GetByteSize()) {}
    TSGVectorBuffer(const TSGVectorBuffer&) = default;

    ISGData MakeCopy() const override { return std::make_shared<Self>(self()); }
    std::uint32_t ItemSize() const override { return sizeof(Item); }
    // Only a buffer of this class (or one derived) can be equal.
    bool IsEqual(const TSGGenericBuffer& other) const override {
        return dynamic_cast<const Self*>(&other) && TSGGenericBuffer::IsEqual(other);
    }

    const Item* Read() const { return reinterpret_cast<const Item*>(ByteRead()); }
    Item* Write() { return reinterpret_cast<Item*>(ByteWrite()); }
    Item* Modify() { return reinterpret_cast<Item*>(ByteModify()); }

    // ERangeError "Index out of range = <index>" outside 0..GetSize()-1.
    Item GetItem(std::uint32_t index) const { return Read()[Checked(index)]; }
    void SetItem(std::uint32_t index, Item value) {
        const std::uint32_t at = Checked(index);  // a refused write does not unshare
        Modify()[at] = value;
    }

protected:
    // this[i] := this[i] op other[i] over the common count, by a primitive
    // called as fn(other, this, count, extra...).
    template <class Fn, class... Extra>
    void Pairwise(Fn fn, const Self& other, Extra... extra) {
        const int n = Common(other);
        Item* to = Modify();  // before reading: when other is this buffer, it may move
        fn(other.Read(), to, n, extra...);
    }
    // The first min(own, source's) items := fn(source, this, count,
    // extra...). A second buffer on the source holds its items for the
    // call, so they stay as they were when the source is this buffer.
    template <class Fn, class... Extra>
    void From(Fn fn, const Self& source, Extra... extra) {
        const Self held(source);
        const int n = Common(held);
        Item* to = Overwrite(static_cast<std::uint32_t>(n));
        fn(held.Read(), to, n, extra...);
    }
    // Every item := fn(item).
    template <class Fn>
    void InPlace(Fn fn) {
        fn(Modify(), Count());
    }
    // Write when the first `count` items are all there is, else Modify.
    Item* Overwrite(std::uint32_t count) { return count >= GetSize() ? Write() : Modify(); }
    std::uint32_t Checked(std::uint32_t index) const {
        if (index >= GetSize()) throw ERangeError(kIndexOutOfRange, index);
        return index;
    }
    // The common count of this buffer and another.
    int Common(const TSGMemoryBuffer& other) const { return static_cast<int>(std::min(GetSize(), other.GetSize())); }
    int Count() const { return static_cast<int>(GetSize()); }

private:
    static TSGGenericBuffer& generic(const ISGData& any) {
        auto* buffer = dynamic_cast<TSGGenericBuffer*>(any.get());
        if (!buffer) throw EIntfCastError();
        return *buffer;
    }
    const Self& self() const { return static_cast<const Self&>(*this); }
};

// Bytes with saturating arithmetic.
class TSGBlockBuffer : public TSGVectorBuffer<TSGBlockBuffer, std::uint8_t> {
public:
    using TSGVectorBuffer::TSGVectorBuffer;
    static std::shared_ptr<TSGBlockBuffer> CreateSize(std::uint32_t count) {
        return std::make_shared<TSGBlockBuffer>(std::uint64_t{count});
    }
    // A byte view of any buffer's container, no copy.
    static std::shared_ptr<TSGBlockBuffer> CreateUniversal(const ISGData& any) {
        return std::make_shared<TSGBlockBuffer>(any);
    }

    // Over the first min(own, other's) bytes, in this buffer: + and x
    // saturate at 255, - at 0.
    void Add(const TSGBlockBuffer& other);
    void Subtract(const TSGBlockBuffer& other);
    void Multiply(const TSGBlockBuffer& other);
    // Unsigned quotient; a zero divisor gives 255, or 0 for a zero dividend.
    void Divide(const TSGBlockBuffer& other);
    void SetValue(std::uint8_t value);
    void Zero();
};
using ISGBlockBuffer = std::shared_ptr<TSGBlockBuffer>;

}  // namespace oculon::pins
