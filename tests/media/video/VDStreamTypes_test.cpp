// Frames on pins: the rate of a frame stream's start, and what a byte or
// paired-buffer input linked to an image or XY output receives through the
// registered converters.
#include <gtest/gtest.h>

#include "../pins/PinTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/SGRealBuffer.h"
#include "media/video/VDSimpleImageBuffer.h"
#include "media/video/VDStreamTypes.h"

using namespace oculon::mediavideo;
using namespace oculon::pins;

namespace {

class ImagePins : public ::testing::Test {
protected:
    ImagePins() { VDPNInitImageStreams(); }
    TPNLibrary library;
    pintest::Log log;
    std::vector<IPNNotifyOperation> got;
    // An input of `type` alone that keeps what reaches it.
    PNOwned<pintest::TestSink> input(const TGUID& type) {
        auto s = PNMakePin<pintest::TestSink>("in", log, std::vector{type, kSGDispatchData});
        s->onReceive = [this](const IPNNotifyOperation& op) {
            got.push_back(op);
            return true;
        };
        return s;
    }
};

TEST_F(ImagePins, TheStartFrameCarriesRateAndShape) {
    const TVDInternalStartFrameOperation pal("a.avi", 720, 576, 400'000, TVDVideoFormat::vfYUY2, 3, 4, 5);
    EXPECT_EQ(pal.SampleRate, 25.0);
    const TPNStartFrameOperation noDelay(1, 1, 0, TVDVideoFormat::vfRGB24, 0, 1, 1);
    EXPECT_EQ(noDelay.FrameDelay, 1);
    EXPECT_EQ(noDelay.SampleRate, 10'000'000.0);
}

TEST_F(ImagePins, AByteInputGetsTheFramesPixelsAndTheStreamsStartAndStop) {
    auto output = PNMakePin<TVDPNImageSourcePin>(nullptr, nullptr);
    auto bytes = input(kSGStreamBinary);
    ASSERT_TRUE(bytes->Connect(output.get()));
    EXPECT_TRUE(output->IsConnectedByConverterTo(*bytes));
    const IPNNotifyOperation start =
        std::make_shared<TPNStartFrameOperation>(5, 3, 1, TVDVideoFormat::vfRGB24, 0, 5, 3);
    const auto frame = TVDImageBuffer::CreateSize(5, 3, TVDVideoFormat::vfRGB24);
    output->Notify(start);
    output->SubmitBuffer(frame);
    output->Stop();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], start);
    EXPECT_NE(PNOperationAs<TPNStopOperation>(got[2]), nullptr);
    const auto view =
        std::dynamic_pointer_cast<TSGBlockBuffer>(PNOperationAs<TPNSuppliedBufferOperation>(got[1])->Buffer);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->DataContainer(), frame->DataContainer());
    EXPECT_EQ(view->GetSize(), frame->GetByteSize());
    EXPECT_EQ(view->ByteRead(), frame->Read());
}

TEST_F(ImagePins, XYPointsBecomeAPairOfRealBuffers) {
    auto output = PNMakePin<TSGPNTypedSourcePin<kVDStreamXYFloat>>(nullptr, nullptr);
    auto pairs = input(kSGStreamPaired);
    ASSERT_TRUE(pairs->Connect(output.get()));
    const TVDFloatPoint points[] = {{1, 2}, {3, 4}, {5, 6}};
    output->SubmitBuffer(std::make_shared<TVDXYFloatBuffer>(std::span<const TVDFloatPoint>(points)));
    ASSERT_EQ(got.size(), 1u);
    const auto* pair = PNOperationAs<TPNSuppliedBufferPairOperation>(got[0]);
    ASSERT_NE(pair, nullptr);
    ASSERT_EQ(pair->Pair->GetCount(), 2u);
    const auto values = [&](std::size_t i) {
        const auto real = std::dynamic_pointer_cast<TSGRealBuffer>(pair->Pair->GetBuffer(i));
        return std::vector<double>(real->Read(), real->Read() + real->GetSize());
    };
    EXPECT_EQ(values(0), (std::vector<double>{1, 3, 5}));
    EXPECT_EQ(values(1), (std::vector<double>{2, 4, 6}));
}

}  // namespace
