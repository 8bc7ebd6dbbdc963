#include "media/pins/SGGenericBuffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "media/pins/SGErrors.h"
#include "media/primitives/VectorFillCopy.h"
#include "platform/TemporaryFile.h"
#include "platform/UniqueFd.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

TSGGenericBuffer::TSGGenericBuffer(std::unique_ptr<TSGSmartBuffer> container, std::uint32_t byteSize)
    : FCharSize(byteSize), FContainer(std::move(container), true) {}

TSGGenericBuffer::TSGGenericBuffer(TSGSmartBuffer& container, std::uint32_t byteSize)
    : FCharSize(byteSize), FContainer(container, true) {}

TSGGenericBuffer::TSGGenericBuffer(const TSGGenericBuffer& source)
    : TSGBasicBuffer(source),
      FDataPtr(source.FDataPtr),
      FCharSize(source.FCharSize),
      FContainer(*source.FContainer.get(), true) {}

void TSGGenericBuffer::CopyTo(std::uint32_t sourceOffset, TSGGenericBuffer& dest, std::uint32_t destOffset,
                              std::uint32_t count) {
    if (std::uint64_t{sourceOffset} + count > GetByteSize()) throw ERangeError(kIndexOutOfRange, sourceOffset);
    if (std::uint64_t{destOffset} + count > dest.GetByteSize()) throw ERangeError(kIndexOutOfRange, destOffset);
    if (count == 0) return;
    // The destination first: when it is this buffer, unsharing it moves the
    // source bytes too.
    std::uint8_t* to = dest.ByteModify() + destOffset;
    const std::uint8_t* from = ByteRead() + sourceOffset;
    if (from < to + count && to < from + count) SGPasFastCopy(from, to, count);
    else prim::ippsCopy_8u(from, to, static_cast<int>(count));
}

void TSGGenericBuffer::Assign(const ISGData& source) {
    auto* other = dynamic_cast<TSGGenericBuffer*>(source.get());
    if (!other) throw EIntfCastError();
    if (other != this && other->DataContainer() != DataContainer())
        SetDataContainer(TSGContainerRef(*other->DataContainer(), OwnsData()));
    FCharSize = other->FCharSize;
    FDataPtr = other->FDataPtr;
}

bool TSGGenericBuffer::IsEqual(const TSGGenericBuffer& other) const {
    const std::uint32_t size = GetByteSize();
    if (size != other.GetByteSize()) return false;
    return size == 0 || std::memcmp(ByteRead(), other.ByteRead(), size) == 0;
}

bool TSGGenericBuffer::MakeUnique(bool copy) {
    if (FContainer->SingleOwner()) return false;
    SetDataContainer(TSGContainerRef(FContainer->Clone(copy), OwnsData()));
    return true;
}

std::uint8_t* TSGGenericBuffer::ByteWrite() {
    Unique(false);
    return FDataPtr;
}

std::uint8_t* TSGGenericBuffer::ByteModify() {
    Unique(true);
    return FDataPtr;
}

void TSGGenericBuffer::SetDataContainer(TSGContainerRef container) {
    FContainer = std::move(container);
    PopulateCahces();
}

namespace {

[[noreturn]] void fileError(const char* what, const std::string& fileName) {
    throw EFileError(std::string(what) + " \"" + fileName + "\": " + std::strerror(errno));
}

}  // namespace

void saveWholeFile(const std::string& fileName, std::string_view bytes, unsigned mode) {
    const platform::FileFailure failure = platform::writeFileThroughTemporary(fileName, bytes, mode);
    if (failure.failed()) throw EFileError("Cannot write file \"" + failure.path + "\": " + failure.reason());
}

void TSGGenericBuffer::SaveToFile(const std::string& fileName) const {
    saveWholeFile(fileName, {reinterpret_cast<const char*>(ByteRead()), GetByteSize()}, 0644);
}

void TSGGenericBuffer::LoadFromFile(const std::string& fileName) {
    platform::UniqueFd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) fileError("Cannot open file", fileName);
    std::uint32_t left = GetByteSize();
    if (left == 0) return;
    std::uint8_t* at = ByteWrite();
    while (left > 0) {
        const ssize_t n = ::read(fd.get(), at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fileError("Cannot read file", fileName);
        if (n == 0) throw EReadError();
        at += n;
        left -= static_cast<std::uint32_t>(n);
    }
}

}  // namespace oculon::pins
