#include "video/ui/ActionButton.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "config/sprachen.h"
#include "video/ui/X11Desktop.h"

namespace oculon::video::ui {

namespace {

// Whether the user has chosen a window since it last came up by itself: a
// mouse press anywhere in it, or the chord. It lives with the window as a
// child; a window without one was never shown by the program on its own, and
// counts as chosen.
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

    void withdraw(QWidget& view) {
        made_ = false;
        view_ = &view;
        // Mouse presses and keys anywhere in the window pass its native window first.
        window_.winId();
        if (QWindow* handle = window_.windowHandle()) handle->installEventFilter(this);
        window_.setFocus(Qt::OtherFocusReason);
        tellButtons();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (made_) return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::TouchBegin:
            case QEvent::TabletPress: choose(); return false;
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->keyCombination() != kChooseByKeys) return false;
                choose();
                focusFirstButton();
                return true;  // the chord itself presses nothing
            default: return false;
        }
    }

private:
    void choose() {
        made_ = true;
        tellButtons();
    }

    void tellButtons() {
        for (ActionButton* button : window_.findChildren<ActionButton*>()) button->followWindowChoice();
        for (KeysHint* hint : window_.findChildren<KeysHint*>()) hint->followWindowChoice();
    }

    // Where a keyboard user goes next: the door output of a call.
    void focusFirstButton() {
        if (!view_) return;
        for (QWidget* w = view_->nextInFocusChain(); w != view_ && w != &window_; w = w->nextInFocusChain()) {
            if (qobject_cast<ActionButton*>(w) && w->isVisibleTo(view_) && view_->isAncestorOf(w)) {
                w->setFocus(Qt::TabFocusReason);
                return;
            }
        }
    }

    QWidget& window_;
    // The call's view in the window (the window itself, or the wall's door frame).
    QPointer<QWidget> view_;
    bool made_ = true;
};

// Asks for the user's attention for a window once it is on the screen, until
// it becomes active: the urgency hint of a window not mapped yet is lost on
// some compositors (XWayland's), and a task bar shows it only for a mapped
// window.
class Attention : public QObject {
public:
    static void ask(QWidget& window) {
        QWindow* handle = window.windowHandle();
        if (handle == nullptr) return;
        Attention* attention = nullptr;
        for (QObject* child : window.children())
            if ((attention = dynamic_cast<Attention*>(child)) != nullptr) break;
        if (attention == nullptr) {
            attention = new Attention(window);  // owned by the window
            handle->installEventFilter(attention);
        }
        if (handle->isExposed()) attention->askNow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto& handle = *static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && handle.isExposed()) askNow();
        if (event->type() == QEvent::FocusIn) {
            setUrgencyHint(*window_.windowHandle(), false);
            deleteLater();
        }
        return false;
    }

private:
    explicit Attention(QWidget& window) : QObject(&window), window_(window) {}

    void askNow() {
        if (window_.isActiveWindow()) return;
        QApplication::alert(&window_);
        setUrgencyHint(*window_.windowHandle(), true);
    }

    QWidget& window_;
};

bool keysMayReachWindowOf(const QWidget& widget) {
    const UserChoice* choice = UserChoice::of(*widget.window());
    return choice == nullptr || choice->made();
}

QScreen* screenOf(const QWidget& window) {
    QScreen* at = QGuiApplication::screenAt(window.geometry().center());
    return at != nullptr ? at : window.screen();
}

// Whether the window is seen only if it takes the keyboard: a Wayland
// compositor brings a window forward only when it asks to be activated; an
// X11 window manager keeps an active fullscreen window above all others.
// (Through XWayland, X11's rule holds for the X11 windows; the toolkit would
// take the X11 keyboard where the compositor gives none, and the window
// would count as active, out of sight and asking for no attention.)
bool seenOnlyWithTheKeyboard(const QWidget& window) {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
    if (platform != QLatin1String("xcb")) return false;
    QScreen* screen = screenOf(window);
    return screen != nullptr && activeFullscreenCovers(*screen);
}

}  // namespace

ActionButton::ActionButton(QWidget* parent) : QPushButton(parent) { followWindowChoice(); }

bool ActionButton::keysMayReach() const { return keysMayReachWindowOf(*this); }

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

KeysHint::KeysHint(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("keysHint"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    setMargin(3);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xF8, 0xD0));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    showText();
    hide();
}

void KeysHint::showText() { setText(QString::fromStdString(config::tr(config::txtKeysAfterChoice))); }

void KeysHint::place(const QRect& picture) {
    const int width = std::min(sizeHint().width(), picture.width());
    setGeometry(picture.left(), picture.top(), width, heightForWidth(width));
    raise();
}

void KeysHint::followWindowChoice() { setVisible(!keysMayReachWindowOf(*this)); }

void keepKeysUntilChosen(QWidget& widget) {
    QWidget& window = *widget.window();
    UserChoice* choice = UserChoice::of(window);
    if (choice == nullptr) choice = new UserChoice(window);  // owned by the window
    choice->withdraw(widget);
}

void comeUpByItself(QWidget& window) {
    // On X11 a window shown without activating leaves the keyboard where it
    // is and still comes to the front. The toolkit reads the attribute when it
    // makes the native window, so one made already is told directly.
    const bool takeKeyboard = seenOnlyWithTheKeyboard(window);
    window.setAttribute(Qt::WA_ShowWithoutActivating, !takeKeyboard);
    if (QWindow* handle = window.windowHandle()) handle->setProperty("_q_showWithoutActivating", !takeKeyboard);
    keepKeysUntilChosen(window);
    if (window.isMinimized()) window.showNormal();
    else window.show();
    window.raise();
    if (takeKeyboard) window.activateWindow();
    // The urgency hint and "demands attention": a task bar or a compositor
    // that keeps the window out of sight still shows that it calls.
    Attention::ask(window);
}

}  // namespace oculon::video::ui
