#pragma once
// A matrix of doubles, row after row in one memory container, with the
// copy-on-write sharing of every data buffer. Rows go in and out as real
// buffers.

#include <cstdint>
#include <memory>

#include "media/pins/SGRealBuffer.h"

namespace oculon::pins {

// Rows of real items, possibly of different lengths.
class ISGRealBufferArray {
public:
    virtual ~ISGRealBufferArray() = default;
    virtual std::uint32_t GetCount() const = 0;    // rows
    virtual std::uint32_t GetMaxSize() const = 0;  // items in the longest row
    // A real buffer of the row's items; row below GetCount().
    virtual std::shared_ptr<TSGRealBuffer> GetItem(std::uint32_t row) const = 0;
};

class TSGRealMatrixBuffer : public TSGMemoryBuffer,
                            public ISGRealBufferArray,
                            public TSGRealValueOps<TSGRealMatrixBuffer> {
public:
    using ItemType = double;
    // rows x cols items, contents unspecified.
    TSGRealMatrixBuffer(std::uint32_t rows, std::uint32_t cols);
    // One row over the bytes of any data buffer, sharing its container.
    TSGRealMatrixBuffer(TSGSmartBuffer& container, std::uint32_t byteSize);
    TSGRealMatrixBuffer(const TSGRealMatrixBuffer& source) = default;

    static std::shared_ptr<TSGRealMatrixBuffer> CreateSize(std::uint32_t rows, std::uint32_t cols) {
        return std::make_shared<TSGRealMatrixBuffer>(rows, cols);
    }
    // A matrix shares a matrix's container; an array of rows is copied into
    // a new matrix of its count x its longest row, short rows padded with
    // 0.0; any other data buffer becomes one row over its container.
    // EIntfCastError for anything else.
    static std::shared_ptr<TSGRealMatrixBuffer> CreateUniversal(const ISGData& any);

    ISGData MakeCopy() const override { return std::make_shared<TSGRealMatrixBuffer>(*this); }
    std::uint32_t ItemSize() const override { return sizeof(double); }
    // Another matrix with the same bytes (its shape is not compared).
    bool IsEqual(const TSGGenericBuffer& other) const override;

    std::uint32_t GetCount() const override { return FRows; }
    std::uint32_t GetMaxSize() const override { return FCols; }
    std::uint32_t GetRows() const { return FRows; }
    std::uint32_t GetCols() const { return FCols; }

    const double* Read() const { return reinterpret_cast<const double*>(ByteRead()); }
    double* Write() { return reinterpret_cast<double*>(ByteWrite()); }
    double* Modify() { return reinterpret_cast<double*>(ByteModify()); }

    // ERangeError "Column out of range = c" (tested first) or "Row out of
    // range = r" outside the matrix.
    double GetCell(std::uint32_t row, std::uint32_t col) const;
    void SetCell(std::uint32_t row, std::uint32_t col, double value);
    double GetItem(std::uint32_t row, std::uint32_t col) const { return GetCell(row, col); }
    void SetItem(std::uint32_t row, std::uint32_t col, double value) { SetCell(row, col, value); }
    // A copy of the row; ERangeError "Row out of range = r" outside the matrix.
    std::shared_ptr<TSGRealBuffer> GetRow(std::uint32_t row) const;
    std::shared_ptr<TSGRealBuffer> GetItem(std::uint32_t row) const override { return GetRow(row); }
    // The first min(cols, the buffer's count) items of the row.
    void SetRow(std::uint32_t row, const TSGRealBuffer& items);
    void SetItem(std::uint32_t row, const TSGRealBuffer& items) { SetRow(row, items); }
    // The source's shape and rows, short rows padded with 0.0.
    void AssignMatrix(const ISGRealBufferArray& source);

    // Row r := row r op the source's row r, for the rows and items both have.
    // Divide follows SGDivideItems.
    void Add(const ISGRealBufferArray& other);
    void Subtract(const ISGRealBufferArray& other);
    void Multiply(const ISGRealBufferArray& other);
    void Divide(const ISGRealBufferArray& other);

    // A new shape. Items keep their positions in memory, so a change of the
    // column count re-flows them; the storage follows the rules of
    // TSGLinearMemoryBuffer::Resize for rows x cols items.
    void Resize(std::uint32_t rows, std::uint32_t cols, bool keep);

private:
    template <class Fn>
    void RowWise(const ISGRealBufferArray& other, Fn fn);
    void FillRows(const ISGRealBufferArray& source);

    std::uint32_t FCols = 0;
    std::uint32_t FRows = 0;
};
using ISGRealMatrixBuffer = std::shared_ptr<TSGRealMatrixBuffer>;

}  // namespace oculon::pins
