// Text from devices and files made fit for a message: whatever comes in, what
// comes out is well-formed UTF-8 without a character that acts on the text
// around it, and no longer than the limit allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ShownText.h"

using namespace oculon::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t limit = size > 0 ? data[0] % 40 : 0;
    const std::string shown = shownText(input, limit);
    // At most `limit` characters of up to 6 bytes each ("\u202E"), and the ellipsis.
    if (shown.size() > limit * 6 + 3) std::abort();
    // A second pass finds nothing left to escape or cut: the text is
    // well-formed and its characters show as they are.
    if (shownText(shown, shown.size()) != shown) std::abort();
    return 0;
}
