// The audio buffer: the header bytes and the channel mask it carries,
// resizing, CopyToAudio between every pair of widths and channel layouts
// against a plain per-sample reference, the order and texts of the range
// checks, arithmetic between buffers and with constants, and views of the
// block from other buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "../pins/BufferTestKit.h"
#include "media/audio/AUInternalStore.h"
#include "media/audio/AUSimpleAudioBuffer.h"
#include "media/pins/SGErrors.h"
#include "media/pins/SGMemoryBuffer.h"

using namespace oculon::audio;
using oculon::pins::EBufferTooLarge;
using oculon::pins::EIntfCastError;
using oculon::pins::ERangeError;
using oculon::pins::TSGBlockBuffer;
using oculon::pins::TSGGenericBuffer;
using oculon::pins::testkit::message;

namespace {

IAUAudioBuffer make(std::uint32_t frames, std::uint32_t channels, std::uint32_t bits, std::uint32_t mask = 0) {
    return TAUAudioBuffer::CreateSizeEx(8000, mask, frames, channels, bits);
}
std::vector<std::uint8_t> headerBytes(const TAUAudioBuffer& b) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(b.GetConstFormat());
    return {p, p + kAUHeaderSize};
}
// Channel c of every frame, as GetItem reads it.
std::vector<std::int32_t> column(const TAUAudioBuffer& b, std::uint32_t c) {
    std::vector<std::int32_t> v;
    for (std::uint32_t i = 0; i < b.GetSize(); ++i) v.push_back(b.GetItem(i, c));
    return v;
}
void setColumn(TAUAudioBuffer& b, std::uint32_t c, const std::vector<std::int32_t>& v) {
    for (std::uint32_t i = 0; i < v.size(); ++i) b.SetItem(i, c, v[i]);
}

TEST(AudioHeader, IsTheExtensibleWaveFormatInFrontOfTheSamples) {
    const auto b = TAUAudioBuffer::CreateSizeEx(44100, 0, 100, 2, 12);
    const std::vector<std::uint8_t> expected = {
        0xFE, 0xFF, 0x02, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00,
        0x16, 0x00, 0x0C, 0x00, 0x03, 0x00, 0x00, 0x00,  // tag .. valid bits, mask
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    EXPECT_EQ(headerBytes(*b), expected);
    EXPECT_EQ(b->GetBlockSize(), 440u);
    EXPECT_EQ(b->Read(), reinterpret_cast<const std::uint8_t*>(b->GetConstFormat()) + 40);
}

TEST(AudioHeader, TheMaskNamesOnePositionPerChannel) {
    EXPECT_EQ(make(1, 2, 16, 0x3F)->GetChannelMask(), 0x3u);
    EXPECT_EQ(make(1, 6, 16, 0)->GetChannelMask(), 0x3Fu);
    // Bits 16 and 17 are cut too, so one channel has one position.
    EXPECT_EQ(make(1, 1, 16, 0x30000)->GetChannelMask(), 0x10000u);
    // Channels the mask leaves out take the lowest free positions.
    EXPECT_EQ(make(1, 2, 16, 0x4)->GetChannelMask(), 0x5u);
    EXPECT_EQ(make(1, 20, 8, 0)->GetChannelMask(), 0x3FFFFu);
    EXPECT_EQ(make(1, 1, 8, 0xFFFC0000)->GetChannelMask(), 0x1u);  // no speaker above bit 17

    EXPECT_EQ(message([] { make(1, 0, 16); }), "Audio format not supported: no channels");
    EXPECT_EQ(message([] { make(1, 2, 33); }), "Audio format not supported: 33 bits per sample");
    EXPECT_THROW(make(1, 16384, 32), EAudioFormatError);  // a frame of 65536 bytes
    EXPECT_THROW(make(0x40000000, 2, 16), EBufferTooLarge);
    EXPECT_EQ(make(2, 16383, 32)->GetDataStep(), 65532u);

    auto mono = make(0, 1, 8)->GetWaveFormat();
    mono.dwChannelMask = 3;  // mono may name both front speakers
    EXPECT_TRUE(AUIsStandardFormat(mono));
    EXPECT_FALSE(AUIsStandardFormat(make(0, 1, 24)->GetWaveFormat()));
    auto other = make(0, 2, 16, 0x30)->GetWaveFormat();
    other.Format.wFormatTag = 1;  // neither the tag nor the mask makes another format
    EXPECT_TRUE(AUIsEqualAudioFormatStd(make(0, 2, 16)->GetWaveFormat(), other));
}

TEST(AudioResize, ASharedBufferMovesToANewContainerWithItsStamp) {
    const auto b = make(10, 2, 16);
    for (std::uint32_t i = 0; i < 10; ++i) b->SetItem(i, 1, static_cast<std::int32_t>(i));
    const auto* block = b->DataContainer();
    b->GetTimeStamp().SetBeginTime(70);
    b->GetTimeStamp().SetAvailable(true);
    const auto shared = std::static_pointer_cast<TAUAudioBuffer>(b->MakeCopy());
    shared->Resize(30, true);
    EXPECT_NE(shared->DataContainer(), block);
    EXPECT_EQ(shared->GetSize(), 30u);
    EXPECT_EQ(headerBytes(*shared), headerBytes(*b));
    EXPECT_EQ(column(*shared, 1).at(9), 9);
    EXPECT_TRUE(shared->GetTimeStamp().Available());  // the stamp moves with the samples
    EXPECT_EQ(shared->GetTimeStamp().BeginTime(), 70);
    EXPECT_EQ(b->GetSize(), 10u);  // the other owner keeps its size and block
    EXPECT_EQ(b->DataContainer()->CountOwners(), 1);
}

TEST(AudioContainer, SetBufferInstallsAnotherBlockAndKeepsTheByteCount) {
    const auto b = make(10, 2, 16);
    const auto other = make(40, 1, 8);
    other->SetItem(0, 0, 200);
    TAUSmartAudioBuffer& block = other->GetBuffer();
    b->SetBuffer(block);
    EXPECT_EQ(&b->GetBuffer(), &block);
    EXPECT_EQ(block.CountOwners(), 2);
    // The other block's header now describes the samples; the count of bytes stays.
    EXPECT_EQ(b->GetChannels(), 1u);
    EXPECT_EQ(b->GetByteSize(), 40u);
    EXPECT_EQ(b->GetSize(), 40u);
    EXPECT_EQ(b->GetItem(0, 0), 200);
    // A block smaller than the buffer, or whose header cannot describe it, is refused.
    const auto small = make(4, 1, 8);
    EXPECT_THROW(b->SetBuffer(small->GetBuffer()), EAudioFormatError);
    const auto corrupt = make(100, 1, 8);
    reinterpret_cast<TAUWaveFormatExtensible*>(corrupt->GetBuffer().RawData())->Format.wBitsPerSample = 12;
    EXPECT_THROW(b->SetBuffer(corrupt->GetBuffer()), EAudioFormatError);
    EXPECT_EQ(&b->GetBuffer(), &block);
}

// ---- CopyToAudio against a per-sample reference

std::int64_t fullScale(unsigned width) { return (std::int64_t{1} << (width - 1)) - 1; }

// The samples put in: each width's extremes, its silence and some between.
std::vector<std::int32_t> samplesOf(unsigned width) {
    if (width == 8) return {0, 1, 127, 128, 200, 254, 255};
    const auto max = static_cast<std::int32_t>(fullScale(width));
    return {-max - 1, -max, -1, 0, 1, max / 3, max};
}

// One sample from one width to another. 8 bits to and from 16 and 32 use
// the unsigned full-range mapping; every other pair scales the distance from
// the zero level by the ratio of the full scales, truncated and held to the
// target's range.
std::int32_t scaled(std::int32_t v, unsigned from, unsigned to) {
    if (from == to) return v;
    if (from == 8 && to == 16) return v * 257 - 32768;
    if (from == 8 && to == 32)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) * 16843009u + 0x80000000u);
    if (from == 16 && to == 8) {
        const std::uint32_t u = static_cast<std::uint32_t>(v + 32768);
        return static_cast<std::int32_t>((u - (u >> 8) + 128) >> 8);
    }
    if (from == 32 && to == 8) {
        const std::uint32_t u = static_cast<std::uint32_t>(v) ^ 0x80000000u;
        return static_cast<std::int32_t>((u - (u >> 8) + 0x800000u) >> 24);
    }
    const std::int64_t centred = from == 8 ? v - 127 : v;
    std::int64_t r = centred * fullScale(to) / fullScale(from);
    r = std::clamp(r, -fullScale(to) - 1, fullScale(to));
    return static_cast<std::int32_t>(to == 8 ? r + 127 : r);
}

// Raw sample of a target width as GetItem gives it.
std::int32_t raw(std::int32_t v, unsigned width) {
    if (width == 8) return v & 0xFF;
    if (width == 16) return static_cast<std::int16_t>(v);
    return v;
}

class CopyToAudio : public ::testing::TestWithParam<std::tuple<unsigned, unsigned, unsigned, unsigned>> {};

TEST_P(CopyToAudio, MatchesThePlainReference) {
    const auto [fromBits, toBits, fromChannels, toChannels] = GetParam();
    const std::vector<std::int32_t> values = samplesOf(fromBits);
    const std::uint32_t frames = static_cast<std::uint32_t>(values.size());
    const auto source = make(frames, fromChannels, fromBits);
    for (std::uint32_t c = 0; c < fromChannels; ++c)
        for (std::uint32_t i = 0; i < frames; ++i) source->SetItem(i, c, values[(i + c) % frames]);
    // Frames 2..6 of the source go to frames 1..5 of a target of 8 frames
    // whose other frames keep a marker.
    const auto target = make(frames + 1, toChannels, toBits);
    const std::int32_t marker = 0x55;
    for (std::uint32_t c = 0; c < toChannels; ++c) setColumn(*target, c, std::vector<std::int32_t>(frames + 1, marker));
    source->CopyToAudio(2, *target, 5, 1);

    // 1, 2 and 6 channels have the masks 1, 3 and 0x3F: channel c is speaker c.
    const std::int32_t silence = toBits == 8 ? 127 : 0;
    for (std::uint32_t c = 0; c < toChannels; ++c) {
        std::vector<std::int32_t> expected(frames + 1, marker);
        for (std::uint32_t i = 0; i < 5; ++i)
            expected[1 + i] =
                c < fromChannels ? raw(scaled(source->GetItem(2 + i, c), fromBits, toBits), toBits) : silence;
        EXPECT_EQ(column(*target, c), expected) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPair, CopyToAudio,
                         ::testing::Combine(::testing::Values(8u, 16u, 24u, 32u), ::testing::Values(8u, 16u, 24u, 32u),
                                            ::testing::Values(1u, 2u, 6u), ::testing::Values(1u, 2u, 6u)));

TEST(AudioCopy, ChecksItsRangesAndCopiesOntoItself) {
    const auto a = make(10, 2, 16);
    const auto b = make(4, 2, 16);
    EXPECT_EQ(message([&] { a->CopyToAudio(8, *b, 3, 0); }), "Index out of range = 8");
    EXPECT_EQ(message([&] { a->CopyToAudio(0, *b, 3, 2); }), "Index out of range = 2");
    EXPECT_EQ(message([&] { a->CopyToAudio(0xFFFFFFFF, *b, 2, 0); }), "Index out of range = 4294967295");
    EXPECT_NO_THROW(a->CopyToAudio(10, *b, 0, 4));

    // Overlapping frames of one buffer: every frame is read before it is overwritten.
    a->Zero();
    for (std::uint32_t i = 0; i < 10; ++i) a->SetItem(i, 0, static_cast<std::int32_t>(i));
    a->CopyToAudio(0, *a, 8, 2);
    EXPECT_EQ(column(*a, 0), (std::vector<std::int32_t>{0, 1, 0, 1, 2, 3, 4, 5, 6, 7}));

    // Into a buffer of another kind, offsets and count are bytes of the samples.
    const auto bytes = TSGBlockBuffer::CreateSize(4);
    a->CopyTo(4, *bytes, 0, 4);
    EXPECT_EQ(bytes->GetItem(0), 1);
    EXPECT_EQ(bytes->GetItem(2), 0);
}

// ---- single samples and range checks

TEST(AudioSamples, AreCheckedChannelFirst) {
    const auto b = make(3, 2, 16);
    EXPECT_EQ(message([&] { b->GetItem(5, 2); }), "Channel out of range = 2");
    EXPECT_EQ(message([&] { b->GetItem(3, 1); }), "Index out of range = 3");
    EXPECT_EQ(message([&] { b->SetItem(0, 7, 1); }), "Channel out of range = 7");
    const auto copy = std::static_pointer_cast<TAUAudioBuffer>(b->MakeCopy());
    EXPECT_THROW(copy->SetItem(3, 0, 1), ERangeError);
    EXPECT_EQ(copy->DataContainer(), b->DataContainer());  // a refused write does not unshare
    // Every channel form checks its channel too.
    for (auto form : std::vector<std::function<void()>>{
             [&] { b->SetChannelValue(2, 0); }, [&] { b->AddChannelValue(2, 0); }, [&] { b->SubChannelValue(2, 0); },
             [&] { b->MulChannelValue(2, 0); }, [&] { b->DivChannelValue(2, 1); }, [&] { b->GetChannel(2); },
             [&] { b->GetChannelAsReal(2); }})
        EXPECT_EQ(message(form), "Channel out of range = 2");
}

TEST(AudioSamples, ReadTheSameThroughItemsAndChannels) {
    const auto b24 = make(2, 1, 24);
    std::memset(b24->Write(), 0xFF, 3);
    b24->SetItem(1, 0, 0x123456);
    EXPECT_EQ(column(*b24, 0), (std::vector<std::int32_t>{-1, 0x123456}));

    const auto b8 = make(2, 2, 8);
    b8->Zero();
    EXPECT_EQ(column(*b8, 1), (std::vector<std::int32_t>{127, 127}));
    EXPECT_EQ(b8->GetChannel(1)->GetItem(1), 0);
    b8->SetChannelValue(0, 1);
    EXPECT_EQ(column(*b8, 0), (std::vector<std::int32_t>{1, 1}));
    EXPECT_EQ(b8->GetChannel(0)->GetItem(0), -126);

    // The extractions of one width take a buffer of that width only.
    EXPECT_EQ(b24->Strip24Bits(0)->GetItem(0), -1);
    EXPECT_EQ(b8->Strip8BitsReal(0)->GetItem(1), -126.0);
    EXPECT_THROW(b8->Strip16Bits(1), EAudioFormatError);  // its last column would end past the frame
    EXPECT_THROW(b24->Strip32BitsReal(0), EAudioFormatError);
    EXPECT_EQ(b24->GetCharSize(), 6u);
}

// ---- arithmetic

TEST(AudioArithmetic, MatchesChannelsByPosition) {
    const auto stereo = make(4, 2, 16);
    const auto mono = make(4, 1, 16);
    stereo->SetValue(10);
    mono->SetValue(3);
    stereo->Add(*mono);
    for (std::uint32_t c : {0u, 1u}) EXPECT_EQ(column(*stereo, c), std::vector<std::int32_t>(4, 13));

    const auto surround = make(2, 6, 16);
    for (std::uint32_t c = 0; c < 6; ++c) setColumn(*surround, c, {static_cast<std::int32_t>(c + 1), 0});
    stereo->Add(*surround);  // only the two front channels have partners
    EXPECT_EQ(column(*stereo, 0), (std::vector<std::int32_t>{14, 13, 13, 13}));
    EXPECT_EQ(column(*stereo, 1), (std::vector<std::int32_t>{15, 13, 13, 13}));
    surround->Subtract(*stereo);  // the other four stay
    EXPECT_EQ(column(*surround, 1), (std::vector<std::int32_t>{-13, -13}));
    EXPECT_EQ(column(*surround, 5), (std::vector<std::int32_t>{6, 0}));

    const auto longer = make(100, 1, 32);
    const auto shorter = make(60, 1, 32);
    longer->SetValue(7);
    shorter->SetValue(2);
    longer->Multiply(*shorter);
    EXPECT_EQ(longer->GetItem(59, 0), 14);
    EXPECT_EQ(longer->GetItem(60, 0), 7);
}

TEST(AudioArithmetic, ScalesAnotherWidthInsteadOfReadingPastIt) {
    const auto wide = make(50, 2, 32);
    const auto narrow = make(50, 2, 8);
    wide->Zero();
    narrow->SetValue(100);  // bytes of 227
    wide->Add(*narrow);
    EXPECT_EQ(wide->GetItem(49, 1), scaled(227, 8, 32));

    const auto bytes = make(3, 1, 8);
    bytes->SetValue(10);
    const auto words = make(3, 1, 16);
    words->SetValue(0);  // 127 in 8 bits would be silence; the full-range mapping gives 128
    bytes->Add(*words);
    EXPECT_EQ(bytes->GetItem(2, 0), 137 + 128 - 127);

    // The scaling keeps the other buffer's channels where they are, so they
    // pair as at an equal width, even with a mask that names no position:
    // a mono buffer acts on every channel, a stereo one on none.
    for (const std::uint32_t bits : {16u, 32u})
        for (const std::uint32_t channels : {1u, 2u}) {
            TAUWaveFormatExtensible unplaced = AUMakeWaveFormat(8000, 0, channels, bits);
            unplaced.dwChannelMask = 0;
            TAUAudioBuffer other(unplaced, 4);
            other.SetValue(bits == 16 ? 3 : 3 << 16);
            const auto stereo = make(4, 2, 16);
            stereo->SetValue(10);
            stereo->Multiply(other);
            const std::int32_t product = 10 * scaled(other.GetItem(0, 0), bits, 16);
            EXPECT_EQ(column(*stereo, 1), std::vector<std::int32_t>(4, channels == 1 ? product : 10)) << bits;
        }
    // A frame of 40000 bytes is one that no header could describe at 16
    // bits, yet its front channels still pair with a 16-bit buffer's.
    const auto many = make(2, 40000, 8);
    many->SetValue(1);
    const auto front = make(2, 2, 16);
    front->Zero();
    front->Add(*many);
    EXPECT_EQ(front->GetItem(1, 1), scaled(128, 8, 16));
}

TEST(AudioArithmetic, ConstantsRunInPlaceOrIntoAFreshContainer) {
    const auto b = make(5, 1, 8);
    setColumn(*b, 0, {0, 9, 100, 200, 255});
    const auto other = std::static_pointer_cast<TAUAudioBuffer>(b->MakeCopy());
    b->DivideValue(3);
    EXPECT_EQ(column(*b, 0), (std::vector<std::int32_t>{0, 3, 33, 67, 85}));
    EXPECT_EQ(other->GetItem(2, 0), 100);
    b->AddValue(250);
    EXPECT_EQ(b->GetItem(1, 0), 253);
    EXPECT_EQ(b->GetItem(2, 0), 255);  // 8-bit constants saturate on the raw bytes

    const auto b24 = make(2, 1, 24);  // one owner: changed in place
    setColumn(*b24, 0, {-8388608, 5});
    const auto* block = b24->DataContainer();
    b24->SubtractValue(1);
    EXPECT_EQ(column(*b24, 0), (std::vector<std::int32_t>{-1, 4}));  // 24 bits keep their low bytes and sign
    b24->MultiplyValue(-2);
    EXPECT_EQ(b24->GetItem(1, 0), -8);
    EXPECT_EQ(b24->DataContainer(), block);
}

TEST(AudioArithmetic, ChannelFormsAndRealFactorsLeaveWhatTheyDoNotTouch) {
    const auto b = make(3, 2, 16);
    setColumn(*b, 0, {3, -3, 100});
    setColumn(*b, 1, {10, 20, 30});
    const auto keep = std::static_pointer_cast<TAUAudioBuffer>(b->MakeCopy());
    b->MulChannelValue(1, 3);
    EXPECT_EQ(column(*b, 0), (std::vector<std::int32_t>{3, -3, 100}));
    EXPECT_EQ(column(*b, 1), (std::vector<std::int32_t>{30, 60, 90}));
    EXPECT_EQ(column(*keep, 1), (std::vector<std::int32_t>{10, 20, 30}));
    const auto again = std::static_pointer_cast<TAUAudioBuffer>(b->MakeCopy());
    b->MultiplyByReal(1.0);
    EXPECT_EQ(b->DataContainer(), again->DataContainer());
    b->MultiplyByReal(0.5);
    EXPECT_EQ(column(*b, 0), (std::vector<std::int32_t>{2, -2, 50}));  // ties to even
    EXPECT_EQ(column(*again, 0), (std::vector<std::int32_t>{3, -3, 100}));
    b->AddChannelValue(0, 32767);
    EXPECT_EQ(b->GetItem(2, 0), 32767);
}

// ---- views of the block

TEST(AudioViews, ShareTheBlockWhenItIsStillAnAudioBlock) {
    const auto b = make(4, 2, 16);
    b->SetItem(3, 1, -5);
    const auto view =
        TSGBlockBuffer::CreateUniversal(std::make_shared<TSGGenericBuffer>(*b->DataContainer(), b->GetBlockSize()));
    const auto back = TAUAudioBuffer::CreateCopy(view);
    EXPECT_EQ(back->DataContainer(), b->DataContainer());
    EXPECT_EQ(back->GetSize(), 4u);
    EXPECT_EQ(back->GetItem(3, 1), -5);

    view->SetItem(12, 3);  // the frame size, after the view moved to a copy of its own
    EXPECT_EQ(message([&] { TAUAudioBuffer::CreateUniversal(view); }),
              "Audio format not supported: frames of 3 bytes for 2 channels of 16 bits");
    EXPECT_THROW(TAUAudioBuffer::CreateUniversal(TSGBlockBuffer::CreateSize(64)), EIntfCastError);
    EXPECT_THROW(b->Assign(view), EIntfCastError);
}

}  // namespace
