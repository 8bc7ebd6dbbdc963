#include "video/ui/ActionButton.h"

#include <QEvent>
#include <QWindow>

namespace oculon::video::ui {

namespace {

// Whether the user has chosen a window since it last came up by itself: a
// mouse press anywhere in it. It lives with the window as a child; a window
// without one was never shown by the program on its own, and counts as
// chosen.
//
// A window becoming active is no choice: tiling and Wayland compositors give
// a new window the keyboard whether the program asks for it or not, and they
// take it away and give it back by themselves too (when a keyboard comes or
// goes, such as a key fob that types or an on-screen keyboard), which the
// program cannot tell from the user going to another window and back.
class UserChoice : public QObject {
public:
    explicit UserChoice(QWidget& window) : QObject(&window), window_(window) {}

    static UserChoice* of(const QWidget& window) {
        for (QObject* child : window.children()) {
            if (auto* choice = dynamic_cast<UserChoice*>(child)) return choice;
        }
        return nullptr;
    }

    bool made() const { return made_; }

    void withdraw() {
        made_ = false;
        // Mouse presses anywhere in the window pass its native window first.
        window_.winId();
        if (QWindow* handle = window_.windowHandle()) handle->installEventFilter(this);
        window_.setFocus(Qt::OtherFocusReason);
        tellButtons();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (!made_ && (type == QEvent::MouseButtonPress || type == QEvent::TouchBegin || type == QEvent::TabletPress))
            choose();
        return false;
    }

private:
    void choose() {
        made_ = true;
        tellButtons();
    }

    void tellButtons() {
        for (ActionButton* button : window_.findChildren<ActionButton*>()) button->followWindowChoice();
    }

    QWidget& window_;
    bool made_ = true;
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
    // window still comes to the front. The toolkit reads the attribute when
    // it makes the native window, so one made already is told directly.
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    if (QWindow* handle = window.windowHandle()) handle->setProperty("_q_showWithoutActivating", true);
    keepKeysUntilChosen(window);
    if (window.isMinimized()) window.showNormal();
    else window.show();
    window.raise();
}

}  // namespace oculon::video::ui
