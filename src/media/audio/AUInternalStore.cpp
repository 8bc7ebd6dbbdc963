#include "media/audio/AUInternalStore.h"

#include <algorithm>

#include "media/audio/AUWaveFormat.h"
#include "media/pins/SGErrors.h"

namespace oculon::audio {

namespace {

// Never below the header, which every copy of a block takes along.
std::uint32_t blockSize(std::uint64_t size) {
    if (size > pins::kSGLargestBlock) throw pins::EBufferTooLarge(size);
    return pins::TSGSmartBuffer::CalculateAllocationSize(std::max<std::uint64_t>(size, kAUHeaderSize));
}

}  // namespace

TAUSmartAudioBuffer::TAUSmartAudioBuffer(std::uint64_t size)
    : FAllocatedSize(blockSize(size)), FDataPtr(static_cast<std::uint8_t*>(pins::SGBufferAllocate(FAllocatedSize))) {}

TAUSmartAudioBuffer::TAUSmartAudioBuffer(const TAUSmartAudioBuffer& source, bool copyAll)
    : TMBSmartMediaBuffer(source, copyAll),
      FAllocatedSize(source.FAllocatedSize),
      FDataPtr(static_cast<std::uint8_t*>(pins::SGBufferAllocate(FAllocatedSize))) {
    pins::SGPasFastCopy(source.FDataPtr, FDataPtr, copyAll ? FAllocatedSize : kAUHeaderSize);
}

TAUSmartAudioBuffer::~TAUSmartAudioBuffer() { pins::SGBufferDeallocate(FDataPtr, FAllocatedSize); }

std::unique_ptr<pins::TSGSmartBuffer> TAUSmartAudioBuffer::Clone(bool copyAll) const {
    return std::make_unique<TAUSmartAudioBuffer>(*this, copyAll);
}

void TAUSmartAudioBuffer::CopyFrom(const pins::TSGSmartBuffer& source) {
    if (source.RawData())
        pins::SGPasFastCopy(source.RawData(), FDataPtr, std::min(source.AllocatedSize(), FAllocatedSize));
}

}  // namespace oculon::audio
