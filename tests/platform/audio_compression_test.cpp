// The audio compression manager: the format records, every offered format
// compressed and decoded back by its stream, PCM conversions, and streams fed
// in pieces of any size giving what they give in one piece.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/AudioCompression.h"

using namespace oculon::platform;

namespace {

// A tone of 16-bit samples, a different pitch in each channel.
std::vector<std::uint8_t> tone(const WaveFormat& pcm, double seconds) {
    const std::size_t frames = static_cast<std::size_t>(pcm.samplesPerSec * seconds);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < pcm.channels; ++c) {
            const double t = static_cast<double>(i) / pcm.samplesPerSec;
            const auto v = static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * (300 + 200 * c) * t));
            if (pcm.bitsPerSample == 8) {
                bytes.push_back(static_cast<std::uint8_t>((v >> 8) + 128));
            } else {
                bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
                bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
            }
        }
    return bytes;
}

std::int16_t sample16(const std::vector<std::uint8_t>& bytes, std::size_t i) {
    return static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

// Signal-to-noise ratio of `decoded` against `original` (16-bit) over the samples of both.
double snr(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& decoded) {
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < std::min(original.size(), decoded.size()) / 2; ++i) {
        const double o = sample16(original, i), d = sample16(decoded, i);
        signal += o * o;
        noise += (o - d) * (o - d);
    }
    return noise == 0 ? 99 : 10 * std::log10(signal / noise);
}

// Runs `input` through a new stream in pieces of `piece` bytes, the last one
// flagged as the end, checking each result against the size it was promised.
std::vector<std::uint8_t> run(const WaveFormat& source, const WaveFormat& target,
                              const std::vector<std::uint8_t>& input, std::size_t piece) {
    std::string error;
    auto stream = AudioConversionStream::open(source, target, error);
    EXPECT_NE(stream, nullptr) << error;
    if (!stream) return {};
    std::vector<std::uint8_t> out;
    for (std::size_t at = 0; at < input.size() || at == 0; at += piece) {
        const std::size_t n = std::min(piece, input.size() - at);
        const bool last = at + n >= input.size();
        std::vector<std::uint8_t> room(stream->targetSizeFor(n));
        auto result = stream->convert(input.data() + at, n, room.data(), room.size(),
                                      (at == 0 ? audioConvertStart : 0) | (last ? audioConvertEnd : 0));
        EXPECT_TRUE(result) << stream->lastError();
        if (!result) return {};
        EXPECT_EQ(result->sourceUsed, n);
        out.insert(out.end(), room.begin(), room.begin() + static_cast<std::ptrdiff_t>(result->targetUsed));
        if (last) break;
    }
    return out;
}

}  // namespace

TEST(WaveFormatRecord, ReadsBothFormsAndRefusesTruncatedOnes) {
    WaveFormat adpcm = *suggestAudioFormat(kWaveFormatMsAdpcm, 2, 22050);
    const auto bytes = adpcm.bytes();
    EXPECT_EQ(bytes.size(), WaveFormat::kHeaderSize + adpcm.extra.size());
    EXPECT_EQ(WaveFormat::parse(bytes.data(), bytes.size()), adpcm);
    EXPECT_EQ(WaveFormat::parse(bytes.data(), bytes.size() - 1), std::nullopt);  // extra bytes cut
    const auto pcm = WaveFormat::pcm(2, 44100, 16);
    EXPECT_EQ(pcm.blockAlign, 4);
    EXPECT_EQ(pcm.avgBytesPerSec, 176400u);
    const auto pcmBytes = pcm.bytes();
    EXPECT_EQ(WaveFormat::parse(pcmBytes.data(), 16), pcm);  // the short form without the count
    EXPECT_EQ(WaveFormat::parse(pcmBytes.data(), 15), std::nullopt);
    EXPECT_EQ(WaveFormat::parse(nullptr, 40), std::nullopt);
}

TEST(AudioCompression, TagsNameTheirFormatsAndSizeTheirRecords) {
    const auto& tags = audioFormatTags();
    ASSERT_GE(tags.size(), 5u);
    EXPECT_EQ(tags[0].tag, kWaveFormatPcm);
    EXPECT_EQ(audioFormatTagDetails(kWaveFormatImaAdpcm)->name, "IMA ADPCM");
    EXPECT_EQ(audioFormatTagDetails(kWaveFormatMsAdpcm)->formatSize, 50u);  // 32 bytes of coefficients
    EXPECT_EQ(maxAudioFormatSize(), 50u);
    EXPECT_EQ(audioFormatTagDetails(0x4242), std::nullopt);
    for (const auto& tag : tags) EXPECT_LE(tag.name.size(), 48u);
    EXPECT_EQ(audioFormats(kWaveFormatPcm).size(), 16u);
    EXPECT_EQ(suggestPcmFormat(*suggestAudioFormat(kWaveFormatImaAdpcm, 1, 11025)), WaveFormat::pcm(1, 11025, 16));
    EXPECT_EQ(suggestPcmFormat(WaveFormat::pcm(1, 8000, 24)), std::nullopt);
}

TEST(AudioCompression, EveryOfferedFormatRoundTripsPcm) {
    for (const auto& tag : audioFormatTags()) {
        if (tag.tag == kWaveFormatPcm) continue;
        const auto formats = audioFormats(tag.tag);
        EXPECT_FALSE(formats.empty()) << tag.name;
        for (const auto& format : formats) {
            const std::string what =
                tag.name + " " + std::to_string(format.channels) + "x" + std::to_string(format.samplesPerSec);
            const WaveFormat pcm = *suggestPcmFormat(format);
            const auto input = tone(pcm, 0.5);
            const auto compressed = run(pcm, format, input, 1000);
            EXPECT_EQ(compressed.size() % format.blockAlign, 0u) << what;
            // The byte rate in the record is the one the encoder keeps.
            EXPECT_NEAR(compressed.size() * 2.0, format.avgBytesPerSec,
                        format.avgBytesPerSec * 0.1 + 2 * format.blockAlign)
                << what;
            const auto decoded = run(format, pcm, compressed, 777);
            EXPECT_GE(decoded.size(), input.size()) << what;  // the last block completed with silence
            EXPECT_LT(decoded.size(), input.size() + 2 * 8 * std::size_t{format.blockAlign}) << what;
            EXPECT_GT(snr(input, decoded), 20.0) << what;
        }
    }
}

TEST(AudioCompression, StreamsFedInAnyPiecesGiveTheSameBytes) {
    const auto pcm = WaveFormat::pcm(2, 22050, 16);
    const auto input = tone(pcm, 0.3);
    for (std::uint16_t tag : {kWaveFormatImaAdpcm, kWaveFormatMsAdpcm, kWaveFormatALaw}) {
        const auto format = *suggestAudioFormat(tag, 2, 22050);
        const auto whole = run(pcm, format, input, input.size());
        EXPECT_EQ(run(pcm, format, input, 3), whole) << tag;
        EXPECT_EQ(run(format, pcm, whole, 5), run(format, pcm, whole, whole.size())) << tag;
    }
    const auto eight = WaveFormat::pcm(1, 8000, 8);
    EXPECT_EQ(run(pcm, eight, input, 1), run(pcm, eight, input, input.size()));
}

TEST(AudioCompression, PcmConvertsBitsChannelsAndRate) {
    // Every 8-bit value survives 16 bits and back.
    std::vector<std::uint8_t> all(256);
    for (int v = 0; v < 256; ++v) all[v] = static_cast<std::uint8_t>(v);
    const auto mono8 = WaveFormat::pcm(1, 8000, 8), mono16 = WaveFormat::pcm(1, 8000, 16);
    EXPECT_EQ(run(mono16, mono8, run(mono8, mono16, all, 7), 9), all);
    EXPECT_EQ(sample16(run(mono8, mono16, all, 256), 0), -32768);

    // Stereo 44.1 kHz to mono 8 kHz: the mean of the channels, sampled at the new rate.
    const auto stereo = WaveFormat::pcm(2, 44100, 16);
    const auto input = tone(stereo, 0.25);
    const auto out = run(stereo, mono16, input, 4410);
    EXPECT_NEAR(out.size() / 2.0, 2000, 2);
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < out.size() / 2; ++i) {
        const double t = i / 8000.0;
        const auto v = static_cast<std::int16_t>(
            4500 * (std::sin(2 * std::numbers::pi * 300 * t) + std::sin(2 * std::numbers::pi * 500 * t)));
        expected.push_back(static_cast<std::uint8_t>(v & 0xFF));
        expected.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    EXPECT_GT(snr(expected, out), 40);

    // Up to 22050 Hz and mono to stereo: every channel the same.
    const auto up = run(mono16, WaveFormat::pcm(2, 22050, 16), tone(mono16, 0.1), 100);
    EXPECT_NEAR(up.size() / 4.0, 2205, 3);
    for (std::size_t i = 0; i < up.size() / 4; ++i) ASSERT_EQ(sample16(up, 2 * i), sample16(up, 2 * i + 1));
}

TEST(AudioCompression, StreamsKeepWhatDoesNotFitAndRefuseWhatTheyCannotConvert) {
    std::string error;
    const auto pcm = WaveFormat::pcm(1, 8000, 16);
    const auto alaw = *suggestAudioFormat(kWaveFormatALaw, 1, 8000);
    auto stream = AudioConversionStream::open(pcm, alaw, error);
    ASSERT_NE(stream, nullptr) << error;
    const auto input = tone(pcm, 0.01);  // 80 samples, one byte each in A-law
    std::uint8_t small[30];
    std::size_t total = 0;
    auto result = stream->convert(input.data(), input.size(), small, sizeof small, audioConvertStart);
    total += result->targetUsed;
    while ((result = stream->convert(nullptr, 0, small, sizeof small, 0)) && result->targetUsed)
        total += result->targetUsed;
    EXPECT_EQ(total, 80u);
    // A new run drops what the old one still held.
    stream->convert(input.data(), 1, small, 0, 0);
    result = stream->convert(input.data(), 2, small, sizeof small, audioConvertStart);
    EXPECT_EQ(result->targetUsed, 1u);

    const auto ima = *suggestAudioFormat(kWaveFormatImaAdpcm, 1, 8000);
    EXPECT_EQ(AudioConversionStream::open(WaveFormat::pcm(1, 11025, 16), ima, error), nullptr);
    EXPECT_EQ(error, "IMA ADPCM converts only to and from 16-bit PCM of its channels and rate");
    EXPECT_EQ(AudioConversionStream::open(WaveFormat::pcm(1, 8000, 24), pcm, error), nullptr);
    WaveFormat unknown = ima;
    unknown.formatTag = 0x4242;
    EXPECT_EQ(AudioConversionStream::open(pcm, unknown, error), nullptr);
    WaveFormat oddBlocks = ima;
    oddBlocks.blockAlign = 333;
    EXPECT_EQ(AudioConversionStream::open(pcm, oddBlocks, error), nullptr);
    EXPECT_EQ(AudioConversionStream::open(WaveFormat::pcm(1, 8000, 16), WaveFormat::pcm(9, 8000, 16), error), nullptr);
}
