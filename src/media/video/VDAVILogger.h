#pragma once
// The AVI writer of the video library: a common logger (VDCommonLogger.h)
// that writes its video stream, and optionally an audio stream, into an AVI
// file. Video goes through the first compressor of Compression that takes
// the stream, or uncompressed when none does or compression is off; every
// frame is scaled to the stream's start size, converted to the pixel layout
// of the colour depth and stored bottom-up, and the compressor's key frames
// are flagged as such. Audio goes through the first format of
// AudioCompression that opens, or as it comes.
//
// A file that cannot be created, or a stream that cannot be opened, goes to
// OnError; unless the handler marks it handled, an ESLException is thrown
// on the thread that started the file (the main thread). So does the first
// frame or close that fails to be written (a full disk), on the thread that
// writes or stops.
//
// Driving it from code (as the recordings export does):
//   logger.InputPin().Connect(&filter.OutputPin());
//   logger.SetFileName(path); logger.SetEnabled(true);
//   filter.SendStartCommand(width, height, frameDelay); filter.SendData(frame)...;
//   filter.SendStopCommand(); logger.Close();

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "media/audio/AUAcmCompressor.h"
#include "media/audio/AUCompression.h"
#include "media/video/VDAVIFormat.h"
#include "media/video/VDCommonLogger.h"
#include "media/video/VDVideoCompression.h"
#include "platform/VideoEncoderSession.h"

namespace oculon::platform {
class AviFile;
}  // namespace oculon::platform

namespace oculon::mediavideo {

// A failure of a media component that no OnError handler took.
class ESLException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sender, text, code; setting `handled` keeps the exception back.
using TSGErrorEvent =
    std::function<void(pins::TComponent& sender, const std::string& errorText, std::uint32_t errorCode, bool& handled)>;

class TVDAVILogger : public TVDCommonLogger {
public:
    explicit TVDAVILogger(pins::TComponent* owner = nullptr, std::string name = {});
    ~TVDAVILogger() override;

    TVDVideoCompression& Compression() { return *FVideoCompression; }
    void SetCompression(TVDVideoCompression& value) { FVideoCompression->Assign(value); }
    audio::TAUAudioCompression& AudioCompression() { return *FAudioCompression; }
    void SetAudioCompression(audio::TAUAudioCompression& value) { FAudioCompression->Assign(value); }
    TVDColorBits ColorBits() { return FLock->Getter(FColorBits); }
    void SetColorBits(TVDColorBits value) { FLock->Setter(FColorBits, value); }
    void GetPropInfos(pins::TPropList& props) override;
    void SetOnError(TSGErrorEvent handler);

    // Ends the file and forgets the streams: the next start writes a new
    // file with its own size and rate. Called after every stop.
    void Close();

    // OnError, then ESLException "text - code - hexcode" unless handled.
    void Error(const std::string& text, std::uint32_t code);

    // The colour depth of the file being written.
    TVDColorBits RunningColorBits();
    // Whether the stream's compressor takes a JPEG picture's planes as they
    // are: frames of the stream's size on a full-range 4:2:0 store
    // (TVDSmartImageBuffer::FullRange) then go to it without a conversion.
    // Any thread.
    bool TakesJpegPlanes() const { return FTakesJpegPlanes.load(); }

protected:
    void BeginVideo(std::int32_t width, std::int32_t height, TVDVideoFormat format, std::int64_t frameDelay) override;
    void BeginAudio(const audio::TAUWaveFormatExtensible& format) override;
    void EndAVI(bool clearQueues) override;
    bool HasVideoStream() override;
    bool HasAudioStream() override;
    void IntRenderImage(const IVDImageBuffer& frame) override;
    bool KeepsFormat(const TVDImageBuffer& frame) override;
    // Compresses the frame on the worker ahead of IntRenderImage.
    void IntPrepareImage(const TPNPushBufferOperation& push) override;
    std::uint32_t IntRenderAudio(const audio::IAUAudioBuffer& block) override;

private:
    // True when a file is open afterwards.
    bool CreateAVIFile();
    // The first compressor of the list that opens for the stream, or null.
    std::unique_ptr<platform::VideoEncoderSession> OpenCompressor(const TVDAVIVideoHeader& header,
                                                                  const platform::BitmapFormat& bitmap);
    // The format the audio stream is written in: the first of AudioCompression
    // that the compressor opens for, else the source itself.
    platform::WaveFormat OpenAudioCompressor(const platform::WaveFormat& source);
    // Compresses a frame in the stream's start format; FCompression's lock held.
    std::optional<platform::CompressedFrame> CompressFrame(const IVDImageBuffer& frame, std::string& failure);
    // One chunk of the audio stream, `bytes` of the stream's format: why it
    // was not written, or empty.
    std::string WriteAudio(const std::uint8_t* bytes, std::uint32_t count);
    void AudioWritten(const std::string& failure);
    // Writes the index and closes the file; forgets the streams. Why the
    // file could not be finished, or empty.
    std::string CloseFile();
    // A write or the close failed: logged, and reported through Error once
    // per file.
    void WriteFailed(const char* what, const std::string& reason);

    std::unique_ptr<TVDVideoCompression> FVideoCompression;
    std::unique_ptr<audio::TAUAudioCompression> FAudioCompression;
    TVDColorBits FColorBits = TVDColorBits::cbAuto;
    TVDColorBits FRunningColorBits = TVDColorBits::cbAuto;
    TSGErrorEvent FOnError;

    std::unique_ptr<platform::AviFile> FFile;
    int FVideoStream = -1;
    int FAudioStream = -1;
    // The compressor and what compressing a frame needs, on a lock of its own:
    // the worker compresses the next frame while the sender holds the input
    // lock, and the file is written under that lock afterwards.
    struct CompressionStage {
        std::mutex lock;
        std::unique_ptr<platform::VideoEncoderSession> compressor;
        std::uint32_t width = 0, height = 0;
        TVDColorBits bits = TVDColorBits::cbAuto;
        TVDVideoFormat startFormat = TVDVideoFormat::vfRGB24;
        // The frame compressed ahead (IntPrepareImage): its push, and the result.
        const TPNPushBufferOperation* preparedFor = nullptr;
        std::optional<platform::CompressedFrame> prepared;
        std::string preparedFailure;
        void Forget() {
            preparedFor = nullptr;
            prepared.reset();
            preparedFailure.clear();
        }
    };
    CompressionStage FCompression;
    std::atomic<bool> FTakesJpegPlanes{false};  // the compressor's, read without its lock
    TVDAVIVideoHeader FVideoHeader;
    pins::ISGBlockBuffer FFrameBuffer;  // the bottom-up rows of the frame being written
    audio::TAUAcmCompressor FAcmCompressor;
    audio::IAUAudioBuffer FCompressionBuffer;
    platform::WaveFormat FAudioTarget;   // the format of the audio stream
    std::uint32_t FAudioSamplesSec = 0;  // of the audio as it comes in, whatever a block says
    bool FWriteFailed = false;           // said once per file
};

}  // namespace oculon::mediavideo
