#pragma once
// What the popup and the wall's door frame share as widgets: the senders
// the tray form hands them, the running call (CallSession), the door panel
// and its buttons, the message target the view's own messages go to, and
// the video-only switch.

#include <QPushButton>
#include <QWidget>

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

protected:
    CallView(QWidget* parent, Qt::WindowFlags flags, bool withWatchdog, CodePadding padding,
             const char* inputImageName);
    // A derived view stops the call in its destructor, while its picture
    // controls still exist.
    ~CallView() override;

    virtual void handleMessage(platform::Message& message) = 0;
    // The door, light and snapshot buttons act on the call.
    void connectButtons(QPushButton& saveButton);

    DoorPanel moxaPanel;
    CallSession session_;

private:
    platform::MessageTarget target_;
};

}  // namespace oculon::video::ui
