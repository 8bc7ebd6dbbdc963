#include "media/video/VDAVILogger.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "media/pins/SGBlockPool.h"
#include "media/video/VDResize.h"
#include "media/video/VDStoreConversion.h"
#include "platform/AviFile.h"
#include "platform/Log.h"
#include "platform/VideoEncoderSession.h"

namespace oculon::mediavideo {

using pins::IPNLockSection;

namespace {

std::string withName(const char* pattern, const std::string& name) {
    std::string text(std::snprintf(nullptr, 0, pattern, name.c_str()), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, name.c_str());
    return text;
}

// The audio stream's format as the blocks come: the plain PCM record for
// the common formats, otherwise (24 or 32 bits, more channels, other rates)
// the whole extensible record, unchanged.
std::optional<platform::WaveFormat> sourceFormatOf(const audio::TAUWaveFormatExtensible& format) {
    const std::uint64_t bytesPerSecond = std::uint64_t{format.Format.nSamplesPerSec} * format.Format.nBlockAlign;
    // The byte rate has 32 bits in the file.
    if (format.Format.nChannels == 0 || format.Format.nSamplesPerSec == 0 || format.Format.nBlockAlign == 0 ||
        bytesPerSecond > UINT32_MAX)
        return std::nullopt;
    if (audio::AUIsStandardFormat(format))
        return platform::WaveFormat::pcm(format.Format.nChannels, format.Format.nSamplesPerSec,
                                         format.Format.wBitsPerSample);
    std::uint8_t record[sizeof format];
    std::memcpy(record, &format, sizeof format);
    auto extensible = platform::WaveFormat::parse(record, sizeof record);
    if (extensible) extensible->avgBytesPerSec = static_cast<std::uint32_t>(bytesPerSecond);
    return extensible;
}

constexpr std::uint32_t kInvalidArgument = EINVAL;

// A JPEG picture's planes of the stream's size, for a compressor that takes them as they are.
bool isJpegPlanes(const TVDImageBuffer& frame, std::uint32_t width, std::uint32_t height) {
    return frame.GetBuffer().FullRange() && frame.GetWidth() == width && frame.GetHeight() == height;
}

}  // namespace

TVDAVILogger::TVDAVILogger(pins::TComponent* owner, std::string name)
    : TVDCommonLogger(owner, std::move(name)),
      FVideoCompression(std::make_unique<TVDVideoCompression>(nullptr, *FLock)),
      FAudioCompression(std::make_unique<audio::TAUAudioCompression>(nullptr, *FLock)),
      FCompressionBuffer(std::make_shared<audio::TAUAudioBuffer>()) {}

TVDAVILogger::~TVDAVILogger() {
    // Also when not destroyed through PNOwned: the file is finished, and no
    // worker or hand-off reaches this logger once it is going.
    StopHandOffs();
    const IPNLockSection stop = FLock->StopLock();
    StreamStop();
    if (const std::string failure = CloseFile(); !failure.empty())
        log::error(log::Category::media, "%s: %s", FCurrentFileName.c_str(), failure.c_str());
}

void TVDAVILogger::GetPropInfos(pins::TPropList& props) {
    TVDCommonLogger::GetPropInfos(props);
    props.push_back(pins::PNObjectProp("AudioCompression", *FAudioCompression));
    props.push_back(pins::PNObjectProp("Compression", *FVideoCompression));
    props.push_back(pins::PNProp<TVDColorBits>(
        "ColorBits", [this] { return ColorBits(); }, [this](TVDColorBits v) { SetColorBits(v); },
        TVDColorBits::cbAuto));
}

void TVDAVILogger::SetOnError(TSGErrorEvent handler) {
    const IPNLockSection w = FLock->WriteLock();
    if (w) std::swap(FOnError, handler);
}

TVDColorBits TVDAVILogger::RunningColorBits() { return FLock->Getter(FRunningColorBits); }

void TVDAVILogger::Close() {
    const IPNLockSection w = FLock->WriteLock();
    if (!w) return;
    ResetStreams();
    EndAVI(true);
}

void TVDAVILogger::Error(const std::string& text, std::uint32_t code) {
    const TSGErrorEvent handler = FLock->Getter(FOnError);
    bool handled = false;
    if (handler) handler(*this, text, code, handled);
    if (handled) return;
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " - %" PRIu32 " - %" PRIx32, code, code);
    throw ESLException(text + suffix);
}

bool TVDAVILogger::HasVideoStream() { return FFile && FVideoStream >= 0; }
bool TVDAVILogger::HasAudioStream() { return FFile && FAudioStream >= 0; }

bool TVDAVILogger::CreateAVIFile() {
    if (FFile) return true;
    const std::string name = FileName();
    if (name.empty()) return false;
    std::string reason;
    FFile = platform::AviFile::create(name, reason);
    if (!FFile) {
        log::warning(log::Category::media, "%s: %s", name.c_str(), reason.c_str());
        Error(withName("Can't open file : %s .", name), static_cast<std::uint32_t>(errno ? errno : kInvalidArgument));
        return false;
    }
    FCurrentFileName = name;
    FWriteFailed = false;
    return true;
}

void TVDAVILogger::BeginVideo(std::int32_t width, std::int32_t height, TVDVideoFormat format, std::int64_t frameDelay) {
    if (FVideoStarted) return;
    StreamStart();
    StartCounting();
    if (!CreateAVIFile()) return;
    FVideoHeader = VDAVIVideoHeader(width, height, frameDelay);
    FRunningColorBits = VDRunningColorBits(ColorBits(), format);
    const platform::BitmapFormat bitmap{width, height, VDColorBitsLayout(FRunningColorBits), true};
    const bool sized = width > 0 && height > 0;
    const std::uint64_t frameBytes = sized ? VDBitmapFrameSize(static_cast<std::uint32_t>(width),
                                                               static_cast<std::uint32_t>(height), FRunningColorBits)
                                           : 0;
    std::string reason = "frames of " + std::to_string(frameBytes) + " bytes do not fit a buffer";
    // Refused before anything is allocated for such frames.
    if (frameBytes <= pins::kSGLargestBlock) {
        auto compressor = sized && FVideoCompression->Enabled() ? OpenCompressor(FVideoHeader, bitmap) : nullptr;
        const TVDAVIVideoHeader& h = FVideoHeader;
        FVideoStream = compressor ? FFile->addCompressedVideo(*compressor, h.Scale, h.Rate, reason)
                                  : FFile->addUncompressedVideo(bitmap, h.Scale, h.Rate, h.BytesPerSecond, reason);
        if (FVideoStream >= 0) {
            const std::lock_guard lock(FCompression.lock);
            FCompression.compressor = std::move(compressor);
            FCompression.width = static_cast<std::uint32_t>(width);
            FCompression.height = static_cast<std::uint32_t>(height);
            FCompression.bits = FRunningColorBits;
            FCompression.startFormat = format;
            FCompression.Forget();
            FTakesJpegPlanes = FCompression.compressor && FCompression.compressor->takesFullRange420();
        }
    }
    if (FVideoStream < 0) {
        log::warning(log::Category::media, "%s: %s", FCurrentFileName.c_str(), reason.c_str());
        Error(withName("Can't open stream : %s .", FCurrentFileName), kInvalidArgument);
        return;
    }
    FFrameBuffer = pins::TSGBlockBuffer::CreateSize(static_cast<std::uint32_t>(frameBytes));
    FVideoStarted = true;
}

std::unique_ptr<platform::VideoEncoderSession> TVDAVILogger::OpenCompressor(const TVDAVIVideoHeader& header,
                                                                            const platform::BitmapFormat& bitmap) {
    TVDVideoCompressionItems& items = FVideoCompression->Compressions();
    for (std::size_t i = 0; i < items.Count(); ++i) {
        TVDVideoCompressionItem& item = items.Items(i);
        platform::VideoEncoderSettings settings;
        settings.format = bitmap;
        settings.scale = header.Scale;
        settings.rate = header.Rate;
        settings.quality = item.Quality();
        settings.keyFrameInterval = header.KeyFrameEvery;
        settings.bytesPerSecond = header.BytesPerSecond;
        std::string reason;
        if (auto session = platform::VideoEncoderSession::open(item.Compressor(), settings, reason)) return session;
        // A compressor that refuses the stream is passed over; the last resort is uncompressed.
        log::info(log::Category::media, "%s: %s", FCurrentFileName.c_str(), reason.c_str());
    }
    return nullptr;
}

std::optional<platform::CompressedFrame> TVDAVILogger::CompressFrame(const IVDImageBuffer& frame,
                                                                     std::string& failure) {
    CompressionStage& c = FCompression;
    if (FTakesJpegPlanes && isJpegPlanes(*frame, c.width, c.height)) {
        auto compressed = c.compressor->compressPlanes(VDJpegPlanes(frame->GetBuffer()));
        if (!compressed) failure = c.compressor->lastError();
        return compressed;
    }
    const IVDImageBuffer sized = VDResizeBuffer(frame, c.width, c.height);
    sized->SetFormat(VDColorBitsFormat(c.bits));
    // The compressor walks the frame's own rows from the bottom up: the same
    // bitmap as the stored rows, without copying them.
    const auto step = static_cast<std::ptrdiff_t>(sized->GetStep());
    auto compressed = c.compressor->compress(sized->Read() + std::ptrdiff_t{c.height - 1} * step, -step);
    if (!compressed) failure = c.compressor->lastError();
    return compressed;
}

void TVDAVILogger::IntPrepareImage(const TPNPushBufferOperation& push) {
    const std::lock_guard lock(FCompression.lock);
    FCompression.Forget();
    const auto* supplied = pins::PNOperationAs<pins::TPNSuppliedBufferOperation>(push.Operation);
    if (!FCompression.compressor || !supplied) return;
    const IVDImageBuffer frame = TVDImageBuffer::CreateUniversal(supplied->Buffer);
    if (frame->GetWidth() == 0 || frame->GetHeight() == 0) return;
    if (!(FTakesJpegPlanes && isJpegPlanes(*frame, FCompression.width, FCompression.height)))
        frame->SetFormat(FCompression.startFormat);
    FCompression.prepared = CompressFrame(frame, FCompression.preparedFailure);
    FCompression.preparedFor = &push;
}

void TVDAVILogger::IntRenderImage(const IVDImageBuffer& frame) {
    if (!HasVideoStream()) return;
    const auto width = static_cast<std::uint32_t>(FVideoHeader.Width);
    const auto height = static_cast<std::uint32_t>(FVideoHeader.Height);
    const std::uint32_t rowSize = VDBitmapRowSize(width, FRunningColorBits);
    std::string failure;
    std::unique_lock compression(FCompression.lock);
    if (FCompression.compressor) {
        std::optional<platform::CompressedFrame> compressed;
        // Compressed ahead by the worker, unless the stream changed since.
        if (FCompression.preparedFor && FCompression.preparedFor == PushInHand() &&
            FCompression.startFormat == FStartVideoFormat) {
            compressed = std::move(FCompression.prepared);
            failure = std::move(FCompression.preparedFailure);
        } else if (frame->GetWidth() == 0 || frame->GetHeight() == 0) {
            // Nothing to scale: black, rather than whatever the buffer held before.
            FFrameBuffer->Zero();
            compressed = FCompression.compressor->compress(FFrameBuffer->Read(), rowSize);
            if (!compressed) failure = FCompression.compressor->lastError();
        } else {
            compressed = CompressFrame(frame, failure);
        }
        FCompression.Forget();
        compression.unlock();
        if (compressed &&
            !FFile->writeVideo(FVideoStream, compressed->bytes.data(), compressed->bytes.size(), compressed->keyFrame))
            failure = FFile->lastError();
    } else {
        compression.unlock();
        if (frame->GetWidth() == 0 || frame->GetHeight() == 0) {
            FFrameBuffer->Zero();
        } else {
            const IVDImageBuffer sized = VDResizeBuffer(frame, width, height);
            sized->SetFormat(VDColorBitsFormat(FRunningColorBits));
            VDMirrorToBitmap(*sized, FRunningColorBits, FFrameBuffer->Write(), rowSize);
        }
        if (!FFile->writeVideo(FVideoStream, FFrameBuffer->Read(), std::size_t{rowSize} * height, true))
            failure = FFile->lastError();
    }
    FCurrentVideoTime += FStartDelay;
    ReportPosition();
    if (!failure.empty()) WriteFailed("a frame was not written", failure);
}

bool TVDAVILogger::KeepsFormat(const TVDImageBuffer& frame) {
    const std::lock_guard lock(FCompression.lock);
    return FTakesJpegPlanes && isJpegPlanes(frame, FCompression.width, FCompression.height);
}

void TVDAVILogger::WriteFailed(const char* what, const std::string& reason) {
    if (FWriteFailed) return;
    FWriteFailed = true;
    log::error(log::Category::media, "%s: %s: %s", FCurrentFileName.c_str(), what, reason.c_str());
    // A file with a hole or without its index is no recording of the frames
    // it was given: whoever writes it must hear so.
    Error(withName("Can't write file : %s .", FCurrentFileName) + " (" + reason + ")", 0);
}

void TVDAVILogger::BeginAudio(const audio::TAUWaveFormatExtensible& format) {
    if (FAudioStarted) return;
    StreamStart();
    FCurrentAudioTime = 0;
    if (!CreateAVIFile()) return;
    const auto source = sourceFormatOf(format);
    std::string reason = "audio of " + std::to_string(format.Format.wBitsPerSample) + " bits is not written";
    if (source) {
        FAudioSamplesSec = source->samplesPerSec;
        FAudioTarget = FAudioCompression->Enabled() ? OpenAudioCompressor(*source) : *source;
        FAudioStream = FFile->addAudio(FAudioTarget, reason);
    }
    if (FAudioStream < 0) {
        FAcmCompressor.CloseCompressor();
        log::warning(log::Category::media, "%s: %s", FCurrentFileName.c_str(), reason.c_str());
        Error(withName("Can't open stream : %s .", FCurrentFileName), kInvalidArgument);
        return;
    }
    FAudioStarted = true;
}

platform::WaveFormat TVDAVILogger::OpenAudioCompressor(const platform::WaveFormat& source) {
    audio::TAUAudioCompressionItems& items = FAudioCompression->Compressions();
    for (std::size_t i = 0; i < items.Count(); ++i) {
        const std::vector<std::uint8_t> record = items.Items(i).Format().FormatData();
        const auto target = platform::WaveFormat::parse(record.data(), record.size());
        if (target && FAcmCompressor.OpenCompressor(source, *target)) return *target;
    }
    return source;
}

std::uint32_t TVDAVILogger::IntRenderAudio(const audio::IAUAudioBuffer& block) {
    const std::uint32_t frames = block->GetSize();
    if (!HasAudioStream() || frames == 0) return frames;
    FCurrentAudioTime += std::int64_t{frames} * 10'000'000 / FAudioSamplesSec;
    if (!FAcmCompressor.Opened()) {
        AudioWritten(WriteAudio(block->Read(), block->GetByteSize()));
        return frames;
    }
    // A block that a stage fails on is dropped whole: no bytes of an earlier block go out again.
    std::uint32_t count = 0;
    if (FAcmCompressor.CompressBuffer(block, FCompressionBuffer, count))
        AudioWritten(WriteAudio(FCompressionBuffer->Read(), count));
    return frames;
}

std::string TVDAVILogger::WriteAudio(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0 || FFile->writeAudio(FAudioStream, bytes, count)) return {};
    return FFile->lastError();
}

void TVDAVILogger::AudioWritten(const std::string& failure) {
    if (!failure.empty()) WriteFailed("audio was not written", failure);
}

void TVDAVILogger::EndAVI(bool clearQueues) {
    StreamStop();
    StreamsEnded();
    const std::string failure = CloseFile();
    if (clearQueues) ClearQueues();
    if (!failure.empty()) WriteFailed("the file was not finished", failure);
}

std::string TVDAVILogger::CloseFile() {
    {
        const std::lock_guard lock(FCompression.lock);
        FCompression.compressor.reset();
        FCompression.Forget();
        FTakesJpegPlanes = false;
    }
    // The encoder's last, partial block ends the audio stream rather than being lost.
    std::string failure;
    std::uint32_t count = 0;
    if (HasAudioStream() && FAcmCompressor.Opened() && FAcmCompressor.FlushCompressor(FCompressionBuffer, count))
        failure = WriteAudio(FCompressionBuffer->Read(), count);
    FAcmCompressor.CloseCompressor();
    FVideoStream = FAudioStream = -1;
    FFrameBuffer.reset();
    if (!FFile) return failure;
    if (!FFile->close() && failure.empty()) failure = FFile->lastError();
    FFile.reset();
    return failure;
}

}  // namespace oculon::mediavideo
