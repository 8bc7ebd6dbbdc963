// Large picture sizes for every encoder, each size tried in a child process
// (an encoder that ends the process fails the test, not the test program).
// Several minutes under the sanitizers: outside CI.

#include <gtest/gtest.h>

#include "CompressorSizeTrial.h"

using oculon::platform::test::expectEveryEncoderAnswers;

TEST(VideoCompressorSizes, EveryEncoderAnswersForLargeAndOddSizes) {
    for (const auto& [width, height] : {std::pair{4096, 2304}, {4095, 2303}, {4096, 1}, {1, 2304}, {3001, 3001}})
        expectEveryEncoderAnswers(width, height);
}
