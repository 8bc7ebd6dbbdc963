#pragma once
// What the program's dialogs are built from: fixed-size windows with the
// brand icon, children placed under their names, OK and Cancel closing with
// the modal results the callers test, and the frame of the brand dialogs
// (white title strip, picture strip on the left, OK and Cancel at the
// bottom right, divider lines between them).

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <string>

#include "config/sprachen.h"

namespace oculon::config::ui {

// Modal results as the callers test them.
inline constexpr int mrOK = 1;
inline constexpr int mrCancel = 2;

// Catalogue text (CR LF line breaks) as a widget text.
QString qs(const std::string& text);

// A prompt's caption and text: catalogue entries, shown in the language of
// the moment the dialog opens.
struct PromptTexts {
    const TText& caption;
    const TText& prompt;

    // Into the window title and `label`.
    void show(QDialog& dialog, QLabel& label) const;
};

// A fixed-size dialog with the window icon of the brand.
void makeFixedDialog(QDialog& dialog, int width, int height);

// Puts a child widget in place.
void place(QWidget& child, QWidget* parent, const char* name, const QRect& where);

// Moves the window to the middle of the screen it opens on
// (platform::ui::centreInRoom).
void centerOnScreen(QWidget& window);

// A white ground behind the widget's contents.
void paintWhite(QWidget& widget);

// A title strip across the top of a window: bold on white, 25 pixels high.
void placeTitleStrip(QLabel& title, QWidget* parent, const char* name, int width);

// OK (captioned "OK", the default, result OK) and Cancel (result Cancel);
// the caller captions Cancel.
void placeOkCancel(QDialog& dialog, QPushButton& ok, const char* okName, const QRect& okAt, QPushButton& cancel,
                   const char* cancelName, const QRect& cancelAt);

// Where the parts of a brand dialog go.
struct BrandLayout {
    int width = 0;
    int height = 0;
    // The line above the button row; the picture strip ends there.
    int bodyBottom = 0;
    QRect ok;
    QRect cancel;

    // OK and Cancel 75 x 25 side by side at the right edge, `buttonTop`
    // down, with the line 9 pixels above them.
    static BrandLayout standard(int width, int height, int buttonTop);
    // The same `height` tall where the room for windows on the screen
    // `window` opens on holds it, else as tall as the room, but never
    // shorter than its controls down to `contentBottom` and the buttons
    // need: on a small laptop the buttons stay on the screen.
    static BrandLayout fitted(const QWidget& window, int width, int height, int contentBottom);
};

// The frame of a brand dialog. The title label and the buttons belong to
// the dialog, which names them; the frame owns the picture strip ("Image1")
// and the lines ("Bevel1" under the title, "Bevel2" beside the strip,
// "Bevel3" above the buttons).
class BrandFrame {
public:
    static constexpr int kTitleHeight = 25;
    static constexpr int kStripWidth = 100;
    static constexpr int kBodyTop = kTitleHeight + 2;
    // Where the dialog's own controls start, right of the strip.
    static constexpr int kContentLeft = kStripWidth + 16;

    // Makes `dialog` a fixed-size brand window and lays out the title strip
    // (`title`, bold on white), the picture strip and the lines.
    void build(QDialog& dialog, const BrandLayout& layout, QLabel& title, const char* titleName);

    // OK (the default) and Cancel ("Abbrechen") at the layout's places. A
    // dialog places them after its own controls when those come first in
    // the tab order.
    void placeButtons(QPushButton& ok, const char* okName, QPushButton& cancel, const char* cancelName);

private:
    QDialog* dialog_ = nullptr;
    BrandLayout layout_;
    QFrame bevelTop_;
    QLabel strip_;
    QFrame bevelStrip_;
    QFrame bevelBottom_;
};

}  // namespace oculon::config::ui
