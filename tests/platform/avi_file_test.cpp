// The AVI writer's file structure read back byte by byte: the headers
// written at close into the room kept for them (a stream added after the
// first chunks included, scale and rate as given), odd chunks padded, and
// every entry of the first-form index and of the extended indexes pointing
// at the chunk it names. Readers such as ffprobe check the rest (tests of
// the AVI logger).

#include "platform/AviFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::platform;

namespace {

std::uint32_t le32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}
std::uint64_t le64(const std::string& s, std::size_t at) {
    std::uint64_t v = 0;
    std::memcpy(&v, s.data() + at, 8);
    return v;
}

// A chunk of the file: its id and where its data starts.
struct Chunk {
    std::string id;
    std::size_t data;
    std::uint32_t size;
};

// The chunks inside the list whose data spans [begin, end), lists entered.
void walk(const std::string& file, std::size_t begin, std::size_t end, std::vector<Chunk>& out) {
    for (std::size_t at = begin; at + 8 <= end;) {
        const std::string id = file.substr(at, 4);
        const std::uint32_t size = le32(file, at + 4);
        ASSERT_LE(at + 8 + size, end) << id << " at " << at;
        out.push_back({id, at + 8, size});
        if (id == "RIFF" || id == "LIST") {
            out.back().id += "/" + file.substr(at + 8, 4);
            walk(file, at + 12, at + 8 + size, out);
        }
        at += 8 + size + (size & 1);
    }
}

const Chunk& find(const std::vector<Chunk>& chunks, const std::string& id, int nth = 0) {
    for (const Chunk& c : chunks)
        if (c.id == id && nth-- == 0) return c;
    static const Chunk none{"", 0, 0};
    ADD_FAILURE() << "no " << id;
    return none;
}

TEST(AviFile, HeadersIndexesAndALateStreamAreWhereReadersLookForThem) {
    const testsupport::TempDir tmp;
    const std::string path = tmp.path() + "/late.avi";
    std::string error;
    auto file = AviFile::create(path, error);
    ASSERT_TRUE(file) << error;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const int video = file->addUncompressedVideo({2, 2, BitmapLayout::bgr24, true}, 10000, 20'000'000, 0, error);
    ASSERT_EQ(video, 0) << error;
    const std::uint8_t frame[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_TRUE(file->writeVideo(video, frame, sizeof frame, true));
    // Audio joins after the first frame; its chunks of odd size are padded.
    const int audio = file->addAudio(WaveFormat::pcm(1, 8000, 8), error);
    ASSERT_EQ(audio, 1) << error;
    const std::uint8_t samples[3] = {0x80, 0x81, 0x82};
    ASSERT_TRUE(file->writeAudio(audio, samples, sizeof samples));
    ASSERT_TRUE(file->writeVideo(video, frame, sizeof frame, false));
    ASSERT_TRUE(file->writeAudio(audio, samples, sizeof samples));
    ASSERT_TRUE(file->close());

    const std::string bytes = testsupport::readFile(path);
    std::vector<Chunk> chunks;
    walk(bytes, 0, bytes.size(), chunks);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].id, "RIFF/AVI ");
    EXPECT_EQ(chunks[0].data + chunks[0].size, bytes.size());

    const Chunk& avih = find(chunks, "avih");
    EXPECT_EQ(le32(bytes, avih.data + 0), 500u);  // microseconds per frame at 2000 per second
    EXPECT_EQ(le32(bytes, avih.data + 16), 2u);   // frames
    EXPECT_EQ(le32(bytes, avih.data + 24), 2u);   // streams
    // The video header: the rate as given; the audio header: timed by bytes.
    const Chunk& vids = find(chunks, "strh", 0);
    EXPECT_EQ(bytes.substr(vids.data, 4), "vids");
    EXPECT_EQ(le32(bytes, vids.data + 20), 10000u);
    EXPECT_EQ(le32(bytes, vids.data + 24), 20'000'000u);
    EXPECT_EQ(le32(bytes, vids.data + 32), 2u);
    const Chunk& auds = find(chunks, "strh", 1);
    EXPECT_EQ(bytes.substr(auds.data, 4), "auds");
    EXPECT_EQ(le32(bytes, auds.data + 20), 1u);
    EXPECT_EQ(le32(bytes, auds.data + 24), 8000u);
    EXPECT_EQ(le32(bytes, auds.data + 32), 6u);
    EXPECT_EQ(le32(bytes, find(chunks, "dmlh").data), 2u);
    // The headers fill the room before the data exactly.
    const Chunk& movi = find(chunks, "LIST/movi");
    EXPECT_EQ(movi.data - 8, 32u * 1024);

    // Each index entry names a chunk of its stream, of its size, at its place.
    std::map<std::string, int> chunksOf;
    const Chunk& idx1 = find(chunks, "idx1");
    ASSERT_EQ(idx1.size, 4u * 16);
    for (std::uint32_t i = 0; i < 4; ++i) {
        const std::size_t entry = idx1.data + 16 * i;
        const std::string id = bytes.substr(entry, 4);
        const std::size_t chunk = movi.data + le32(bytes, entry + 8);
        EXPECT_EQ(bytes.substr(chunk, 4), id);
        EXPECT_EQ(le32(bytes, chunk + 4), le32(bytes, entry + 12));
        EXPECT_EQ(le32(bytes, entry + 4), id == "00db" && i == 2 ? 0u : 0x10u) << i;  // the second frame is no key
        ++chunksOf[id];
    }
    EXPECT_EQ(chunksOf["00db"], 2);
    EXPECT_EQ(chunksOf["01wb"], 2);
    EXPECT_EQ(bytes[movi.data + 4 + 24 + 8 + 3], '\0');  // the pad after the first 3 audio bytes

    // The extended index: each stream's index of indexes names its index of
    // chunks, whose entries point at the chunks' data.
    for (int stream = 0; stream < 2; ++stream) {
        const Chunk& indx = find(chunks, "indx", stream);
        ASSERT_EQ(le32(bytes, indx.data + 4), 1u);  // entries in use
        const std::size_t ix = le64(bytes, indx.data + 24);
        const std::string id = stream == 0 ? "00db" : "01wb";
        EXPECT_EQ(bytes.substr(ix, 4), stream == 0 ? "ix00" : "ix01");
        EXPECT_EQ(le32(bytes, indx.data + 24 + 8), 8 + le32(bytes, ix + 4));
        EXPECT_EQ(le32(bytes, indx.data + 24 + 12), stream == 0 ? 2u : 6u);  // duration
        ASSERT_EQ(le32(bytes, ix + 8 + 4), 2u);
        const std::uint64_t base = le64(bytes, ix + 8 + 12);
        for (int e = 0; e < 2; ++e) {
            const std::size_t data = base + le32(bytes, ix + 8 + 24 + 8 * e);
            const std::uint32_t size = le32(bytes, ix + 8 + 24 + 8 * e + 4);
            EXPECT_EQ(bytes.substr(data - 8, 4), id);
            EXPECT_EQ(le32(bytes, data - 4), size & 0x7FFFFFFF);
            EXPECT_EQ((size & 0x80000000u) != 0, stream == 0 && e == 1);
        }
    }
}

TEST(AviFile, RefusesWhatItsHeadersCannotHold) {
    const testsupport::TempDir tmp;
    std::string error;
    auto file = AviFile::create(tmp.path() + "/full.avi", error);
    ASSERT_TRUE(file);
    for (int i = 0; i < AviFile::kMaxStreams; ++i) EXPECT_EQ(file->addAudio(WaveFormat::pcm(1, 8000, 8), error), i);
    EXPECT_EQ(file->addAudio(WaveFormat::pcm(1, 8000, 8), error), -1);
    EXPECT_EQ(error, "too many streams");
    EXPECT_EQ(file->addUncompressedVideo({70000, 2, BitmapLayout::bgr24, true}, 1, 25, 0, error), -1);
    EXPECT_FALSE(file->writeVideo(0, nullptr, 0, true));  // stream 0 is audio
    EXPECT_TRUE(file->close());
    EXPECT_FALSE(file->writeAudio(0, nullptr, 0));
    EXPECT_EQ(file->lastError(), "the file is closed");
}

}  // namespace
