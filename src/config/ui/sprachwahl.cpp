#include "config/ui/sprachwahl.h"

#include <QPalette>
#include <QString>

#include "config/ui/brandPictures.h"

namespace oculon::config::ui {

namespace {

// The dialog appears before any language is known, so its own title speaks
// both German and English.
const char* const kTitle = "Sprache wählen / Choose your language";

constexpr int kClientWidth = 628;
constexpr int kClientHeight = 451;
constexpr int kTitleHeight = 25;
constexpr int kStripWidth = 100;
constexpr int kButtonTop = 418;

QString qs(const std::string& s) { return QString::fromStdString(withLineFeeds(s)); }

void makeLine(QFrame& line, QWidget* parent, QFrame::Shape shape, const QRect& where) {
    line.setParent(parent);
    line.setFrameShape(shape);
    line.setFrameShadow(QFrame::Sunken);
    line.setGeometry(where);
}

void paintWhite(QWidget& w) {
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, Qt::white);
    w.setPalette(pal);
    w.setAutoFillBackground(true);
}

}  // namespace

Tsprachwahl::Tsprachwahl(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(korvatWeissIcon());
    setFixedSize(kClientWidth, kClientHeight);

    sprachPanel.setObjectName("sprachPanel");
    sprachPanel.setParent(this);
    sprachPanel.setGeometry(0, 0, kClientWidth, kTitleHeight);
    sprachPanel.setText(QStringLiteral("  ") + QString::fromUtf8(kTitle));
    QFont bold = sprachPanel.font();
    bold.setBold(true);
    sprachPanel.setFont(bold);
    paintWhite(sprachPanel);
    makeLine(Bevel1, this, QFrame::HLine, QRect(0, kTitleHeight, kClientWidth, 2));

    const int bodyTop = kTitleHeight + 2;
    const int bodyBottom = kButtonTop - 9;
    Image1.setObjectName("Image1");
    Image1.setParent(this);
    Image1.setGeometry(0, bodyTop, kStripWidth, bodyBottom - bodyTop);
    Image1.setPixmap(pictureStrip(Image1.size()));
    makeLine(Bevel2, this, QFrame::VLine, QRect(kStripWidth, bodyTop, 2, bodyBottom - bodyTop));

    const int contentLeft = kStripWidth + 16;
    const int contentWidth = kClientWidth - contentLeft - 16;
    Panel2.setObjectName("Panel2");
    Panel2.setParent(this);
    Panel2.setGeometry(contentLeft, bodyTop + 24, contentWidth, 96);
    Label1.setObjectName("Label1");
    Label1.setParent(&Panel2);
    Label1.setGeometry(8, 8, contentWidth - 16, 80);
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

    Panel1.setObjectName("Panel1");
    Panel1.setParent(this);
    Panel1.setGeometry(contentLeft, bodyTop + 136, contentWidth, 4 + 20 * kLanguageCount + 8);
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

    makeLine(Bevel3, this, QFrame::HLine, QRect(0, bodyBottom, kClientWidth, 2));

    BitBtn1.setObjectName("BitBtn1");
    BitBtn1.setParent(this);
    BitBtn1.setText(QStringLiteral("OK"));
    BitBtn1.setGeometry(kClientWidth - 2 * (75 + 9) + 1, kButtonTop, 75, 25);
    BitBtn1.setDefault(true);
    connect(&BitBtn1, &QPushButton::clicked, this, &Tsprachwahl::Button1Click);

    BitBtn2.setObjectName("BitBtn2");
    BitBtn2.setParent(this);
    BitBtn2.setText(QStringLiteral("Abbrechen"));
    BitBtn2.setGeometry(kClientWidth - (75 + 9) + 1, kButtonTop, 75, 25);
    connect(&BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void Tsprachwahl::Button1Click() {
    for (int i = 0; i < kLanguageCount; ++i) {
        if (radioButtons[static_cast<std::size_t>(i)].isChecked()) lng_ = i;
    }
    accept();
}

std::optional<TSprachenTyp> Tsprachwahl::ask(QWidget* parent) {
    Tsprachwahl dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return toLanguage(dialog.lng());
}

}  // namespace oculon::config::ui
