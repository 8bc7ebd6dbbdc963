#pragma once
// Controls the popup and the wall's door frame have in common: the door
// panel (moxaPanel) with the input state, the light and the door button, the
// header labels and the red fault labels.

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "video/HauptProgrammModel.h"
#include "video/VideoCall.h"
#include "video/ui/ActionButton.h"

namespace oculon::video::ui {

// The door panel, 102 pixels wide in the bottom right corner: the station's
// input state as a picture or a text, the light button and the door button.
class DoorPanel : public QFrame {
    Q_OBJECT

public:
    // `inputImageName`: the input picture's object name in this view.
    DoorPanel(QWidget* parent, const char* inputImageName);

    // Visibility, places and captions for a call; the panel's own top is the
    // view's business.
    void apply(const DoorPanelLayout& layout, const InputDisplay& input);
    // Only the buttons' captions of `layout` (a change of language).
    void setCaptions(const DoorPanelLayout& layout);
    // The station's input state (only when it has an input).
    void setInput(bool on);
    // `at`, made wider to the left where a button's caption needs more room
    // (see roomForCaption); the buttons take the panel's width.
    QRect roomForCaptions(const Rect& at);

    QLabel inputImage;
    QLabel Label1;
    ActionButton lichtBtn;
    ActionButton tuerOeffner;

private:
    DoorPanelLayout layout_;
    InputDisplay input_;
};

// Header and panel colour of the call views.
QColor callViewBackground();

inline QRect toQRect(const Rect& r) { return {r.left, r.top, r.width, r.height}; }
// `at`, made wider to the right where the button's caption needs more room
// than it gives, so that a language's longer wording keeps the margins the
// short ones have.
QRect roomForCaption(const QPushButton& button, const Rect& at);

// A header label: bold Arial 16 px on the header colour.
void headerLabel(QLabel& label, QWidget* parent, const char* name);
// A fault label, red, hidden until a fault shows.
void faultLabel(QLabel& label, QWidget* parent, const char* name, int pixelSize, bool bold);

}  // namespace oculon::video::ui
