#include "video/ui/tuerVideo.h"

#include <QPainter>
#include <QPixmap>
#include <random>

#include "config/cfgUnit.h"
#include "platform/ui/PlainText.h"
#include "video/SnapshotNames.h"
#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

using namespace config;

namespace {

// The close button's glyph: a cross, dark when enabled, grey when not.
QIcon closeGlyph() {
    QIcon icon;
    for (const auto& [mode, colour] :
         {std::pair{QIcon::Normal, QColor(Qt::darkRed)}, std::pair{QIcon::Disabled, QColor(Qt::gray)}}) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour, 2.5));
        p.drawLine(3, 3, 13, 13);
        p.drawLine(13, 3, 3, 13);
        p.end();
        icon.addPixmap(pm, mode);
    }
    return icon;
}

}  // namespace

TmainVideoFrame::TmainVideoFrame(QWidget* parent)
    : CallView(parent, Qt::WindowFlags(), false, CodePadding::atLeastFour, "inputImage") {
    std::mt19937 random(std::random_device{}());
    FAppID = ApiIds::draw(random).apiid1;
    setObjectName(QStringLiteral("mainVideoFrame1"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    place(videoImage, this, "videoImage", QRect());
    faultLabel(stoerLabel, this, "stoerLabel", 19, false);
    place(Panel1, this, "Panel1", QRect());
    headerLabel(namePanel, &Panel1, "namePanel");
    headerLabel(dateTimePanel, &Panel1, "dateTimePanel");
    dateTimePanel.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    moxaPanel.hide();
    place(saveBtn, this, "saveBtn", QRect());
    saveBtn.hide();
    place(BitBtn1, this, "BitBtn1", QRect());
    BitBtn1.setIcon(closeGlyph());
    BitBtn1.hide();
    keysHint.setParent(this);

    connectButtons(saveBtn);
    connect(&BitBtn1, &QPushButton::clicked, this, [this] { doClose(); });
    resize(kWidth, kHeight);
    hide();
}

TmainVideoFrame::~TmainVideoFrame() { session_.stop(); }

void TmainVideoFrame::handleMessage(platform::Message& message) {
    if (message.id == platform::WMTUERCLOSE && forThisCall(message)) doClose();
}

void TmainVideoFrame::startVideo(const TSingleConfig& station, bool show) {
    stopScreenSaver();
    const CallOptions options = videoConfig ? CallOptions::read(*videoConfig) : CallOptions{};
    setupOfCall_ = [this, station, show, options] { return frameSetup(station, show, options, FAppID); };
    CallSetup setup = setupOfCall_();

    stoerLabel.hide();
    videoImage.show();
    videoImage.fillWhite();
    saveBtn.setVisible(setup.saverVisible);
    doorLayout_ = setup.door;
    moxaPanel.apply(setup.door, setup.input);
    FTelefonIP = station.telefonIP;
    platform::ui::setPlainText(namePanel, platform::ui::shown(setup.nameText));
    showTexts(setup);
    FOhneBT = station.ohneBT;
    BitBtn1.setVisible(FOhneBT);
    answerAboveModalWindows();
    keepKeysUntilChosen(*this);
    setVisible(true);

    beginCall();
    CallSession::Hooks hooks;
    hooks.onBlack = [this] { postForCall(platform::WMTUERCLOSE); };
    hooks.onTimeout = [this](CallTimers::Expired) { postForCall(platform::WMTUERCLOSE); };
    hooks.onFault = [this](TMJPEGDecoder& d) { stoerung(d); };
    hooks.onPicture = [this] { cameraBack(stoerLabel, videoImage, saveBtn); };
    hooks.onAspect = [this](double aspect) { setAspectRatio(aspect); };
    hooks.onClock = [this](const std::tm& now) { dateTimePanel.setText(QString::fromStdString(frameClockText(now))); };
    hooks.onCloseAfterRelay = [this] { postForCall(platform::WMTUERCLOSE); };
    session_.start(std::move(setup), videoImage, nullptr, std::move(hooks));
    FrameResize();
}

void TmainVideoFrame::showTexts(const CallSetup& setup) {
    setWindowTitle(platform::ui::plainTitle(platform::ui::shown(setup.caption)));
    saveBtn.setText(qs(config::tr(txtSavePicture)));
    keysHint.showText();
    moxaPanel.setCaptions(setup.door);
    FrameResize();
}

void TmainVideoFrame::stopVideo() {
    session_.stop();
    hide();
}

void TmainVideoFrame::doClose() {
    stopVideo();
    if (callEnd) callEnd(*this);
}

void TmainVideoFrame::stoerung(TMJPEGDecoder& d) {
    const std::int32_t code = d.ErrorNo();
    const bool detail = code == 7 || code == 11 || code == 12;
    platform::ui::setPlainText(stoerLabel, platform::ui::shownLines(stoerungsText(code, d.AddInfo(), detail)));
    stoerLabel.adjustSize();
    stoerLabel.show();
    stoerLabel.raise();
    videoImage.hide();
    // The door panel first: keys on the snapshot button, hidden last, find
    // no button to pass on to.
    moxaPanel.hide();
    saveBtn.hide();
}

void TmainVideoFrame::setAspectRatio(double aspect) {
    FAspectRatio = aspect;
    FrameResize();
}

void TmainVideoFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FrameResize();
}

void TmainVideoFrame::FrameResize() {
    const FrameLayout l = frameLayout({width(), height()}, FAspectRatio, doorLayout_, FOhneBT);
    videoImage.setGeometry(toQRect(l.picture));
    stoerLabel.move(100, 100);
    Panel1.setGeometry(0, 0, width(), kFrameBarHeight);
    namePanel.setGeometry(toQRect(l.namePanel));
    dateTimePanel.setGeometry(toQRect(l.dateTimePanel));
    saveBtn.setGeometry(roomForCaption(saveBtn, l.saveBtn));
    moxaPanel.setGeometry(moxaPanel.roomForCaptions(l.moxaPanel));
    BitBtn1.setGeometry(toQRect(l.closeButton));
    saveBtn.raise();
    moxaPanel.raise();
    BitBtn1.raise();
    stoerLabel.raise();
    keysHint.place(toQRect(l.picture));
}

}  // namespace oculon::video::ui
