// An audio block whose bytes came in through a byte view: its header is
// checked before it becomes an audio buffer again, and then every operation
// stays inside the block.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "media/audio/AUSimpleAudioBuffer.h"
#include "media/pins/SGMemoryBuffer.h"

using namespace oculon::audio;
using namespace oculon::pins;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16) return 0;
    const auto block = TAUAudioBuffer::CreateSizeEx(8000, 1, static_cast<std::uint32_t>(size), 1, 8);
    const auto view = TSGBlockBuffer::CreateUniversal(
        std::make_shared<TSGGenericBuffer>(*block->DataContainer(), static_cast<std::uint32_t>(size)));
    if (size > 0) std::memcpy(view->Write(), data, size);
    IAUAudioBuffer audio;
    try {
        audio = TAUAudioBuffer::CreateUniversal(view);
    } catch (const std::invalid_argument&) {
        return 0;  // not a block the buffers can address
    }
    for (std::uint32_t c = 0; c < audio->GetChannels(); ++c) (void)audio->GetChannel(c);
    const auto stereo = TAUAudioBuffer::CreateSizeEx(8000, 0, audio->GetSize(), 2, 16);
    audio->CopyToAudio(0, *stereo, audio->GetSize(), 0);
    stereo->CopyToAudio(0, *audio, audio->GetSize(), 0);
    audio->Add(*stereo);
    stereo->Divide(*audio);
    audio->MultiplyByReal(0.5);
    audio->DivChannelValue(0, 3);
    audio->Resize(audio->GetSize() + 1, true);
    return 0;
}
