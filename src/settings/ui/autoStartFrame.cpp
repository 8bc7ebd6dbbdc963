#include "settings/ui/autoStartFrame.h"

#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "platform/Shell.h"

namespace oculon::settings::ui {

using namespace config;
using config::ui::BrandFrame;
using config::ui::place;
using config::ui::qs;

namespace {

constexpr int kWidth = 628;
constexpr int kHeight = 451;
constexpr int kPanelTop = BrandFrame::kBodyTop + 136;
constexpr int kPanelHeight = 4 + 22 * 4 + 8;
constexpr int kContentWidth = kWidth - BrandFrame::kContentLeft - 16;

}  // namespace

TautoStartFrame::TautoStartFrame(QWidget* parent, bool frage) : QDialog(parent), frage_(frage) {
    frame_.build(*this, config::ui::BrandLayout::fitted(*this, kWidth, kHeight, kPanelTop + kPanelHeight),
                 autoStartPanel, "autoStartPanel");

    const int left = BrandFrame::kContentLeft;
    const int top = BrandFrame::kBodyTop;
    place(frageLabel, this, "frageLabel", QRect(left + 8, top + 32, kContentWidth - 16, 80));
    frageLabel.setWordWrap(true);
    frageLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont prompt = frageLabel.font();
    prompt.setPixelSize(13);
    frageLabel.setFont(prompt);

    place(Panel1, this, "Panel1", QRect(left, kPanelTop, kContentWidth, kPanelHeight));
    Panel1.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    config::ui::paintWhite(Panel1);
    int buttonTop = 6;
    for (auto [button, name] : {std::pair{&yesButton_, "yesButton"}, std::pair{&yesAllButton_, "yesAllButton"},
                                std::pair{&noButton_, "noButton"}, std::pair{&nieButton_, "nieButton"}}) {
        place(*button, &Panel1, name, QRect(8, buttonTop, kContentWidth - 16, 19));
        buttonTop += 22;
    }
    yesButton_.setChecked(true);
    nieButton_.setVisible(frage_);

    frame_.placeButtons(vorButton, "vorButton", abbrBtn, "abbrBtn");
    config::ui::centerOnScreen(*this);
}

void TautoStartFrame::showEvent(QShowEvent* event) {
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
