// The JPEG layer on libjpeg: both pixel layouts there and back, the size
// from the header and the scale for a wanted size or one chosen from the
// headers, damaged and oversized pictures raised as errors, and the same
// pixels as djpeg for pictures of ours and of another encoder; 4:2:0
// pictures straight into their planes.

#include "video/Jpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <tuple>

#include "support/ChildProcess.h"

using namespace oculon::video;
using oculon::testsupport::TempDir;

namespace {

// Colour ramps in both directions, so chroma subsampling and scaling show.
Image gradient(int width, int height, PixelFormat format) {
    Image image;
    image.reshape(width, height, format);
    const bool rgb = format == PixelFormat::Rgb24;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += rgb ? 3 : 4) {
            const auto r = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
            const auto g = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
            const auto b = static_cast<std::uint8_t>((r + g) / 2);
            p[0] = rgb ? r : b, p[1] = g, p[2] = rgb ? b : r;
            if (!rgb) p[3] = 0xFF;
        }
    }
    return image;
}

std::uint8_t channel(const Image& image, int x, int y, int rgbIndex) {
    const std::uint8_t* p = image.row(y) + x * bytesPerPixel(image.format);
    return image.format == PixelFormat::Rgb24 ? p[rgbIndex] : p[2 - rgbIndex];
}

double meanError(const Image& a, const Image& b) {
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(channel(a, x, y, c) - channel(b, x, y, c));
    return sum / (3.0 * a.width * a.height);
}

std::string run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[65536];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An Rgb24 picture as the PPM djpeg writes.
std::string asPpm(const Image& image) {
    std::string ppm = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    for (int y = 0; y < image.height; ++y) ppm.append(reinterpret_cast<const char*>(image.row(y)), image.width * 3);
    return ppm;
}

std::vector<std::uint8_t> encodedGradient(int width = 320, int height = 240) {
    return encodeJpeg(viewOf(gradient(width, height, PixelFormat::Bgrx32)), 90);
}

}  // namespace

TEST(Jpeg, EncodeDecodeRoundTripInBothLayouts) {
    for (const PixelFormat source : {PixelFormat::Bgrx32, PixelFormat::Rgb24}) {
        const Image original = gradient(321, 243, source);
        const auto jpeg = encodeJpeg(viewOf(original), 90, "User: tester");
        const std::string text(jpeg.begin(), jpeg.end());
        EXPECT_NE(text.find("\xFF\xFE" + std::string("\x00\x0EUser: tester", 14)), std::string::npos);
        for (const PixelFormat target : {PixelFormat::Bgrx32, PixelFormat::Rgb24}) {
            for (const bool fast : {false, true}) {
                const Image decoded = decodeJpeg(jpeg, {target, fast});
                ASSERT_EQ(std::pair(decoded.width, decoded.height), std::pair(321, 243));
                EXPECT_EQ(decoded.stride % 4, 0u);
                EXPECT_LT(meanError(original, decoded), fast ? 3.0 : 2.0);
                if (target == PixelFormat::Bgrx32) {
                    EXPECT_EQ(decoded.row(100)[7], 0xFF);
                }
            }
        }
    }
    EXPECT_THROW(encodeJpeg(ImageView{}, 90), std::invalid_argument);
    EXPECT_THROW(encodeJpeg(viewOf(gradient(8, 8, PixelFormat::Rgb24)), 0), std::invalid_argument);
}

TEST(Jpeg, SizeFromTheHeaderAndTheScaleForAWantedSize) {
    const JpegInfo info = readJpegInfo(encodedGradient(333, 201));
    EXPECT_EQ(std::tuple(info.width, info.height, info.components), std::tuple(333, 201, 3));
    EXPECT_EQ(std::tuple(scaleDenomFor(640, 480, 128, 128), scaleDenomFor(2048, 1536, 128, 128),
                         scaleDenomFor(100, 100, 128, 128)),
              std::tuple(2, 8, 1));
    DecodeOptions bad;
    bad.scaleDenom = 3;
    EXPECT_THROW(JpegDecoder{bad}, std::invalid_argument);
}

TEST(Jpeg, TheScaleChosenFromTheHeadersHoldsForThatPictureOnly) {
    const auto jpeg = encodedGradient(333, 201);
    JpegDecoder chosen({PixelFormat::Bgrx32, true});
    JpegDecoder fixed({PixelFormat::Bgrx32, true, 4});
    Image out;
    Image want;
    JpegInfo seen;
    chosen.decode(jpeg, out, [&](const JpegInfo& info) {
        seen = info;
        return 4;
    });
    fixed.decode(jpeg, want);
    EXPECT_EQ(std::tuple(seen.width, seen.height, out.width, out.height), std::tuple(333, 201, 84, 51));
    EXPECT_EQ(out.pixels, want.pixels);
    chosen.decode(jpeg, out);  // the options' scale again
    EXPECT_EQ(out.width, 333);
    // A scale the library has not, or a choice that fails, decodes nothing,
    // and the decoder goes on.
    EXPECT_THROW(chosen.decode(jpeg, out, [](const JpegInfo&) { return 3; }), std::invalid_argument);
    EXPECT_THROW(chosen.decode(jpeg, out, [](const JpegInfo&) -> int { throw std::runtime_error("no"); }),
                 std::runtime_error);
    EXPECT_EQ(out.width, 333);
    chosen.decode(jpeg, out, [](const JpegInfo&) { return 2; });
    EXPECT_EQ(out.width, 167);
}

TEST(Jpeg, CorruptTruncatedAndOversizedPicturesRaise) {
    const auto jpeg = encodedGradient();
    JpegDecoder decoder;
    Image out;
    auto decodePrefix = [&](std::size_t size) { decoder.decode(std::span(jpeg.data(), size), out); };
    for (const std::size_t size : {std::size_t{0}, jpeg.size() / 2, jpeg.size() * 9 / 10, std::size_t{700}})
        EXPECT_THROW(decodePrefix(size), JpegError) << size;  // 700: headers, but the picture is missing
    EXPECT_THROW(decoder.readInfo(std::span(jpeg.data(), 100)), JpegError);
    EXPECT_NO_THROW(decodePrefix(jpeg.size() - 2));  // only the end marker missing: the picture is whole
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(4096);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    EXPECT_THROW(decoder.decode(noise, out), JpegError);

    // a header announcing 60000 x 60000 pixels is refused before decoding
    auto huge = jpeg;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xEA, huge[i + 6] = 0x60, huge[i + 7] = 0xEA, huge[i + 8] = 0x60;
            break;
        }
    }
    EXPECT_EQ(decoder.readInfo(huge).width, 60000);
    try {
        decoder.decode(huge, out);
        ADD_FAILURE() << "oversized picture decoded";
    } catch (const JpegError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos);
    }
    // the decoder is usable again after every failure
    decoder.decode(jpeg, out);
    EXPECT_EQ(out.width, 320);
    EXPECT_EQ(decoder.warnings(), 0);
}

TEST(Jpeg, AgreesWithDjpegAndSnapshotsReadBackByOtherTools) {
    TempDir dir;
    const std::string ours = dir.path() + "/snapshot.jpg";
    const auto snapshot =
        encodeJpeg(viewOf(gradient(320, 240, PixelFormat::Bgrx32)), 90, "User: tester, Comment: door");
    std::ofstream(ours, std::ios::binary).write(reinterpret_cast<const char*>(snapshot.data()), snapshot.size());
    EXPECT_EQ(
        run("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 " + ours),
        "mjpeg,320,240\n");
    EXPECT_EQ(run("rdjpgcom " + ours), "User: tester, Comment: door\n");

    // a progressive file from another encoder, decoded by us and by djpeg with
    // the same settings, gives the same pixels; so does ours
    const std::string theirs = dir.path() + "/theirs.jpg";
    std::ofstream(dir.path() + "/source.ppm", std::ios::binary) << asPpm(gradient(250, 170, PixelFormat::Rgb24));
    ASSERT_EQ(
        std::system(("cjpeg -quality 85 -progressive -outfile " + theirs + " " + dir.path() + "/source.ppm").c_str()),
        0);
    EXPECT_TRUE(readJpegInfo(readBytes(theirs)).progressive);
    const std::pair<const char*, DecodeOptions> cases[] = {
        {"", {PixelFormat::Rgb24}},
        {"-dct fast -nosmooth", {PixelFormat::Rgb24, true}},
        {"-scale 1/4", {PixelFormat::Rgb24, false, 4}},
    };
    for (const auto& [djpegOptions, options] : cases) {
        for (const std::string& file : {theirs, ours}) {
            const bool same = asPpm(decodeJpeg(readBytes(file), options)) ==
                              run("djpeg -pnm " + std::string(djpegOptions) + " " + file);
            EXPECT_TRUE(same) << djpegOptions << " " << file;
        }
    }
}

// A 4:2:0 picture decoded straight into its planes gives, through the JPEG
// colour equations with each chroma sample repeated, the pixels of the fast
// decode (whose upsampling repeats them too), also at a size that ends
// inside the library's blocks; a 4:2:2 one (of another encoder, odd height)
// differs from it only by the mean of each pair of chroma rows. 4:4:4, and
// planes too narrow for whole blocks, are declined untouched.
TEST(Jpeg, FourTwoZeroAndTwoPicturesDecodeStraightIntoTheirPlanes) {
    TempDir dir;
    std::ofstream(dir.path() + "/source.ppm", std::ios::binary) << asPpm(gradient(64, 47, PixelFormat::Rgb24));
    const auto sampled = [&](const std::string& sampling) {
        const std::string file = dir.path() + "/" + sampling + ".jpg";
        const std::string command =
            "cjpeg -sample " + sampling + " -outfile " + file + " " + dir.path() + "/source.ppm";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return readBytes(file);
    };
    JpegDecoder decoder({PixelFormat::Bgrx32, true});
    const std::tuple<std::vector<std::uint8_t>, int, int, int> cases[] = {
        {encodedGradient(320, 240), 320, 240, 1}, {encodedGradient(90, 70), 90, 70, 1}, {sampled("2x1"), 64, 47, 4}};
    for (const auto& [jpeg, w, h, tolerance] : cases) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const int step[3] = {(w + 15) / 16 * 16, (w + 15) / 16 * 8, (w + 15) / 16 * 8};
        std::vector<std::uint8_t> planes[3];
        for (int k = 0; k < 3; ++k) planes[k].resize(std::size_t(step[k]) * std::size_t(k == 0 ? h : (h + 1) / 2));
        const auto target = [&, w = w, h = h](int width, int height) -> std::optional<oculon::platform::Yuv420Planes> {
            EXPECT_EQ(width * 1000 + height, w * 1000 + h);
            return oculon::platform::Yuv420Planes{planes[0].data(), step[0],          planes[1].data(),
                                                  step[1],          planes[2].data(), step[2]};
        };
        ASSERT_TRUE(decoder.decodeYCbCr420(jpeg, target));
        Image rgb;
        decoder.decode(jpeg, rgb);
        int largest = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double luma = planes[0][std::size_t(y * step[0] + x)];
                const double cb = planes[1][std::size_t(y / 2 * step[1] + x / 2)] - 128.0;
                const double cr = planes[2][std::size_t(y / 2 * step[2] + x / 2)] - 128.0;
                const double expected[3] = {luma + 1.402 * cr, luma - 0.344136 * cb - 0.714136 * cr, luma + 1.772 * cb};
                for (int c = 0; c < 3; ++c)
                    largest = std::max(largest, std::abs(int(std::lround(std::clamp(expected[c], 0.0, 255.0))) -
                                                         channel(rgb, x, y, c)));
            }
        EXPECT_LE(largest, tolerance);
        const auto narrow = [&, w = w](int, int) {
            return std::optional<oculon::platform::Yuv420Planes>{
                {planes[0].data(), w - 2, planes[1].data(), step[1], planes[2].data(), step[2]}};
        };
        EXPECT_FALSE(decoder.decodeYCbCr420(jpeg, narrow));
    }
    EXPECT_FALSE(decoder.decodeYCbCr420(sampled("1x1"), [&](int, int) {
        ADD_FAILURE() << "4:4:4 asked for planes";
        return std::optional<oculon::platform::Yuv420Planes>{};
    }));
}
