#include "media/pins/SGRealBuffer.h"

#include <cfloat>
#include <cmath>
#include <algorithm>

#include "media/primitives/Correlation.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalElementFunctions.h"
#include "media/primitives/SignalGenerators.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

namespace {

prim::IppCmpOp relation(TSGThresholdType type) {
    return type == TSGThresholdType::ttGreaterThan ? prim::ippCmpGreater : prim::ippCmpLess;
}

// Anything at or beyond these stands for "no value" in the restricted extremes.
constexpr double kLowMarker = -1.7e308;
constexpr double kHighMarker = 1.7e308;
bool isMarker(double v) { return v <= kLowMarker || v >= kHighMarker; }

template <class T>
void needRoom(std::span<T> items, std::uint32_t count) {
    if (items.size() < count) throw ERangeError(kSizeOutOfRange, items.size());
}

}  // namespace

void SGDivideItems(const double* divisors, double* items, int count) {
    if (prim::ippsDiv_64f_I(divisors, items, count) != prim::ippStsDivByZero) return;
    for (int i = 0; i < count; ++i)
        if (divisors[i] == 0.0) items[i] = items[i] > 0 ? 1e15 : -1e14;
}

std::shared_ptr<TSGRealBuffer> TSGRealBuffer::CreateIntegerData(std::span<const std::int32_t> items) {
    auto buffer = CreateSize(static_cast<std::uint32_t>(items.size()));
    buffer->FromInt(items);
    return buffer;
}

void TSGRealBuffer::NeedAtLeast(const TSGRealBuffer& source, std::uint32_t count) const {
    if (source.GetSize() < count) throw ERangeError(kSizeOutOfRange, source.GetSize());
}

void TSGRealBuffer::VectorJaehne(double magnitude) {
    if (magnitude >= 0) prim::ippsVectorJaehne_64f(Write(), Count(), magnitude);
}

void TSGRealBuffer::Add(const TSGRealBuffer& other) { Pairwise(prim::ippsAdd_64f_I, other); }
void TSGRealBuffer::Subtract(const TSGRealBuffer& other) { Pairwise(prim::ippsSub_64f_I, other); }
void TSGRealBuffer::Multiply(const TSGRealBuffer& other) { Pairwise(prim::ippsMul_64f_I, other); }

void TSGRealBuffer::Divide(const TSGRealBuffer& other) {
    const TSGRealBuffer divisors(other);  // this buffer moves when it divides itself: the divisors stay
    Pairwise(SGDivideItems, divisors);
}

void TSGRealBuffer::ToInt(std::span<std::int32_t> dest, bool round) const {
    needRoom(dest, GetSize());
    prim::ippsConvert_64f32s_Sfs(Read(), dest.data(), Count(), round ? prim::ippRndNear : prim::ippRndZero, 0);
}

void TSGRealBuffer::ToShort(std::span<std::int16_t> dest, bool round) const {
    needRoom(dest, GetSize());
    const double* from = Read();
    for (int i = 0; i < Count(); ++i) {
        const double v = round ? std::nearbyint(from[i]) : std::trunc(from[i]);
        dest[static_cast<std::size_t>(i)] =
            std::isnan(v) ? 0 : static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
}

void TSGRealBuffer::ToSingle(std::span<float> dest) const {
    needRoom(dest, GetSize());
    prim::ippsConvert_64f32f(Read(), dest.data(), Count());
}

void TSGRealBuffer::FromInt(std::span<const std::int32_t> source) {
    needRoom(source, GetSize());
    prim::ippsConvert_32s64f(source.data(), Write(), Count());
}

void TSGRealBuffer::FromShort(std::span<const std::int16_t> source) {
    needRoom(source, GetSize());
    prim::ippsConvert_16s64f_Sfs(source.data(), Write(), Count(), 0);
}

void TSGRealBuffer::FromSingle(std::span<const float> source) {
    needRoom(source, GetSize());
    prim::ippsConvert_32f64f(source.data(), Write(), Count());
}

void TSGRealBuffer::NormalizeFrom(const TSGRealBuffer& source, double subtrahend, double divisor) {
    // The primitive refuses such a divisor and writes nothing; checked first,
    // before this buffer could move to a container with undefined items.
    if (std::fabs(divisor) >= DBL_MIN) From(prim::ippsNormalize_64f, source, subtrahend, divisor);
}

double TSGRealBuffer::Dot(const TSGRealBuffer& other) const {
    double result = 0.0;
    prim::ippsDotProd_64f(other.Read(), Read(), Common(other), &result);
    return result;
}

void TSGRealBuffer::Threshold(double level, TSGThresholdType type) {
    prim::ippsThreshold_64f_I(Modify(), Count(), level, relation(type));
}

void TSGRealBuffer::ThresholdFrom(const TSGRealBuffer& source, double level, TSGThresholdType type) {
    NeedAtLeast(source, GetSize());
    From(prim::ippsThreshold_64f, source, level, relation(type));
}

void TSGRealBuffer::Sqr() { InPlace(prim::ippsSqr_64f_I); }
void TSGRealBuffer::Abs() { InPlace(prim::ippsAbs_64f_I); }
void TSGRealBuffer::Exp() { InPlace(prim::ippsExp_64f_I); }
void TSGRealBuffer::Sqrt() { InPlace(prim::ippsSqrt_64f_I); }
void TSGRealBuffer::Ln() { InPlace(prim::ippsLn_64f_I); }
void TSGRealBuffer::SqrFrom(const TSGRealBuffer& source) { From(prim::ippsSqr_64f, source); }
void TSGRealBuffer::AbsFrom(const TSGRealBuffer& source) { From(prim::ippsAbs_64f, source); }
void TSGRealBuffer::ExpFrom(const TSGRealBuffer& source) { From(prim::ippsExp_64f, source); }
void TSGRealBuffer::SqrtFrom(const TSGRealBuffer& source) { From(prim::ippsSqrt_64f, source); }
void TSGRealBuffer::LnFrom(const TSGRealBuffer& source) { From(prim::ippsLn_64f, source); }

double TSGRealBuffer::Mean() const {
    double result = 0.0;
    prim::ippsMean_64f(Read(), Count(), &result);
    return result;
}

double TSGRealBuffer::StdDev() const {
    double result = 0.0;
    prim::ippsStdDev_64f(Read(), Count(), &result);
    return result;
}

void TSGRealBuffer::Convolve(const TSGRealBuffer& first, const TSGRealBuffer& second) {
    if (first.GetSize() == 0 || second.GetSize() == 0) return;
    const std::uint64_t count = std::uint64_t{first.GetSize()} + second.GetSize() - 1;
    if (count > GetSize()) throw ERangeError(kSizeOutOfRange, GetSize());
    const TSGRealBuffer a(first), b(second);
    double* to = Overwrite(static_cast<std::uint32_t>(count));
    prim::ippsConv_64f(b.Read(), b.Count(), a.Read(), a.Count(), to);
}

double TSGRealBuffer::Norm(TSGNormType type, const TSGRealBuffer& other) const {
    NeedAtLeast(other, GetSize());
    double result = 0.0;
    const auto norm = type == TSGNormType::ntL1Norm   ? prim::ippsNormDiff_L1_64f
                      : type == TSGNormType::ntL2Norm ? prim::ippsNormDiff_L2_64f
                                                      : prim::ippsNormDiff_Inf_64f;
    norm(other.Read(), Read(), Count(), &result);
    return result;
}

void TSGRealBuffer::AutoCorr(const TSGRealBuffer& source, TSGAutoCorrType type) {
    NeedAtLeast(source, GetSize());
    const TSGRealBuffer held(source);
    const auto corr = type == TSGAutoCorrType::actBiased     ? prim::ippsAutoCorr_NormA_64f
                      : type == TSGAutoCorrType::actUnbiased ? prim::ippsAutoCorr_NormB_64f
                                                             : prim::ippsAutoCorr_64f;
    double* to = Write();
    corr(held.Read(), Count(), to, Count());
}

void TSGRealBuffer::CrossCorr(const TSGRealBuffer& first, const TSGRealBuffer& second, int lowLag) {
    const TSGRealBuffer a(first), b(second);
    double* to = Write();
    prim::ippsCrossCorr_64f(a.Read(), a.Count(), b.Read(), b.Count(), to, Count(), lowLag);
}

double TSGRealBuffer::GetMinValue() const { return GetMin(0, Count()); }
double TSGRealBuffer::GetMaxValue() const { return GetMax(0, Count()); }

double TSGRealBuffer::GetMinIndex(std::uint32_t& index) const {
    double result = 0.0;
    int at = 0;
    prim::ippsMinIndx_64f(Read(), Count(), &result, &at);
    index = static_cast<std::uint32_t>(at);
    return result;
}

double TSGRealBuffer::GetMaxIndex(std::uint32_t& index) const {
    double result = 0.0;
    int at = 0;
    prim::ippsMaxIndx_64f(Read(), Count(), &result, &at);
    index = static_cast<std::uint32_t>(at);
    return result;
}

namespace {

// from..to-1 after clamping; empty when to <= from.
std::span<const double> range(const double* items, int count, int from, int to) {
    from = std::clamp(from, 0, std::max(count - 1, 0));
    to = std::clamp(to, 0, count);
    if (to <= from) return {};
    return {items + from, static_cast<std::size_t>(to - from)};
}

template <class Better>
double restricted(std::span<const double> items, Better better) {
    bool found = false;
    double result = 0.0;
    for (const double v : items)
        if (!isMarker(v) && (!found || better(v, result))) {
            result = v;
            found = true;
        }
    return result;
}

}  // namespace

double TSGRealBuffer::GetMin(int from, int to) const {
    const auto items = range(Read(), Count(), from, to);
    double result = 0.0;
    prim::ippsMin_64f(items.data(), static_cast<int>(items.size()), &result);
    return result;
}

double TSGRealBuffer::GetMax(int from, int to) const {
    const auto items = range(Read(), Count(), from, to);
    double result = 0.0;
    prim::ippsMax_64f(items.data(), static_cast<int>(items.size()), &result);
    return result;
}

double TSGRealBuffer::GetMinRestricted(int from, int to) const {
    return restricted(range(Read(), Count(), from, to), [](double a, double b) { return a < b; });
}

double TSGRealBuffer::GetMaxRestricted(int from, int to) const {
    return restricted(range(Read(), Count(), from, to), [](double a, double b) { return a > b; });
}

}  // namespace oculon::pins
