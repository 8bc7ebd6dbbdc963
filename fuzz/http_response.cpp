// HTTP answers from a camera: status line, header fields and every body
// framing, read whole and as a stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ByteReader.h"
#include "platform/HttpResponseParser.h"

using namespace oculon::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    HttpLimits limits;
    limits.maxLineLength = 256;
    limits.maxHeaderCount = 16;
    limits.maxBodyLength = 4096;
    try {
        MemorySource source(input);
        BufferedReader in(source);
        const HttpResponseHead head = readResponseHead(in, limits);
        const BodyLayout layout = bodyLayout(head, "GET");
        if (!input.empty() && input.back() & 1) {
            (void)readBody(in, layout, limits);
        } else {
            // The way a stream reader takes the body: lines and counts.
            auto body = openBody(in, layout, limits);
            BufferedReader reader(*body);
            for (int i = 0; i < 64 && !reader.atEnd(); ++i) {
                const std::string line = reader.readLn(128);
                if (line.size() % 3 == 0) (void)reader.readExact(line.size());
            }
        }
    } catch (const NetError&) {}
    return 0;
}
