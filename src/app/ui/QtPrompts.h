#pragma once
// The dialogs of the manual "Show video" as real windows: the administrator
// password prompt, the error and question boxes and the server choice.

#include <functional>

#include "app/CallWindows.h"

class QWidget;

namespace oculon::app::ui {

class QtPrompts : public UserPrompts {
public:
    explicit QtPrompts(std::function<void()> openSettings) : openSettings_(std::move(openSettings)) {}

    std::optional<std::string> askAdminPassword() override;
    void wrongPassword() override;
    bool askStartConfiguration() override;
    std::optional<int> chooseServer(const std::vector<std::string>& items) override;
    void openSettings() override;

private:
    std::function<void()> openSettings_;
};

}  // namespace oculon::app::ui
