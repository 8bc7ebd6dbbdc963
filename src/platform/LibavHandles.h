#pragma once
// Owners of the FFmpeg library objects that the compressor stand-ins hold, so
// that every early return frees them, and the route of the libraries' own
// messages into our log.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace oculon::platform::libav {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecParametersFree {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using CodecParameters = std::unique_ptr<AVCodecParameters, CodecParametersFree>;
using Scaler = std::unique_ptr<SwsContext, ScalerFree>;

// From the first call on, the libraries' messages go to the log (category
// platform, level debug) instead of stderr: asking every encoder whether it
// takes a picture makes several of them complain, which is expected.
void routeLogOnce();

}  // namespace oculon::platform::libav
