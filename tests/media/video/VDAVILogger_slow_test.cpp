// An uncompressed file past 1 GB (1000 frames of 704 x 576 at 24 bits) goes
// on in the extended form: a second RIFF list, the extended header with the
// whole frame count, every frame found by a reader and the last one exact.
// Label slow: it writes 1.2 GB.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "LoggerTestKit.h"

using namespace oculon::mediavideo;
using namespace oculon::mediavideo::testkit;
using namespace oculon;

namespace {

constexpr int kFrames = 1000;

std::uint32_t le32(const char* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

TEST(AVILoggerLarge, AFileAbove1GBIsAnExtendedAVI) {
    LoggerRig rig;
    rig.compressWith({});
    rig.logger->SetColorBits(TVDColorBits::cb24);
    std::vector<IVDImageBuffer> pictures;
    for (int n = 0; n < 8; ++n) pictures.push_back(patternFrame(704, 576, n * 16));
    const std::string path = rig.open("large.avi");
    rig.filter->SendStartCommand(704, 576, 400'000);
    for (int n = 0; n < kFrames; ++n) rig.filter->SendData(pictures[n % 8]);
    rig.filter->SendStopCommand();
    rig.logger->Close();

    ASSERT_GT(std::filesystem::file_size(path), std::uintmax_t{1} << 30);
    // The top-level lists: "AVI " first, then at least one "AVIX".
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lists;
    char chunk[12];
    for (std::uint64_t at = 0; in.seekg(static_cast<std::streamoff>(at)) && in.read(chunk, 12);) {
        ASSERT_EQ(std::string(chunk, 4), "RIFF");
        lists.emplace_back(chunk + 8, 4);
        at += 8 + le32(chunk + 4);
    }
    ASSERT_GE(lists.size(), 2u);
    EXPECT_EQ(lists[0], "AVI ");
    EXPECT_EQ(lists[1], "AVIX");
    // The extended header counts every frame of the file.
    in.clear();
    in.seekg(0);
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto dmlh = head.find("dmlh");
    ASSERT_NE(dmlh, std::string::npos);
    EXPECT_EQ(le32(head.data() + dmlh + 8), std::uint32_t{kFrames});
    EXPECT_NE(head.find("indx"), std::string::npos);

    EXPECT_EQ(run("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                  "stream=codec_name,width,height,r_frame_rate,nb_read_packets -of csv=p=0 " +
                  path),
              "rawvideo,704,576,25/1,1000\n");
    // The last frame, found through the extended index, is the one sent.
    const std::string last = run("ffmpeg -v error -ss 39.96 -i " + path + " -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
    const IVDImageBuffer expected = TVDImageBuffer::CreateCopy(pictures[(kFrames - 1) % 8]);
    expected->SetFormat(TVDVideoFormat::vfRGB24);
    const auto bytes = pixels(*expected);
    EXPECT_TRUE(last == std::string(bytes.begin(), bytes.end()));
}

}  // namespace
