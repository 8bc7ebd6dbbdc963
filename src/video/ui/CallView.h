#pragma once
// What the popup and the wall's door frame share as widgets: the senders
// the tray form hands them, the running call (CallSession), the door panel
// and its buttons, the message target the view's own messages go to, and
// the video-only switch.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <functional>

#include "platform/MainLoop.h"
#include "video/ui/CallSession.h"
#include "video/ui/CallViewParts.h"

namespace oculon::video::ui {

class CallView : public QWidget {
    Q_OBJECT

public:
    // Set by the owner before a call starts.
    SendFunction sendFunction;
    SendFunction sendFunctionLindavor;

    void setVideoOnly(bool on) { session_.setVideoOnly(on); }
    bool videoOnly() const { return session_.videoOnly(); }
    // In video-only mode the call's time starts again.
    void refreshVideoOnly() { session_.refreshVideoOnly(); }

    // Where the view's own messages go.
    platform::TargetId handle() const { return target_.id(); }
    CallSession& session() { return session_; }

    // What stops a running screen saver when a call starts; none by default.
    void setScreenSaverStop(std::function<void()> stop) { screenSaverStop_ = std::move(stop); }

protected:
    CallView(QWidget* parent, Qt::WindowFlags flags, bool withWatchdog, CodePadding padding,
             const char* inputImageName);
    // A derived view stops the call in its destructor, while its picture
    // controls still exist.
    ~CallView() override;

    virtual void handleMessage(platform::Message& message) = 0;

    // The texts of the running call in the current language: window caption
    // and buttons. Shown when a call starts and again when the language
    // changes (QEvent::LanguageChange), from `setupOfCall_`.
    virtual void showTexts(const CallSetup& setup) = 0;
    void changeEvent(QEvent* event) override;
    // Works out the running call's setup from its station, once more.
    std::function<CallSetup()> setupOfCall_;

    // A new call begins: messages posted for earlier calls lose their effect.
    void beginCall() { ++callId_; }
    // Posts `id` to this view for the running call. Any thread.
    void postForCall(std::uint32_t id) const;
    // A message posted by postForCall for the call that runs now, or one
    // posted from outside without a call number (WParam 0) while a call runs.
    bool forThisCall(const platform::Message& message) const;

    // A call must be answerable whatever modal window of ours is open (the
    // recordings player, a prompt of the tray menu): before a call shows, its
    // window is made transient for the application-modal window, which frees
    // it from that window's input block and keeps it above it. With none, or
    // one that is the window's own prompt, it stands on its own; a window's
    // own modal dialog (another call's) holds it up in no way.
    void answerAboveModalWindows();
    // Before a call shows.
    void stopScreenSaver() const {
        if (screenSaverStop_) screenSaverStop_();
    }
    // The door, light and snapshot buttons act on the call.
    void connectButtons(QPushButton& saveButton);
    // A picture of the main camera: its decoder connects again by itself
    // after a fault, and a camera that delivers pictures again is no longer
    // shown as failed; its call can be answered again.
    void cameraBack(QLabel& faultLabel, QWidget& picture, QPushButton& saveButton);

    DoorPanel moxaPanel;
    CallSession session_;

private:
    // A decoder may report black many times before the first report is
    // handled, and a timer may fire just before a call is stopped: their
    // messages must not end the next call.
    std::atomic<std::uintptr_t> callId_{0};
    platform::MessageTarget target_;
    std::function<void()> screenSaverStop_;
};

}  // namespace oculon::video::ui
