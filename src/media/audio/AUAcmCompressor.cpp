#include "media/audio/AUAcmCompressor.h"

#include "platform/Log.h"

namespace oculon::audio {

namespace {

// Same channels, rate and block alignment.
bool sameLayout(const platform::WaveFormat& a, const platform::WaveFormat& b) {
    return a.channels == b.channels && a.samplesPerSec == b.samplesPerSec && a.blockAlign == b.blockAlign;
}

}  // namespace

TAUAcmCompressor::TAUAcmCompressor() : TAUAcmCompressor(&platform::AudioConversionStream::open) {}

TAUAcmCompressor::TAUAcmCompressor(StageOpener openStage)
    : FOpenStage(std::move(openStage)),
      FCompressionBuffer1(std::make_shared<TAUAudioBuffer>()),
      FCompressionBuffer2(std::make_shared<TAUAudioBuffer>()) {}

bool TAUAcmCompressor::OpenCompressor(const platform::WaveFormat& Source, const platform::WaveFormat& Target) {
    FFirstBuffer1 = FFirstBuffer2 = FFirstBuffer3 = false;
    CloseCompressor();
    const auto pcm1 = platform::suggestPcmFormat(Source);
    const auto pcm2 = platform::suggestPcmFormat(Target);
    if (!pcm1 || !pcm2) return false;
    FNeedsConvertion = !sameLayout(*pcm1, *pcm2);
    std::string error;
    auto open = [&](Stream& step, const platform::WaveFormat& from, const platform::WaveFormat& to) {
        step = FOpenStage(from, to, error);
        if (!step) log::info(log::Category::media, "audio compression: %s", error.c_str());
        return step != nullptr;
    };
    const bool opened = FNeedsConvertion ? open(Step1Stream, Source, *pcm1) && open(Step2Stream, *pcm1, *pcm2) &&
                                               open(Step3Stream, *pcm2, Target)
                                         : open(Step3Stream, *pcm2, Target);
    if (!opened) CloseCompressor();
    return opened;
}

bool TAUAcmCompressor::CompressStream(const std::uint8_t* Source, std::size_t SourceBytes, std::uint32_t& BytesUsed,
                                      TAUAudioBuffer& Target, bool& FirstBlock, platform::AudioConversionStream& Step,
                                      bool End) {
    const std::size_t needed = Step.targetSizeFor(SourceBytes);
    if (needed > UINT32_MAX) return false;
    if (Target.GetByteSize() < needed) Target.Resize(static_cast<std::uint32_t>(needed), false);
    const unsigned flags = (FirstBlock ? 0 : platform::audioConvertStart) | (End ? platform::audioConvertEnd : 0);
    FirstBlock = true;
    const auto result = Step.convert(Source, SourceBytes, Target.Write(), Target.GetByteSize(), flags);
    if (!result || result->targetUsed > UINT32_MAX) {
        log::warning(log::Category::media, "audio compression: %s", Step.lastError().c_str());
        return false;
    }
    BytesUsed = static_cast<std::uint32_t>(result->targetUsed);
    return true;
}

bool TAUAcmCompressor::CompressBuffer(const IAUAudioBuffer& Input, IAUAudioBuffer& Output, std::uint32_t& ByteCount) {
    return CompressBytes(Input ? Input->Read() : nullptr, Input ? Input->GetByteSize() : 0, Output, ByteCount);
}

bool TAUAcmCompressor::CompressBytes(const std::uint8_t* Input, std::size_t inputBytes, IAUAudioBuffer& Output,
                                     std::uint32_t& ByteCount) {
    return RunChain(Input, inputBytes, Output, ByteCount, false);
}

bool TAUAcmCompressor::FlushCompressor(IAUAudioBuffer& Output, std::uint32_t& ByteCount) {
    const bool ok = RunChain(nullptr, 0, Output, ByteCount, true);
    // Each stage starts over with the next block, as after opening.
    FFirstBuffer1 = FFirstBuffer2 = FFirstBuffer3 = false;
    return ok;
}

bool TAUAcmCompressor::RunChain(const std::uint8_t* Input, std::size_t inputBytes, IAUAudioBuffer& Output,
                                std::uint32_t& ByteCount, bool End) {
    ByteCount = 0;
    Output = FCompressionBuffer1;
    if (!GetOpened()) return false;
    auto& buffer1 = *FCompressionBuffer1;
    auto& buffer2 = *FCompressionBuffer2;
    bool ok = true;
    if (FNeedsConvertion) {
        ok = CompressStream(Input, inputBytes, ByteCount, buffer1, FFirstBuffer1, *Step1Stream, End) &&
             CompressStream(buffer1.Read(), ByteCount, ByteCount, buffer2, FFirstBuffer2, *Step2Stream, End) &&
             CompressStream(buffer2.Read(), ByteCount, ByteCount, buffer1, FFirstBuffer3, *Step3Stream, End);
    } else {
        ok = CompressStream(Input, inputBytes, ByteCount, buffer1, FFirstBuffer3, *Step3Stream, End);
    }
    if (!ok) ByteCount = 0;
    return ok;
}

void TAUAcmCompressor::CloseCompressor() {
    Step1Stream.reset();
    Step2Stream.reset();
    Step3Stream.reset();
}

}  // namespace oculon::audio
