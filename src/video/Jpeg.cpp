#include "video/Jpeg.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace oculon::video {

namespace {

// Scans a progressive picture may have before it counts as hostile: each scan
// makes the library pass over the whole coefficient buffer again.
constexpr int kMaxScans = 256;
constexpr int kMaxDimension = JPEG_MAX_DIMENSION;
constexpr std::size_t kMaxComment = 65533;  // a marker segment's length field counts itself

// libjpeg reports errors through error_exit, which must not return. We jump
// back to the guarded call below; between the two lie only libjpeg's C frames
// and lambdas without destructors, so nothing is skipped that needs cleanup.
struct ErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer is also ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings = 0;
    bool hitMarker = false;  // entropy data ended while bits were still needed
};

ErrorManager& errorsOf(j_common_ptr cinfo) { return *reinterpret_cast<ErrorManager*>(cinfo->err); }

[[noreturn]] void failWith(j_common_ptr cinfo, const char* text) {
    ErrorManager& err = errorsOf(cinfo);
    std::snprintf(err.message, sizeof err.message, "%s", text);
    std::longjmp(err.jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    ErrorManager& err = errorsOf(cinfo);
    cinfo->err->format_message(cinfo, err.message);
    std::longjmp(err.jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    ErrorManager& err = errorsOf(cinfo);
    ++err.warnings;
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_HIT_MARKER) err.hitMarker = true;
}

void outputMessage(j_common_ptr) {}  // never to stderr

void installErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.message[0] = '\0';
}

template <typename Body>
bool guarded(ErrorManager& err, Body&& body) {
    if (setjmp(err.jump) != 0) return false;
    body();
    return true;
}

void progressMonitor(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        failWith(cinfo, "JPEG picture has too many scans");
    }
}

// Reads from memory. When the data runs out, it supplies an end marker as
// libjpeg's own sources do, and notes it so the caller can tell a truncated
// picture from one that only lacks its end marker.
struct MemorySource {
    jpeg_source_mgr pub;
    bool ranOut = false;

    static constexpr JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};

    static MemorySource& of(j_decompress_ptr cinfo) { return *reinterpret_cast<MemorySource*>(cinfo->src); }

    static void init(j_decompress_ptr) {}
    static boolean fill(j_decompress_ptr cinfo) {
        MemorySource& src = of(cinfo);
        if (!src.ranOut) WARNMS(cinfo, JWRN_JPEG_EOF);
        src.ranOut = true;
        src.pub.next_input_byte = kEndMarker;
        src.pub.bytes_in_buffer = sizeof kEndMarker;
        return TRUE;
    }
    static void skip(j_decompress_ptr cinfo, long count) {
        if (count <= 0) return;
        jpeg_source_mgr& pub = of(cinfo).pub;
        if (static_cast<unsigned long>(count) > pub.bytes_in_buffer) {
            fill(cinfo);
            return;
        }
        pub.next_input_byte += count;
        pub.bytes_in_buffer -= static_cast<std::size_t>(count);
    }
    static void term(j_decompress_ptr) {}

    MemorySource() {
        pub.init_source = init;
        pub.fill_input_buffer = fill;
        pub.skip_input_data = skip;
        pub.resync_to_restart = jpeg_resync_to_restart;
        pub.term_source = term;
        reset({});
    }
    void reset(std::span<const std::uint8_t> data) {
        pub.next_input_byte = data.data();
        pub.bytes_in_buffer = data.size();
        ranOut = false;
    }
};

// Writes into a growing vector.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t> bytes;

    static VectorDestination& of(j_compress_ptr cinfo) { return *reinterpret_cast<VectorDestination*>(cinfo->dest); }

    static void grow(j_compress_ptr cinfo, std::size_t size) {
        VectorDestination& dest = of(cinfo);
        const std::size_t used = dest.bytes.size();
        bool grown = true;
        try {
            dest.bytes.resize(size);
        } catch (const std::bad_alloc&) {
            grown = false;
        }
        if (!grown) failWith(reinterpret_cast<j_common_ptr>(cinfo), "out of memory for the JPEG picture");
        dest.pub.next_output_byte = dest.bytes.data() + used;
        dest.pub.free_in_buffer = dest.bytes.size() - used;
    }
    static void init(j_compress_ptr cinfo) {
        of(cinfo).bytes.clear();
        grow(cinfo, 64 * 1024);
    }
    static boolean empty(j_compress_ptr cinfo) {
        grow(cinfo, of(cinfo).bytes.size() * 2);
        return TRUE;
    }
    static void term(j_compress_ptr cinfo) {
        VectorDestination& dest = of(cinfo);
        dest.bytes.resize(dest.bytes.size() - dest.pub.free_in_buffer);
    }

    VectorDestination() {
        pub.init_destination = init;
        pub.empty_output_buffer = empty;
        pub.term_destination = term;
    }
};

J_COLOR_SPACE colorSpaceOf(PixelFormat format) {
    if (format == PixelFormat::Rgb24) return JCS_RGB;
    // B, G, R, X in memory is the 0xXXRRGGBB word only on little-endian machines
    return std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
}

bool validScale(int denom) { return denom == 1 || denom == 2 || denom == 4 || denom == 8; }

constexpr const char* kScaleRule = "JPEG scale must be 1/1, 1/2, 1/4 or 1/8";

void checkDecodeOptions(const DecodeOptions& options) {
    if (!validScale(options.scaleDenom)) throw std::invalid_argument(kScaleRule);
    if (options.maxPixels <= 0) throw std::invalid_argument("JPEG pixel bound must be positive");
}

JpegInfo infoOf(const jpeg_decompress_struct& cinfo) {
    return {static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height), cinfo.num_components,
            cinfo.progressive_mode != 0};
}

}  // namespace

int bytesPerPixel(PixelFormat format) { return format == PixelFormat::Rgb24 ? 3 : 4; }

void Image::reshape(int newWidth, int newHeight, PixelFormat newFormat) {
    width = newWidth;
    height = newHeight;
    format = newFormat;
    const std::size_t rowBytes = static_cast<std::size_t>(newWidth) * bytesPerPixel(newFormat);
    stride = (rowBytes + 3) & ~std::size_t{3};
    pixels.resize(stride * static_cast<std::size_t>(newHeight));
}

int scaledDimension(int dimension, int scaleDenom) { return (dimension + scaleDenom - 1) / scaleDenom; }

int scaleDenomFor(int width, int height, int targetWidth, int targetHeight) {
    for (const int denom : {8, 4, 2}) {
        if (scaledDimension(width, denom) >= targetWidth && scaledDimension(height, denom) >= targetHeight) {
            return denom;
        }
    }
    return 1;
}

struct JpegDecoder::State {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    MemorySource source;
    jpeg_progress_mgr progress{};

    State() {
        installErrorManager(err);
        cinfo.err = &err.pub;
        if (!guarded(err, [this] { jpeg_create_decompress(&cinfo); })) throw JpegError(err.message);
        cinfo.src = &source.pub;
        progress.progress_monitor = progressMonitor;
        cinfo.progress = &progress;
    }
    ~State() { jpeg_destroy_decompress(&cinfo); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void begin(std::span<const std::uint8_t> data) {
        source.reset(data);
        err.warnings = 0;
        err.hitMarker = false;
        err.pub.num_warnings = 0;
    }
    [[noreturn]] void fail(const std::string& message) {
        jpeg_abort_decompress(&cinfo);
        throw JpegError(message);
    }
    [[noreturn]] void fail() { fail(err.message); }

    // The headers of a picture of at most `maxPixels`.
    void readHeader(std::span<const std::uint8_t> data, std::int64_t maxPixels) {
        begin(data);
        if (!guarded(err, [this] { jpeg_read_header(&cinfo, TRUE); })) fail();
        if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > maxPixels) {
            fail("JPEG picture too large: " + std::to_string(cinfo.image_width) + "x" +
                 std::to_string(cinfo.image_height));
        }
    }
    // After the last row.
    void finish() {
        // Running out of data matters when picture bits were still missing; a
        // camera that leaves out only the end marker delivers a whole picture.
        if (source.ranOut && (err.hitMarker || jpeg_has_multiple_scans(&cinfo))) fail("Premature end of JPEG data");
        jpeg_abort_decompress(&cinfo);
    }
};

JpegDecoder::JpegDecoder(DecodeOptions options) : state_(std::make_unique<State>()) { setOptions(options); }

JpegDecoder::~JpegDecoder() = default;

void JpegDecoder::setOptions(const DecodeOptions& options) {
    checkDecodeOptions(options);
    options_ = options;
    // The library's own allocations stay in proportion to the pixel bound:
    // a progressive picture keeps all its coefficients, 2 bytes each.
    const std::int64_t bound = options.maxPixels * 8 + (32LL << 20);
    state_->cinfo.mem->max_memory_to_use =
        static_cast<long>(std::min<std::int64_t>(bound, std::numeric_limits<long>::max()));
}

int JpegDecoder::warnings() const { return state_->err.warnings; }

JpegInfo JpegDecoder::readInfo(std::span<const std::uint8_t> jpeg) {
    State& s = *state_;
    s.begin(jpeg);
    if (!guarded(s.err, [&s] { jpeg_read_header(&s.cinfo, TRUE); })) s.fail();
    const JpegInfo info = infoOf(s.cinfo);
    jpeg_abort_decompress(&s.cinfo);
    return info;
}

void JpegDecoder::decode(std::span<const std::uint8_t> jpeg, Image& out) { decodeAt(jpeg, out, nullptr); }

void JpegDecoder::decode(std::span<const std::uint8_t> jpeg, Image& out, const ScaleChoice& choose) {
    decodeAt(jpeg, out, &choose);
}

void JpegDecoder::decodeAt(std::span<const std::uint8_t> jpeg, Image& out, const ScaleChoice* choose) {
    State& s = *state_;
    jpeg_decompress_struct& cinfo = s.cinfo;
    s.readHeader(jpeg, options_.maxPixels);
    int denom = options_.scaleDenom;
    if (choose) {
        try {
            denom = (*choose)(infoOf(cinfo));
        } catch (...) {
            jpeg_abort_decompress(&cinfo);
            throw;
        }
        if (!validScale(denom)) {
            jpeg_abort_decompress(&cinfo);
            throw std::invalid_argument(kScaleRule);
        }
    }
    cinfo.out_color_space = colorSpaceOf(options_.format);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denom);
    if (options_.fast) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.do_fancy_upsampling = FALSE;
    }
    if (!guarded(s.err, [&cinfo] { jpeg_start_decompress(&cinfo); })) s.fail();
    try {
        out.reshape(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), options_.format);
    } catch (...) {
        jpeg_abort_decompress(&cinfo);
        throw;
    }
    const bool complete = guarded(s.err, [&cinfo, &out] {
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[4];
            const JDIMENSION count = std::min<JDIMENSION>(4, cinfo.output_height - cinfo.output_scanline);
            for (JDIMENSION i = 0; i < count; ++i) rows[i] = out.row(static_cast<int>(cinfo.output_scanline + i));
            jpeg_read_scanlines(&cinfo, rows, count);
        }
    });
    if (!complete) s.fail();
    s.finish();
}

namespace {

// 4:2:0, or 4:2:2 whose chroma rows are halved on the way.
bool isYCbCr420Or422(const jpeg_decompress_struct& cinfo) {
    if (cinfo.num_components != 3 || cinfo.jpeg_color_space != JCS_YCbCr) return false;
    const jpeg_component_info* c = cinfo.comp_info;
    return c[0].h_samp_factor == 2 && (c[0].v_samp_factor == 2 || c[0].v_samp_factor == 1) && c[1].h_samp_factor == 1 &&
           c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1;
}

// The library writes whole blocks: each row to a multiple of 8 samples.
bool holdsBlocks(const jpeg_decompress_struct& cinfo, const platform::Yuv420Planes& planes) {
    for (int k = 0; k < 3; ++k)
        if (!planes.plane(k) ||
            planes.step(k) < static_cast<std::ptrdiff_t>(cinfo.comp_info[k].width_in_blocks) * DCTSIZE)
            return false;
    return true;
}

}  // namespace

bool JpegDecoder::decodeYCbCr420(std::span<const std::uint8_t> jpeg, const YCbCr420Target& target) {
    State& s = *state_;
    jpeg_decompress_struct& cinfo = s.cinfo;
    s.readHeader(jpeg, options_.maxPixels);
    std::optional<platform::Yuv420Planes> planes;
    if (options_.scaleDenom == 1 && isYCbCr420Or422(cinfo)) {
        try {
            planes = target(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height));
        } catch (...) {
            jpeg_abort_decompress(&cinfo);
            throw;
        }
    }
    if (!planes) {
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    cinfo.raw_data_out = TRUE;
    cinfo.dct_method = options_.fast ? JDCT_IFAST : JDCT_ISLOW;
    if (!guarded(s.err, [&cinfo] { jpeg_start_decompress(&cinfo); })) s.fail();
    if (!holdsBlocks(cinfo, *planes)) {
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    // Rows of the last blocks past the picture's edge land in a row of their own.
    const std::ptrdiff_t lumaRow = static_cast<std::ptrdiff_t>(cinfo.comp_info[0].width_in_blocks) * DCTSIZE;
    std::vector<JSAMPLE> spare(static_cast<std::size_t>(lumaRow));
    const JDIMENSION height = cinfo.output_height;
    const auto row = [&](int k, JDIMENSION y) {
        return y < (k == 0 ? height : (height + 1) / 2)
                   ? planes->plane(k) + static_cast<std::ptrdiff_t>(y) * planes->step(k)
                   : spare.data();
    };
    // 4:2:2 chroma rows wait here for the mean of each pair, the 4:2:0 row.
    const bool halve = cinfo.comp_info[0].v_samp_factor == 1;
    const std::size_t chromaRow = std::size_t{cinfo.comp_info[1].width_in_blocks} * DCTSIZE;
    std::vector<JSAMPLE> pairs(halve ? 2 * DCTSIZE * chromaRow : 0);
    const bool complete = guarded(s.err, [&] {
        JSAMPROW luma[2 * DCTSIZE], cb[DCTSIZE], cr[DCTSIZE];
        JSAMPARRAY rows[3] = {luma, cb, cr};
        const int lumaRows = cinfo.max_v_samp_factor * DCTSIZE;
        while (cinfo.output_scanline < height) {
            const JDIMENSION top = cinfo.output_scanline;
            for (int i = 0; i < lumaRows; ++i) luma[i] = row(0, top + static_cast<JDIMENSION>(i));
            for (int k = 1; k < 3; ++k)
                for (int i = 0; i < DCTSIZE; ++i)
                    rows[k][i] = halve ? pairs.data() + ((k - 1) * DCTSIZE + i) * chromaRow
                                       : row(k, top / 2 + static_cast<JDIMENSION>(i));
            if (jpeg_read_raw_data(&cinfo, rows, static_cast<JDIMENSION>(lumaRows)) == 0) break;
            for (int k = 1; k < 3 && halve; ++k)
                for (int i = 0; i < DCTSIZE; i += 2) {
                    const JSAMPLE* a = rows[k][i];
                    // An odd last row is its own pair.
                    const JSAMPLE* b = top + static_cast<JDIMENSION>(i) + 1 < height ? rows[k][i + 1] : a;
                    JSAMPLE* out = row(k, (top + static_cast<JDIMENSION>(i)) / 2);
                    for (JDIMENSION x = 0; x < (cinfo.output_width + 1) / 2; ++x)
                        out[x] = static_cast<JSAMPLE>((a[x] + b[x] + 1) >> 1);
                }
        }
    });
    if (!complete) s.fail();
    s.finish();
    return true;
}

Image decodeJpeg(std::span<const std::uint8_t> jpeg, const DecodeOptions& options) {
    JpegDecoder decoder(options);
    Image image;
    decoder.decode(jpeg, image);
    return image;
}

JpegInfo readJpegInfo(std::span<const std::uint8_t> jpeg) { return JpegDecoder().readInfo(jpeg); }

namespace {

struct Compressor {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    VectorDestination destination;
    bool created = false;

    Compressor() {
        installErrorManager(err);
        cinfo.err = &err.pub;
        if (!guarded(err, [this] { jpeg_create_compress(&cinfo); })) throw JpegError(err.message);
        created = true;
        cinfo.dest = &destination.pub;
    }
    ~Compressor() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

void checkEncodeArguments(const ImageView& image, int quality, std::string_view comment) {
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || image.width > kMaxDimension ||
        image.height > kMaxDimension) {
        throw std::invalid_argument("picture size cannot be stored as JPEG");
    }
    if (image.stride < static_cast<std::size_t>(image.width) * bytesPerPixel(image.format)) {
        throw std::invalid_argument("picture rows shorter than its width");
    }
    if (quality < 1 || quality > 100) throw std::invalid_argument("JPEG quality must be 1 to 100");
    if (comment.size() > kMaxComment) throw std::invalid_argument("JPEG comment longer than 65533 bytes");
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const ImageView& image, int quality, std::string_view comment) {
    checkEncodeArguments(image, quality, comment);
    Compressor c;
    jpeg_compress_struct& cinfo = c.cinfo;
    const bool done = guarded(c.err, [&] {
        cinfo.image_width = static_cast<JDIMENSION>(image.width);
        cinfo.image_height = static_cast<JDIMENSION>(image.height);
        cinfo.input_components = bytesPerPixel(image.format);
        cinfo.in_color_space = colorSpaceOf(image.format);
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        if (!comment.empty()) {
            jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                              static_cast<unsigned>(comment.size()));
        }
        while (cinfo.next_scanline < cinfo.image_height) {
            // libjpeg's row type is not const, but compression only reads it
            JSAMPROW row = const_cast<JSAMPROW>(image.pixels + image.stride * cinfo.next_scanline);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
    if (!done) throw JpegError(c.err.message);
    return std::move(c.destination.bytes);
}

}  // namespace oculon::video
