#include "media/pins/SGRealMatrixBuffer.h"

#include <algorithm>

#include "media/primitives/VectorFillCopy.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

TSGRealMatrixBuffer::TSGRealMatrixBuffer(std::uint32_t rows, std::uint32_t cols)
    : TSGMemoryBuffer(BytesFor(std::uint64_t{rows} * cols, sizeof(double))), FCols(cols), FRows(rows) {}

TSGRealMatrixBuffer::TSGRealMatrixBuffer(TSGSmartBuffer& container, std::uint32_t byteSize)
    : TSGMemoryBuffer(container, byteSize), FCols(byteSize / sizeof(double)), FRows(1) {}

std::shared_ptr<TSGRealMatrixBuffer> TSGRealMatrixBuffer::CreateUniversal(const ISGData& any) {
    if (auto* matrix = dynamic_cast<TSGRealMatrixBuffer*>(any.get()))
        return std::make_shared<TSGRealMatrixBuffer>(*matrix);
    if (auto* array = dynamic_cast<ISGRealBufferArray*>(any.get())) {
        auto result = CreateSize(array->GetCount(), array->GetMaxSize());
        result->FillRows(*array);
        return result;
    }
    auto* buffer = dynamic_cast<TSGGenericBuffer*>(any.get());
    if (!buffer) throw EIntfCastError();
    return std::make_shared<TSGRealMatrixBuffer>(*buffer->DataContainer(), buffer->GetByteSize());
}

bool TSGRealMatrixBuffer::IsEqual(const TSGGenericBuffer& other) const {
    return dynamic_cast<const TSGRealMatrixBuffer*>(&other) && TSGGenericBuffer::IsEqual(other);
}

double TSGRealMatrixBuffer::GetCell(std::uint32_t row, std::uint32_t col) const {
    if (col >= FCols) throw ERangeError(kColumnOutOfRange, col);
    if (row >= FRows) throw ERangeError(kRowOutOfRange, row);
    return Read()[std::size_t{row} * FCols + col];
}

void TSGRealMatrixBuffer::SetCell(std::uint32_t row, std::uint32_t col, double value) {
    if (col >= FCols) throw ERangeError(kColumnOutOfRange, col);
    if (row >= FRows) throw ERangeError(kRowOutOfRange, row);
    Modify()[std::size_t{row} * FCols + col] = value;
}

std::shared_ptr<TSGRealBuffer> TSGRealMatrixBuffer::GetRow(std::uint32_t row) const {
    if (row >= FRows) throw ERangeError(kRowOutOfRange, row);
    return TSGRealBuffer::CreateData({Read() + std::size_t{row} * FCols, FCols});
}

void TSGRealMatrixBuffer::SetRow(std::uint32_t row, const TSGRealBuffer& items) {
    if (row >= FRows) throw ERangeError(kRowOutOfRange, row);
    double* to = Modify() + std::size_t{row} * FCols;  // first: the items may be a view of this matrix
    prim::ippsCopy_64f(items.Read(), to, static_cast<int>(std::min(FCols, items.GetSize())));
}

void TSGRealMatrixBuffer::FillRows(const ISGRealBufferArray& source) {
    const std::uint32_t rows = std::min(FRows, source.GetCount());
    for (std::uint32_t r = 0; r < rows; ++r) {
        const auto row = source.GetItem(r);
        const std::uint32_t n = std::min(FCols, row->GetSize());
        double* to = Modify() + std::size_t{r} * FCols;
        prim::ippsCopy_64f(row->Read(), to, static_cast<int>(n));
        prim::ippsZero_64f(to + n, static_cast<int>(FCols - n));
    }
}

void TSGRealMatrixBuffer::AssignMatrix(const ISGRealBufferArray& source) {
    Resize(source.GetCount(), source.GetMaxSize(), false);
    FillRows(source);
}

template <class Fn>
void TSGRealMatrixBuffer::RowWise(const ISGRealBufferArray& other, Fn fn) {
    const std::uint32_t rows = std::min(FRows, other.GetCount());
    for (std::uint32_t r = 0; r < rows; ++r) {
        const auto row = other.GetItem(r);
        double* to = Modify() + std::size_t{r} * FCols;
        fn(row->Read(), to, static_cast<int>(std::min(FCols, row->GetSize())));
    }
}

void TSGRealMatrixBuffer::Add(const ISGRealBufferArray& other) { RowWise(other, prim::ippsAdd_64f_I); }
void TSGRealMatrixBuffer::Subtract(const ISGRealBufferArray& other) { RowWise(other, prim::ippsSub_64f_I); }
void TSGRealMatrixBuffer::Multiply(const ISGRealBufferArray& other) { RowWise(other, prim::ippsMul_64f_I); }
void TSGRealMatrixBuffer::Divide(const ISGRealBufferArray& other) { RowWise(other, SGDivideItems); }

void TSGRealMatrixBuffer::Resize(std::uint32_t rows, std::uint32_t cols, bool keep) {
    if (rows == FRows && cols == FCols) return;
    ResizeItems(std::uint64_t{rows} * cols, keep);
    FRows = rows;
    FCols = cols;
}

}  // namespace oculon::pins
