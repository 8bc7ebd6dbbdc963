#pragma once
// Helpers of the logger tests: a generic filter linked to an AVI logger and
// driven as the recordings export drives it, frames of a smooth pattern that
// moves a little from frame to frame, and what ffprobe and ffmpeg read back
// from the files.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ImageTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/video/VDAVILogger.h"
#include "media/video/VDGenericFilter.h"
#include "platform/MainLoop.h"

namespace oculon::mediavideo::testkit {

// An RGBA32 frame: gradients that shift with `n`, alpha 255 - n.
inline IVDImageBuffer patternFrame(std::uint32_t width, std::uint32_t height, int n) {
    auto frame = TVDImageBuffer::CreateSize(width, height, TVDVideoFormat::vfRGBA32);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* p = frame->Write() + std::size_t{y} * frame->GetStep();
        for (std::uint32_t x = 0; x < width; ++x, p += 4) {
            p[0] = static_cast<std::uint8_t>(x * 200 / width + static_cast<std::uint32_t>(n));
            p[1] = static_cast<std::uint8_t>(y * 200 / height + static_cast<std::uint32_t>(2 * n));
            p[2] = static_cast<std::uint8_t>((x + y) * 150 / (width + height) + 40);
            p[3] = static_cast<std::uint8_t>(255 - n);
        }
    }
    return frame;
}

// What the export sets up: a generic filter whose output feeds the logger.
struct LoggerRig {
    platform::ManualLoopBackend loop;
    pins::TPNLibrary library;
    testsupport::TempDir dir;
    pins::PNOwned<TVDGenericFilter> filter = pins::PNOwned<TVDGenericFilter>::make(nullptr, "Filter");
    pins::PNOwned<TVDAVILogger> logger = pins::PNOwned<TVDAVILogger>::make(nullptr, "Logger");

    LoggerRig() { EXPECT_TRUE(logger->InputPin().Connect(&filter->OutputPin())); }

    // The compressors to try, in order; none: uncompressed.
    void compressWith(const std::vector<std::string>& codes, std::uint32_t quality = 10000) {
        TVDVideoCompressionItems& items = logger->Compression().Compressions();
        items.Clear();
        for (const auto& code : codes) {
            TVDVideoCompressionItem& item = items.Add();
            item.SetCompressor(code);
            item.SetQuality(quality);
        }
        logger->Compression().SetEnabled(!codes.empty());
    }
    // Names the file in the rig's folder that the logger opens at the next start.
    std::string open(const std::string& name) {
        const std::string path = dir.path() + "/" + name;
        logger->SetFileName(path);
        logger->SetEnabled(true);
        return path;
    }
    // A start and the frames after it; the run goes on.
    void send(std::int32_t width, std::int32_t height, std::int32_t frameDelay,
              const std::vector<IVDImageBuffer>& frames) {
        filter->SendStartCommand(width, height, frameDelay);
        for (const auto& frame : frames) filter->SendData(frame);
    }
    // One run of the export: start, the frames, stop, Close.
    std::string write(const std::string& name, std::int32_t width, std::int32_t height, std::int32_t frameDelay,
                      const std::vector<IVDImageBuffer>& frames) {
        const std::string path = open(name);
        filter->SetEnabled(true);
        send(width, height, frameDelay, frames);
        filter->SetEnabled(false);
        logger->SetEnabled(false);
        filter->SendStopCommand();
        logger->Close();
        return path;
    }
};

// "codec,width,height,rate,frames" of the file's video stream.
inline std::string probeVideo(const std::string& path) {
    return run(
        "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
        "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 " +
        path);
}

// Every frame of the file's video stream decoded to `pixelFormat`, one after the other.
inline std::string decodeVideo(const std::string& path, const std::string& pixelFormat) {
    return run("ffmpeg -v error -i " + path + " -map 0:v -f rawvideo -pix_fmt " + pixelFormat + " -");
}

// Peak signal-to-noise ratio of the colour bytes (every 4th skipped) of two BGRA pictures.
inline double psnrBgr(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels) {
    double sum = 0;
    for (std::size_t i = 0; i < pixels * 4; ++i) {
        if (i % 4 == 3) continue;
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(pixels * 3);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace oculon::mediavideo::testkit
