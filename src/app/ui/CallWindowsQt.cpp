#include "app/ui/CallWindowsQt.h"

namespace oculon::app::ui {

namespace {

// Takes the popup's place until the live-video window is part of the
// program: it keeps its position and shows nothing.
class StandInPopup : public QtCallWindow {
public:
    bool visible() const override { return false; }
    bool videoOnly() const override { return false; }
    std::string telefonIP() const override { return {}; }
    void startVideo(const config::TSingleConfig&, bool) override {}
    void stopVideo() override {}
    void setInput(bool) override {}
    void refreshVideoOnly() override {}
    void setVideoOnly(bool) override {}
    void highlightName(bool) override {}
    void bringToFront() override {}
    void setBounds(const config::TWindowSettings& b) override { bounds_ = b; }
    std::uintptr_t handle() const override { return reinterpret_cast<std::uintptr_t>(this); }
    config::TWindowSettings bounds() const override { return bounds_; }
    void closeForGood() override {}

private:
    config::TWindowSettings bounds_;
};

}  // namespace

std::unique_ptr<QtCallWindow> QtWindowFactory::create(const PopupSetup&) { return std::make_unique<StandInPopup>(); }

}  // namespace oculon::app::ui
