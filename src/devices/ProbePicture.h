#pragma once
// Fetching a device's probe picture over HTTP: one frame of its MJPEG stream,
// or a single snapshot for the types that serve one, and the Axis resolution
// query. Basic credentials go with the request; a Digest challenge is
// answered by the HTTP client.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "config/sprachen.h"
#include "platform/ByteReader.h"

namespace oculon::devices {

class FetchCancel;

struct FetchTarget {
    std::string host;
    std::uint16_t port = 80;
    std::string user;
    std::string password;
    bool sendCredentials = true;  // false: no Authorization header at all
    std::chrono::milliseconds timeout{15000};
    FetchCancel* cancel = nullptr;
};

struct FetchResult {
    bool success = false;
    bool unauthorized = false;  // the device answered 401
    std::string jpeg;           // the picture's bytes on success
    std::string boundary;       // of a stream, with leading "--"
};

// Longest picture taken from a device.
inline constexpr std::size_t kMaxPictureBytes = 16 * 1024 * 1024;
// Longest line read from a stream.
inline constexpr std::size_t kMaxLineLength = 128000;

// The first part of the "multipart/x-mixed-replace" stream at `path`, which
// must be of type "image/jpeg".
FetchResult fetchStreamFrame(const FetchTarget& target, const std::string& path);
// A single picture.
FetchResult fetchSnapshot(const FetchTarget& target, const std::string& path);

// The boundary of a Content-Type value: the text after "=" in the text after
// ";", with "--" put in front unless it is there already.
std::string boundaryOf(std::string_view contentType);

// The resolution suffix for an Axis stream ("?resolution=WxH" of the largest
// resolution the camera lists); empty for the model that takes none and on
// any failure.
std::string axisResolution(const FetchTarget& target);
// The picking of the largest entry from a "WxH,WxH,..." list.
std::optional<std::string> largestResolution(std::string_view list);

// Reads the first part of a stream's body: lines up to the boundary line,
// the part's header, then its bytes (by Content-Length, else up to the next
// `boundary`). False unless the part is a JPEG within kMaxPictureBytes.
// Raises NetError subclasses when the body ends or breaks.
bool readStreamPart(platform::BufferedReader& body, const std::string& boundary, std::string& jpeg);

// A decimal port number 1..65535 from text.
std::optional<std::uint16_t> parsePort(std::string_view text);

}  // namespace oculon::devices
