#include "video/ui/ActionButton.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

#include "video/ui/CallViewParts.h"

namespace oculon::video::ui {

namespace {

// Whether the user has chosen a window since it last came up by itself. It
// lives with the window as a child; a window without one was never shown by
// the program on its own, and counts as chosen.
//
// The window system's own activation of a new window, which tiling and
// Wayland compositors give whether the program asks for it or not, is no
// choice: a mouse press in the window is, and so is the window becoming
// active again after the user had gone to another one.
class UserChoice : public QObject {
public:
    explicit UserChoice(QWidget& window) : QObject(&window), window_(window) { window.installEventFilter(this); }

    static UserChoice* of(const QWidget& window) {
        for (QObject* child : window.children()) {
            if (auto* choice = dynamic_cast<UserChoice*>(child)) return choice;
        }
        return nullptr;
    }

    bool made() const { return made_; }

    void withdraw() {
        made_ = false;
        userWentElsewhere_ = false;
        // Mouse presses anywhere in the window pass its native window first.
        window_.winId();
        if (QWindow* handle = window_.windowHandle()) handle->installEventFilter(this);
        window_.setFocus(Qt::OtherFocusReason);
        tellButtons();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (made_) return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::TouchBegin:
            case QEvent::TabletPress: choose(); break;
            case QEvent::WindowDeactivate:
                // Neither a further call's window that took the keyboard by
                // itself nor a dialog of this one is the user going elsewhere.
                if (watched == &window_) userWentElsewhere_ = userWentElsewhere_ || leftForTheUsersWindow();
                break;
            case QEvent::WindowActivate:
                if (watched == &window_ && userWentElsewhere_) choose();
                break;
            default: break;
        }
        return false;
    }

private:
    bool leftForTheUsersWindow() const {
        const QWidget* now = QApplication::activeWindow();
        if (now == nullptr) return true;  // another program's window
        if (promptOf(*now, window_)) return false;
        const UserChoice* other = of(*now->window());
        return other == nullptr || other->made();
    }

    void choose() {
        made_ = true;
        tellButtons();
    }

    void tellButtons() {
        for (ActionButton* button : window_.findChildren<ActionButton*>()) button->followWindowChoice();
    }

    QWidget& window_;
    bool made_ = true;
    bool userWentElsewhere_ = false;
};

}  // namespace

ActionButton::ActionButton(QWidget* parent) : QPushButton(parent) { followWindowChoice(); }

bool ActionButton::keysMayReach() const {
    const UserChoice* choice = UserChoice::of(*window());
    return choice == nullptr || choice->made();
}

void ActionButton::followWindowChoice() { setFocusPolicy(keysMayReach() ? Qt::StrongFocus : Qt::NoFocus); }

bool ActionButton::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange: followWindowChoice(); break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
            if (!keysMayReach()) {
                event->accept();  // and gone: not even its window moves the focus on
                return true;
            }
            break;
        default: break;
    }
    return QPushButton::event(event);
}

void keepKeysUntilChosen(QWidget& widget) {
    QWidget& window = *widget.window();
    UserChoice* choice = UserChoice::of(window);
    if (choice == nullptr) choice = new UserChoice(window);  // owned by the window
    choice->withdraw();
}

void comeUpByItself(QWidget& window) {
    // On X11 the window manager then leaves the keyboard where it is; the
    // window still comes to the front.
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    keepKeysUntilChosen(window);
    if (window.isMinimized()) window.showNormal();
    else window.show();
    window.raise();
}

}  // namespace oculon::video::ui
