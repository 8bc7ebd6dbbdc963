// The AVI logger as the recordings export drives it, its files read back by
// ffprobe and decoded frame by frame by ffmpeg: each common compressor and
// every uncompressed depth, the compressors tried in order, two files in a
// row of different sizes, audio interleaved with the frames, the stream
// header values, the error texts, and a file finished when the logger goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>

#include "LoggerTestKit.h"
#include "media/audio/AUStreamTypes.h"
#include "media/video/VDAVIFormat.h"
#include "platform/AudioCompression.h"
#include "platform/VideoCompressors.h"

using namespace oculon::mediavideo;
using namespace oculon::mediavideo::testkit;
using namespace oculon;

namespace {

constexpr std::int32_t kDelay = 400'000;  // 25 frames per second

std::vector<IVDImageBuffer> frames(std::uint32_t width, std::uint32_t height, int count) {
    std::vector<IVDImageBuffer> out;
    for (int n = 0; n < count; ++n) out.push_back(patternFrame(width, height, n));
    return out;
}

// The frames as the logger stores them at that depth (the conversion is the
// library's own), rows one after the other; grey ones as the BGRA that their
// palette of greys gives.
std::string storedPixels(const std::vector<IVDImageBuffer>& input, TVDVideoFormat depthFormat) {
    std::string out;
    for (const auto& frame : input) {
        const IVDImageBuffer stored = TVDImageBuffer::CreateCopy(frame);
        stored->SetFormat(depthFormat);
        for (const std::uint8_t v : pixels(*stored)) {
            if (depthFormat == TVDVideoFormat::vfGrayScale) out.append({static_cast<char>(v), static_cast<char>(v)});
            out.push_back(static_cast<char>(v));
            if (depthFormat == TVDVideoFormat::vfGrayScale) out.push_back('\xFF');
        }
    }
    return out;
}

struct Depth {
    TVDColorBits bits;
    TVDVideoFormat format;  // what the frames become
    const char* decodeAs;   // the pixel format that shows the stored pixels as they are
    const char* name;
};

class UncompressedDepth : public ::testing::TestWithParam<Depth> {};

TEST_P(UncompressedDepth, IsReadBackExactly) {
    const Depth depth = GetParam();
    LoggerRig rig;
    rig.compressWith({});
    rig.logger->SetColorBits(depth.bits);
    const auto input = frames(70, 30, 4);  // rows that need padding at every depth
    const std::string path = rig.write("raw.avi", 70, 30, 666'667, input);
    EXPECT_EQ(probeVideo(path), "rawvideo,70,30,15/1,4\n");
    const std::string expected = storedPixels(input, depth.format);
    const std::string decoded = decodeVideo(path, depth.decodeAs);
    EXPECT_EQ(decoded.size(), expected.size());
    EXPECT_TRUE(decoded == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, UncompressedDepth,
    ::testing::Values(Depth{TVDColorBits::cbAuto, TVDVideoFormat::vfRGBA32, "bgra", "auto_32"},
                      Depth{TVDColorBits::cb24, TVDVideoFormat::vfRGB24, "bgr24", "rgb24"},
                      Depth{TVDColorBits::cb16_565, TVDVideoFormat::vfRGB565, "rgb565le", "rgb565"},
                      Depth{TVDColorBits::cb16_555, TVDVideoFormat::vfRGB555, "rgb555le", "rgb555"},
                      Depth{TVDColorBits::cb8, TVDVideoFormat::vfGrayScale, "bgra", "grey"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Codec {
    const char* code;
    const char* codecName;  // as ffprobe names it
    double minPsnr;
    bool interFrames;  // frames after the first may refer to the one before
};

class Compressor : public ::testing::TestWithParam<Codec> {};

// "K" or "_" for each video chunk of the file's legacy index, in order.
std::string indexedKeyFrames(const std::string& path) {
    const std::string file = testsupport::readFile(path);
    const auto idx1 = file.rfind("idx1");
    if (idx1 == std::string::npos) return "no index";
    std::string keys;
    for (std::size_t at = idx1 + 8; at + 16 <= file.size(); at += 16) {
        std::uint32_t flags = 0;
        std::memcpy(&flags, file.data() + at + 4, 4);
        if (file.compare(at, 2, "00") == 0) keys += (flags & 0x10) ? 'K' : '_';
    }
    return keys;
}

TEST_P(Compressor, WritesFramesThatDecodeCloseToTheInput) {
    const Codec codec = GetParam();
    if (!platform::findVideoCompressor(codec.code)) GTEST_SKIP() << codec.code << " is not installed";
    LoggerRig rig;
    rig.compressWith({codec.code});
    const auto input = frames(160, 120, 6);
    const std::string path = rig.write("compressed.avi", 160, 120, kDelay, input);
    EXPECT_EQ(probeVideo(path), std::string(codec.codecName) + ",160,120,25/1,6\n");
    const std::string decoded = decodeVideo(path, "bgra");
    const std::string expected = storedPixels(input, TVDVideoFormat::vfRGBA32);
    ASSERT_EQ(decoded.size(), expected.size());
    for (std::size_t n = 0; n < input.size(); ++n) {
        const std::size_t at = n * 160 * 120 * 4;
        EXPECT_GE(psnrBgr(reinterpret_cast<const std::uint8_t*>(decoded.data() + at),
                          reinterpret_cast<const std::uint8_t*>(expected.data() + at), 160 * 120),
                  codec.minPsnr)
            << "frame " << n;
    }
    // Key frames in the index as the codec reported them: the first always,
    // the second only from a codec without inter frames.
    EXPECT_EQ(indexedKeyFrames(path).substr(0, 2), codec.interFrames ? "K_" : "KK");
}

INSTANTIATE_TEST_SUITE_P(Common, Compressor,
                         ::testing::Values(Codec{"MJPG", "mjpeg", 38, false}, Codec{"CVID", "cinepak", 24, true},
                                           Codec{"XVID", "mpeg4", 34, true}, Codec{"FMP4", "mpeg4", 34, true},
                                           Codec{"H264", "h264", 34, true}),
                         [](const auto& info) { return std::string(info.param.code); });

TEST(AVILogger, TriesTheCompressorsInOrderAndEndsUncompressed) {
    LoggerRig rig;
    rig.compressWith({"QQQQ", "MJPG"});
    EXPECT_EQ(probeVideo(rig.write("second.avi", 32, 16, kDelay, frames(32, 16, 2))), "mjpeg,32,16,25/1,2\n");
    rig.compressWith({"QQQQ"});
    EXPECT_EQ(probeVideo(rig.write("none.avi", 32, 16, kDelay, frames(32, 16, 2))), "rawvideo,32,16,25/1,2\n");
}

TEST(AVILogger, TwoFilesInARowTakeTheirOwnSizeAndRate) {
    LoggerRig rig;
    rig.compressWith({"MJPG"});
    const std::string first = rig.write("first.avi", 64, 48, kDelay, frames(64, 48, 3));
    // The second run also sends a frame of another size, which is scaled.
    auto second = frames(96, 72, 2);
    second.push_back(patternFrame(50, 20, 9));
    const std::string secondPath = rig.write("second.avi", 96, 72, 1'000'000, second);
    EXPECT_EQ(probeVideo(first), "mjpeg,64,48,25/1,3\n");
    EXPECT_EQ(probeVideo(secondPath), "mjpeg,96,72,10/1,3\n");

    // A frame without pixels has nothing to scale: it is stored black.
    rig.compressWith({});
    const std::string empty =
        rig.write("empty.avi", 16, 8, kDelay,
                  {patternFrame(16, 8, 1), TVDImageBuffer::CreateSize(0, 0, TVDVideoFormat::vfRGBA32)});
    EXPECT_EQ(decodeVideo(empty, "bgra").substr(16 * 8 * 4), std::string(16 * 8 * 4, '\0'));
}

TEST(AVILogger, ReplacesAnExistingFileAndFinishesItWhenDestroyed) {
    LoggerRig rig;
    rig.compressWith({});
    const std::string path = rig.open("old.avi");
    std::ofstream(path) << std::string(1 << 20, 'x');
    rig.send(16, 8, kDelay, frames(16, 8, 3));
    EXPECT_EQ(rig.logger->CurrentFrame(), 3);
    rig.logger.reset();  // no stop, no Close
    EXPECT_EQ(probeVideo(path), "rawvideo,16,8,25/1,3\n");
    EXPECT_LT(std::filesystem::file_size(path), 1u << 16);
}

TEST(AVILogger, TellsFailuresWithTheirTexts) {
    LoggerRig rig;
    const std::string missing = rig.dir.path() + "/no/such/folder.avi";
    std::vector<std::string> said;
    rig.logger->SetOnError([&](pins::TComponent&, const std::string& text, std::uint32_t code, bool& handled) {
        said.push_back(text + " " + std::to_string(code));
        handled = true;
    });
    rig.write("no/such/folder.avi", 16, 8, kDelay, frames(16, 8, 1));
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said[0], "Can't open file : " + missing + " . 2");
    // A folder of that name is not a file to replace, even when empty.
    const std::string folder = rig.dir.path() + "/folder.avi";
    std::filesystem::create_directory(folder);
    rig.write("folder.avi", 16, 8, kDelay, frames(16, 8, 1));
    EXPECT_EQ(said.back(), "Can't open file : " + folder + " . " + std::to_string(EISDIR));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // Sizes no AVI header or frame buffer holds are refused at the start,
    // before anything is allocated for them; the frames after it are dropped.
    said.clear();
    for (const auto& [width, height] : {std::pair{65536, 8}, std::pair{23000, 23000}, std::pair{INT32_MAX, 2}}) {
        rig.logger->Close();
        rig.open("huge.avi");
        rig.filter->SendStartCommand(width, height, kDelay);
        rig.filter->SendData(patternFrame(16, 8, 0));
        ASSERT_FALSE(said.empty()) << width << "x" << height;
        EXPECT_EQ(said.back(), "Can't open stream : " + rig.dir.path() + "/huge.avi . 22");
        EXPECT_EQ(rig.logger->CurrentFrame(), 0);
    }
    rig.logger->Close();

    // A stream that cannot be opened (no size); unhandled, it throws on the starting thread.
    rig.logger->SetOnError({});
    rig.open("empty.avi");
    try {
        rig.filter->SendStartCommand(0, 0, kDelay);
        ADD_FAILURE() << "no exception";
    } catch (const ESLException& e) {
        EXPECT_EQ(std::string(e.what()), "Can't open stream : " + rig.dir.path() + "/empty.avi . - 22 - 16");
    }
}

TEST(AVIHeader, RateScaleKeyFramesAndByteRateFitTheirFields) {
    const TVDAVIVideoHeader pal = VDAVIVideoHeader(704, 576, 400'000);
    EXPECT_EQ(pal.Scale, 10000u);
    EXPECT_EQ(pal.Rate, 250'000u);
    EXPECT_EQ(pal.KeyFrameEvery, 250'000u);
    EXPECT_EQ(pal.BytesPerSecond, 704u * 576 * 3 * 25);
    EXPECT_EQ(VDAVIVideoHeader(320, 240, 333'333).Rate, 300'000u);  // rounded
    // Too short a delay (or none) is held where the rate still fits 32 bits.
    for (const std::int64_t tiny : {std::int64_t{0}, std::int64_t{1}, std::int64_t{-5}, std::int64_t{46}}) {
        const TVDAVIVideoHeader h = VDAVIVideoHeader(1920, 1080, tiny);
        EXPECT_EQ(h.Rate, 2'127'659'574u);
        EXPECT_EQ(h.KeyFrameEvery, h.Rate);
        EXPECT_EQ(h.BytesPerSecond, 0xFFFFFFFFu);
    }
    // The low 32 bits of the delay count.
    EXPECT_EQ(VDAVIVideoHeader(8, 8, (std::int64_t{1} << 32) + 400'000).Rate, 250'000u);

    // Such a stream is still written, at its rate, and read back.
    LoggerRig rig;
    rig.compressWith({});
    const std::string fast = rig.write("fast.avi", 8, 8, 1, frames(8, 8, 2));
    EXPECT_EQ(run("ffprobe -v error -count_frames -show_entries stream=time_base,nb_read_frames -of csv=p=0 " + fast),
              "5000/1063829787,2\n");
}

// The first stream header of the file: its scale and rate, read from the bytes.
std::pair<std::uint32_t, std::uint32_t> streamScaleAndRate(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto strh = head.find("strh");
    EXPECT_NE(strh, std::string::npos);
    if (strh == std::string::npos) return {};
    const auto le32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, head.data() + at, 4);
        return v;
    };
    return {le32(strh + 8 + 20), le32(strh + 8 + 24)};
}

TEST(AVIHeader, StreamHeadersHoldTheRateAsGivenUpTo2000FramesPerSecond) {
    LoggerRig rig;
    const struct {
        std::int32_t delay;
        std::uint32_t rate;
        const char* probed;
    } cases[] = {{10'000'000, 10'000, "1/1"}, {400'000, 250'000, "25/1"}, {5'000, 20'000'000, "2000/1"}};
    for (const bool compressed : {false, true}) {
        rig.compressWith(compressed ? std::vector<std::string>{"MJPG"} : std::vector<std::string>{});
        for (const auto& c : cases) {
            const std::string path = rig.write("rate.avi", 16, 8, c.delay, frames(16, 8, 3));
            EXPECT_EQ(streamScaleAndRate(path), std::make_pair(10'000u, c.rate)) << c.delay;
            EXPECT_EQ(run("ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 " + path),
                      std::string(c.probed) + "\n");
        }
    }
}

TEST(AVILogger, ANewNameWhileRunningSwitchesFilesAtTheNextStart) {
    LoggerRig rig;
    rig.compressWith({});
    auto names = pins::PNMakePin<pins::TSGPNStringSourcePin>(nullptr, nullptr);
    ASSERT_TRUE(rig.logger->FileNamePin().Connect(names.get()));
    const std::string first = rig.dir.path() + "/a.avi", second = rig.dir.path() + "/b.avi";
    names->Notify(std::make_shared<pins::TPNSuppliedStringOperation>(first));
    rig.logger->SetEnabled(true);
    rig.send(16, 8, kDelay, frames(16, 8, 3));
    names->Notify(std::make_shared<pins::TPNSuppliedStringOperation>(second));
    rig.send(16, 8, kDelay, frames(16, 8, 2));
    rig.filter->SendStopCommand();
    rig.logger->Close();
    EXPECT_EQ(probeVideo(first), "rawvideo,16,8,25/1,3\n");
    EXPECT_EQ(probeVideo(second), "rawvideo,16,8,25/1,2\n");
}

// A logger with an audio source linked, errors collected.
struct AudioRig : LoggerRig {
    pins::PNOwned<pins::TSGPNSourcePin> audio = pins::PNMakePin<pins::TSGPNSourcePin>(nullptr, nullptr);
    std::vector<std::string> errors;
    std::string path;

    AudioRig() {
        compressWith({});
        EXPECT_TRUE(logger->AudioInputPin().Connect(audio.get()));
        logger->SetOnError([this](pins::TComponent&, const std::string& text, std::uint32_t, bool& handled) {
            errors.push_back(text);
            handled = true;
        });
        path = open("audio.avi");
    }
    void start(const audio::TAUWaveFormatExtensible& format) {
        audio->Notify(std::make_shared<audio::TPNStartWaveOperation>(&format));
        filter->SendStartCommand(32, 16, kDelay);
    }
    void stop() {
        audio->Stop();
        filter->SendStopCommand();
        logger->Close();
    }
};

class AudioBeside : public ::testing::TestWithParam<bool> {};  // IMA ADPCM instead of PCM

TEST_P(AudioBeside, InterleavesWithTheFramesByRunningTime) {
    const bool adpcm = GetParam();
    AudioRig rig;
    rig.compressWith({"MJPG"});
    if (adpcm) {
        const auto target = platform::suggestAudioFormat(platform::kWaveFormatImaAdpcm, 1, 8000);
        ASSERT_TRUE(target);
        const auto record = target->bytes();
        rig.logger->AudioCompression().Compressions().Items(0).Format().SetFormat(record.data(), record.size());
        rig.logger->AudioCompression().SetEnabled(true);
    }
    rig.start(audio::AUMakeWaveFormat(8000, 0, 1, 16));
    // All frames (one second) first, then the audio in blocks of 0.1 s.
    for (const auto& frame : frames(32, 16, 25)) rig.filter->SendData(frame);
    std::string samples;
    for (int block = 0; block < 10; ++block) {
        const auto buffer = audio::TAUAudioBuffer::CreateSizeEx(8000, 1, 800, 1, 16);
        for (std::uint32_t i = 0; i < 800; ++i) buffer->SetItem(i, 0, block * 1000 + static_cast<int>(i));
        samples.append(reinterpret_cast<const char*>(buffer->Read()), buffer->GetByteSize());
        rig.audio->SubmitBuffer(buffer);
    }
    rig.stop();
    EXPECT_TRUE(rig.errors.empty());
    const std::string& path = rig.path;

    EXPECT_EQ(probeVideo(path), "mjpeg,32,16,25/1,25\n");
    EXPECT_EQ(run("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 " + path),
              adpcm ? "adpcm_ima_wav\n" : "pcm_s16le\n");
    const std::string decoded = run("ffmpeg -v error -i " + path + " -map 0:a -f s16le -");
    if (adpcm) {
        // IMA ADPCM blocks of 2041 samples (0.26 s): the last one, completed
        // with silence, comes out when the file ends. Every sample comes back
        // within the codec's error, those of that last block included.
        ASSERT_EQ(decoded.size(), 2u * 4 * 2041);
        double signal = 0, noise = 0, tail = 0;
        for (std::size_t i = 0; i < samples.size(); i += 2) {
            const auto value = [](const std::string& s, std::size_t at) {
                return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint8_t>(s[at]) |
                                                                     static_cast<std::uint8_t>(s[at + 1]) << 8));
            };
            const double e = value(samples, i), d = value(decoded, i);
            signal += e * e;
            noise += (d - e) * (d - e);
            if (i >= 2 * 3 * 2041) tail = std::max(tail, std::abs(d - e));
        }
        EXPECT_GT(10 * std::log10(signal / noise), 30);
        EXPECT_LT(tail, 300);
    } else {
        EXPECT_TRUE(decoded == samples);
    }
    // In file order, neither stream's latest packet starts more than 0.2 s
    // from the other's; an ADPCM packet lasts a block, which the encoder
    // gathers before it gives it out: two blocks more.
    const double slack = adpcm ? 0.2 + 2 * 2041 / 8000.0 : 0.2;
    std::istringstream packets(
        run("ffprobe -v error -show_entries packet=stream_index,pts_time,pos -of csv=p=0 " + path));
    std::vector<std::pair<std::int64_t, std::pair<int, double>>> byPosition;
    for (std::string line; std::getline(packets, line);) {
        int stream = 0;
        double time = 0;
        long long pos = 0;
        if (std::sscanf(line.c_str(), "%d,%lf,%lld", &stream, &time, &pos) == 3)
            byPosition.push_back({pos, {stream, time}});
    }
    std::sort(byPosition.begin(), byPosition.end());
    double latest[2] = {0, 0};
    for (const auto& [pos, packet] : byPosition) {
        latest[packet.first] = packet.second;
        EXPECT_LE(std::abs(latest[0] - latest[1]), slack) << "at " << pos;
    }
    EXPECT_EQ(byPosition.size(), adpcm ? 29u : 35u);
}

INSTANTIATE_TEST_SUITE_P(PcmAndAdpcm, AudioBeside, ::testing::Bool());

TEST(AVILogger, ABlockThatNamesNoRateIsWrittenAtTheStreamsRate) {
    AudioRig rig;
    rig.start(audio::AUMakeWaveFormat(8000, 0, 1, 16));
    rig.audio->SubmitBuffer(audio::TAUAudioBuffer::CreateSizeEx(0, 0, 400, 1, 16));
    rig.audio->SubmitBuffer(audio::TAUAudioBuffer::CreateSizeEx(8000, 0, 400, 1, 16));
    rig.filter->SendData(patternFrame(32, 16, 0));
    rig.stop();
    EXPECT_TRUE(rig.errors.empty());
    EXPECT_EQ(run("ffmpeg -v error -i " + rig.path + " -map 0:a -f s16le -").size(), 2u * 800);
}

TEST(AVILogger, AudioThatNoFileHoldsIsRefusedAndTheFramesStillWritten) {
    // Rates past the header's fields (or a byte rate that wraps) would make
    // the whole file unwritable; such audio is refused at its start.
    for (const auto& [rate, channels, bits] : {std::tuple{1'100'000'000u, 2u, 16u}, std::tuple{0x7FFFFFFFu, 2u, 16u}}) {
        AudioRig rig;
        rig.start(audio::AUMakeWaveFormat(rate, 0, channels, bits));
        rig.filter->SendData(patternFrame(32, 16, 0));
        rig.stop();
        ASSERT_FALSE(rig.errors.empty()) << rate;
        for (const auto& error : rig.errors) EXPECT_EQ(error, "Can't open stream : " + rig.path + " .");
        EXPECT_EQ(probeVideo(rig.path), "rawvideo,32,16,25/1,1\n");
    }
}

}  // namespace

namespace {

// A block of 0.1 s at 8000 Hz, mono, of `bits`: bytes that differ from block
// to block, appended to `sent`.
audio::IAUAudioBuffer audioBlock(std::uint32_t bits, int n, std::string& sent) {
    const auto buffer = audio::TAUAudioBuffer::CreateSizeEx(8000, 1, 800, 1, bits);
    std::uint8_t* bytes = buffer->Write();
    for (std::uint32_t i = 0; i < buffer->GetByteSize(); ++i)
        bytes[i] = static_cast<std::uint8_t>((static_cast<std::uint32_t>(n) * 7919 + i) * 2654435761u >> 24);
    sent.append(reinterpret_cast<const char*>(buffer->Read()), buffer->GetByteSize());
    return buffer;
}

std::string decodeAudio(const std::string& path, const char* format) {
    return run("ffmpeg -v error -i " + path + " -map 0:a -f " + format + " -");
}

std::string audioCodec(const std::string& path) {
    return run("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 " + path);
}

struct Width {
    std::uint32_t bits;
    const char* codec;  // as ffprobe names it
    const char* rawFormat;
};

class AudioAfterFrames : public ::testing::TestWithParam<Width> {};

TEST_P(AudioAfterFrames, IsAddedToTheFileAndKeptSampleForSample) {
    const Width width = GetParam();
    AudioRig rig;
    rig.filter->SendStartCommand(32, 16, kDelay);
    for (int n = 0; n < 50; ++n) rig.filter->SendData(patternFrame(32, 16, n));
    const auto format = audio::AUMakeWaveFormat(8000, 0, 1, width.bits);
    rig.audio->Notify(std::make_shared<audio::TPNStartWaveOperation>(&format));
    std::string sent;
    for (int n = 0; n < 30; ++n) rig.audio->SubmitBuffer(audioBlock(width.bits, n, sent));
    for (int n = 0; n < 25; ++n) rig.filter->SendData(patternFrame(32, 16, n));
    rig.stop();
    EXPECT_TRUE(rig.errors.empty());
    EXPECT_EQ(probeVideo(rig.path), "rawvideo,32,16,25/1,75\n");
    EXPECT_EQ(audioCodec(rig.path), std::string(width.codec) + "\n");
    const std::string decoded = decodeAudio(rig.path, width.rawFormat);
    EXPECT_EQ(decoded.size(), sent.size());
    EXPECT_TRUE(decoded == sent);
}

INSTANTIATE_TEST_SUITE_P(Widths, AudioAfterFrames,
                         ::testing::Values(Width{16, "pcm_s16le", "s16le"}, Width{24, "pcm_s24le", "s24le"},
                                           Width{32, "pcm_s32le", "s32le"}),
                         [](const auto& info) { return std::to_string(info.param.bits) + "_bits"; });

TEST(CommonLogger, AFileSwitchFirstCatchesTheAudioUpWithTheFramesWritten) {
    AudioRig rig;
    auto names = pins::PNMakePin<pins::TSGPNStringSourcePin>(nullptr, nullptr);
    ASSERT_TRUE(rig.logger->FileNamePin().Connect(names.get()));
    const std::string second = rig.dir.path() + "/second.avi";
    rig.start(audio::AUMakeWaveFormat(8000, 0, 1, 16));
    std::string sent;
    // One second of frames, half a second of audio: the frames wait for it.
    for (int n = 0; n < 25; ++n) rig.filter->SendData(patternFrame(32, 16, n));
    for (int n = 0; n < 5; ++n) rig.audio->SubmitBuffer(audioBlock(16, n, sent));
    names->Notify(std::make_shared<pins::TPNSuppliedStringOperation>(second));
    rig.filter->SendStartCommand(32, 16, kDelay);
    // The first file takes audio up to its frames' second; the rest goes on in the next.
    for (int n = 5; n < 20; ++n) rig.audio->SubmitBuffer(audioBlock(16, n, sent));
    for (int n = 0; n < 25; ++n) rig.filter->SendData(patternFrame(32, 16, n));
    rig.stop();
    EXPECT_TRUE(rig.errors.empty());

    EXPECT_EQ(probeVideo(rig.path), "rawvideo,32,16,25/1,25\n");
    EXPECT_EQ(probeVideo(second), "rawvideo,32,16,25/1,25\n");
    const std::string first = decodeAudio(rig.path, "s16le"), next = decodeAudio(second, "s16le");
    EXPECT_EQ(first.size(), 2u * 8000);
    EXPECT_TRUE(first + next == sent);
    // By the time stamps: the first file's audio ends where its frames end.
    EXPECT_EQ(run("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time -of csv=p=0 " + rig.path)
                  .substr(5 * 9 * 2 - 9),
              "0.900000\n");
}

// A logger whose hooks count and, when asked, take the frames.
class HookedLogger : public TVDAVILogger {
public:
    using TVDAVILogger::TVDAVILogger;
    bool takeFrames = false;
    int taken = 0;
    int rounds = 0;

protected:
    bool SubVideoSinkDispatch(const pins::IPNNotifyOperation& op) override {
        if (!takeFrames || !pins::PNOperationAs<pins::TPNSuppliedBufferOperation>(op)) return false;
        ++taken;
        return true;
    }
    void IntProcessStreams() override { ++rounds; }
};

TEST(CommonLogger, HooksSeeTheInputAndEachRoundOfTheQueues) {
    LoggerRig rig;
    auto hooked = pins::PNOwned<HookedLogger>::make(nullptr, "Hooked");
    ASSERT_TRUE(hooked->InputPin().Connect(&rig.filter->OutputPin()));
    rig.logger.reset();
    hooked->Compression().SetEnabled(false);
    hooked->SetFileName(rig.dir.path() + "/hooked.avi");
    hooked->SetEnabled(true);
    rig.filter->SetEnabled(true);
    rig.filter->SendStartCommand(16, 8, kDelay);
    hooked->takeFrames = true;
    for (int n = 0; n < 3; ++n) rig.filter->SendData(patternFrame(16, 8, n));
    EXPECT_EQ(hooked->taken, 3);
    EXPECT_EQ(hooked->CurrentFrame(), 0);
    hooked->takeFrames = false;
    const int rounds = hooked->rounds;
    for (int n = 0; n < 2; ++n) rig.filter->SendData(patternFrame(16, 8, n));
    EXPECT_EQ(hooked->CurrentFrame(), 2);
    EXPECT_GE(hooked->rounds, rounds + 2);
}

}  // namespace
