#pragma once
// The window of a start whose settings cannot be used (a link to a disk
// that is not mounted yet, at log-on): it says why, tries again by itself
// every few seconds for a while, and at once when the user asks, and ends
// the start only when the user closes it. The file stays as it is.

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>

namespace oculon::app::ui {

class SettingsUnreadableWindow : public QDialog {
    Q_OBJECT

public:
    // Claims the settings once more: why they cannot be used, in the
    // user's words; empty when they can now.
    using TryAgain = std::function<std::string()>;

    // `reason` is why they cannot be used now. exec() is Accepted once a
    // try succeeded, Rejected when the user closed the window.
    SettingsUnreadableWindow(const std::string& reason, TryAgain tryAgain,
                             std::chrono::milliseconds every = std::chrono::seconds(2), int timesBySelf = 90);

    QString text() const { return text_.text(); }
    QPushButton& tryAgainButton() const;
    QPushButton& closeButton() const;
    // Whether it still tries by itself.
    bool trying() const { return again_.isActive(); }

private:
    void tryOnce();
    void showReason(const std::string& reason);

    TryAgain tryAgain_;
    int timesLeft_;
    QGridLayout layout_;
    QLabel icon_;
    QLabel text_;
    QDialogButtonBox buttons_;
    QTimer again_;
};

}  // namespace oculon::app::ui
