#include "video/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "support/ChildProcess.h"

using namespace oculon::video;
using oculon::testsupport::TempDir;

namespace {

// Colour ramps in both directions, so chroma subsampling and scaling show.
Image gradient(int width, int height, PixelFormat format) {
    Image image;
    image.reshape(width, height, format);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x) {
            const auto r = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
            const auto g = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
            const auto b = static_cast<std::uint8_t>((r + g) / 2);
            if (format == PixelFormat::Rgb24) {
                p[0] = r, p[1] = g, p[2] = b;
                p += 3;
            } else {
                p[0] = b, p[1] = g, p[2] = r, p[3] = 0xFF;
                p += 4;
            }
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

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// djpeg's PPM output as an Rgb24 image.
Image fromPpm(const std::string& ppm) {
    std::istringstream in(ppm);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    Image image;
    if (magic != "P6" || width <= 0 || height <= 0) return image;
    image.reshape(width, height, PixelFormat::Rgb24);
    for (int y = 0; y < height; ++y) in.read(reinterpret_cast<char*>(image.row(y)), width * 3);
    return image;
}

bool samePixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (channel(a, x, y, c) != channel(b, x, y, c)) return false;
    return true;
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
                DecodeOptions options;
                options.format = target;
                options.fast = fast;
                const Image decoded = decodeJpeg(jpeg, options);
                ASSERT_EQ(decoded.width, 321);
                ASSERT_EQ(decoded.height, 243);
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

TEST(Jpeg, ScalesWhileDecodingAndReadsSizeFromHeader) {
    const auto jpeg = encodedGradient(333, 201);
    const JpegInfo info = readJpegInfo(jpeg);
    EXPECT_EQ(info.width, 333);
    EXPECT_EQ(info.height, 201);
    EXPECT_EQ(info.components, 3);
    const Image full = decodeJpeg(jpeg);
    for (const auto& [denom, w, h] : {std::tuple{2, 167, 101}, {4, 84, 51}, {8, 42, 26}}) {
        DecodeOptions options;
        options.scaleDenom = denom;
        const Image small = decodeJpeg(jpeg, options);
        EXPECT_EQ(small.width, w);
        EXPECT_EQ(small.height, h);
        // the middle of the ramp keeps its colour
        EXPECT_NEAR(channel(small, w / 2, h / 2, 0), channel(full, 166, 100, 0), 6);
    }
    EXPECT_EQ(scaleDenomFor(640, 480, 128, 128), 2);
    EXPECT_EQ(scaleDenomFor(2048, 1536, 128, 128), 8);
    EXPECT_EQ(scaleDenomFor(100, 100, 128, 128), 1);
    DecodeOptions bad;
    bad.scaleDenom = 3;
    EXPECT_THROW(JpegDecoder{bad}, std::invalid_argument);
}

TEST(Jpeg, CorruptTruncatedAndOversizedPicturesRaise) {
    const auto jpeg = encodedGradient();
    JpegDecoder decoder;
    Image out;
    auto decodePrefix = [&](std::size_t size) { decoder.decode(std::span(jpeg.data(), size), out); };
    EXPECT_THROW(decodePrefix(0), JpegError);
    EXPECT_THROW(decodePrefix(jpeg.size() / 2), JpegError);
    EXPECT_THROW(decodePrefix(jpeg.size() * 9 / 10), JpegError);
    EXPECT_THROW(decodePrefix(700), JpegError);  // headers, but the picture is missing
    EXPECT_THROW(decoder.readInfo(std::span(jpeg.data(), 100)), JpegError);
    // only the end marker missing: the picture is whole
    EXPECT_NO_THROW(decodePrefix(jpeg.size() - 2));

    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(4096);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    EXPECT_THROW(decoder.decode(noise, out), JpegError);
    // damage inside the picture data: an error or a picture with warnings,
    // never a crash
    for (std::size_t at = 1000; at < jpeg.size(); at += 997) {
        auto damaged = jpeg;
        for (std::size_t i = at; i < std::min(at + 40, damaged.size() - 2); ++i)
            damaged[i] = static_cast<std::uint8_t>(random());
        try {
            decoder.decode(damaged, out);
        } catch (const JpegError&) {}
    }

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
    writeFile(ours, encodeJpeg(viewOf(gradient(320, 240, PixelFormat::Bgrx32)), 90, "User: tester, Comment: door"));
    EXPECT_EQ(
        run("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 " + ours),
        "mjpeg,320,240\n");
    EXPECT_EQ(run("rdjpgcom " + ours), "User: tester, Comment: door\n");

    // a progressive file from another encoder, decoded by us and by djpeg with
    // the same settings, gives the same pixels
    const std::string ppm = dir.path() + "/source.ppm";
    const Image source = gradient(250, 170, PixelFormat::Rgb24);
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n250 170\n255\n";
        for (int y = 0; y < 170; ++y) out.write(reinterpret_cast<const char*>(source.row(y)), 250 * 3);
    }
    const std::string theirs = dir.path() + "/theirs.jpg";
    ASSERT_EQ(std::system(("cjpeg -quality 85 -progressive -outfile " + theirs + " " + ppm).c_str()), 0);
    std::ifstream in(theirs, std::ios::binary);
    const std::vector<std::uint8_t> jpeg{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(readJpegInfo(jpeg).progressive);

    struct Case {
        const char* djpegOptions;
        DecodeOptions options;
    };
    const Case cases[] = {
        {"", {PixelFormat::Rgb24}},
        {"-dct fast -nosmooth", {PixelFormat::Bgrx32, true}},
        {"-scale 1/4", {PixelFormat::Rgb24, false, 4}},
    };
    for (const Case& c : cases) {
        for (const std::string& file : {theirs, ours}) {
            std::ifstream f(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
            const Image reference = fromPpm(run("djpeg -pnm " + std::string(c.djpegOptions) + " " + file));
            const Image decoded = decodeJpeg(bytes, c.options);
            EXPECT_EQ(decoded.width, reference.width) << c.djpegOptions;
            EXPECT_EQ(decoded.height, reference.height) << c.djpegOptions;
            EXPECT_TRUE(samePixels(decoded, reference)) << c.djpegOptions << " " << file;
        }
    }
}
