// What cameras answer over HTTP: the stream answer a probe reads up to its
// first picture, the Axis resolution list and the lines of the input monitor.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "devices/ProbePicture.h"
#include "devices/TAxisThread.h"
#include "platform/ByteReader.h"
#include "platform/Net.h"

using namespace oculon;
using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    platform::MemorySource source(bytes);
    platform::BufferedReader reader(source);
    try {
        const FetchResult answer = readStreamAnswer(reader);
        if (answer.jpeg.size() > kMaxPictureBytes || (!answer.success && !answer.jpeg.empty())) __builtin_trap();
        if (!answer.boundary.empty() && !answer.boundary.starts_with("--")) __builtin_trap();
    } catch (const std::runtime_error&) {
        // NetError when the answer breaks off, MultipartError beyond a limit.
    }

    (void)largestResolution(bytes);
    for (const auto type : {config::AxisCam, config::KorvatCamQuorix}) {
        AxisInputParser parser(type);
        platform::MemorySource lines(bytes);
        platform::BufferedReader in(lines);
        try {
            for (;;) (void)parser.feedLine(in.readLn(4096));
        } catch (const platform::NetError&) {}
    }
    return 0;
}
