#include "video/ui/analogRT.h"

#include <QFontMetrics>
#include <QStringList>

#include "config/sprachen.h"

namespace oculon::video::ui {

using namespace config;

namespace {

constexpr int kWidth = 202;
constexpr int kHeight = 358;

const char* const kButtonNames[TanalogRT::kButtonCount] = {"btnEins",  "btnZwei",   "btnDrei", "btnVier", "btnFuenf",
                                                           "btnSechs", "btnSieben", "btnAcht", "btnNeun"};
const TText* const kButtonTexts[TanalogRT::kButtonCount] = {&txtButton1, &txtButton2, &txtButton3,
                                                            &txtButton4, &txtButton5, &txtButton6,
                                                            &txtButton7, &txtButton8, &txtButton9};

// Radio buttons do not wrap their text; break it between words to fit.
QString wrapped(const QString& text, const QFontMetrics& metrics, int width) {
    QString out;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            out += line + QLatin1Char('\n');
            line = word;
        } else {
            line = candidate;
        }
    }
    return out + line;
}

}  // namespace

TanalogRT::TanalogRT(QWidget* parent) : QDialog(parent) {
    makeFixedDialog(*this, kWidth, kHeight);
    place(einRTbtn, this, "einRTbtn", QRect(8, 8, kWidth - 16, 48));
    place(mehrRTbtn, this, "mehrRTbtn", QRect(8, 58, kWidth - 16, 48));
    place(Panel2, this, "Panel2", QRect(8, 110, kWidth - 16, 204));
    place(reagiertLabel, &Panel2, "reagiertLabel", QRect(4, 2, kWidth - 24, 40));
    reagiertLabel.setWordWrap(true);
    reagiertLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int i = 0; i < kButtonCount; ++i)
        place(button(i), &Panel2, kButtonNames[i], QRect(12, 44 + 17 * i, kWidth - 40, 17));
    placeOkCancel(*this, okBtn, "okBtn", QRect(14, 324, 80, 25), cancelBtn, "cancelBtn", QRect(108, 324, 80, 25));
    // Checking a button in code counts as a click, so the panel follows the
    // caller's choice too.
    connect(&einRTbtn, &QRadioButton::toggled, this, &TanalogRT::RTbtnClick);
    connect(&mehrRTbtn, &QRadioButton::toggled, this, &TanalogRT::RTbtnClick);
    RTbtnClick();
}

void TanalogRT::RTbtnClick() { Panel2.setVisible(mehrRTbtn.isChecked()); }

void TanalogRT::showEvent(QShowEvent* event) {
    setWindowTitle(qs(config::tr(txtNumberOfButtons)));
    const QFontMetrics metrics(einRTbtn.font());
    const int textWidth = einRTbtn.width() - 24;
    einRTbtn.setText(wrapped(qs(config::tr(txtAnalogDoorIntercomOneButton)), metrics, textWidth));
    mehrRTbtn.setText(wrapped(qs(config::tr(txtAnalogDoorIntercomMoreButtons)), metrics, textWidth));
    reagiertLabel.setText(qs(config::tr(txtVideoShownWhenCallEstablishedUsing)));
    for (int i = 0; i < kButtonCount; ++i) button(i).setText(qs(config::tr(*kButtonTexts[i])));
    cancelBtn.setText(qs(config::tr(txtCancel)));
    QDialog::showEvent(event);
}

}  // namespace oculon::video::ui
