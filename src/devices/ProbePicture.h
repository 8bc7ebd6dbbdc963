#pragma once
// Fetching a device's probe picture: one frame of its MJPEG stream, asked
// for with a few plain request lines and read like the live stream, or a
// single snapshot over HTTP for the types that serve one (where the HTTP
// client answers Digest challenges too), and the Axis resolution query.

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
// Longest status or header line of a stream answer.
inline constexpr std::size_t kMaxLineLength = 128000;
inline constexpr std::size_t kMaxHeaderLines = 100;

// The first picture of the "multipart/x-mixed-replace" stream at `path`. The
// whole answer up to it must come within the target's time-out.
FetchResult fetchStreamFrame(const FetchTarget& target, const std::string& path);
// A single picture.
FetchResult fetchSnapshot(const FetchTarget& target, const std::string& path);

// The probe's request: "GET path HTTP/1.1", "Host: " and the host, the Basic
// line when credentials are to go and there are any, an empty line.
std::string streamFrameRequest(const FetchTarget& target, const std::string& path);
// Reads a stream answer from its status line on, up to its first picture.
// Raises NetError subclasses and MultipartError when the answer breaks off
// or breaks a limit.
FetchResult readStreamAnswer(platform::BufferedReader& answer);

// The resolution suffix for an Axis stream ("?resolution=WxH" of the largest
// resolution the camera lists); empty for the model that takes none and on
// any failure.
std::string axisResolution(const FetchTarget& target);
// The picking of the largest entry from a "WxH,WxH,..." list.
std::optional<std::string> largestResolution(std::string_view list);

// A decimal port number 1..65535 from text.
std::optional<std::uint16_t> parsePort(std::string_view text);

}  // namespace oculon::devices
