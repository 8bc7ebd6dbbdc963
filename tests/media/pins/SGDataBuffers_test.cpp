// The typed buffers: Resize in place or into a new container, every range
// check, saturating byte arithmetic, the real buffer's divisor rule and
// conversions, the restricted extremes, the matrix's shapes and rows, and
// the integer and complex operations with their edge values.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "media/pins/SGComplexBuffer.h"
#include "media/pins/SGIntegerBuffer.h"
#include "media/pins/SGRealMatrixBuffer.h"
#include "BufferTestKit.h"

using namespace oculon::pins;

namespace {

template <class B>
std::vector<typename B::ItemType> items(const B& b) {
    return {b.Read(), b.Read() + b.GetSize()};
}
using testkit::copyOf;
using testkit::message;
std::shared_ptr<TSGRealBuffer> reals(std::vector<double> v) { return TSGRealBuffer::CreateData(v); }
std::shared_ptr<TSGIntegerBuffer> ints(const std::vector<std::int32_t>& v) {
    auto b = TSGIntegerBuffer::CreateSize(static_cast<std::uint32_t>(v.size()));
    std::copy(v.begin(), v.end(), b->Write());
    return b;
}
int owners(const TSGGenericBuffer& b) { return b.DataContainer()->CountOwners(); }

TEST(Resize, KeepsTheContainerWhereTheRulesAllow) {
    const auto r = reals({1, 2, 3});  // a 32-byte block: room for 4
    const TSGSmartBuffer* block = r->DataContainer();
    r->Resize(4, true);
    EXPECT_EQ(r->DataContainer(), block);
    EXPECT_EQ(r->GetItem(2), 3);
    r->Resize(5, true);
    EXPECT_NE(r->DataContainer(), block);
    auto kept = items(*r);
    kept.resize(3);
    EXPECT_EQ(kept, (std::vector<double>{1, 2, 3}));

    // A shrink with the data never copies, shared or not; a growth of a
    // shared buffer does, and the other keeps its items.
    const auto other = copyOf(*r);
    block = r->DataContainer();
    r->Resize(2, true);
    EXPECT_EQ(r->DataContainer(), block);
    r->Resize(5, true);
    EXPECT_NE(r->DataContainer(), block);
    EXPECT_EQ(items(*r), items(*other));

    block = r->DataContainer();
    r->Resize(5, false);  // same size: nothing
    EXPECT_EQ(r->DataContainer(), block);
    r->Resize(3, false);  // without the data every change takes a new container
    EXPECT_NE(r->DataContainer(), block);
    block = r->DataContainer();
    r->Resize(0, false);
    EXPECT_EQ(r->DataContainer(), block);
    EXPECT_EQ(r->GetByteSize(), 0u);
    EXPECT_THROW(r->Resize(std::uint64_t{1} << 28, false), EBufferTooLarge);
    EXPECT_EQ(r->DataContainer(), block);
}

TEST(RangeChecks, EveryIndexAndEverySizeTakenFromAnotherBuffer) {
    const auto r = reals({1, 2, 3});
    const auto sharer = copyOf(*r);
    EXPECT_EQ(message([&] { r->GetItem(3); }), "Index out of range = 3");
    EXPECT_THROW(r->SetItem(3, 0), ERangeError);
    EXPECT_EQ(owners(*r), 2);  // a refused write does not unshare
    EXPECT_THROW(ints({1})->GetItem(1), ERangeError);
    EXPECT_THROW(TSGComplexBuffer::CreateSize(2)->SetItem(2, {}), ERangeError);
    EXPECT_THROW(TSGBlockBuffer::CreateSize(0)->GetItem(0), ERangeError);

    const auto two = reals({5, 6});
    EXPECT_EQ(message([&] { r->ThresholdFrom(*two, 0, TSGThresholdType::ttLessThan); }), "Size out of range = 2");
    EXPECT_THROW(r->Norm(TSGNormType::ntL1Norm, *two), ERangeError);
    EXPECT_THROW(r->AutoCorr(*two, TSGAutoCorrType::actNormal), ERangeError);
    EXPECT_THROW(r->Convolve(*two, *reals({1, 2, 3})), ERangeError);
    std::vector<std::int16_t> shorts(2);
    EXPECT_THROW(r->ToShort(shorts, true), ERangeError);
    EXPECT_THROW(r->FromInt(std::vector<std::int32_t>(2)), ERangeError);
    EXPECT_EQ(items(*r), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(owners(*r), 2);

    const auto m = TSGRealMatrixBuffer::CreateSize(2, 3);
    EXPECT_EQ(message([&] { m->GetItem(0, 3); }), "Column out of range = 3");
    EXPECT_EQ(message([&] { m->GetItem(2, 0); }), "Row out of range = 2");
    EXPECT_EQ(message([&] { m->SetCell(5, 5, 0); }), "Column out of range = 5");
    EXPECT_EQ(message([&] { m->GetRow(2); }), "Row out of range = 2");
    EXPECT_THROW(m->SetRow(2, *r), ERangeError);

    const auto a = ints({1, 2, 3}), b = ints({0, 0});
    a->CopyTo(1, *b, 0, 2);  // items between integer buffers
    EXPECT_EQ(items(*b), (std::vector<std::int32_t>{2, 3}));
    EXPECT_THROW(a->CopyTo(2, *b, 0, 2), ERangeError);
    EXPECT_THROW(a->CopyTo(0, *b, 1, 2), ERangeError);
    const auto bytes = TSGBlockBuffer::CreateSize(12);
    a->CopyTo(4, *bytes, 0, 8);  // bytes into any other buffer
    EXPECT_EQ(bytes->GetItem(0), 2);
}

TEST(BlockBuffers, SaturateAndDivideByZeroBytes) {
    const auto make = [](std::vector<std::uint8_t> v) {
        auto b = TSGBlockBuffer::CreateSize(static_cast<std::uint32_t>(v.size()));
        std::copy(v.begin(), v.end(), b->Write());
        return b;
    };
    auto a = make({200, 10}), b = make({100, 20, 99});
    a->Add(*b);
    EXPECT_EQ(items(*a), (std::vector<std::uint8_t>{255, 30}));
    a = make({200, 10});
    a->Subtract(*b);
    EXPECT_EQ(items(*a), (std::vector<std::uint8_t>{100, 0}));
    a->Multiply(*make({3, 7}));
    EXPECT_EQ(items(*a), (std::vector<std::uint8_t>{255, 0}));
    a = make({7, 0, 9, 250});
    a->Divide(*make({2, 0, 0, 3}));
    EXPECT_EQ(items(*a), (std::vector<std::uint8_t>{3, 0, 255, 83}));
    a->SetValue(4);
    EXPECT_EQ(items(*a), (std::vector<std::uint8_t>{4, 4, 4, 4}));
    // A byte view of another buffer shares its container.
    const auto view = TSGBlockBuffer::CreateUniversal(ints({-1}));
    EXPECT_EQ(items(*view), (std::vector<std::uint8_t>{255, 255, 255, 255}));
}

TEST(RealBuffers, DivisorRuleConversionsAndSkippedValues) {
    auto r = reals({1, -2, 0, 6});
    r->Divide(*reals({0, 0, 0, 3}));
    // Deliberate markers: 1e15 for a positive quotient, -1e14 otherwise.
    EXPECT_EQ(items(*r), (std::vector<double>{1e15, -1e14, -1e14, 2}));
    r = reals({0, 2});
    r->Divide(*r);  // by itself: the divisors are read before they change
    EXPECT_EQ(items(*r), (std::vector<double>{-1e14, 1}));

    const auto v = reals({1e6, -1e6, 2.5, -2.5, 3.7, NAN, -3.7});
    std::vector<std::int16_t> s(7);
    v->ToShort(s, true);
    EXPECT_EQ(s, (std::vector<std::int16_t>{32767, -32768, 2, -2, 4, 0, -4}));
    v->ToShort(s, false);
    EXPECT_EQ(s, (std::vector<std::int16_t>{32767, -32768, 2, -2, 3, 0, -3}));
    std::vector<std::int32_t> i(7);
    reals({3e10, -3e10, 2.5, -2.5, 3.7, NAN, -3.7})->ToInt(i, true);
    EXPECT_EQ(i, (std::vector<std::int32_t>{INT32_MAX, INT32_MIN, 2, -2, 4, 0, -4}));
    EXPECT_EQ(items(*TSGRealBuffer::CreateIntegerData(std::vector<std::int32_t>{1, -2, 3})),
              (std::vector<double>{1, -2, 3}));

    // Values that change nothing leave a shared buffer shared.
    const auto shared = copyOf(*v);
    v->AddValue(0);
    v->SubtractValue(0);
    v->MultiplyValue(1);
    v->DivideValue(0);
    v->DivideValue(1);
    v->Normalize(1, 0);  // a zero divisor is refused before anything moves
    EXPECT_EQ(v->DataContainer(), shared->DataContainer());
    r = reals({2, 4});
    r->Normalize(1, 2);
    EXPECT_EQ(items(*r), (std::vector<double>{0.5, 1.5}));
    r->SqrFrom(*r);
    EXPECT_EQ(items(*r), (std::vector<double>{0.25, 2.25}));
    r->Threshold(1, TSGThresholdType::ttGreaterThan);
    EXPECT_EQ(items(*r), (std::vector<double>{0.25, 1}));
    EXPECT_EQ(r->Dot(*reals({4, 2, 9})), 3);
    EXPECT_EQ(reals({1, 3})->Mean(), 2);
}

TEST(RealBuffers, CorrelationAndConvolution) {
    const auto r = reals({0, 0, 0, 0, 9});
    r->Convolve(*reals({1, 2}), *reals({1, 1, 1}));
    EXPECT_EQ(items(*r), (std::vector<double>{1, 3, 3, 2, 9}));  // the item past the result stays
    const auto lags = reals({0, 0, 0});
    lags->AutoCorr(*reals({1, 2, 3, 99}), TSGAutoCorrType::actNormal);  // the source's first N items
    EXPECT_EQ(items(*lags), (std::vector<double>{14, 8, 3}));
    lags->AutoCorr(*reals({1, 2, 3}), TSGAutoCorrType::actUnbiased);
    EXPECT_EQ(items(*lags), (std::vector<double>{14.0 / 3, 4, 3}));
    lags->AutoCorr(*lags, TSGAutoCorrType::actBiased);  // of itself: read before written
    EXPECT_DOUBLE_EQ(lags->GetItem(0), (196.0 / 9 + 16 + 9) / 3);
    lags->CrossCorr(*reals({1, 2}), *reals({0, 1, 2, 3}), 0);
    EXPECT_EQ(items(*lags), (std::vector<double>{2, 5, 8}));

    // The complex autocorrelation reads no more items than its source holds.
    const auto c = TSGComplexBuffer::CreateSize(4), source = TSGComplexBuffer::CreateSize(2);
    c->SetValue(7, 7);
    source->SetValue(1, 0);
    source->SetItem(1, {2, 0});
    c->AutoCorr(*source, 0);
    EXPECT_EQ(items(*c->GetReal()), (std::vector<double>{5, 2, 7, 7}));
}

TEST(RealBuffers, ExtremesOverClampedRangesAndMarkers) {
    const auto r = reals({4, -1, 7, -1});
    std::uint32_t at = 9;
    EXPECT_EQ(r->GetMinIndex(at), -1);
    EXPECT_EQ(at, 1u);
    EXPECT_EQ(r->GetMaxIndex(at), 7);
    EXPECT_EQ(r->GetMin(2, 99), -1);
    EXPECT_EQ(r->GetMax(-5, 2), 4);
    EXPECT_EQ(r->GetMin(3, 3), 0);  // empty range
    EXPECT_EQ(reals({})->GetMaxIndex(at), 0);
    EXPECT_EQ(at, 0u);

    // The restricted forms start from the first item that is not a marker.
    EXPECT_EQ(reals({1.7e308, 5, 3})->GetMinRestricted(0, 3), 3);
    EXPECT_EQ(reals({4, -1.7e308, 2})->GetMinRestricted(0, 3), 2);
    EXPECT_EQ(reals({-1.7e308, -5, -3, 1.7e308})->GetMaxRestricted(0, 4), -3);
    EXPECT_EQ(reals({-1.7e308, INFINITY})->GetMinRestricted(0, 2), 0);
    EXPECT_EQ(reals({8, 9})->GetMaxRestricted(1, 1), 0);
}

struct Rows : TSGBasicBuffer, ISGRealBufferArray {
    std::vector<std::vector<double>> rows;
    ISGData MakeCopy() const override { return std::make_shared<Rows>(*this); }
    std::uint32_t GetCount() const override { return static_cast<std::uint32_t>(rows.size()); }
    std::uint32_t GetMaxSize() const override { return 3; }
    std::shared_ptr<TSGRealBuffer> GetItem(std::uint32_t r) const override { return reals(rows[r]); }
};

TEST(MatrixBuffers, ShapesRowsAndRowWiseArithmetic) {
    const auto five = reals({1, 2, 3, 4, 5});
    const auto view = TSGRealMatrixBuffer::CreateUniversal(five);
    EXPECT_EQ(view->DataContainer(), five->DataContainer());
    EXPECT_EQ(std::pair(view->GetRows(), view->GetCols()), std::pair(1u, 5u));
    view->SetCell(0, 4, 50);
    EXPECT_NE(view->DataContainer(), five->DataContainer());
    EXPECT_EQ(five->GetItem(4), 5);

    auto rows = std::make_shared<Rows>();
    rows->rows = {{1, 2, 3}, {4}, {5, 6}};
    const auto m = TSGRealMatrixBuffer::CreateUniversal(rows);
    EXPECT_EQ(items(*m), (std::vector<double>{1, 2, 3, 4, 0, 0, 5, 6, 0}));
    EXPECT_EQ(TSGRealMatrixBuffer::CreateUniversal(m)->DataContainer(), m->DataContainer());
    const auto assigned = TSGRealMatrixBuffer::CreateSize(1, 1);
    assigned->AssignMatrix(*rows);
    EXPECT_TRUE(assigned->IsEqual(*m));

    m->Resize(2, 3, true);
    m->SetRow(1, *five);  // only as many items as a row holds
    EXPECT_EQ(items(*m->GetRow(1)), (std::vector<double>{1, 2, 3}));
    m->Resize(3, 2, true);  // the 6 items in order, now 3 rows of 2
    EXPECT_EQ(items(*m), (std::vector<double>{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(m->GetCell(2, 1), 3);

    rows->rows = {{2, 0}, {0}};
    m->Divide(*rows);  // row by row, where both have items; the divisor rule per row
    EXPECT_EQ(items(*m), (std::vector<double>{0.5, 1e15, 1e15, 1, 2, 3}));
    m->Add(*m);
    EXPECT_EQ(m->GetCell(2, 0), 4);
    m->MultiplyValue(0.5);
    EXPECT_EQ(m->GetCell(2, 0), 2);

    const auto flat = TSGRealMatrixBuffer::CreateSize(3, 2), tall = TSGRealMatrixBuffer::CreateSize(2, 3);
    flat->SetValue(1);
    tall->SetValue(1);
    EXPECT_TRUE(flat->IsEqual(*tall));  // shapes are not compared
    EXPECT_FALSE(flat->IsEqual(*reals({1, 1, 1, 1, 1, 1})));
    flat->Resize(0, 4, false);
    EXPECT_EQ(flat->GetSize(), 0u);
}

TEST(IntegerBuffers, RemaindersShiftsAndValuesThatChangeNothing) {
    EXPECT_EQ(TSGIntegerBuffer::CreateSize(3)->GetByteSize(), 12u);
    EXPECT_EQ(TSGComplexBuffer::CreateSize(3)->GetByteSize(), 48u);

    auto a = ints({1, 2, 3, 4, 5});
    a->Add(*ints({10, 10, 10}));
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{11, 12, 13, 4, 5}));
    a = ints({-8, 1, 5});
    a->RShift(*ints({1, 33, 0}));
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{2147483644, 0, 5}));
    a->LShift(*ints({1, 0, 31}));
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{-8, 0, INT32_MIN}));

    a = ints({-7, 7, INT32_MIN, 9});
    a->ModBuffer(*ints({3, 0, -1, -4}));  // x mod 0 keeps x; INT32_MIN mod -1 is 0
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{-1, 7, 0, 1}));
    a->ModValue(-1);
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{0, 0, 0, 0}));
    a = ints({INT32_MIN, -7});
    a->DivideValue(-1);
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{INT32_MAX, 7}));
    a->Divide(*ints({0, 0}));
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{INT32_MAX, INT32_MAX}));

    a = ints({-7, 9, 1});
    const auto shared = copyOf(*a);
    a->AndValue(-1);
    a->OrValue(0);
    a->XorValue(0);
    a->MultiplyValue(1);
    a->DivideValue(0);
    a->ModValue(0);
    a->LShiftValue(0);
    EXPECT_EQ(a->DataContainer(), shared->DataContainer());
    a->DivideValue(2);  // shared: the quotients go to a new container
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{-3, 4, 0}));
    EXPECT_EQ(items(*shared), (std::vector<std::int32_t>{-7, 9, 1}));
    const auto again = copyOf(*a);
    a->SubtractValue(0);  // unshares all the same
    EXPECT_NE(a->DataContainer(), again->DataContainer());

    EXPECT_EQ(a->Dot(*ints({1, 1})), 1);
    EXPECT_EQ(std::pair(a->GetMinValue(), a->GetMaxValue()), std::pair(-3, 4));
    EXPECT_EQ(ints({})->GetMinValue(), 0);
    a->XorBuffer(*ints({-1, -1, -1}));
    EXPECT_EQ(items(*a), (std::vector<std::int32_t>{2, -5, -1}));
}

TEST(ComplexBuffers, PartsThresholdsAndRealViews) {
    const auto c = TSGComplexBuffer::CreateSize(9);
    c->SetBuffer(*reals({3, 0, 1, 2}), *reals({4, 0, 1, 0, 7, 7}));
    EXPECT_EQ(c->GetSize(), 4u);
    EXPECT_EQ(items(*c->Magnitude()), (std::vector<double>{5, 0, std::sqrt(2.0), 2}));
    EXPECT_EQ(items(*c->GetImaginary()), (std::vector<double>{4, 0, 1, 0}));
    const auto before = items(*c->GetReal());
    c->Threshold(-1, true);  // a negative level changes nothing
    EXPECT_EQ(items(*c->GetReal()), before);
    c->Threshold(2, false);
    EXPECT_EQ(items(*c->Magnitude())[0], 2);
    c->SetValue(1, 2);
    c->MultiplyValue(0, 1);
    EXPECT_EQ(items(*c->GetReal()), (std::vector<double>{-2, -2, -2, -2}));
    const TPNRealComplex dot = c->Dot(*c);
    EXPECT_EQ(std::pair(dot.re, dot.im), std::pair(12.0, -16.0));
    c->Normalize({-2, 1}, 2);
    EXPECT_EQ(std::pair(c->GetItem(0).re, c->GetItem(0).im), std::pair(0.0, 0.0));
}

}  // namespace
