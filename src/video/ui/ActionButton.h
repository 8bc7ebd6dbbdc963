#pragma once
// The buttons that act, in the windows that come up by themselves for a
// call: on a device (door, relay, release-buzzer, light, record, camera
// switch) or on the call (snapshot, close). Such a window may come up while
// the user types in another one, and where the window system hands it the
// keyboard anyway, the rest of the typing must act on nothing: keys reach
// these buttons only once the user has chosen the window by a mouse press in
// it. A click always acts.
//
// The show step of such a window:
//   comeUpByItself(window);          // shown and raised, keys held back
// and of a call that starts inside a shown window (the wall's door frame):
//   keepKeysUntilChosen(frame);

#include <QPushButton>

namespace oculon::video::ui {

class ActionButton : public QPushButton {
    Q_OBJECT

public:
    explicit ActionButton(QWidget* parent = nullptr);

    // True once the user has chosen the button's window (and for a window
    // the user opened himself): then Tab reaches the button and Space or a
    // shortcut presses it, as in any dialog.
    bool keysMayReach() const;
    // Takes the focus by Tab and by click only while keys may reach it.
    void followWindowChoice();

protected:
    bool event(QEvent* event) override;
};

// `widget`'s window came up, or came forward, by itself: the keys it holds go
// to the window itself, where they do nothing, and none reaches its action
// buttons until the user chooses it.
void keepKeysUntilChosen(QWidget& widget);

// Shows `window`, which comes up by itself, in front of the others without
// taking the keyboard from the window the user works in (where the window
// system lets a window come to the front without it), and keeps keys from
// its action buttons until the user chooses it.
void comeUpByItself(QWidget& window);

}  // namespace oculon::video::ui
