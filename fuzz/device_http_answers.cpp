// What cameras answer over HTTP: the first part of an MJPEG stream, the
// boundary of its Content-Type, the Axis resolution list and the lines of the
// input monitor.

#include <cstddef>
#include <cstdint>
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
    const auto newline = bytes.find('\n');
    const std::string_view contentType = bytes.substr(0, newline);
    const std::string_view body = newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);

    const std::string boundary = boundaryOf(contentType);
    platform::MemorySource source(body);
    platform::BufferedReader reader(source);
    std::string jpeg;
    try {
        if (readStreamPart(reader, boundary, jpeg) && jpeg.size() > kMaxPictureBytes) __builtin_trap();
    } catch (const platform::NetError&) {}

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
