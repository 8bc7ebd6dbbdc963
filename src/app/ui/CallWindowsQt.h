#pragma once
// The tray form's call windows behind the dispatch's interfaces: the live
// video popup (TVideobild) and the wall's door frame (TueberwachungForm),
// and what the form needs of a popup beyond that (position, the close at
// the end).

#include <QPointer>

#include <functional>
#include <memory>

#include "app/CallWindows.h"
#include "platform/MainLoop.h"

namespace oculon::video::ui {
class TVideobild;
class TueberwachungForm;
}  // namespace oculon::video::ui

namespace oculon::app::ui {

class QtCallWindow : public CallWindow {
public:
    // Where the user wants the window (its frame's place and client size),
    // what the program stores.
    virtual config::TWindowSettings bounds() const = 0;
    // Stops the call and frees the window.
    virtual void closeForGood() = 0;
};

class QtWindowFactory : public WindowFactory {
public:
    // `mainForm`: where a further popup posts 1039 when its stream turns
    // black; `screenSaverStop`: what each popup runs when a call starts.
    QtWindowFactory(platform::TargetId mainForm, std::function<void()> screenSaverStop)
        : mainForm_(mainForm), screenSaverStop_(std::move(screenSaverStop)) {}

    std::unique_ptr<CallWindow> createPopup(const PopupSetup& setup) override { return create(setup); }
    std::optional<video::ScreenRoom> screenRoom(const config::TWindowSettings& at) const override;
    std::unique_ptr<QtCallWindow> create(const PopupSetup& setup);

private:
    platform::TargetId mainForm_;
    std::function<void()> screenSaverStop_;
};

// The wall as the dispatch sees it; the wall itself belongs to the form.
class WallDoor : public DoorWall {
public:
    explicit WallDoor(video::ui::TueberwachungForm& wall) : wall_(wall) {}
    bool doorVisible() const override;
    bool doorVideoOnly() const override;
    std::string doorTelefonIP() const override;
    void restore() override;
    void bringToFront() override;
    void startDoorVideo(const config::TSingleConfig& station) override;
    void stopDoorVideo() override;
    void refreshVideoOnly() override;
    void setVideoOnly(bool on) override;

private:
    video::ui::TueberwachungForm& wall_;
};

}  // namespace oculon::app::ui
