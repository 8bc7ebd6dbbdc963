// Large picture sizes for every encoder, each encoder and size tried in a
// child process (an encoder that ends the process fails the test, not the
// test program). Minutes even with the trials side by side: outside CI.

#include <gtest/gtest.h>

#include "CompressorSizeTrial.h"

using oculon::platform::test::expectEveryEncoderAnswers;

TEST(VideoCompressorSizes, EveryEncoderAnswersForLargeAndOddSizes) {
    expectEveryEncoderAnswers({{4096, 2304}, {4095, 2303}, {4096, 1}, {1, 2304}, {3001, 3001}});
}
