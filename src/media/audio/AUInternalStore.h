#pragma once
// The container of an audio buffer: one pool block that holds the 40-byte
// wave format and then the samples, with the time stamp of a media
// container. The header travels with the samples, so every buffer on one
// container sees one format.

#include <cstdint>
#include <memory>

#include "media/pins/MBMediaBuffer.h"
#include "media/pins/SGBlockPool.h"

namespace oculon::audio {

class TAUSmartAudioBuffer : public pins::TMBSmartMediaBuffer, public pins::TSGPooledInstance {
public:
    // A block of CalculateAllocationSize(size) bytes, at least the header's,
    // not cleared. Throws
    // EBufferTooLarge above the pool's largest block.
    explicit TAUSmartAudioBuffer(std::uint64_t size);
    // A block as large as the source's with its time stamp; the whole block
    // copied with `copyAll`, else only the header (the samples are then
    // unspecified).
    TAUSmartAudioBuffer(const TAUSmartAudioBuffer& source, bool copyAll);
    ~TAUSmartAudioBuffer() override;

    std::unique_ptr<pins::TSGSmartBuffer> Clone(bool copyAll) const override;
    std::uint8_t* RawData() const override { return FDataPtr; }
    std::uint32_t AllocatedSize() const override { return FAllocatedSize; }
    // As many of the source block's bytes as fit into this one.
    void CopyFrom(const pins::TSGSmartBuffer& source);

private:
    std::uint32_t FAllocatedSize = 0;
    std::uint8_t* FDataPtr = nullptr;
};

}  // namespace oculon::audio
