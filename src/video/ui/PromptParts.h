#pragma once
// Pieces the prompts of the video windows share: the modal results they
// close with, the "#" echo of code and password fields, and the frame of the
// larger prompts (title panel, picture strip, OK and Cancel at the bottom).

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <string>

namespace oculon::video::ui {

// Modal results as the callers test them.
inline constexpr int mrOK = 1;
inline constexpr int mrCancel = 2;

// Catalogue text (CR LF line breaks) as a widget text.
QString qs(const std::string& text);

// The field shows every character as "#".
void setHashEcho(QLineEdit& edit);

// A fixed-size dialog with the window icon of the brand.
void makeFixedDialog(QDialog& dialog, int width, int height);

// Puts a child widget in place.
void place(QWidget& child, QWidget* parent, const char* name, const QRect& where);

// OK (the default, result OK) and Cancel (result Cancel) side by side at
// `top`, 80 x 25 each; the caller captions Cancel.
void placeOkCancel(QDialog& dialog, QPushButton& ok, const char* okName, QPushButton& cancel, const char* cancelName,
                   int top, int okLeft, int cancelLeft, int width = 80);

// The frame of the 478 x 255 prompts: a white title panel along the top, the
// picture strip on the left and the two buttons at the bottom right.
struct PromptFrame {
    static constexpr int kWidth = 478;
    static constexpr int kHeight = 255;
    static constexpr int kContentLeft = 116;
    static constexpr int kContentWidth = kWidth - kContentLeft - 16;

    QFrame bevelTop;
    QLabel strip;
    QFrame bevelStrip;
    QFrame bevelBottom;

    // `panel` becomes the title panel; `ok` and `cancel` the buttons, with
    // OK the default.
    void build(QDialog& dialog, QLabel& panel, const char* panelName, QPushButton& ok, QPushButton& cancel);
};

}  // namespace oculon::video::ui
