#pragma once
// A vector of 32-bit signed integers with arithmetic, bit operations, shifts
// and a remainder; the audio buffer's channels come out as these. An
// operation with another buffer works over the first min(own, other's)
// items.

#include <cstdint>
#include <memory>

#include "media/pins/SGMemoryBuffer.h"

namespace oculon::pins {

class TSGIntegerBuffer : public TSGVectorBuffer<TSGIntegerBuffer, std::int32_t> {
public:
    using TSGVectorBuffer::TSGVectorBuffer;
    static std::shared_ptr<TSGIntegerBuffer> CreateSize(std::uint32_t count) {
        return std::make_shared<TSGIntegerBuffer>(std::uint64_t{count});
    }
    // Shares the container of any data buffer.
    static std::shared_ptr<TSGIntegerBuffer> CreateCopy(const ISGData& any) {
        return std::make_shared<TSGIntegerBuffer>(any);
    }

    // Into another integer buffer, offsets and count are in items (ERangeError
    // outside either buffer); into any other buffer, in bytes.
    void CopyTo(std::uint32_t sourceOffset, TSGGenericBuffer& dest, std::uint32_t destOffset,
                std::uint32_t count) override;

    // Saturating; a zero divisor gives 0, INT32_MIN or INT32_MAX by the sign
    // of the dividend.
    void Add(const TSGIntegerBuffer& other);
    void Subtract(const TSGIntegerBuffer& other);
    void Multiply(const TSGIntegerBuffer& other);
    void Divide(const TSGIntegerBuffer& other);
    // Signed remainder with the sign of the dividend; x mod 0 leaves x, and
    // INT32_MIN mod -1 is 0.
    void ModBuffer(const TSGIntegerBuffer& other);
    void AndBuffer(const TSGIntegerBuffer& other);
    void OrBuffer(const TSGIntegerBuffer& other);
    void XorBuffer(const TSGIntegerBuffer& other);
    // By the other's item and 31; the right shift is logical.
    void LShift(const TSGIntegerBuffer& other);
    void RShift(const TSGIntegerBuffer& other);

    // Over every item. A value that changes nothing (add 0, multiply by 1,
    // divide by 1, and -1, or / xor 0, shift by 0) leaves the buffer alone,
    // shared or not; so do a division and a remainder by 0. Subtracting 0
    // still unshares.
    void SetValue(std::int32_t value);
    void AddValue(std::int32_t value);
    void SubtractValue(std::int32_t value);
    void MultiplyValue(std::int32_t value);
    // Truncating; INT32_MIN / -1 gives INT32_MAX.
    void DivideValue(std::int32_t value);
    void ModValue(std::int32_t value);
    void AndValue(std::int32_t value);
    void OrValue(std::int32_t value);
    void XorValue(std::int32_t value);
    void LShiftValue(int value);
    void RShiftValue(int value);  // arithmetic
    void Zero();

    // Saturating; 0 for no common items.
    std::int32_t Dot(const TSGIntegerBuffer& other) const;
    // 0 for an empty buffer.
    std::int32_t GetMinValue() const;
    std::int32_t GetMaxValue() const;
};
using ISGIntegerBuffer = std::shared_ptr<TSGIntegerBuffer>;

}  // namespace oculon::pins
