#include "platform/VideoCompressors.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/LibavHandles.h"
#include "platform/VideoEncoderSession.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace oculon::platform {

int bytesPerPixel(BitmapLayout layout) {
    switch (layout) {
        case BitmapLayout::gray8: return 1;
        case BitmapLayout::rgb555:
        case BitmapLayout::rgb565: return 2;
        case BitmapLayout::bgr24: return 3;
        case BitmapLayout::bgrx32: return 4;
    }
    return 3;
}

std::uint32_t fourccFromCode(std::string_view code) {
    std::uint32_t fourcc = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = i < static_cast<int>(code.size()) ? static_cast<unsigned char>(code[i]) : ' ';
        fourcc |= static_cast<std::uint32_t>(std::toupper(c)) << (8 * i);
    }
    return fourcc;
}

std::string codeFromFourcc(std::uint32_t fourcc) {
    std::string code(4, ' ');
    for (int i = 0; i < 4; ++i) code[i] = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
    return code;
}

namespace {

// Encoders of a format that already has a code of its own in AVI files, and
// that players tell apart by it.
std::uint32_t ownStreamTag(std::string_view encoder) {
    if (encoder == "libxvid") return fourccFromCode("XVID");
    return 0;
}

std::vector<VideoCompressorInfo> listCompressors() {
    libav::routeLogOnce();
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    std::vector<VideoCompressorInfo> list;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO || !codec->pix_fmts) continue;
        if (codec->capabilities & (AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_HYBRID | AV_CODEC_CAP_EXPERIMENTAL)) continue;
        // What the libraries could not read back, the player could not show.
        if (!avcodec_find_decoder(codec->id)) continue;
        std::uint32_t tag = ownStreamTag(codec->name);
        if (!tag) tag = av_codec_get_tag(tables, codec->id);
        if (!tag) continue;
        const std::string code = codeFromFourcc(fourccFromCode(codeFromFourcc(tag)));
        auto known = std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.code == code; });
        if (known == list.end()) {
            list.push_back({code, codec->long_name ? codec->long_name : codec->name, tag, {}});
            known = list.end() - 1;
        }
        known->encoders.emplace_back(codec->name);
    }
    // The common ones first, so that a list that hands out the first code
    // unused starts with a compressor every player knows; MJPG leads, as it
    // is fast and plays anywhere.
    constexpr std::string_view common[] = {"MJPG", "CVID", "XVID", "FMP4", "H264"};
    auto rank = [&](const VideoCompressorInfo& c) {
        return std::find(std::begin(common), std::end(common), c.code) - std::begin(common);
    };
    std::stable_sort(list.begin(), list.end(), [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    return list;
}

struct AcceptCache {
    std::mutex mutex;
    std::map<std::tuple<std::string, int, int, BitmapLayout, bool>, bool> answers;
};

AcceptCache& acceptCache() {
    static AcceptCache cache;
    return cache;
}

// Opens the encoder for `format` and compresses a key frame and one after it.
bool compressesFrameForFrame(const VideoCompressorInfo& compressor, const std::string& encoder,
                             const BitmapFormat& format) {
    VideoEncoderSettings settings;
    settings.format = format;
    settings.keyFrameInterval = 12;
    std::string error;
    auto session = VideoEncoderSession::openEncoder(compressor, encoder, settings, error);
    if (!session) return false;
    const std::ptrdiff_t step = ((static_cast<std::ptrdiff_t>(format.width) * bytesPerPixel(format.layout)) + 3) & ~3;
    const std::vector<std::uint8_t> black(static_cast<std::size_t>(step) * static_cast<std::size_t>(format.height));
    for (int i = 0; i < 2; ++i) {
        auto frame = session->compress(black.data(), step);
        if (!frame || frame->bytes.empty()) return false;
    }
    return true;
}

}  // namespace

const std::vector<VideoCompressorInfo>& installedVideoCompressors() {
    static const std::vector<VideoCompressorInfo> list = listCompressors();
    return list;
}

const VideoCompressorInfo* findVideoCompressor(std::string_view code) {
    const std::uint32_t wanted = fourccFromCode(code);
    for (const auto& c : installedVideoCompressors())
        if (fourccFromCode(c.code) == wanted) return &c;
    return nullptr;
}

bool videoEncoderAccepts(const VideoCompressorInfo& compressor, const std::string& encoder,
                         const BitmapFormat& format) {
    if (format.width < 1 || format.height < 1) return false;
    auto& cache = acceptCache();
    const auto key = std::make_tuple(encoder, format.width, format.height, format.layout, format.bottomUp);
    {
        std::lock_guard lock(cache.mutex);
        if (auto it = cache.answers.find(key); it != cache.answers.end()) return it->second;
    }
    // Tried outside the lock: a slow encoder must not hold up questions about others.
    const bool accepts = compressesFrameForFrame(compressor, encoder, format);
    std::lock_guard lock(cache.mutex);
    cache.answers.emplace(key, accepts);
    return accepts;
}

bool videoCompressorAccepts(const VideoCompressorInfo& compressor, const BitmapFormat& format) {
    return std::any_of(compressor.encoders.begin(), compressor.encoders.end(),
                       [&](const std::string& e) { return videoEncoderAccepts(compressor, e, format); });
}

}  // namespace oculon::platform
