#include "media/pins/SGComplexBuffer.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "media/primitives/Correlation.h"
#include "media/primitives/ComplexVector.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

namespace {

prim::IppCmpOp relation(bool less) { return less ? prim::ippCmpLess : prim::ippCmpGreater; }

}  // namespace

void TSGComplexBuffer::Add(const TSGComplexBuffer& other) { Pairwise(prim::ippsAdd_64fc_I, other); }
void TSGComplexBuffer::Subtract(const TSGComplexBuffer& other) { Pairwise(prim::ippsSub_64fc_I, other); }
void TSGComplexBuffer::Multiply(const TSGComplexBuffer& other) { Pairwise(prim::ippsMul_64fc_I, other); }
void TSGComplexBuffer::Divide(const TSGComplexBuffer& other) { Pairwise(prim::ippsDiv_64fc_I, other); }

void TSGComplexBuffer::SetValue(TPNRealComplex value) { prim::ippsSet_64fc(value, Write(), Count()); }
void TSGComplexBuffer::AddValue(double re, double im) { prim::ippsAddC_64fc_I({re, im}, Modify(), Count()); }
void TSGComplexBuffer::SubtractValue(double re, double im) { prim::ippsSubC_64fc_I({re, im}, Modify(), Count()); }
void TSGComplexBuffer::MultiplyValue(double re, double im) { prim::ippsMulC_64fc_I({re, im}, Modify(), Count()); }
void TSGComplexBuffer::DivideValue(double re, double im) { prim::ippsDivC_64fc_I({re, im}, Modify(), Count()); }

void TSGComplexBuffer::SetBuffer(const TSGRealBuffer& realPart, const TSGRealBuffer& imaginaryPart) {
    // Held for the call: either may be a view of this buffer's container.
    const TSGRealBuffer re(realPart), im(imaginaryPart);
    Resize(std::min(re.GetSize(), im.GetSize()), false);
    TPNRealComplex* to = Write();
    prim::ippsRealToCplx_64f(re.Read(), im.Read(), to, Count());
}

void TSGComplexBuffer::Zero() { prim::ippsZero_64fc(Write(), Count()); }

void TSGComplexBuffer::NormalizeFrom(const TSGComplexBuffer& source, TPNRealComplex sub, double div) {
    if (std::fabs(div) >= DBL_MIN) From(prim::ippsNormalize_64fc, source, sub, div);
}

TPNRealComplex TSGComplexBuffer::Dot(const TSGComplexBuffer& other) const {
    TPNRealComplex result{0, 0};
    prim::ippsDotProd_64fc(Read(), other.Read(), Common(other), &result);
    return result;
}

void TSGComplexBuffer::Threshold(double level, bool less) {
    if (level >= 0) prim::ippsThreshold_64fc_I(Modify(), Count(), level, relation(less));
}

void TSGComplexBuffer::ThresholdFrom(const TSGComplexBuffer& source, double level, bool less) {
    if (level >= 0) From(prim::ippsThreshold_64fc, source, level, relation(less));
}

void TSGComplexBuffer::Sqr() { InPlace(prim::ippsSqr_64fc_I); }
void TSGComplexBuffer::Sqrt() { InPlace(prim::ippsSqrt_64fc_I); }
void TSGComplexBuffer::SqrFrom(const TSGComplexBuffer& source) { From(prim::ippsSqr_64fc, source); }
void TSGComplexBuffer::SqrtFrom(const TSGComplexBuffer& source) { From(prim::ippsSqrt_64fc, source); }

void TSGComplexBuffer::AutoCorr(const TSGComplexBuffer& source, int norm) {
    const auto corr = norm == 1   ? prim::ippsAutoCorr_NormA_64fc
                      : norm == 2 ? prim::ippsAutoCorr_NormB_64fc
                                  : prim::ippsAutoCorr_64fc;
    From([corr](const TPNRealComplex* from, TPNRealComplex* to, int n) { corr(from, n, to, n); }, source);
}

void TSGComplexBuffer::CrossCorr(const TSGComplexBuffer& source1, const TSGComplexBuffer& source2, int lowLag) {
    const TSGComplexBuffer a(source1), b(source2);
    TPNRealComplex* to = Write();
    prim::ippsCrossCorr_64fc(a.Read(), a.Count(), b.Read(), b.Count(), to, Count(), lowLag);
}

std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::ToReal(prim::IppStatus (*fn)(const TPNRealComplex*, double*,
                                                                              int)) const {
    auto result = TSGRealBuffer::CreateSize(GetSize());
    fn(Read(), result->Write(), Count());
    return result;
}

std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::Phase() const { return ToReal(prim::ippsPhase_64fc); }
std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::Magnitude() const { return ToReal(prim::ippsMagnitude_64fc); }
std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::PowerSpectrum() const { return ToReal(prim::ippsPowerSpectr_64fc); }
std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::GetReal() const { return ToReal(prim::ippsReal_64fc); }
std::shared_ptr<TSGRealBuffer> TSGComplexBuffer::GetImaginary() const { return ToReal(prim::ippsImag_64fc); }

}  // namespace oculon::pins
