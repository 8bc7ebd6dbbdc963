// The audio compressor chain (one stage or three, a failing stage dropping
// its block) and the compression settings with their stored "FormatData".
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "media/audio/AUAcmCompressor.h"
#include "media/audio/AUCompression.h"

using namespace oculon::audio;
using namespace oculon::platform;
using oculon::pins::TPNLock;

namespace {

std::vector<std::uint8_t> tone16(const WaveFormat& pcm, std::size_t frames) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < frames * pcm.channels; ++i) {
        const auto v = static_cast<std::int16_t>(
            8000 * std::sin(2 * std::numbers::pi * 440 * (i / pcm.channels) / pcm.samplesPerSec));
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

// The bytes as the samples of an 8-bit mono buffer, through the compressor.
std::uint32_t compress(TAUAcmCompressor& compressor, const std::vector<std::uint8_t>& input,
                       std::vector<std::uint8_t>* collected = nullptr) {
    auto buffer = TAUAudioBuffer::CreateSizeEx(8000, 4, static_cast<std::uint32_t>(input.size()), 1, 8);
    std::copy(input.begin(), input.end(), buffer->Write());
    IAUAudioBuffer output;
    std::uint32_t count = 99;
    EXPECT_TRUE(compressor.CompressBuffer(input.empty() ? std::make_shared<TAUAudioBuffer>() : buffer, output, count));
    EXPECT_NE(output, nullptr);
    if (collected && output) collected->insert(collected->end(), output->Read(), output->Read() + count);
    return count;
}

// `source` (of format `from`) through a conversion stream to `to`.
std::vector<std::uint8_t> convertAll(const WaveFormat& from, const WaveFormat& to,
                                     const std::vector<std::uint8_t>& source) {
    std::string error;
    auto stream = AudioConversionStream::open(from, to, error);
    std::vector<std::uint8_t> out(stream->targetSizeFor(source.size()));
    out.resize(stream->convert(source.data(), source.size(), out.data(), out.size(), 0)->targetUsed);
    return out;
}

// Signal to noise in dB of 16-bit `decoded` against the 8000 Hz mono tone, from byte `from` on.
double toneSnr(const std::vector<std::uint8_t>& decoded, std::size_t from = 0) {
    const auto expected = tone16(WaveFormat::pcm(1, 8000, 16), decoded.size() / 2);
    double signal = 0, noise = 0;
    for (std::size_t i = from; i + 1 < decoded.size(); i += 2) {
        const double d = static_cast<std::int16_t>(decoded[i] | decoded[i + 1] << 8);
        const double e = static_cast<std::int16_t>(expected[i] | expected[i + 1] << 8);
        signal += e * e;
        noise += (d - e) * (d - e);
    }
    return 10 * std::log10(signal / noise);
}

}  // namespace

TEST(AcmCompressor, OneStageForItsOwnPcmAndThreeForAnyOther) {
    const auto ima = *suggestAudioFormat(kWaveFormatImaAdpcm, 1, 8000);
    TAUAcmCompressor compressor;
    ASSERT_TRUE(compressor.OpenCompressor(WaveFormat::pcm(1, 8000, 16), ima));
    EXPECT_FALSE(compressor.NeedsConvertion());
    EXPECT_EQ(compress(compressor, {}), 0u);  // nothing in, nothing out, and no count left from before

    // Another rate, channel count or sample width: three stages.
    const auto stereo = WaveFormat::pcm(2, 22050, 16);
    ASSERT_TRUE(compressor.OpenCompressor(stereo, ima));
    EXPECT_TRUE(compressor.NeedsConvertion());
    EXPECT_TRUE(compressor.OpenCompressor(WaveFormat::pcm(1, 8000, 8), ima));
    EXPECT_TRUE(compressor.NeedsConvertion());

    compressor.CloseCompressor();
    EXPECT_FALSE(compressor.Opened());
    IAUAudioBuffer output;
    std::uint32_t count = 99;
    const std::vector<std::uint8_t> input(64);
    EXPECT_FALSE(compressor.CompressBytes(input.data(), input.size(), output, count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(compressor.FlushCompressor(output, count));
    WaveFormat unknown = ima;
    unknown.formatTag = 0x4242;
    EXPECT_FALSE(compressor.OpenCompressor(stereo, unknown));
    EXPECT_FALSE(compressor.Opened());
}

TEST(AcmCompressor, FlushingGivesOutTheBlockStillGathering) {
    // 3000 samples, in pieces, through an encoder of 2041-sample blocks: one
    // block comes out at once, the flush gives the rest as a block completed
    // with silence. Through three stages too, where the resampler holds back
    // a sample; both decode to the tone.
    const auto ima = *suggestAudioFormat(kWaveFormatImaAdpcm, 1, 8000);
    for (const auto& source : {WaveFormat::pcm(1, 8000, 16), WaveFormat::pcm(2, 11025, 16)}) {
        TAUAcmCompressor compressor;
        ASSERT_TRUE(compressor.OpenCompressor(source, ima));
        const std::size_t frames = 3000 * source.samplesPerSec / 8000;
        std::vector<std::uint8_t> compressed;
        const auto input = tone16(source, frames);
        for (std::size_t at = 0; at < input.size(); at += 4000)
            compress(compressor, {input.begin() + at, input.begin() + std::min(input.size(), at + 4000)}, &compressed);
        EXPECT_EQ(compressed.size(), ima.blockAlign);
        IAUAudioBuffer output;
        std::uint32_t count = 99;
        ASSERT_TRUE(compressor.FlushCompressor(output, count));
        EXPECT_EQ(count, ima.blockAlign);
        compressed.insert(compressed.end(), output->Read(), output->Read() + count);
        ASSERT_TRUE(compressor.FlushCompressor(output, count));  // nothing more
        EXPECT_EQ(count, 0u);

        const auto decoded = convertAll(ima, WaveFormat::pcm(1, 8000, 16), compressed);
        ASSERT_EQ(decoded.size(), 2u * 2 * 2041);
        EXPECT_GT(toneSnr({decoded.begin(), decoded.begin() + 2 * 2041}), 20) << source.channels;
        // The flushed samples alone, up to where the tone ended.
        EXPECT_GT(toneSnr({decoded.begin(), decoded.begin() + 2 * 3000}, 2 * 2041), 20) << source.channels;
    }
}

namespace {

// A stage that passes its bytes on as they are, and fails (dropping them)
// while told to: real encoders cannot be made to fail on demand.
class PassStage final : public AudioConversionStream {
public:
    PassStage(const WaveFormat& source, const WaveFormat& target, int& calls, const bool& failing)
        : AudioConversionStream(source, target), calls_(calls), failing_(failing) {}
    std::size_t targetSizeFor(std::size_t sourceBytes) const override { return held() + sourceBytes + waiting(); }

private:
    bool process(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool) override {
        ++calls_;
        if (!failing_) output.insert(output.end(), input.begin(), input.end());
        input.clear();
        return !failing_ || fail("told to fail");
    }
    bool restart() override { return true; }

    int& calls_;
    const bool& failing_;
};

}  // namespace

TEST(AcmCompressor, AFailingStageDropsItsBlockWholeAndReachesNoLaterStage) {
    int calls[3] = {}, opened = 0;
    bool failing[3] = {};
    TAUAcmCompressor compressor([&](const WaveFormat& source, const WaveFormat& target,
                                    std::string&) -> std::unique_ptr<AudioConversionStream> {
        const int stage = opened++;
        return std::make_unique<PassStage>(source, target, calls[stage], failing[stage]);
    });
    const auto source = WaveFormat::pcm(2, 22050, 16);
    const auto target = *suggestAudioFormat(kWaveFormatImaAdpcm, 1, 8000);
    ASSERT_TRUE(compressor.OpenCompressor(source, target));
    ASSERT_EQ(opened, 3);
    auto run = [&](std::uint8_t value, std::size_t bytes, std::uint32_t& count) {
        const std::vector<std::uint8_t> block(bytes, value);
        IAUAudioBuffer output;
        count = 99;
        const bool ok = compressor.CompressBytes(block.data(), block.size(), output, count);
        return ok ? std::vector<std::uint8_t>(output->Read(), output->Read() + count) : std::vector<std::uint8_t>{};
    };
    std::uint32_t count = 0;
    for (const int stage : {0, 1, 2}) {
        EXPECT_EQ(run(0xAA, 64, count), std::vector<std::uint8_t>(64, 0xAA));
        failing[stage] = true;
        const int before[3] = {calls[0], calls[1], calls[2]};
        EXPECT_TRUE(run(0xBB, 32, count).empty());
        EXPECT_EQ(count, 0u) << "stage " << stage;
        for (int later = stage + 1; later < 3; ++later) EXPECT_EQ(calls[later], before[later]);  // never reached
        failing[stage] = false;
        // The next block comes out alone: nothing of the one before, nor of the failed one.
        EXPECT_EQ(run(0xCC, 16, count), std::vector<std::uint8_t>(16, 0xCC)) << "stage " << stage;
    }
    failing[2] = true;
    IAUAudioBuffer output;
    EXPECT_FALSE(compressor.FlushCompressor(output, count));
    EXPECT_EQ(count, 0u);
}

TEST(AudioCompressionSettings, FormatsAreNamedAndStoredAsFormatData) {
    TAUAudioCompression settings(nullptr, *std::make_shared<TPNLock>());
    ASSERT_EQ(settings.Compressions().Count(), 1u);
    auto& format = settings.Compressions().Items(0).Format();
    EXPECT_EQ(settings.Compressions().Items(0).Name(), "[ Empty ]");

    auto name = [&](std::uint16_t tag, std::uint16_t channels, std::uint32_t rate) {
        auto record = WaveFormat::pcm(channels, rate, 16);
        record.formatTag = tag;
        const auto bytes = record.bytes();
        format.SetFormat(bytes.data(), bytes.size());
        return format.GetName();
    };
    EXPECT_EQ(name(kWaveFormatImaAdpcm, 2, 22050), "IMA ADPCM [ Stereo, 22050 Hz  ] ");
    EXPECT_EQ(name(kWaveFormatPcm, 1, 8000), "PCM [ Mono, 8000 Hz  ] ");
    EXPECT_EQ(name(kWaveFormatPcm, 6, 48000), "PCM [ 6 Channels, 48000 Hz  ] ");
    EXPECT_EQ(name(0x4242, 1, 8000), "[ Unknown ]");
    format.SetFormat(nullptr, 0);
    EXPECT_EQ(format.GetName(), "[ Unknown ]");  // too short to hold a tag

    // Stored: a 32-bit count and the record; read back into another item.
    name(kWaveFormatMsAdpcm, 1, 11025);
    std::vector<std::uint8_t> stream;
    format.WriteData(stream);
    ASSERT_EQ(stream.size(), 4 + format.FormatData().size());
    auto& copy = settings.Compressions().Add().Format();
    EXPECT_EQ(copy.ReadData(stream.data(), stream.size()), stream.size());
    EXPECT_EQ(copy.FormatData(), format.FormatData());
    EXPECT_EQ(copy.GetName(), "MS ADPCM [ Mono, 11025 Hz  ] ");

    // A count of 0 leaves the choice empty; a count beyond the stored bytes,
    // or beyond any record, is refused without reading.
    const std::vector<std::uint8_t> zero{0, 0, 0, 0};
    EXPECT_EQ(copy.ReadData(zero.data(), zero.size()), 4u);
    EXPECT_TRUE(copy.IsEmpty());
    stream[0] += 1;
    EXPECT_EQ(copy.ReadData(stream.data(), stream.size()), 0u);
    EXPECT_TRUE(copy.IsEmpty());
    std::vector<std::uint8_t> huge{0xFF, 0xFF, 0x01, 0x00};
    huge.resize(4 + 0x1FFFF);
    EXPECT_EQ(copy.ReadData(huge.data(), huge.size()), 0u);
    const std::vector<std::uint8_t> negative{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(copy.ReadData(negative.data(), negative.size()), 4u);
    EXPECT_TRUE(copy.IsEmpty());
}
