// A camera's multipart answer: the status line and Content-Type line of its
// head, then the body cut into lines and pictures, arriving in slices of any
// size. Whatever the slicing, the same steps must come out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "video/MultipartParser.h"

using namespace oculon::video;

namespace {

// The steps of one parse, flattened; empty optional on a limit error.
std::string cut(const std::string& boundary, std::string_view body, std::size_t slice, bool& failed) {
    MultipartParser parser(boundary);
    std::string steps;
    failed = false;
    try {
        for (std::size_t at = 0; at < body.size(); at += slice) {
            const std::string_view piece = body.substr(at, slice);
            // Half the time the way the decoder reads: into the offered space.
            if (slice & 1) {
                parser.append(piece);
            } else {
                const auto space = parser.prepare(std::max<std::size_t>(parser.readHint() % 4096, piece.size()));
                std::copy(piece.begin(), piece.end(), space.begin());
                parser.commit(piece.size());
            }
            while (const auto e = parser.next()) {
                steps += static_cast<char>('0' + static_cast<int>(e.step));
                steps += e.line;
                if (e.data.size() > static_cast<std::size_t>(MultipartParser::kMaxContentLength)) std::abort();
                steps.append(reinterpret_cast<const char*>(e.data.data()), e.data.size());
                steps += '\0';
            }
            if (parser.pendingText(64).size() > 64) std::abort();
        }
    } catch (const MultipartError&) {
        failed = true;
    }
    return steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t slice = 1 + data[0] % 61;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto lineEnd = [&] {
        const auto lf = input.find('\n');
        const std::string_view line = input.substr(0, lf);
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        return line;
    };
    (void)classifyStatusLine(lineEnd());
    const StreamContentType type = parseStreamContentType(lineEnd());
    if (!type.boundary.empty() && !type.boundary.starts_with("--")) std::abort();

    bool failedWhole = false;
    bool failedSliced = false;
    const std::string whole = cut(type.boundary, input, input.size() + 1, failedWhole);
    const std::string sliced = cut(type.boundary, input, slice, failedSliced);
    // A limit may be hit earlier or later depending on what is buffered, but
    // a stream that parses whole parses the same in slices.
    if (!failedWhole && !failedSliced && whole != sliced) std::abort();
    return 0;
}
