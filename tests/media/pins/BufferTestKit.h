#pragma once
// Helpers of the data buffer tests: a media container and buffer over a byte
// vector (as the image and audio stores are), typed copies, and the text of
// an exception.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/pins/MBMediaBuffer.h"

namespace oculon::pins::testkit {

struct Store : TMBSmartMediaBuffer {
    explicit Store(std::size_t n) : bytes(n) {}
    Store(const Store& s, bool copy)
        : TMBSmartMediaBuffer(s, copy), bytes(copy ? s.bytes : decltype(bytes)(s.bytes.size())) {}
    std::unique_ptr<TSGSmartBuffer> Clone(bool copy) const override { return std::make_unique<Store>(*this, copy); }
    std::uint8_t* RawData() const override { return const_cast<std::uint8_t*>(bytes.data()); }
    std::vector<std::uint8_t> bytes;
};

struct Media : TMBMediaBuffer {
    explicit Media(std::uint32_t n) : TMBMediaBuffer(std::make_unique<Store>(n), n) { Media::PopulateCahces(); }
    ISGData MakeCopy() const override { return std::make_shared<Media>(*this); }
    void PopulateCahces() override { FDataPtr = DataContainer()->RawData(); }
};

template <class B>
std::shared_ptr<B> copyOf(const B& b) {
    return std::static_pointer_cast<B>(b.MakeCopy());
}

inline std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no exception";
}

}  // namespace oculon::pins::testkit
