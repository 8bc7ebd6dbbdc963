#pragma once
// The one box in which a call tells what fails without ending it: a picture
// not saved, a recording that does not write, a picture folder that is not
// there. It belongs to the call's window, holds no window up, takes no
// keyboard as it comes, shows each kind of failure with its latest text,
// and goes when the call ends. What it told counts as read once the user
// closes it (RepeatedFailures).

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <array>
#include <string>

#include "video/RepeatedFailures.h"

namespace oculon::video::ui {

class CallNotice {
public:
    explicit CallNotice(QWidget& owner) : owner_(owner) {}
    ~CallNotice() { withdraw(); }
    CallNotice(const CallNotice&) = delete;
    CallNotice& operator=(const CallNotice&) = delete;

    // Tells `text` (plain text) of a failure of `kind`, unless the user has
    // read that failure already; `reason` as RepeatedFailures::failed
    // takes it. `asked`: a failure of what the user has just asked for,
    // told in any case.
    void tell(CallFailure kind, const std::string& text, const std::string& reason, bool asked = false);
    // Writing of `kind` works.
    static void cleared(CallFailure kind) { RepeatedFailures::program().cleared(kind); }
    // The call ended: the box goes, what it told still unread.
    void withdraw();

private:
    QWidget& owner_;
    QPointer<QMessageBox> box_;
    QMetaObject::Connection closed_;
    std::array<std::string, kCallFailureKinds> told_;
};

}  // namespace oculon::video::ui
