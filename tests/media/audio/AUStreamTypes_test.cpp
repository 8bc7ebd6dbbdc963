// Audio on pins: what an integer, real, byte or audio input linked to an
// audio output receives through the registered converters.
#include <gtest/gtest.h>

#include <vector>

#include "../pins/PinTestKit.h"
#include "media/audio/AUStreamTypes.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/SGMemoryBuffer.h"

using namespace oculon::audio;
using namespace oculon::pins;

namespace {

class AudioPins : public ::testing::Test {
protected:
    AudioPins() { AUPNInitAudioStreams(); }
    TPNLibrary library;
    std::vector<IPNNotifyOperation> got;
    pintest::Log log;
    // An input of `type` alone (the universal type would take audio as it
    // is) that keeps what reaches it.
    PNOwned<pintest::TestSink> input(const TGUID& type) {
        auto s = PNMakePin<pintest::TestSink>("in", log, std::vector{type, kSGDispatchData});
        s->onReceive = [this](const IPNNotifyOperation& op) {
            got.push_back(op);
            return true;
        };
        return s;
    }
    ISGData lastBuffer() const { return PNOperationAs<TPNSuppliedBufferOperation>(got.back())->Buffer; }
    // A stereo 16-bit buffer whose left channel counts up and right counts down.
    static IAUAudioBuffer stereo() {
        const auto b = TAUAudioBuffer::CreateSizeEx(8000, 3, 3, 2, 16);
        for (std::uint32_t i = 0; i < 3; ++i) {
            b->SetItem(i, 0, static_cast<std::int32_t>(i + 1));
            b->SetItem(i, 1, -static_cast<std::int32_t>(i + 1));
        }
        return b;
    }
};

TEST_F(AudioPins, EachInputGetsItsViewOfTheBuffer) {
    auto output = PNMakePin<TSGPNTypedSourcePin<kAUStreamAudio>>(nullptr, nullptr);
    auto integers = input(kSGStreamInteger);
    ASSERT_TRUE(integers->Connect(output.get()));
    output->SubmitBuffer(stereo());
    const auto ints = std::dynamic_pointer_cast<TSGIntegerBuffer>(lastBuffer());
    ASSERT_NE(ints, nullptr);  // the first channel
    EXPECT_EQ(std::vector<std::int32_t>(ints->Read(), ints->Read() + ints->GetSize()),
              (std::vector<std::int32_t>{1, 2, 3}));
    integers->Disconnect();

    auto reals = input(kSGStreamReal);
    ASSERT_TRUE(reals->Connect(output.get()));
    got.clear();
    output->Notify(std::make_shared<TPNStartWaveOperation>());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NE(PNOperationAs<TPNStartWaveOperation>(got[0]), nullptr);  // a start goes on unchanged
    output->SubmitBuffer(stereo());
    const auto real = std::dynamic_pointer_cast<TSGRealBuffer>(lastBuffer());
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(std::vector<double>(real->Read(), real->Read() + real->GetSize()), (std::vector<double>{1, 2, 3}));
    // Anything but an audio buffer is not delivered, and nothing fails.
    got.clear();
    EXPECT_FALSE(output->SubmitBuffer(TSGBlockBuffer::CreateSize(8)));
    EXPECT_TRUE(got.empty());
    reals->Disconnect();

    // A byte input gets the whole block, header and all.
    auto bytes = input(kSGStreamBinary);
    ASSERT_TRUE(bytes->Connect(output.get()));
    const auto sent = stereo();
    output->SubmitBuffer(sent);
    const auto block = std::dynamic_pointer_cast<TSGBlockBuffer>(lastBuffer());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->DataContainer(), sent->DataContainer());
    EXPECT_EQ(block->GetSize(), 40u + 12u);
    EXPECT_EQ(block->GetItem(0), 0xFE);                                    // the header's tag
    EXPECT_EQ(block->GetItem(40 + 2), 0xFF);                               // the right channel of the first frame, -1
    EXPECT_EQ(TAUAudioBuffer::CreateUniversal(block)->GetItem(2, 1), -3);  // and turns back into it
    bytes->Disconnect();

    auto audio = PNMakePin<TAUPNAudioSinkPin>(
        nullptr, nullptr, [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
            got.push_back(op);
            return true;
        });
    ASSERT_TRUE(audio->Connect(output.get()));
    EXPECT_EQ(output->GetConnectionID(*audio), kAUStreamAudio);
    output->SubmitBuffer(sent);
    const auto received = std::dynamic_pointer_cast<TAUAudioBuffer>(lastBuffer());
    ASSERT_NE(received, nullptr);
    EXPECT_EQ(received->DataContainer(), sent->DataContainer());
}

}  // namespace
