#include "config/ui/sprachwahl.h"

#include <QString>

namespace oculon::config::ui {

namespace {

// The dialog appears before any language is known, so its own title speaks
// both German and English.
const char* const kTitle = "Sprache wählen / Choose your language";

constexpr int kClientWidth = 628;
constexpr int kClientHeight = 451;

}  // namespace

Tsprachwahl::Tsprachwahl(QWidget* parent) : QDialog(parent) {
    const int contentBottom = BrandFrame::kBodyTop + 136 + 4 + 20 * kLanguageCount + 8;
    frame_.build(*this, BrandLayout::fitted(*this, kClientWidth, kClientHeight, contentBottom), sprachPanel,
                 "sprachPanel");
    setWindowTitle(QString::fromUtf8(kTitle));
    sprachPanel.setText(QStringLiteral("  ") + QString::fromUtf8(kTitle));

    const int bodyTop = BrandFrame::kBodyTop;
    const int contentLeft = BrandFrame::kContentLeft;
    const int contentWidth = kClientWidth - contentLeft - 16;
    place(Panel2, this, "Panel2", QRect(contentLeft, bodyTop + 24, contentWidth, 96));
    place(Label1, &Panel2, "Label1", QRect(8, 8, contentWidth - 16, 80));
    Label1.setWordWrap(true);
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont prompt = Label1.font();
    prompt.setPixelSize(13);
    Label1.setFont(prompt);
    std::string label;
    for (int i = 0; i < kLanguageCount; ++i) {
        label += text(txtChooseYourLanguage1, static_cast<TSprachenTyp>(i)) + "\r\n";
    }
    Label1.setText(qs(label));

    place(Panel1, this, "Panel1", QRect(contentLeft, bodyTop + 136, contentWidth, 4 + 20 * kLanguageCount + 8));
    Panel1.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    paintWhite(Panel1);
    for (int i = 0; i < kLanguageCount; ++i) {
        QRadioButton& b = radioButtons[static_cast<std::size_t>(i)];
        b.setObjectName(QStringLiteral("radioButton%1").arg(i));
        b.setParent(&Panel1);
        b.setGeometry(4, 4 + 20 * i, 200, 17);
        b.setText(qs(text(txtEnglish, static_cast<TSprachenTyp>(i))));
    }
    radioButtons[lang_de].setChecked(true);

    frame_.placeButtons(BitBtn1, "BitBtn1", BitBtn2, "BitBtn2");
    centerOnScreen(*this);
}

void Tsprachwahl::done(int result) {
    if (result == mrOK) {
        for (int i = 0; i < kLanguageCount; ++i) {
            if (radioButtons[static_cast<std::size_t>(i)].isChecked()) lng_ = i;
        }
    }
    QDialog::done(result);
}

std::optional<TSprachenTyp> Tsprachwahl::ask(QWidget* parent) {
    Tsprachwahl dialog(parent);
    if (dialog.exec() != mrOK) return std::nullopt;
    return toLanguage(dialog.lng());
}

}  // namespace oculon::config::ui
