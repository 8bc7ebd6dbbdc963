// The pixel stores' conversions on the AVI export's road at 1280x720, each
// a whole new store made from a source store as a frame's format change
// makes it (pool block, primitives, intermediates): RGB24 -> YUY2,
// YUY2 -> RGB24, RGB24 -> I420 (the IYUV store) and I420 -> RGBA, against
// libyuv's matching conversions into buffers of their own, beside memcpy of
// the same bytes. One more line runs RGB24 -> YUY2 through the image buffer,
// as the AVI logger's frames take it: a copy of a frame changes its format.
//
// libyuv has no direct RGB24 <-> YUY2 routine: its fastest same-output road
// goes through ARGB. Its fixed-point constants differ from the specified
// ones (its 4:2:2 forms are studio range, ours full range, which moves
// bright and saturated colours by up to about 50), so a peer counts as the
// same work when its bytes lie within the printed largest difference of
// ours; a layout or channel-order mismatch gives differences far above
// kSameWork on this picture and stops the run. Rules of bench/README.md otherwise.

#include <benchmark/benchmark.h>

#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/video/VDInternalStore.h"
#include "media/video/VDSimpleImageBuffer.h"

namespace rules = oculon::bench;
using oculon::mediavideo::IVDImageBuffer;
using oculon::mediavideo::TVDImageBuffer;
using oculon::mediavideo::TVDSmartImageBuffer;
using oculon::mediavideo::TVDVideoFormat;
using oculon::mediavideo::VDCreateStore;

namespace {

constexpr int kW = 1280, kH = 720, kPixels = kW * kH;
// Above this, a peer's output is not a conversion of the same picture.
constexpr int kSameWork = 64;

using Store = std::unique_ptr<TVDSmartImageBuffer>;
using Bytes = std::vector<std::uint8_t>;

// A smooth picture with edges (neighbouring pixels alike, as in video), so
// chroma subsampling compares like with like.
Store picture() {
    Store s = VDCreateStore(TVDVideoFormat::vfRGB24, kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            std::uint8_t* p = s->GetData() + 3 * (y * kW + x);
            p[0] = static_cast<std::uint8_t>(x / 5 + y / 7);
            p[1] = static_cast<std::uint8_t>(128 + 100 * ((x / 37 + y / 23) % 3 - 1));
            p[2] = static_cast<std::uint8_t>(255 - y / 3);
        }
    return s;
}

struct Case {
    std::string name;
    TVDVideoFormat target;
    const TVDSmartImageBuffer* source;
    std::size_t outBytes;    // compared with the peer's
    std::size_t movedBytes;  // read plus written
    std::string peerName;
    std::function<void(Bytes&)> peer;
    // Set: the conversion runs through the image buffer, on a frame of this
    // picture, instead of straight from `source`.
    IVDImageBuffer frame = nullptr;
};

// Our output and what keeps it alive.
struct Output {
    std::shared_ptr<const void> keep;
    const std::uint8_t* bytes;
};

Output convert(const Case& c) {
    if (c.frame) {
        const IVDImageBuffer copy = TVDImageBuffer::CreateCopy(c.frame);
        copy->SetFormat(c.target);
        return {copy, copy->Read()};
    }
    const std::shared_ptr<TVDSmartImageBuffer> store = VDCreateStore(c.target, *c.source, true);
    return {store, store->GetData()};
}

int largestDifference(const std::uint8_t* a, const Bytes& b) {
    int worst = 0;
    for (std::size_t i = 0; i < b.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    const Store rgb = picture();
    const Store yuy2 = VDCreateStore(TVDVideoFormat::vfYUY2, *rgb, true);
    const Store i420 = VDCreateStore(TVDVideoFormat::vfIYUV, *rgb, true);
    const std::uint8_t* y = i420->GetPlane(0);
    const std::uint8_t* u = i420->GetPlane(1);
    const std::uint8_t* v = i420->GetPlane(2);
    auto argb = std::make_shared<Bytes>(4 * kPixels);
    const IVDImageBuffer frame = TVDImageBuffer::CreateSize(kW, kH, TVDVideoFormat::vfRGB24);
    std::memcpy(frame->Write(), rgb->GetData(), rgb->GetCharSize());
    const auto rgb24ToYuy2 = [&rgb, argb](Bytes& d) {
        libyuv::RGB24ToARGB(rgb->GetData(), 3 * kW, argb->data(), 4 * kW, kW, kH);
        libyuv::ARGBToYUY2(argb->data(), 4 * kW, d.data(), 2 * kW, kW, kH);
    };

    const std::vector<Case> cases = {
        {"RGB24 -> YUY2", TVDVideoFormat::vfYUY2, rgb.get(), 2 * kPixels, 5 * kPixels,
         "libyuv::RGB24ToARGB + ARGBToYUY2", rgb24ToYuy2},
        {"RGB24 -> YUY2 (frame)", TVDVideoFormat::vfYUY2, rgb.get(), 2 * kPixels, 5 * kPixels,
         "libyuv::RGB24ToARGB + ARGBToYUY2", rgb24ToYuy2, frame},
        {"YUY2 -> RGB24", TVDVideoFormat::vfRGB24, yuy2.get(), 3 * kPixels, 5 * kPixels,
         "libyuv::YUY2ToARGB + ARGBToRGB24",
         [&yuy2, argb](Bytes& d) {
             libyuv::YUY2ToARGB(yuy2->GetData(), 2 * kW, argb->data(), 4 * kW, kW, kH);
             libyuv::ARGBToRGB24(argb->data(), 4 * kW, d.data(), 3 * kW, kW, kH);
         }},
        {"RGB24 -> I420", TVDVideoFormat::vfIYUV, rgb.get(), kPixels * 3 / 2, kPixels * 9 / 2, "libyuv::RGB24ToI420",
         [&rgb](Bytes& d) {
             libyuv::RGB24ToI420(rgb->GetData(), 3 * kW, d.data(), kW, d.data() + kPixels, kW / 2,
                                 d.data() + kPixels * 5 / 4, kW / 2, kW, kH);
         }},
        {"I420 -> RGBA", TVDVideoFormat::vfRGBA32, i420.get(), 4 * kPixels, kPixels * 11 / 2, "libyuv::I420ToARGB",
         [=](Bytes& d) { libyuv::I420ToARGB(y, kW, u, kW / 2, v, kW / 2, d.data(), 4 * kW, kW, kH); }},
    };

    rules::Table table(benchmark::kMicrosecond);
    for (const Case& c : cases) {
        const Output ours = convert(c);
        Bytes theirs(c.outBytes);
        c.peer(theirs);
        const int difference = largestDifference(ours.bytes, theirs);
        std::printf("%s: %s within %d of ours\n", c.name.c_str(), c.peerName.c_str(), difference);
        if (difference > kSameWork) {
            std::fprintf(stderr, "%s: %s is not the same conversion\n", c.name.c_str(), c.peerName.c_str());
            return 1;
        }
        table.ours(c.name, rules::timing([&c] { benchmark::DoNotOptimize(convert(c)); }));
        table.peer(c.peerName, [&c](benchmark::State& state) {
            Bytes out(c.outBytes);
            for (auto _ : state) {
                c.peer(out);
                benchmark::ClobberMemory();
            }
        });
        table.anchor(c.movedBytes / 2);
    }
    table.run();
    return 0;
}
