#pragma once
// The exceptions the data buffers raise, each with the fixed text that
// callers and the user see.

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace oculon::pins {

// An index, offset or count outside a buffer; the text names the value,
// as in "Index out of range = 7".
class ERangeError : public std::out_of_range {
public:
    ERangeError(const char* what, std::uint64_t value) : std::out_of_range(what + (" = " + std::to_string(value))) {}
};
inline constexpr const char* kIndexOutOfRange = "Index out of range";
inline constexpr const char* kRowOutOfRange = "Row out of range";
inline constexpr const char* kColumnOutOfRange = "Column out of range";
// A buffer that holds fewer items than an operation takes from it.
inline constexpr const char* kSizeOutOfRange = "Size out of range";

// The heap refused a block.
class EOutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "Out of memory"; }
};

// A request above the largest block the pool hands out (1 GiB).
class EBufferTooLarge : public std::length_error {
public:
    explicit EBufferTooLarge(std::uint64_t bytes)
        : std::length_error("Buffer size above the largest block = " + std::to_string(bytes)) {}
};

// A buffer handed where another kind of buffer is required.
class EIntfCastError : public std::invalid_argument {
public:
    EIntfCastError() : std::invalid_argument("Interface not supported") {}
};

// The file of a buffer's SaveToFile or LoadFromFile.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Makes `bytes` the whole file `fileName`, with `mode` less the umask, or
// raises EFileError: written whole or not at all, and never into what
// someone else put at the name (platform::writeFileThroughTemporary).
void saveWholeFile(const std::string& fileName, std::string_view bytes, unsigned mode);
// A file shorter than the buffer it is loaded into.
class EReadError : public EFileError {
public:
    EReadError() : EFileError("Stream-Lesefehler") {}
};

}  // namespace oculon::pins
