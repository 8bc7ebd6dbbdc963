// A stored form read into live components: the export's generic filter and
// AVI logger, linked, beside a component with value pins, a pin list and a
// data output that has started a stream, so that each link made to it (and
// made again by the second load) is sent the start. The bytes are taken as
// a binary component stream, else as form text. A stream that is refused
// must leave every link as it was; one that loads must write again and load
// again without an error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "media/pins/PNPersistence.h"
#include "media/pins/PNStandardOperations.h"
#include "media/pins/PNStandardPins.h"
#include "media/pins/PNStateDispatcher.h"
#include "media/pins/SGDataPins.h"
#include "media/video/VDAVILogger.h"
#include "media/video/VDGenericFilter.h"

using namespace oculon;
using namespace oculon::pins;

namespace {

class Panel : public TCBComponent {
public:
    Panel(TComponent* owner, std::string name) : TCBComponent(owner, std::move(name)) {
        PublishPin("Level", *level_);
        PublishPin("Value", *value_);
        PublishPin("Data", *data_);
        list_.Add(PNOwned<TPNBasicPin>(PNMakePin<TPNRealSourcePin>(this, FLock)), "Left");
        list_.Add(PNOwned<TPNBasicPin>(PNMakePin<TPNRealSinkPin>(this, FLock)));
        PublishPinList("Pins", list_);
    }
    void StartData() { data_->Notify(std::make_shared<TPNStartOperation>()); }
    void GetPropInfos(TPropList& props) override {
        TCBComponent::GetPropInfos(props);
        props.push_back(PNProp<double>(
            "Gain", [this] { return gain_; }, [this](double v) { gain_ = v; }));
    }

private:
    PNOwned<TPNRealSourcePin> level_ = PNMakePin<TPNRealSourcePin>(this, FLock);
    PNOwned<TPNRealSinkPin> value_ = PNMakePin<TPNRealSinkPin>(this, FLock);
    PNOwned<TSGPNRealSourcePin> data_ = PNMakePin<TSGPNRealSourcePin>(this, FLock);
    TPNPinList list_{this, FLock, true};
    double gain_ = 1.5;
};

// Every link of every pin of the root, as text.
std::string links(TComponent& root) {
    std::string out;
    for (std::size_t c = 0; c < root.ComponentCount(); ++c)
        for (TPNBasicPin* pin : PNPublishedPins(*root.Components(c))) {
            out += pin->GetFullName(true) + ":";
            for (std::size_t k = 0; k < pin->GetConnectedPinCount(); ++k)
                out += " " + pin->GetConnectedPin(k)->GetFullName(true);
            if (const auto d = pin->Dispatcher()) out += " state " + d->Name();
            out += "\n";
        }
    return out;
}

}  // namespace

static void load(const platform::TStreamObject& tree) {
    TComponent frame(nullptr, "VideoViewerFrame1", TComponentKind::Frame);
    auto filter = PNOwned<mediavideo::TVDGenericFilter>::make(&frame, "VDGenericFilter1");
    auto logger = PNOwned<mediavideo::TVDAVILogger>::make(&frame, "VDAVILogger1");
    auto panel = PNOwned<Panel>::make(&frame, "Panel1");
    panel->StartData();
    logger->InputPin().Connect(&filter->OutputPin());
    const std::string before = links(frame);
    try {
        PNReadRoot(frame, tree);
    } catch (const platform::EComponentStreamError&) {
        if (links(frame) != before) __builtin_trap();
        return;
    }
    PNReadRoot(frame, PNWriteRoot(frame));
}

// The framework's process-wide registers are made by the first form read,
// as at the program's start. Made here, they do not count against the first
// input, which libFuzzer would otherwise run a second time to look for a leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    load(
        platform::ParseFormText("object VideoViewerFrame1: TComponent object VDGenericFilter1: TVDGenericFilter "
                                "OutputPin.SinkPins = ((P0.X.In P1.X.In) VideoViewerFrame1.VDAVILogger1.InputPin) "
                                "end end"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TStreamObject tree;
    try {
        tree = platform::DecodeComponentStream(data, size);
    } catch (const platform::EComponentStreamError&) {
        try {
            tree = platform::ParseFormText(std::string_view(reinterpret_cast<const char*>(data), size));
        } catch (const platform::EComponentStreamError&) {
            return 0;
        }
    }
    load(tree);
    // Placeholders of pins that never came go with the pins linked to them.
    if (PNUnloadedPinCount() != 0) __builtin_trap();
    return 0;
}
