#pragma once
// The tray form's call windows behind the dispatch's interface, and what the
// form needs of them beyond it (position, close at the end).

#include <memory>

#include "app/CallWindows.h"
#include "platform/MainLoop.h"

namespace oculon::app::ui {

class QtCallWindow : public CallWindow {
public:
    virtual config::TWindowSettings bounds() const = 0;
    // Stops the call and closes the window for good.
    virtual void closeForGood() = 0;
};

class QtWindowFactory : public WindowFactory {
public:
    // `mainForm`: where a further popup posts 1039 when its stream turns black.
    explicit QtWindowFactory(platform::TargetId mainForm) : mainForm_(mainForm) {}

    std::unique_ptr<CallWindow> createPopup(const PopupSetup& setup) override { return create(setup); }
    std::unique_ptr<QtCallWindow> create(const PopupSetup& setup);

private:
    platform::TargetId mainForm_;
};

}  // namespace oculon::app::ui
