// The video compression settings: the code each new choice gets, the names,
// the lists of installed compressors in their three forms, and copies.
#include <gtest/gtest.h>

#include "media/video/VDVideoCompression.h"

using namespace oculon::mediavideo;
using oculon::pins::TPNLock;

namespace {

struct FakeInstalled : IVDInstalledCompressors {
    std::vector<Entry> entries;
    std::vector<Entry> Accepting() override { return entries; }
    std::optional<std::string> Describe(const std::string& code) override {
        for (const auto& e : entries)
            if (e.Code == code) return e.Description;
        return std::nullopt;
    }
};

struct Settings {
    std::shared_ptr<FakeInstalled> installed = std::make_shared<FakeInstalled>();
    TVDVideoCompression compression{nullptr, *std::make_shared<TPNLock>(), installed};
    TVDVideoCompressionItems& items = compression.Compressions();

    std::string NewHandler(const std::vector<std::string>& list) {
        std::string code = "unset";
        items.GetNewHandler(list, code);
        return code;
    }
};

}  // namespace

TEST(VideoCompression, NewItemsTakeTheInstalledCodeUsedLeast) {
    Settings s;
    EXPECT_EQ(s.items.Add().Compressor(), "CVID");  // nothing installed
    EXPECT_EQ(s.NewHandler({}), "CVID");

    s.items.Clear();
    s.installed->entries = {{"AAAA", "first"}, {"BBBB", "second"}};
    EXPECT_EQ(s.items.Add().Compressor(), "AAAA");  // none used: the first listed
    EXPECT_EQ(s.items.Add().Compressor(), "BBBB");
    EXPECT_EQ(s.items.Add().Compressor(), "AAAA");  // a tie goes to the earlier code
    EXPECT_EQ(s.items.GetCountChannelsOfHandler("AAAA"), 2);
    EXPECT_EQ(s.NewHandler({"AAAA", "BBBB", "CCCC"}), "CCCC");
    s.items.Items(2).SetCompressor("CCCC");
    EXPECT_EQ(s.NewHandler({"CCCC", "AAAA", "BBBB"}), "CCCC");  // all once: the first listed
    EXPECT_EQ(s.items.GetCountChannelsOfHandler("aaaa"), 0);    // exactly this text
}

TEST(VideoCompression, ItemsStoreCodesUpperCasedAndNameThem) {
    Settings s;
    s.installed->entries = {{"MJPG", "Motion pictures"}};
    auto& item = s.items.Add();
    item.SetCompressor("mjpg");
    EXPECT_EQ(item.Compressor(), "MJPG");
    EXPECT_EQ(item.GetFOURCC(), 0x47504A4Du);  // 'M' in the lowest byte
    EXPECT_EQ(item.Name(), "[MJPG] - Motion pictures");
    item.SetCompressor("zz9");
    EXPECT_EQ(item.GetName(), "[ZZ9] - Unknown Type");
    EXPECT_EQ(item.GetFOURCC(), 0x20395A5Au);  // padded with a blank
}

TEST(VideoCompression, AvailableCompressionsInThreeFormsAreAppended) {
    Settings s;
    s.installed->entries = {{"CVID", "Vectors"}, {"H264", "Blocks"}};
    std::vector<std::string> list{"kept"};
    s.items.GetAvailableCompressions(list, TVDCompressionListMode::Code);
    s.items.GetAvailableCompressions(list, TVDCompressionListMode::Description);
    s.items.GetAvailableCompressions(list, TVDCompressionListMode::CodeAndDescription);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "CVID", "H264", "Vectors", "Blocks", "[CVID] - Vectors",
                                              "[H264] - Blocks"}));
}

TEST(VideoCompression, AssignCopiesTheSwitchAndEveryItem) {
    Settings from, to;
    from.compression.SetEnabled(true);
    auto& item = from.items.Add();
    item.SetCompressor("XVID");
    item.SetQuality(7500);
    item.KeyFrames().SetEnabled(true);
    item.KeyFrames().SetPeriod(25);
    from.items.Add().SetCompressor("MJPG");
    to.items.Add();
    to.compression.Assign(from.compression);
    EXPECT_TRUE(to.compression.Enabled());
    ASSERT_EQ(to.items.Count(), 2u);
    auto& first = to.items.Items(0);
    EXPECT_EQ(std::tuple(first.Compressor(), first.Quality(), first.KeyFrames().Enabled(), first.KeyFrames().Period()),
              std::tuple("XVID", 7500u, true, 25u));
    EXPECT_EQ(to.items.Items(1).Compressor(), "MJPG");
    to.compression.Assign(to.compression);  // onto itself: unchanged
    EXPECT_EQ(to.items.Count(), 2u);
}

TEST(VideoCompression, TheInstalledCompressorsStartWithTheCommonOnes) {
    TVDVideoCompression compression(nullptr, *std::make_shared<TPNLock>());
    auto& items = compression.Compressions();
    std::vector<std::string> codes;
    items.GetAvailableCompressions(codes, TVDCompressionListMode::Code);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], "MJPG");
    EXPECT_EQ(codes[1], "CVID");
    EXPECT_EQ(items.Add().Name(), "[MJPG] - MJPEG (Motion JPEG)");
    EXPECT_EQ(items.Add().Compressor(), "CVID");
}
