#include "media/pins/SGIntegerBuffer.h"

#include <algorithm>

#include "media/primitives/IntegerDivision.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/VectorFillCopy.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

namespace {

std::int32_t remainder(std::int32_t x, std::int32_t by) {
    if (by == 0) return x;
    if (by == -1) return 0;  // also INT32_MIN mod -1, whose quotient does not fit
    return x % by;
}

// The bitwise primitives take the items as unsigned words.
prim::Ipp32u* words(std::int32_t* items) { return reinterpret_cast<prim::Ipp32u*>(items); }
prim::Ipp32u word(std::int32_t value) { return static_cast<prim::Ipp32u>(value); }
template <auto& Fn>
void onWords(const std::int32_t* src, std::int32_t* srcDst, int n) {
    Fn(reinterpret_cast<const prim::Ipp32u*>(src), reinterpret_cast<prim::Ipp32u*>(srcDst), n);
}

}  // namespace

void TSGIntegerBuffer::CopyTo(std::uint32_t sourceOffset, TSGGenericBuffer& dest, std::uint32_t destOffset,
                              std::uint32_t count) {
    auto* target = dynamic_cast<TSGIntegerBuffer*>(&dest);
    if (!target) return TSGGenericBuffer::CopyTo(sourceOffset, dest, destOffset, count);
    if (std::uint64_t{sourceOffset} + count > GetSize()) throw ERangeError(kIndexOutOfRange, sourceOffset);
    if (std::uint64_t{destOffset} + count > target->GetSize()) throw ERangeError(kIndexOutOfRange, destOffset);
    TSGGenericBuffer::CopyTo(sourceOffset * 4, dest, destOffset * 4, count * 4);
}

void TSGIntegerBuffer::Add(const TSGIntegerBuffer& other) { Pairwise(prim::ippsAdd_32s_ISfs, other, 0); }
void TSGIntegerBuffer::Subtract(const TSGIntegerBuffer& other) { Pairwise(prim::ippsSub_32s_ISfs, other, 0); }
void TSGIntegerBuffer::Multiply(const TSGIntegerBuffer& other) { Pairwise(prim::ippsMul_32s_ISfs, other, 0); }
void TSGIntegerBuffer::Divide(const TSGIntegerBuffer& other) { Pairwise(prim::ippsDiv_32s_ISfs, other, 0); }
void TSGIntegerBuffer::AndBuffer(const TSGIntegerBuffer& other) { Pairwise(onWords<prim::ippsAnd_32u_I>, other); }
void TSGIntegerBuffer::OrBuffer(const TSGIntegerBuffer& other) { Pairwise(onWords<prim::ippsOr_32u_I>, other); }
void TSGIntegerBuffer::XorBuffer(const TSGIntegerBuffer& other) { Pairwise(onWords<prim::ippsXor_32u_I>, other); }

void TSGIntegerBuffer::ModBuffer(const TSGIntegerBuffer& other) {
    Pairwise(
        [](const std::int32_t* by, std::int32_t* to, int n) {
            for (int i = 0; i < n; ++i) to[i] = remainder(to[i], by[i]);
        },
        other);
}

void TSGIntegerBuffer::LShift(const TSGIntegerBuffer& other) {
    Pairwise(
        [](const std::int32_t* by, std::int32_t* to, int n) {
            for (int i = 0; i < n; ++i)
                to[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(to[i]) << (by[i] & 31));
        },
        other);
}

void TSGIntegerBuffer::RShift(const TSGIntegerBuffer& other) {
    Pairwise(
        [](const std::int32_t* by, std::int32_t* to, int n) {
            for (int i = 0; i < n; ++i)
                to[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(to[i]) >> (by[i] & 31));
        },
        other);
}

void TSGIntegerBuffer::SetValue(std::int32_t value) { prim::ippsSet_32s(value, Write(), Count()); }

void TSGIntegerBuffer::AddValue(std::int32_t value) {
    if (value != 0) prim::ippsAddC_32s_ISfs(value, Modify(), Count(), 0);
}

void TSGIntegerBuffer::SubtractValue(std::int32_t value) { prim::ippsSubC_32s_ISfs(value, Modify(), Count(), 0); }

void TSGIntegerBuffer::MultiplyValue(std::int32_t value) {
    if (value != 1) prim::ippsMulC_32s_ISfs(value, Modify(), Count(), 0);
}

void TSGIntegerBuffer::DivideValue(std::int32_t value) {
    if (value == 0 || value == 1) return;
    if (DataContainer()->SingleOwner()) {
        prim::ippsDivC_32s_ISfs(value, Modify(), Count(), 0);
        return;
    }
    // Shared: the quotients go straight into a fresh container, read from
    // the old one, instead of copying the items first.
    const TSGIntegerBuffer old(*this);
    std::int32_t* to = Write();
    prim::ippsDivC_32s_Sfs(old.Read(), value, to, Count(), 0);
}

void TSGIntegerBuffer::ModValue(std::int32_t value) {
    if (value == 0) return;
    InPlace([value](std::int32_t* items, int n) {
        for (int i = 0; i < n; ++i) items[i] = remainder(items[i], value);
    });
}

void TSGIntegerBuffer::AndValue(std::int32_t value) {
    if (value != -1) prim::ippsAndC_32u_I(word(value), words(Modify()), Count());
}

void TSGIntegerBuffer::OrValue(std::int32_t value) {
    if (value != 0) prim::ippsOrC_32u_I(word(value), words(Modify()), Count());
}

void TSGIntegerBuffer::XorValue(std::int32_t value) {
    if (value != 0) prim::ippsXorC_32u_I(word(value), words(Modify()), Count());
}

void TSGIntegerBuffer::LShiftValue(int value) {
    if (value != 0) prim::ippsLShiftC_32s_I(value, Modify(), Count());
}

void TSGIntegerBuffer::RShiftValue(int value) {
    if (value != 0) prim::ippsRShiftC_32s_I(value, Modify(), Count());
}

void TSGIntegerBuffer::Zero() { prim::ippsZero_16s(reinterpret_cast<prim::Ipp16s*>(Write()), 2 * Count()); }

std::int32_t TSGIntegerBuffer::Dot(const TSGIntegerBuffer& other) const {
    std::int32_t result = 0;
    prim::ippsDotProd_32s_Sfs(other.Read(), Read(), Common(other), &result, 0);
    return result;
}

std::int32_t TSGIntegerBuffer::GetMinValue() const {
    return Count() == 0 ? 0 : *std::min_element(Read(), Read() + Count());
}

std::int32_t TSGIntegerBuffer::GetMaxValue() const {
    return Count() == 0 ? 0 : *std::max_element(Read(), Read() + Count());
}

}  // namespace oculon::pins
