#include "app/ui/CallWindowsQt.h"

#include "platform/ui/OwnDialogs.h"
#include "video/ui/ActionButton.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/PopupScreen.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::app::ui {

namespace {

// A hidden popup shows when its call starts, in the place the call gives it.
void toFront(QWidget& w) {
    if (w.isVisible()) video::ui::comeUpByItself(w);
}

class PopupWindow : public QtCallWindow {
public:
    PopupWindow(const PopupSetup& setup, platform::TargetId mainForm, const std::function<void()>& screenSaverStop)
        : popup_(new video::ui::TVideobild()) {
        popup_->setScreenSaverStop(screenSaverStop);
        popup_->sendFunction = setup.sendFunction;
        popup_->sendFunctionLindavor = setup.sendFunctionLindavor;
        if (setup.blackToMainForm) popup_->blackHandle = mainForm;
        if (setup.callEnd)
            popup_->callEnd = [this, callEnd = setup.callEnd](video::ui::TVideobild&) { callEnd(*this); };
    }
    // Never called from inside one of the popup's own handlers (the dispatch
    // frees windows at its next event), so the popup can go at once unless a
    // dialog of its own is open; a preview popup that has already gone by
    // itself is left alone.
    ~PopupWindow() override { closeForGood(); }

    bool visible() const override { return popup_ && popup_->isVisible(); }
    bool videoOnly() const override { return popup_ && popup_->videoOnly(); }
    std::string telefonIP() const override { return popup_ ? popup_->phoneIP() : std::string(); }
    void startVideo(const config::TSingleConfig& station, bool preview) override {
        if (popup_) popup_->startVideo(station, preview);
    }
    void stopVideo() override {
        if (popup_) popup_->stopVideo();
    }
    void setInput(bool on) override {
        if (popup_) popup_->setInput(on);
    }
    void refreshVideoOnly() override {
        if (popup_) popup_->refreshVideoOnly();
    }
    void setVideoOnly(bool on) override {
        if (popup_) popup_->setVideoOnly(on);
    }
    void highlightName(bool on) override {
        if (popup_) popup_->setNameHighlight(on);
    }
    void bringToFront() override {
        if (popup_) toFront(*popup_);
    }
    void setBounds(const config::TWindowSettings& b) override {
        if (!popup_) return;
        if (popup_->isVisible()) {
            popup_->placeAt({b.left, b.top, b.width, b.height});
            return;
        }
        popup_->move(b.left, b.top);
        popup_->resize(b.width, b.height);
    }
    void placeAmongOthers(const config::TWindowSettings& b) override {
        if (popup_) popup_->keepWithin({b.width, b.height});
        setBounds(b);
    }
    std::optional<config::TWindowSettings> shownBounds() const override {
        if (!visible()) return std::nullopt;
        const video::PixelRect at = popup_->standsAt();
        return config::TWindowSettings{at.top, at.left, at.height, at.width};
    }
    void whenSettled(std::function<void()> settled) override {
        if (popup_) popup_->placeSettled = std::move(settled);
    }
    bool placedByUser() const override { return popup_ && popup_->placedByUser(); }
    std::uintptr_t handle() const override { return reinterpret_cast<std::uintptr_t>(popup_.data()); }
    config::TWindowSettings bounds() const override {
        if (!popup_) return {};
        const video::PixelRect wanted = popup_->wantedPlace();
        return {wanted.top, wanted.left, wanted.height, wanted.width};
    }
    void closeForGood() override {
        if (!popup_) return;
        popup_->callEnd = nullptr;
        popup_->placeSettled = nullptr;
        popup_->stopVideo();
        platform::ui::freeOnceItsDialogsHaveReturned(std::unique_ptr<QWidget>(popup_.data()));
        popup_ = nullptr;
    }

private:
    QPointer<video::ui::TVideobild> popup_;
};

}  // namespace

std::unique_ptr<QtCallWindow> QtWindowFactory::create(const PopupSetup& setup) {
    return std::make_unique<PopupWindow>(setup, mainForm_, screenSaverStop_);
}

std::optional<video::ScreenRoom> QtWindowFactory::screenRoom(const config::TWindowSettings& at) const {
    return video::ui::popupScreenRoom(QPoint(at.left, at.top));
}

bool WallDoor::doorVisible() const { return wall_.isVisible() && wall_.doorVideoShown(); }
bool WallDoor::doorVideoOnly() const { return wall_.mainVideoFrame1.videoOnly(); }
std::string WallDoor::doorTelefonIP() const { return wall_.mainVideoFrame1.telefonIP(); }
void WallDoor::restore() {
    if (wall_.isMinimized()) wall_.showNormal();
}
void WallDoor::bringToFront() { toFront(wall_); }
void WallDoor::startDoorVideo(const config::TSingleConfig& station) { wall_.startDoorVideo(station); }
void WallDoor::stopDoorVideo() { wall_.stopDoorVideo(); }
void WallDoor::refreshVideoOnly() { wall_.mainVideoFrame1.refreshVideoOnly(); }
void WallDoor::setVideoOnly(bool on) { wall_.mainVideoFrame1.setVideoOnly(on); }

}  // namespace oculon::app::ui
