// A stored form: the bytes are read as a binary component stream and as
// form text. What reads must encode again to the same bytes; both readings
// must fail only with the stream's own error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ComponentStream.h"

using namespace oculon::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TStreamObject root = DecodeComponentStream(data, size);
        const auto bytes = EncodeComponentStream(root);
        const auto again = EncodeComponentStream(DecodeComponentStream(bytes.data(), bytes.size()));
        if (again != bytes) __builtin_trap();
        (void)FormText(root);
    } catch (const EComponentStreamError&) {}
    try {
        const TStreamObject root = ParseFormText(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)FormText(root);
        (void)EncodeComponentStream(root);
    } catch (const EComponentStreamError&) {}
    return 0;
}
