#include "player/Preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "platform/UniqueFd.h"
#include "video/MJPEGFile.h"

namespace oculon::player {

std::vector<std::uint8_t> readPictureFile(const std::string& path) {
    const platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) throw std::system_error(errno, std::generic_category(), path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw std::system_error(errno, std::generic_category(), path);
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxPictureFileSize) {
        throw std::runtime_error(path + ": not a picture file");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::system_error(errno, std::generic_category(), path);
        if (n == 0) break;  // shrank meanwhile
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

video::Image loadPreviewPicture(const std::string& path, bool isVideo, int width) {
    std::vector<std::uint8_t> jpeg;
    if (isVideo) {
        video::TMJPEGFile recording(path, video::TMJPEGFile::kRead);
        recording.getPreview(jpeg);
    } else {
        jpeg = readPictureFile(path);
    }
    video::JpegDecoder decoder;
    const video::JpegInfo info = decoder.readInfo(jpeg);
    // Height does not limit the scale: the preview shows the full width.
    video::DecodeOptions options;
    options.scaleDenom = video::scaleDenomFor(info.width, info.height, width, 1);
    decoder.setOptions(options);
    video::Image picture;
    decoder.decode(jpeg, picture);
    return picture;
}

PreviewLayout previewLayout(int pictureWidth, int pictureHeight, int size, int playWidth, int playHeight) {
    PreviewLayout layout;
    if (pictureWidth <= 0 || pictureHeight <= 0) return layout;
    const double height = static_cast<double>(pictureHeight) * size / pictureWidth;
    layout.picture = {0, 0, size, static_cast<int>(std::lround(height))};
    layout.playLeft = static_cast<int>(std::trunc((size - playWidth) / 2.0));
    // A tall picture runs past the square: centre the symbol on what shows.
    layout.playTop = static_cast<int>(std::trunc((std::min<double>(height, size) - playHeight) / 2.0));
    return layout;
}

Rect fitCentred(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
    // Cross-multiplied: picture aspect <= area aspect, without rounding.
    if (static_cast<long long>(pictureWidth) * areaHeight <= static_cast<long long>(areaWidth) * pictureHeight) {
        const int width = static_cast<int>(static_cast<long long>(areaHeight) * pictureWidth / pictureHeight);
        return {(areaWidth - width) / 2, 0, width, areaHeight};
    }
    const int height = static_cast<int>(static_cast<long long>(areaWidth) * pictureHeight / pictureWidth);
    return {0, (areaHeight - height) / 2, areaWidth, height};
}

std::string previewCaption(const std::string& fileName) {
    // "YYYY-MM-DD_hh-mm-ss_": digits, with '-' and '_' in their places.
    constexpr std::string_view pattern = "0000-00-00_00-00-00_";
    if (fileName.size() < pattern.size()) return fileName;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = fileName[i];
        if (pattern[i] == '0' ? (c < '0' || c > '9') : c != pattern[i]) return fileName;
    }
    return fileName.substr(0, 10) + '\n' + fileName.substr(11, 8) + '\n' + fileName.substr(pattern.size());
}

}  // namespace oculon::player
