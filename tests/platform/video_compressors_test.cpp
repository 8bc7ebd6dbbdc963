// The installed video compressors against libavcodec's decoders: every
// compressor that takes a 320x200 24-bit picture compresses a few frames that
// decode back close to the pictures given, in the rows' order.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "platform/LibavHandles.h"
#include "platform/VideoEncoderSession.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

using namespace oculon::platform;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

AVPixelFormat pixelFormatOf(BitmapLayout layout) {
    switch (layout) {
        case BitmapLayout::gray8: return AV_PIX_FMT_GRAY8;
        case BitmapLayout::rgb555: return AV_PIX_FMT_RGB555LE;
        case BitmapLayout::rgb565: return AV_PIX_FMT_RGB565LE;
        case BitmapLayout::bgr24: return AV_PIX_FMT_BGR24;
        case BitmapLayout::bgrx32: return AV_PIX_FMT_BGR0;
    }
    return AV_PIX_FMT_NONE;
}

// A bitmap as writers hand it over: rows padded to 4 bytes, bottom-up.
struct Bitmap {
    BitmapFormat format;
    std::ptrdiff_t step;
    std::vector<std::uint8_t> bytes;

    Bitmap(BitmapFormat f, int frame) : format(f), step((f.width * bytesPerPixel(f.layout) + 3) & ~3) {
        // Smooth shapes that move a little from frame to frame, made in BGR24
        // and converted to the layout, top row first.
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(f.width) * f.height * 3);
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                auto* p = &bgr[(static_cast<std::size_t>(y) * f.width + x) * 3];
                const double dx = x - f.width / 2.0 - 4 * frame, dy = y - f.height / 2.0;
                p[0] = static_cast<std::uint8_t>(40 + 180.0 * x / f.width);
                p[1] = static_cast<std::uint8_t>(30 + 190.0 * y / f.height);
                p[2] = static_cast<std::uint8_t>(dx * dx + dy * dy < 2500 ? 220 : 60);
            }
        bytes.resize(static_cast<std::size_t>(step) * f.height);
        libav::Scaler scaler(sws_getContext(f.width, f.height, AV_PIX_FMT_BGR24, f.width, f.height,
                                            pixelFormatOf(f.layout), SWS_POINT, nullptr, nullptr, nullptr));
        const std::uint8_t* src[4] = {bgr.data()};
        const int srcStride[4] = {f.width * 3};
        std::uint8_t* dst[4] = {bytes.data() + (f.bottomUp ? (f.height - 1) * step : 0)};
        const int dstStride[4] = {static_cast<int>(f.bottomUp ? -step : step)};
        sws_scale(scaler.get(), src, srcStride, 0, f.height, dst, dstStride);
    }
    const std::uint8_t* row(int fromTop) const {
        return bytes.data() + (format.bottomUp ? format.height - 1 - fromTop : fromTop) * step;
    }
};

// libavcodec's decoder for a session's stream, giving pictures in a layout.
class Decoder {
public:
    explicit Decoder(const VideoEncoderSession& session) {
        libav::CodecParameters parameters(avcodec_parameters_alloc());
        session.copyStreamParameters(*parameters);
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        EXPECT_NE(codec, nullptr);
        if (!codec) return;
        context_.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(context_.get(), parameters.get());
        EXPECT_EQ(avcodec_open2(context_.get(), codec, nullptr), 0);
    }
    // The decoded picture in `layout`, top row first, rows without padding.
    std::vector<std::uint8_t> decode(const CompressedFrame& compressed, const BitmapFormat& format) {
        libav::Packet packet(av_packet_alloc());
        av_new_packet(packet.get(), static_cast<int>(compressed.bytes.size()));
        std::copy(compressed.bytes.begin(), compressed.bytes.end(), packet->data);
        libav::Frame frame(av_frame_alloc());
        if (!context_ || avcodec_send_packet(context_.get(), packet.get()) < 0 ||
            avcodec_receive_frame(context_.get(), frame.get()) < 0)
            return {};
        const int rowBytes = format.width * bytesPerPixel(format.layout);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(rowBytes) * format.height);
        libav::Scaler scaler(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                            format.width, format.height, pixelFormatOf(format.layout), SWS_POINT,
                                            nullptr, nullptr, nullptr));
        std::uint8_t* dst[4] = {out.data()};
        const int dstStride[4] = {rowBytes};
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        return out;
    }

private:
    libav::CodecContext context_;
};

// Peak signal-to-noise ratio over the bytes of the rows, top row first.
double psnr(const Bitmap& original, const std::vector<std::uint8_t>& decoded) {
    const int rowBytes = original.format.width * bytesPerPixel(original.format.layout);
    if (decoded.size() != static_cast<std::size_t>(rowBytes) * original.format.height) return 0;
    // The fourth byte of 32-bit pixels is unused.
    const bool skipFourth = original.format.layout == BitmapLayout::bgrx32;
    double sum = 0;
    for (int y = 0; y < original.format.height; ++y)
        for (int i = 0; i < rowBytes; ++i) {
            if (skipFourth && i % 4 == 3) continue;
            const double d = original.row(y)[i] - decoded[static_cast<std::size_t>(y) * rowBytes + i];
            sum += d * d;
        }
    const double mse = sum / decoded.size();
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Compresses `frames` pictures and returns the lowest PSNR of the decoded ones.
double worstRoundTrip(const std::string& code, const VideoEncoderSettings& settings, int frames,
                      std::vector<bool>* keyFrames = nullptr) {
    std::string error;
    auto session = VideoEncoderSession::open(code, settings, error);
    EXPECT_NE(session, nullptr) << code << ": " << error;
    if (!session) return 0;
    Decoder decoder(*session);
    double worst = 99;
    for (int i = 0; i < frames; ++i) {
        const Bitmap bitmap(settings.format, i);
        auto compressed = session->compress(bitmap.bytes.data(), bitmap.step);
        EXPECT_TRUE(compressed && !compressed->bytes.empty()) << code << " frame " << i << session->lastError();
        if (!compressed) return 0;
        if (keyFrames) keyFrames->push_back(compressed->keyFrame);
        worst = std::min(worst, psnr(bitmap, decoder.decode(*compressed, settings.format)));
    }
    return worst;
}

BitmapFormat picture(BitmapLayout layout = BitmapLayout::bgr24) { return {kWidth, kHeight, layout, true}; }

bool hasEncoder(const char* name) { return avcodec_find_encoder_by_name(name) != nullptr; }

}  // namespace

TEST(VideoCompressors, ListsOneEntryPerCodeWithTheCommonOnesAmongThem) {
    std::set<std::string> codes;
    for (const auto& c : installedVideoCompressors()) {
        EXPECT_EQ(c.code.size(), 4u);
        EXPECT_EQ(fourccFromCode(c.code), fourccFromCode(codeFromFourcc(c.streamTag))) << c.code;
        EXPECT_FALSE(c.description.empty());
        EXPECT_FALSE(c.encoders.empty());
        EXPECT_TRUE(codes.insert(c.code).second) << c.code << " twice";
    }
    for (const char* code : {"MJPG", "CVID", "FMP4"}) EXPECT_TRUE(codes.count(code)) << code;
    EXPECT_EQ(codes.count("XVID"), hasEncoder("libxvid") ? 1u : 0u);
    EXPECT_EQ(codes.count("H264"), hasEncoder("libx264") ? 1u : 0u);
    // Cinepak streams keep the spelling that players look for.
    EXPECT_EQ(codeFromFourcc(findVideoCompressor("cvid")->streamTag), "cvid");
    EXPECT_EQ(findVideoCompressor("mjpg"), findVideoCompressor("MJPG"));
    EXPECT_EQ(findVideoCompressor("QQQQ"), nullptr);
    EXPECT_EQ(codeFromFourcc(fourccFromCode("dpx")), "DPX ");
    EXPECT_EQ(fourccFromCode("mjpgX"), fourccFromCode("MJPG"));
}

TEST(VideoCompressors, TheQueryCompressesRatherThanGuesses) {
    // H.261 knows only two picture sizes.
    const auto* h261 = findVideoCompressor("H261");
    if (!h261) GTEST_SKIP() << "no H.261 encoder";
    EXPECT_FALSE(videoCompressorAccepts(*h261, picture()));
    EXPECT_TRUE(videoCompressorAccepts(*h261, {352, 288, BitmapLayout::bgr24, true}));
    EXPECT_FALSE(videoCompressorAccepts(*findVideoCompressor("MJPG"), {0, 200, BitmapLayout::bgr24, true}));
}

TEST(VideoCompressors, EveryAcceptingCompressorRoundTripsThroughItsDecoder) {
    int accepted = 0;
    for (const auto& c : installedVideoCompressors()) {
        if (!videoCompressorAccepts(c, picture())) continue;
        ++accepted;
        VideoEncoderSettings settings;
        settings.format = picture();
        settings.keyFrameInterval = 2;
        // Vector quantisers and 15-bit codecs lose most; the rest keep far more.
        EXPECT_GT(worstRoundTrip(c.code, settings, 3), 24.0) << c.code << " (" << c.description << ")";
    }
    EXPECT_GE(accepted, 4);
}

TEST(VideoCompressors, EveryLayoutAndRowOrderReachesTheEncoderExactly) {
    // A lossless compressor shows any slip of the conversion or of the row order.
    for (auto layout :
         {BitmapLayout::gray8, BitmapLayout::rgb555, BitmapLayout::rgb565, BitmapLayout::bgr24, BitmapLayout::bgrx32})
        for (bool bottomUp : {true, false}) {
            VideoEncoderSettings settings;
            settings.format = {kWidth, kHeight, layout, bottomUp};
            EXPECT_EQ(worstRoundTrip("FFV1", settings, 2), 99) << static_cast<int>(layout) << " " << bottomUp;
        }
}

TEST(VideoCompressors, KeyFramesFollowTheIntervalAndQualityTheSetting) {
    VideoEncoderSettings settings;
    settings.format = picture();
    settings.keyFrameInterval = 3;
    std::vector<bool> keys;
    worstRoundTrip("FMP4", settings, 7, &keys);
    EXPECT_EQ(keys, (std::vector<bool>{true, false, false, true, false, false, true}));
    keys.clear();
    settings.keyFrameInterval = 0;
    worstRoundTrip("MJPG", settings, 2, &keys);
    EXPECT_EQ(keys, (std::vector<bool>{true, true}));

    std::string error;
    auto sizeAt = [&](std::uint32_t quality) {
        settings.quality = quality;
        auto session = VideoEncoderSession::open("MJPG", settings, error);
        const Bitmap bitmap(settings.format, 0);
        return session->compress(bitmap.bytes.data(), bitmap.step)->bytes.size();
    };
    EXPECT_GT(sizeAt(10000), 2 * sizeAt(0));
}

TEST(VideoCompressors, SessionsRefuseWhatTheyCannotTake) {
    VideoEncoderSettings settings;
    settings.format = picture();
    std::string error;
    EXPECT_EQ(VideoEncoderSession::open("QQQQ", settings, error), nullptr);
    EXPECT_EQ(error, "no compressor QQQQ is installed");
    settings.rate = 0;
    EXPECT_EQ(VideoEncoderSession::open("MJPG", settings, error), nullptr);
    EXPECT_EQ(error, "frame rate out of range");
    settings.rate = 25;
    auto session = VideoEncoderSession::open("MJPG", settings, error);
    ASSERT_NE(session, nullptr) << error;
    const Bitmap bitmap(settings.format, 0);
    EXPECT_FALSE(session->compress(bitmap.bytes.data(), kWidth * 3 - 1));
    EXPECT_EQ(session->lastError(), "rows do not fit the picture");
    EXPECT_FALSE(session->compress(nullptr, bitmap.step));
    EXPECT_TRUE(session->compress(bitmap.bytes.data(), bitmap.step));
}
