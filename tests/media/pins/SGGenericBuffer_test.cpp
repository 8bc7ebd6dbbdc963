// The copy-on-write buffer: owner and reference counts through copies,
// writes and ownership hand-over, Assign, the range-checked CopyTo, the raw
// file format with its short-file error, and media time stamps that live in
// the shared container.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "media/pins/MBMediaBuffer.h"
#include "media/pins/SGMemoryBuffer.h"
#include "BufferTestKit.h"

using namespace oculon::pins;

namespace {

using Bytes = std::shared_ptr<TSGBlockBuffer>;

Bytes filled(std::uint32_t n, std::uint8_t first) {
    auto b = TSGBlockBuffer::CreateSize(n);
    std::iota(b->Write(), b->Write() + n, first);
    return b;
}
Bytes copyOf(const Bytes& b) { return testkit::copyOf(*b); }
std::pair<int, int> counts(const TSGGenericBuffer& b) {
    return {b.DataContainer()->CountOwners(), b.DataContainer()->CountTransports()};
}
using testkit::message;

TEST(CopyOnWrite, WritesUnshareOnlyWhileAnotherOwnerIsLeft) {
    const Bytes a = filled(100, 0);
    EXPECT_EQ(counts(*a), std::pair(1, 1));
    std::uint8_t* alone = a->ByteModify();
    EXPECT_EQ(a->ByteModify(), alone);  // a sole owner writes in place
    EXPECT_FALSE(a->Unique(true));

    const Bytes b = copyOf(a);
    EXPECT_EQ(b->DataContainer(), a->DataContainer());
    EXPECT_EQ(counts(*a), std::pair(2, 2));
    EXPECT_TRUE(b->IsEqual(*a));
    b->ByteModify()[0] = 200;  // b moves, taking the bytes along
    EXPECT_NE(b->DataContainer(), a->DataContainer());
    EXPECT_EQ(counts(*a), std::pair(1, 1));
    EXPECT_EQ(counts(*b), std::pair(1, 1));
    EXPECT_EQ(a->GetItem(0), 0);
    EXPECT_EQ(b->GetItem(99), 99);
    EXPECT_FALSE(b->IsEqual(*a));

    // ByteWrite moves without the bytes, to a block as large as the first's.
    const Bytes c = copyOf(a);
    c->ByteWrite();
    EXPECT_NE(c->DataContainer(), a->DataContainer());
    EXPECT_EQ(c->DataContainer()->AllocatedSize(), 128u);
    EXPECT_EQ(a->GetItem(5), 5);

    // A buffer that gave up ownership does not count: the one owner left
    // writes in place and the other sees it.
    const Bytes d = copyOf(a);
    d->RemoveOwnerShip();
    d->RemoveOwnerShip();  // once only
    EXPECT_EQ(counts(*a), std::pair(1, 2));
    d->ByteModify()[1] = 77;
    EXPECT_EQ(d->DataContainer(), a->DataContainer());
    EXPECT_EQ(a->GetItem(1), 77);
    // Unsharing keeps the non-owner a non-owner on its new container.
    const Bytes e = copyOf(a);
    d->ByteModify();
    EXPECT_EQ(counts(*d), std::pair(0, 1));
}

TEST(CopyOnWrite, SequenceStampsReadTheNumberOfTheDataTheyAreOn) {
    const Bytes a = filled(16, 0);
    EXPECT_EQ(&a->GetSequenceStamp().Buffer(), a.get());
    EXPECT_EQ(a->GetSequenceStamp().Number(), std::nullopt);
    a->DataContainer()->SetBufferNumber(7);
    const Bytes b = copyOf(a);
    EXPECT_EQ(&b->GetSequenceStamp().Buffer(), b.get());  // each buffer its own stamp
    EXPECT_EQ(b->GetSequenceStamp().Number(), 7u);
    b->ByteModify();  // moves to new data, which has no number yet
    EXPECT_EQ(b->GetSequenceStamp().Number(), std::nullopt);
    EXPECT_EQ(a->GetSequenceStamp().Number(), 7u);
    EXPECT_EQ(a->DataContainer()->Clone(true)->BufferNumber(), std::nullopt);
}

TEST(CopyOnWrite, AssignSharesAndRefusesOtherObjects) {
    const Bytes a = filled(8, 1), b = filled(16, 50);
    a->Assign(a);
    EXPECT_EQ(counts(*a), std::pair(1, 1));
    a->Assign(b);
    EXPECT_EQ(a->DataContainer(), b->DataContainer());
    EXPECT_EQ(counts(*a), std::pair(2, 2));
    EXPECT_EQ(a->GetSize(), 16u);
    EXPECT_EQ(a->GetItem(15), 65);
    a->Assign(b);  // already on one container: no counting
    EXPECT_EQ(counts(*a), std::pair(2, 2));

    struct NotABuffer : TSGBasicBuffer {
        ISGData MakeCopy() const override { return std::make_shared<NotABuffer>(); }
    };
    EXPECT_THROW(a->Assign(std::make_shared<NotABuffer>()), EIntfCastError);
    EXPECT_EQ(a->GetSize(), 16u);
    EXPECT_FALSE(a->IsEqual(*filled(15, 50)));  // sizes differ
}

TEST(CopyOnWrite, CopyToStaysInsideBothBuffers) {
    const Bytes src = filled(10, 0), dst = filled(10, 100);
    const Bytes kept = copyOf(dst);
    src->CopyTo(2, *dst, 5, 5);
    EXPECT_EQ(dst->GetItem(5), 2);
    EXPECT_EQ(dst->GetItem(9), 6);
    EXPECT_EQ(kept->GetItem(5), 105);  // the destination was unshared first
    EXPECT_EQ(message([&] { src->CopyTo(6, *dst, 0, 5); }), "Index out of range = 6");
    EXPECT_EQ(message([&] { src->CopyTo(0, *dst, 7, 4); }), "Index out of range = 7");
    EXPECT_THROW(src->CopyTo(0xFFFFFFFFu, *dst, 0, 2), ERangeError);
    EXPECT_EQ(dst->GetItem(0), 100);
    src->CopyTo(0, *src, 1, 9);  // overlapping, within one buffer
    EXPECT_EQ(src->GetItem(9), 8);
    src->CopyTo(10, *dst, 10, 0);  // nothing at the very end
}

class Files : public ::testing::Test {
protected:
    std::string path(const char* name) { return ::testing::TempDir() + "sgbuffer_" + name + std::to_string(getpid()); }
    void TearDown() override {
        for (const char* n : {"full", "short", "empty"}) std::remove(path(n).c_str());
    }
};

TEST_F(Files, RawBytesRoundTripAndAShortFileFails) {
    const Bytes all = filled(256, 0);
    all->SaveToFile(path("full"));
    const Bytes back = filled(256, 9), sharer = copyOf(back);
    back->LoadFromFile(path("full"));
    EXPECT_TRUE(back->IsEqual(*all));
    EXPECT_EQ(sharer->GetItem(0), 9);  // loading unshared it

    const Bytes small = filled(10, 0);
    small->LoadFromFile(path("full"));  // a longer file leaves its rest unread
    EXPECT_EQ(small->GetItem(9), 9);

    filled(100, 1)->SaveToFile(path("short"));
    const Bytes big = filled(256, 0);
    EXPECT_EQ(message([&] { big->LoadFromFile(path("short")); }), "Stream-Lesefehler");
    EXPECT_EQ(big->GetItem(99), 100);  // what was read stays

    const Bytes none = TSGBlockBuffer::CreateSize(0);
    none->SaveToFile(path("empty"));
    EXPECT_EQ(std::ifstream(path("empty"), std::ios::ate).tellg(), 0);
    none->LoadFromFile(path("full"));
    EXPECT_THROW(none->LoadFromFile(path("missing")), EFileError);
    EXPECT_THROW(all->SaveToFile("/nonexistent-dir/x"), EFileError);
}

using testkit::Media;
using testkit::Store;

TEST(MediaBuffers, TimeStampsLiveInTheContainer) {
    Media first(8);
    Media second(first);
    first.GetTimeStamp().SetBeginTime(-5'000'000'000'000);
    first.GetTimeStamp().SetAvailable(true);
    EXPECT_EQ(second.GetTimeStamp().BeginTime(), -5'000'000'000'000);
    EXPECT_TRUE(second.GetTimeStamp().Available());
    EXPECT_EQ(counts(first), std::pair(2, 2));  // a stamp is not a write

    second.ByteModify();  // the clone carries the stamp
    second.GetTimeStamp().SetEndTime(42);
    EXPECT_EQ(first.GetTimeStamp().EndTime(), 0);
    EXPECT_EQ(second.GetTimeStamp().BeginTime(), -5'000'000'000'000);

    for (bool copy : {false, true}) {
        const Store made(static_cast<const Store&>(second.MediaContainer()), copy);
        EXPECT_TRUE(made.GetTimeStampAvailable());
        EXPECT_EQ(made.GetTimeStampEnd(), 42);
    }
    Store other(4);
    other.SetTimeData(second.MediaContainer());
    EXPECT_EQ(other.TimeStamp().Begin, -5'000'000'000'000);
    EXPECT_THROW(first.Assign(filled(4, 0)), EIntfCastError);  // no stamp to share
}

}  // namespace
