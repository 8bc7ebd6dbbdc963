#include "platform/AviFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/LittleEndian.h"
#include "platform/TemporaryFile.h"
#include "platform/UniqueFd.h"
#include "platform/VideoEncoderSession.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace oculon::platform {

namespace {

// Files of the first form end at 1 GB; the extended form goes on in further
// RIFF lists of about that size, as readers of such files expect.
constexpr std::uint64_t kRiffLimit = std::uint64_t{1} << 30;
// Room for the headers before the first chunk: written at close.
constexpr std::uint32_t kHeaderRoom = 32 * 1024;
// Each stream's index of indexes has room for this many RIFF lists (256 GB).
constexpr std::uint32_t kSuperIndexEntries = 256;
constexpr std::uint32_t kSuperIndexSize = 24 + 16 * kSuperIndexEntries;
constexpr std::uint32_t kExtendedHeaderSize = 248;
// Chunks this large go straight to the file rather than through the buffer.
constexpr std::size_t kBufferSize = 1 << 20;
// A chunk size of the extended index keeps its top bit for "no key frame".
constexpr std::size_t kLargestChunk = 0x7FFFFFFF - 1;

constexpr std::uint32_t kKeyFrameFlag = 0x10;        // idx1
constexpr std::uint32_t kNotKeyFrame = 0x80000000u;  // extended index
constexpr std::uint32_t kHasIndex = 0x10, kIsInterleaved = 0x100, kTrustChunkType = 0x800;
// The compression code that announces the three colour masks after the header.
constexpr std::uint32_t kBitFields = 3;

constexpr std::uint32_t tag(const char (&s)[5]) {
    return static_cast<std::uint8_t>(s[0]) | static_cast<std::uint8_t>(s[1]) << 8 |
           static_cast<std::uint8_t>(s[2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

// Little-endian bytes with RIFF chunks whose sizes are filled in at their end.
class RiffBytes {
public:
    std::vector<std::uint8_t> bytes;

    void u16(std::uint32_t v) { appendLittle(bytes, v, 2); }
    void u32(std::uint64_t v) { appendLittle(bytes, v, 4); }
    void u64(std::uint64_t v) { appendLittle(bytes, v, 8); }
    void append(const std::vector<std::uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
    // A chunk (or, with `listType`, a list) whose size end() fills in.
    std::size_t begin(std::uint32_t id, std::uint32_t listType = 0) {
        u32(id);
        const std::size_t at = bytes.size();
        u32(0);
        if (listType) u32(listType);
        return at;
    }
    void end(std::size_t at) {
        const std::size_t size = bytes.size() - at - 4;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(size >> (8 * i));
        if (size & 1) bytes.push_back(0);
    }
};

// Stream numbers and chunk kinds make the chunk id: "00db", "01wb", ...
std::uint32_t chunkId(int stream, const char (&kind)[3]) {
    return static_cast<std::uint32_t>('0' + stream / 10) | static_cast<std::uint32_t>('0' + stream % 10) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(kind[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(kind[1])) << 24;
}

// A stream's index of chunks: "ix00", "ix01", ...
std::uint32_t indexChunkId(int stream) {
    return tag("ix00") + (static_cast<std::uint32_t>(stream / 10) << 16) +
           (static_cast<std::uint32_t>(stream % 10) << 24);
}

// The 40-byte bitmap header of a video stream and what follows it.
std::vector<std::uint8_t> bitmapHeader(int width, int height, int bits, std::uint32_t compression,
                                       std::uint32_t imageSize, const std::vector<std::uint8_t>& extra,
                                       bool extraInSize) {
    RiffBytes b;
    b.u32(40 + (extraInSize ? extra.size() : 0));
    b.u32(static_cast<std::uint32_t>(width));
    // Positive: rows stored from the bottom up (for compressed data: as the codec says).
    b.u32(static_cast<std::uint32_t>(height));
    b.u16(1);
    b.u16(static_cast<std::uint32_t>(bits));
    b.u32(compression);
    b.u32(imageSize);
    for (int i = 0; i < 4; ++i) b.u32(0);
    b.append(extra);
    return b.bytes;
}

std::vector<std::uint8_t> rawBitmapHeader(const BitmapFormat& format) {
    std::vector<std::uint8_t> extra;
    std::uint32_t compression = 0;
    switch (format.layout) {
        case BitmapLayout::gray8:
            for (std::uint32_t i = 0; i < 256; ++i) appendLittle(extra, i | i << 8 | i << 16, 4);
            break;
        case BitmapLayout::rgb565:
            compression = kBitFields;
            for (const std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) appendLittle(extra, mask, 4);
            break;
        default: break;
    }
    return bitmapHeader(format.width, format.height, bytesPerPixel(format.layout) * 8, compression, 0, extra, false);
}

struct StreamIndexEntry {
    std::uint32_t offset;  // of the data, from the RIFF list's movi list
    std::uint32_t size;    // with kNotKeyFrame
};

struct Stream {
    bool video = true;
    std::uint32_t id = 0;       // chunk id
    std::uint32_t handler = 0;  // compressor code
    std::uint32_t scale = 1;
    std::uint32_t rate = 1;
    std::uint32_t sampleSize = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t width = 0, height = 0;
    std::vector<std::uint8_t> format;  // the strf chunk's bytes
    std::uint64_t length = 0;          // frames, or audio blocks
    std::uint64_t firstRiffLength = 0;
    std::uint32_t largestChunk = 0;
    // The chunks of the RIFF list being written, and its duration.
    std::vector<StreamIndexEntry> segment;
    std::uint64_t segmentLength = 0;
    struct IndexChunk {
        std::uint64_t offset;
        std::uint32_t size;
        std::uint32_t duration;
    };
    std::vector<IndexChunk> indexes;
};

std::size_t strlSize(const Stream& s) {
    return 12 + (8 + 56) + (8 + s.format.size() + (s.format.size() & 1)) + (8 + kSuperIndexSize);
}

std::size_t headerSize(const std::vector<Stream>& streams) {
    std::size_t size = 12 + (8 + 56) + (12 + 8 + kExtendedHeaderSize);
    for (const Stream& s : streams) size += strlSize(s);
    return size;
}

}  // namespace

struct AviFile::Impl {
    std::string path;
    UniqueFd fd;
    std::vector<Stream> streams;
    std::vector<std::uint8_t> buffer;  // bytes not yet in the file, ending at `position`
    std::uint64_t position = 0;        // where the next byte goes
    std::uint64_t riffStart = 0;       // the RIFF list being written
    std::uint64_t moviStart = 0;       // its movi list
    bool firstRiff = true;
    RiffBytes legacyIndex;  // idx1 of the first RIFF list
    bool closed = false;
    bool broken = false;
    std::string lastError;

    bool fail(std::string text) {
        lastError = std::move(text);
        return false;
    }
    bool systemFail(const char* what) { return fail(std::string(what) + ": " + std::strerror(errno)); }

    bool writeOut(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd.get(), data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errno = ENOSPC;
                broken = true;
                return systemFail("the file cannot be written");
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool flush() {
        const bool ok = writeOut(buffer.data(), buffer.size());
        buffer.clear();
        return ok;
    }
    bool append(const std::uint8_t* data, std::size_t size) {
        position += size;
        if (buffer.size() + size <= kBufferSize) {
            buffer.insert(buffer.end(), data, data + size);
            return true;
        }
        return flush() && writeOut(data, size);
    }
    bool append(const std::vector<std::uint8_t>& bytes) { return append(bytes.data(), bytes.size()); }
    // Writes over bytes already in the file (or in the buffer).
    bool patch(std::uint64_t at, const std::vector<std::uint8_t>& bytes) {
        if (!flush()) return false;
        if (::pwrite(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(at)) !=
            static_cast<ssize_t>(bytes.size()))
            return systemFail("the file cannot be finished");
        return true;
    }
    bool patchSize(std::uint64_t chunkAt, std::uint64_t end) {
        std::vector<std::uint8_t> size;
        appendLittle(size, end - chunkAt - 8, 4);
        return patch(chunkAt + 4, size);
    }

    bool beginRiff(std::uint32_t type) {
        riffStart = position;
        moviStart = position + 12;
        RiffBytes b;
        b.begin(tag("RIFF"), type);
        b.begin(tag("LIST"), tag("movi"));
        return append(b.bytes);
    }

    bool start() {
        // The headers come at close; until then the room is junk.
        std::vector<std::uint8_t> room(kHeaderRoom);
        RiffBytes b;
        b.begin(tag("RIFF"), tag("AVI "));
        b.begin(tag("JUNK"));
        std::copy(b.bytes.begin(), b.bytes.end(), room.begin());
        appendLittleAt(room, 16, kHeaderRoom - 20);
        if (!append(room)) return false;
        riffStart = 0;
        moviStart = kHeaderRoom;
        RiffBytes movi;
        movi.begin(tag("LIST"), tag("movi"));
        return append(movi.bytes);
    }
    static void appendLittleAt(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    // Ends the RIFF list being written: each stream's index of its chunks
    // there, and in the first one also the index of the first form.
    bool endRiff() {
        for (std::size_t i = 0; i < streams.size(); ++i) {
            Stream& s = streams[i];
            if (s.segment.empty()) continue;
            if (s.indexes.size() == kSuperIndexEntries) return fail("the file is too large for its index");
            RiffBytes ix;
            ix.u32(indexChunkId(static_cast<int>(i)));
            ix.u32(24 + 8 * s.segment.size());
            ix.u16(2);
            ix.bytes.push_back(0);
            ix.bytes.push_back(1);  // an index of chunks
            ix.u32(s.segment.size());
            ix.u32(s.id);
            ix.u64(moviStart);
            ix.u32(0);
            for (const StreamIndexEntry& e : s.segment) {
                ix.u32(e.offset);
                ix.u32(e.size);
            }
            s.indexes.push_back(
                {position, static_cast<std::uint32_t>(ix.bytes.size()), static_cast<std::uint32_t>(s.segmentLength)});
            if (!append(ix.bytes)) return false;
            s.segment.clear();
            s.segmentLength = 0;
        }
        const std::uint64_t moviEnd = position;
        if (firstRiff) {
            RiffBytes idx1;
            const std::size_t size = idx1.begin(tag("idx1"));
            idx1.append(legacyIndex.bytes);
            idx1.end(size);
            if (!append(idx1.bytes)) return false;
            legacyIndex.bytes.clear();
            legacyIndex.bytes.shrink_to_fit();
            for (Stream& s : streams) s.firstRiffLength = s.length;
        }
        return patchSize(moviStart, moviEnd) && patchSize(riffStart, position);
    }

    bool write(int index, const std::uint8_t* data, std::size_t size, bool keyFrame, std::uint64_t length) {
        if (closed) return fail("the file is closed");
        if (broken) return false;
        if (index < 0 || index >= static_cast<int>(streams.size())) return fail("no such stream");
        if (size > kLargestChunk) return fail("chunk too large");
        Stream& s = streams[static_cast<std::size_t>(index)];
        const std::size_t padded = size + (size & 1);
        if (position - riffStart + 8 + padded > kRiffLimit && position > moviStart + 12) {
            if (!endRiff()) return false;
            firstRiff = false;
            if (!beginRiff(tag("AVIX"))) return false;
        }
        const std::uint64_t at = position;
        if (firstRiff) {
            legacyIndex.u32(s.id);
            legacyIndex.u32(keyFrame ? kKeyFrameFlag : 0);
            legacyIndex.u32(at - (moviStart + 8));
            legacyIndex.u32(size);
        }
        s.segment.push_back({static_cast<std::uint32_t>(at + 8 - moviStart),
                             static_cast<std::uint32_t>(size) | (keyFrame ? 0 : kNotKeyFrame)});
        s.length += length;
        s.segmentLength += length;
        s.largestChunk = std::max(s.largestChunk, static_cast<std::uint32_t>(size));
        RiffBytes head;
        head.u32(s.id);
        head.u32(size);
        const std::uint8_t pad = 0;
        return append(head.bytes) && append(data, size) && ((size & 1) == 0 || append(&pad, 1));
    }

    std::vector<std::uint8_t> headers() const {
        const Stream* video = nullptr;
        std::uint64_t maxBytesPerSecond = 0;
        std::uint32_t largest = 0;
        for (const Stream& s : streams) {
            if (s.video && !video) video = &s;
            maxBytesPerSecond += s.bytesPerSecond;
            largest = std::max(largest, s.largestChunk);
        }
        RiffBytes b;
        const std::size_t hdrl = b.begin(tag("LIST"), tag("hdrl"));
        const std::size_t avih = b.begin(tag("avih"));
        b.u32(video ? (std::uint64_t{video->scale} * 1'000'000 + video->rate / 2) / video->rate : 0);
        b.u32(std::min<std::uint64_t>(maxBytesPerSecond, UINT32_MAX));
        b.u32(0);
        b.u32(kHasIndex | kIsInterleaved | kTrustChunkType);
        b.u32(video ? std::min<std::uint64_t>(video->firstRiffLength, UINT32_MAX) : 0);
        b.u32(0);
        b.u32(streams.size());
        b.u32(largest);
        b.u32(video ? video->width : 0);
        b.u32(video ? video->height : 0);
        for (int i = 0; i < 4; ++i) b.u32(0);
        b.end(avih);
        for (const Stream& s : streams) {
            const std::size_t strl = b.begin(tag("LIST"), tag("strl"));
            const std::size_t strh = b.begin(tag("strh"));
            b.u32(s.video ? tag("vids") : tag("auds"));
            b.u32(s.handler);
            b.u32(0);  // flags
            b.u32(0);  // priority, language
            b.u32(0);  // initial frames
            b.u32(s.scale);
            b.u32(s.rate);
            b.u32(0);  // start
            b.u32(std::min<std::uint64_t>(s.length, UINT32_MAX));
            b.u32(s.largestChunk);
            b.u32(0);  // quality
            b.u32(s.sampleSize);
            b.u16(0);
            b.u16(0);
            b.u16(s.width);
            b.u16(s.height);
            b.end(strh);
            const std::size_t strf = b.begin(tag("strf"));
            b.append(s.format);
            b.end(strf);
            const std::size_t indx = b.begin(tag("indx"));
            b.u16(4);
            b.bytes.push_back(0);
            b.bytes.push_back(0);  // an index of indexes
            b.u32(s.indexes.size());
            b.u32(s.id);
            for (int i = 0; i < 3; ++i) b.u32(0);
            for (const auto& e : s.indexes) {
                b.u64(e.offset);
                b.u32(e.size);
                b.u32(e.duration);
            }
            b.bytes.resize(indx + 4 + kSuperIndexSize, 0);
            b.end(indx);
            b.end(strl);
        }
        const std::size_t odml = b.begin(tag("LIST"), tag("odml"));
        const std::size_t dmlh = b.begin(tag("dmlh"));
        b.u32(video ? std::min<std::uint64_t>(video->length, UINT32_MAX) : 0);
        b.bytes.resize(dmlh + 4 + kExtendedHeaderSize, 0);
        b.end(dmlh);
        b.end(odml);
        b.end(hdrl);
        // The rest of the room stays junk.
        const std::size_t junk = b.begin(tag("JUNK"));
        b.bytes.resize(kHeaderRoom - 12, 0);
        b.end(junk);
        return b.bytes;
    }

    int add(Stream stream, std::string& error) {
        if (closed) {
            error = "the file is closed";
            return -1;
        }
        if (streams.size() == static_cast<std::size_t>(kMaxStreams)) {
            error = "too many streams";
            return -1;
        }
        streams.push_back(std::move(stream));
        // The headers and a junk chunk after them fill the room exactly.
        if (headerSize(streams) + 8 > kHeaderRoom - 12) {
            streams.pop_back();
            error = "the stream's format is too large for the header";
            return -1;
        }
        const int index = static_cast<int>(streams.size()) - 1;
        Stream& s = streams.back();
        s.id = chunkId(index, s.video ? (s.handler ? "dc" : "db") : "wb");
        return index;
    }
};

AviFile::AviFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

AviFile::~AviFile() {
    if (!impl_->closed) close();
}

bool AviFile::isUnfinished(std::string_view head) {
    return head.size() >= 16 && head.substr(0, 4) == "RIFF" && head.substr(8, 8) == "AVI JUNK";
}

const std::string& AviFile::lastError() const { return impl_->lastError; }
const std::string& AviFile::path() const { return impl_->path; }

std::unique_ptr<AviFile> AviFile::create(const std::string& path, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    FileFailure failure;
    impl->fd = createPrivateFile(path, failure);
    if (!impl->fd) {
        const int code = errno;
        error = failure.reason();
        errno = code;
        return nullptr;
    }
    impl->buffer.reserve(kBufferSize);
    // The head goes to the file at once: by it the clean-up knows what a
    // writer killed before the first frame left.
    if (!impl->start() || !impl->flush()) {
        const int code = errno;
        error = impl->lastError;
        ::unlink(path.c_str());
        errno = code;
        return nullptr;
    }
    return std::make_unique<AviFile>(std::move(impl));
}

int AviFile::addUncompressedVideo(const BitmapFormat& format, std::uint32_t scale, std::uint32_t rate,
                                  std::uint32_t bytesPerSecond, std::string& error) {
    if (!format.bottomUp) {
        error = "uncompressed bitmaps are stored bottom-up";
        return -1;
    }
    // The stream header holds the frame's rectangle in 16-bit fields.
    if (format.width < 1 || format.height < 1 || format.width > 0xFFFF || format.height > 0xFFFF || scale < 1 ||
        rate < 1) {
        error = "picture size or frame rate out of range";
        return -1;
    }
    Stream s;
    s.scale = scale;
    s.rate = rate;
    s.bytesPerSecond = bytesPerSecond;
    s.width = static_cast<std::uint16_t>(format.width);
    s.height = static_cast<std::uint16_t>(format.height);
    s.format = rawBitmapHeader(format);
    return impl_->add(std::move(s), error);
}

int AviFile::addCompressedVideo(const VideoEncoderSession& session, std::uint32_t scale, std::uint32_t rate,
                                std::string& error) {
    const BitmapFormat& picture = session.settings().format;
    if (picture.width < 1 || picture.height < 1 || picture.width > 0xFFFF || picture.height > 0xFFFF || scale < 1 ||
        rate < 1) {
        error = "picture size or frame rate out of range";
        return -1;
    }
    AVCodecParameters* par = avcodec_parameters_alloc();
    if (!par) {
        error = "out of memory";
        return -1;
    }
    session.copyStreamParameters(*par);
    const std::vector<std::uint8_t> extra(par->extradata, par->extradata + std::max(par->extradata_size, 0));
    const int bits = par->bits_per_coded_sample > 0 ? par->bits_per_coded_sample : 24;
    avcodec_parameters_free(&par);
    Stream s;
    s.handler = session.streamTag();
    s.scale = scale;
    s.rate = rate;
    s.width = static_cast<std::uint16_t>(picture.width);
    s.height = static_cast<std::uint16_t>(picture.height);
    const auto imageSize =
        static_cast<std::uint32_t>((std::uint64_t{s.width} * s.height * static_cast<std::uint32_t>(bits) + 7) / 8);
    s.format = bitmapHeader(picture.width, picture.height, bits, s.handler, imageSize, extra, true);
    return impl_->add(std::move(s), error);
}

int AviFile::addAudio(const WaveFormat& format, std::string& error) {
    if (format.channels < 1 || format.samplesPerSec < 1 || format.avgBytesPerSec < 1 || format.blockAlign < 1) {
        error = "audio format not supported";
        return -1;
    }
    Stream s;
    s.video = false;
    s.scale = format.blockAlign;
    s.rate = format.avgBytesPerSec;
    s.sampleSize = format.blockAlign;
    s.bytesPerSecond = format.avgBytesPerSec;
    s.format = format.bytes();
    return impl_->add(std::move(s), error);
}

bool AviFile::writeVideo(int stream, const std::uint8_t* data, std::size_t size, bool keyFrame) {
    if (stream >= 0 && stream < static_cast<int>(impl_->streams.size()) &&
        !impl_->streams[static_cast<std::size_t>(stream)].video)
        return impl_->fail("no video stream");
    return impl_->write(stream, data, size, keyFrame, 1);
}

bool AviFile::writeAudio(int stream, const std::uint8_t* data, std::size_t size) {
    if (stream >= 0 && stream < static_cast<int>(impl_->streams.size()) &&
        impl_->streams[static_cast<std::size_t>(stream)].video)
        return impl_->fail("no audio stream");
    // The stream counts its length in blocks of its alignment.
    const std::uint32_t block = stream >= 0 && stream < static_cast<int>(impl_->streams.size())
                                    ? impl_->streams[static_cast<std::size_t>(stream)].sampleSize
                                    : 1;
    return impl_->write(stream, data, size, true, size / std::max<std::uint32_t>(block, 1));
}

bool AviFile::close() {
    Impl& s = *impl_;
    if (s.closed) return s.lastError.empty();
    s.closed = true;
    bool ok = !s.broken && s.endRiff() && s.patch(12, s.headers()) && s.flush();
    if (!s.fd.close() && ok) ok = s.systemFail("the file cannot be finished");
    if (!ok && s.lastError.empty()) s.lastError = "the file cannot be finished";
    return ok;
}

}  // namespace oculon::platform
