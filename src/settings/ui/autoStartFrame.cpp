#include "settings/ui/autoStartFrame.h"

#include <QPalette>

#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "config/ui/brandPictures.h"
#include "platform/Shell.h"
#include "video/ui/PromptParts.h"

namespace oculon::settings::ui {

using namespace config;
using video::ui::place;
using video::ui::qs;

namespace {

constexpr int kTitleHeight = 25;
constexpr int kStripWidth = 100;
constexpr int kButtonTop = 418;
constexpr int kBodyTop = kTitleHeight + 2;
constexpr int kBodyBottom = kButtonTop - 9;
constexpr int kContentLeft = kStripWidth + 16;
constexpr int kContentWidth = TautoStartFrame::kWidth - kContentLeft - 16;

void line(QFrame& f, QWidget* parent, const char* name, QFrame::Shape shape, const QRect& where) {
    place(f, parent, name, where);
    f.setFrameShape(shape);
    f.setFrameShadow(QFrame::Sunken);
}

void paintWhite(QWidget& w) {
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, Qt::white);
    w.setPalette(pal);
    w.setAutoFillBackground(true);
}

}  // namespace

TautoStartFrame::TautoStartFrame(QWidget* parent, bool frage) : QDialog(parent), frage_(frage) {
    video::ui::makeFixedDialog(*this, kWidth, kHeight);

    place(autoStartPanel, this, "autoStartPanel", QRect(0, 0, kWidth, kTitleHeight));
    QFont bold = autoStartPanel.font();
    bold.setBold(true);
    autoStartPanel.setFont(bold);
    paintWhite(autoStartPanel);
    line(Bevel1, this, "Bevel1", QFrame::HLine, QRect(0, kTitleHeight, kWidth, 2));

    place(Image1, this, "Image1", QRect(0, kBodyTop, kStripWidth, kBodyBottom - kBodyTop));
    Image1.setPixmap(config::ui::pictureStrip(Image1.size()));
    line(Bevel2, this, "Bevel2", QFrame::VLine, QRect(kStripWidth, kBodyTop, 2, kBodyBottom - kBodyTop));

    place(frageLabel, this, "frageLabel", QRect(kContentLeft + 8, kBodyTop + 32, kContentWidth - 16, 80));
    frageLabel.setWordWrap(true);
    frageLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont prompt = frageLabel.font();
    prompt.setPixelSize(13);
    frageLabel.setFont(prompt);

    place(Panel1, this, "Panel1", QRect(kContentLeft, kBodyTop + 136, kContentWidth, 4 + 22 * 4 + 8));
    Panel1.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    paintWhite(Panel1);
    int top = 6;
    for (auto [button, name] : {std::pair{&yesButton_, "yesButton"}, std::pair{&yesAllButton_, "yesAllButton"},
                                std::pair{&noButton_, "noButton"}, std::pair{&nieButton_, "nieButton"}}) {
        place(*button, &Panel1, name, QRect(8, top, kContentWidth - 16, 19));
        top += 22;
    }
    yesButton_.setChecked(true);
    nieButton_.setVisible(frage_);

    line(Bevel3, this, "Bevel3", QFrame::HLine, QRect(0, kBodyBottom, kWidth, 2));
    video::ui::placeOkCancel(*this, vorButton, "vorButton", abbrBtn, "abbrBtn", kButtonTop, kWidth - 2 * (75 + 9) + 1,
                             kWidth - (75 + 9) + 1, 75);
}

void TautoStartFrame::showEvent(QShowEvent* event) {
    setWindowIcon(config::ui::korvatWeissIcon());
    const std::string title = config::tr(txtStartKorvatOculonAutomatically);
    setWindowTitle(qs(title));
    autoStartPanel.setText(qs("  " + title));
    frageLabel.setText(qs(config::tr(txtProgramNotStartedAutomatically)));
    yesButton_.setText(qs(config::tr(txtYes)));
    yesAllButton_.setText(qs(config::tr(txtYesForAllUsers)));
    noButton_.setText(qs(config::tr(txtNo)));
    nieButton_.setText(qs(config::tr(txtNoDontAskMeAgain)));
    vorButton.setText(qs(config::tr(txtOK)));
    abbrBtn.setText(qs(config::tr(txtCancel)));
    QDialog::showEvent(event);
}

void TautoStartFrame::carryOut(TVideoConfig& settings, const std::string& program) const {
    if (yesButton_.isChecked()) {
        platform::installStartupEntry(platform::userStartupFolder(), program);
    } else if (yesAllButton_.isChecked()) {
        platform::installStartupEntry(platform::commonStartupFolder(), program);
    } else if (nieButton_.isChecked() && frage_) {
        settings.schreibeAutostart(true);
    }
}

}  // namespace oculon::settings::ui
