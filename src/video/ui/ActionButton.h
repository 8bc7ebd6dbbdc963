#pragma once
// The buttons that act, in the windows that come up by themselves for a
// call: on a device (door, relay, release-buzzer, light, record, camera
// switch) or on the call (snapshot, close). Such a window may come up while
// the user types in another one, and where the window system hands it the
// keyboard anyway, the rest of the typing must act on nothing: keys reach
// these buttons only once the user has chosen the window, by a mouse press
// in it or by the chord kChooseByKeys, which typing cannot produce. The chord
// only ever chooses; a click always acts.
//
// The show step of such a window:
//   comeUpByItself(window);          // seen over every window, keys held back
// and of a call that starts inside a shown window (the wall's door frame):
//   keepKeysUntilChosen(frame);
// A KeysHint in the call's view tells the user how to choose it.

#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

namespace oculon::video::ui {

// The keys that choose a call window, as a mouse press in it does: a
// deliberate chord that neither text nor Tab, Space or Return make, bound by
// no common desktop.
inline constexpr QKeyCombination kChooseByKeys{Qt::ControlModifier | Qt::AltModifier, Qt::Key_Space};

class ActionButton : public QPushButton {
    Q_OBJECT

public:
    explicit ActionButton(QWidget* parent = nullptr);

    // True once the user has chosen the button's window (and for a window
    // the user opened himself): then Tab reaches the button and Space,
    // Return, Enter or a shortcut presses it.
    bool keysMayReach() const;
    // Takes the focus by Tab and by click only while keys may reach it.
    void followWindowChoice();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// A line over a call's picture, shown while keys are held back from the
// window's action buttons: how to choose the window (a click, or the chord).
class KeysHint : public QLabel {
    Q_OBJECT

public:
    explicit KeysHint(QWidget* parent = nullptr);

    // The text in the current language.
    void showText();
    // At the top left of `picture`, within its width.
    void place(const QRect& picture);
    // Shown while keys are held back.
    void followWindowChoice();
};

// `widget`'s window came up, or came forward, by itself: the keys it holds go
// to the window itself, where they do nothing, none reaches its action
// buttons and no key closes it until the user chooses it, and it is marked
// urgent until then. The chord, pressed in any window of the program,
// chooses the newest such window, brings it to the front and puts the
// keyboard on the first action button of `widget`.
void keepKeysUntilChosen(QWidget& widget);

// Shows `window`, which comes up by itself, over every other window and asks
// for the user's attention. Where the window system lets it, the window the
// user works in keeps the keyboard (X11); where only the keyboard brings a
// window to the front (a fullscreen window, a Wayland compositor), the call
// window takes it. Keys stay away from its action buttons until the user
// chooses it.
void comeUpByItself(QWidget& window);

}  // namespace oculon::video::ui
