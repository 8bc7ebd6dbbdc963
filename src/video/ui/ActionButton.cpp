#include "video/ui/ActionButton.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "config/sprachen.h"
#include "video/ui/WaylandActivation.h"
#include "video/ui/X11Desktop.h"

namespace oculon::video::ui {

namespace {

class UserChoice;

// The windows that came up by themselves, in the order they came up (the
// newest last); a window that comes up again moves to the end.
std::vector<UserChoice*>& cameUp() {
    static std::vector<UserChoice*> windows;
    return windows;
}

// Whether the user has chosen a window since it last came up by itself: a
// mouse press anywhere in it, or the chord. It lives with the window as a
// child; a window without one was never shown by the program on its own, and
// counts as chosen. Until it is chosen the window is marked as calling
// (urgent; on X11 a key of the window manager does not close it either).
//
// A window becoming active is no choice: tiling and Wayland compositors give
// a new window the keyboard whether the program asks for it or not, and they
// take it away and give it back by themselves too (when a keyboard comes or
// goes, such as a key fob that types or an on-screen keyboard), which the
// program cannot tell from the user going to another window and back.
class UserChoice : public QObject {
public:
    explicit UserChoice(QWidget& window) : QObject(&window), window_(window) {}
    ~UserChoice() override { std::erase(cameUp(), this); }

    static UserChoice* of(const QWidget& window) {
        for (QObject* child : window.children()) {
            if (auto* choice = dynamic_cast<UserChoice*>(child)) return choice;
        }
        return nullptr;
    }

    bool made() const { return made_; }
    // Its line asks the user to choose it: its call shows.
    bool waiting() const { return !made_ && view_ && view_->isVisible(); }

    void withdraw(QWidget& view) {
        made_ = false;
        // The wall shows a call in its door frame and then comes up as a
        // whole: the call's view stays the frame.
        if (&view != &window_ || view_ == nullptr || !view_->isVisible()) {
            if (view_) view_->removeEventFilter(this);
            view_ = &view;
            if (&view != &window_) view.installEventFilter(this);
        }
        std::erase(cameUp(), this);
        cameUp().push_back(this);
        // Mouse presses pass its native window first; it is marked before
        // it is mapped.
        window_.winId();
        if (QWindow* handle = window_.windowHandle()) {
            handle->removeEventFilter(this);
            handle->installEventFilter(this);
            markCalling(*handle, true);
        }
        window_.setFocus(Qt::OtherFocusReason);
        tellButtons();
    }

    // The chord: the window comes to the front with the keyboard on its
    // call's door output, marked as the keyboard's place.
    void chooseByKeys() {
        if (window_.isMinimized()) window_.showNormal();
        window_.raise();
        window_.activateWindow();
        choose();
        QWidget* door = doorOutput();
        if (door == nullptr) return;
        door->setFocus(Qt::ShortcutFocusReason);
        window_.setAttribute(Qt::WA_KeyboardFocusChange);
        door->update();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (made_) return false;
        switch (event->type()) {
            case QEvent::Hide:
                // A call that ended in a window that stays (the wall) no longer calls.
                if (watched == view_.data() && window_.windowHandle()) markCalling(*window_.windowHandle(), false);
                return false;
            case QEvent::MouseButtonPress:
            case QEvent::TouchBegin:
            case QEvent::TabletPress: choose(); return false;
            default: return false;
        }
    }

private:
    void choose() {
        made_ = true;
        if (QWindow* handle = window_.windowHandle()) markCalling(*handle, false);
        tellButtons();
    }

    void tellButtons() {
        for (ActionButton* button : window_.findChildren<ActionButton*>()) button->followWindowChoice();
        for (KeysHint* hint : window_.findChildren<KeysHint*>()) hint->followWindowChoice();
    }

    // The call's first action button, what a call is answered with.
    QWidget* doorOutput() const {
        if (!view_) return nullptr;
        for (QWidget* w = view_->nextInFocusChain(); w != view_ && w != &window_; w = w->nextInFocusChain()) {
            if (qobject_cast<ActionButton*>(w) && w->isVisibleTo(view_) && view_->isAncestorOf(w)) return w;
        }
        return nullptr;
    }

    QWidget& window_;
    // The call's view in the window (the window itself, or the wall's door frame).
    QPointer<QWidget> view_;
    bool made_ = true;
};

// The chord, wherever the keyboard is in the program: it chooses the newest
// call window not chosen yet (the one whose line asks for it), or else the
// call window it is pressed in, and never reaches a widget, however often it
// is pressed: a push button presses on Space whatever the modifiers.
class ChordWatch : public QObject {
public:
    static void watch() {
        static QPointer<ChordWatch> watch;
        if (watch == nullptr && qApp != nullptr) {
            watch = new ChordWatch(qApp);  // owned by the application
            qApp->installEventFilter(watch);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) return false;
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (key.key() != kChooseByKeys.key() ||
            (key.modifiers() & ~Qt::KeypadModifier) != kChooseByKeys.keyboardModifiers())
            return false;
        if (type == QEvent::KeyPress && !key.isAutoRepeat()) choose(watched);
        // Taken: no shortcut is looked for, and no widget sees it.
        event->accept();
        return true;
    }

private:
    explicit ChordWatch(QObject* parent) : QObject(parent) {}

    static void choose(QObject* pressedIn) {
        const auto& windows = cameUp();
        const auto newest =
            std::find_if(windows.rbegin(), windows.rend(), [](const UserChoice* c) { return c->waiting(); });
        if (newest != windows.rend()) {
            (*newest)->chooseByKeys();
            return;
        }
        QWidget* window = QApplication::activeWindow();
        if (auto* widget = qobject_cast<QWidget*>(pressedIn)) window = widget->window();
        if (UserChoice* choice = window != nullptr ? UserChoice::of(*window) : nullptr) choice->chooseByKeys();
    }
};

// Asks for the user's attention for a window once it is on the screen, as a
// task bar shows it for a mapped window and a Wayland compositor takes an
// activation request only for one: "demands attention" on X11, an activation
// request on Wayland, where the compositor decides (sway marks the window
// urgent).
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
        attention->pending_ = true;
        if (handle->isExposed()) attention->askSoon();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto& handle = *static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && handle.isExposed()) askSoon();
        if (event->type() == QEvent::FocusIn) deleteLater();
        return false;
    }

private:
    explicit Attention(QWidget& window) : QObject(&window), window_(window) {}

    // Once each time it comes up, after the exposed window has drawn its
    // first picture: the compositor maps a Wayland window with it.
    void askSoon() {
        if (!pending_) return;
        pending_ = false;
        QTimer::singleShot(0, this, [this] {
            if (window_.isActiveWindow() || !window_.isVisible()) return;
            QApplication::alert(&window_);
            if (QWindow* handle = window_.windowHandle()) requestActivationFromOutside(*handle);
        });
    }

    QWidget& window_;
    bool pending_ = false;
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

void ActionButton::keyPressEvent(QKeyEvent* event) {
    // Return and Enter press it as Space does; a key held down presses once.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) click();
    event->accept();
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
    ChordWatch::watch();
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
