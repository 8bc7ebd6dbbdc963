#include "video/ui/HauptProgramm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>

#include <algorithm>

#include "config/cfgUnit.h"
#include "config/ui/brandPictures.h"
#include "platform/ui/OwnDialogs.h"
#include "platform/ui/PlainText.h"
#include "video/SnapshotNames.h"
#include "video/ui/PopupScreen.h"
#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

using namespace config;

namespace {

const std::array<const char*, 5> kBevelNames = {"Bevel1", "Bevel2", "Bevel3", "Bevel4", "Bevel5"};
// What a header panel keeps free beside its text.
constexpr int kHeaderTextMargin = 8;

}  // namespace

TVideobild::TVideobild(QWidget* parent) : CallView(parent, Qt::Window, true, CodePadding::fourThenEight, "Image2") {
    std::mt19937 random(std::random_device{}());
    ids_ = ApiIds::draw(random);
    setWindowIcon(config::ui::korvatWeissIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    // The client area holds the header row and the picture.
    const Size minimum = popupMinimumSize({0, kPopupHeaderHeight});
    setMinimumSize(minimum.width, minimum.height);

    headerLabel(Panel1, this, "Panel1");
    headerLabel(namePanel, this, "namePanel");
    headerLabel(datePanel, this, "datePanel");
    headerLabel(timePanel, this, "timePanel");
    for (std::size_t i = 0; i < bevels_.size(); ++i) {
        place(bevels_[i], this, kBevelNames[i], QRect());
        bevels_[i].setFrameShape(i == 0 || i == 4 ? QFrame::HLine : QFrame::VLine);
        bevels_[i].setFrameShadow(QFrame::Sunken);
    }
    place(Image1, this, "Image1", QRect());
    Image1.setCursor(Qt::ArrowCursor);
    faultLabel(stoerungLbl, this, "stoerungLbl", 19, false);
    place(saver, this, "saver", QRect());
    place(Panel2, this, "Panel2", QRect());
    Panel2.setFrameStyle(QFrame::Box | QFrame::Plain);
    place(Image3, &Panel2, "Image3", QRect());
    Image3.onDoubleClick = [this] { session_.swapPictures(); };
    faultLabel(stoerLabel2, &Panel2, "stoerLabel2", 12, true);
    Panel2.hide();
    moxaPanel.hide();
    saver.hide();

    connectButtons(saver);

    resize(kClientWidth, kClientHeight);
    layoutControls();
}

TVideobild::~TVideobild() { session_.stop(); }

void TVideobild::handleMessage(platform::Message& message) {
    if (message.id == platform::WM_CLOSE && forThisCall(message)) close();
}

void TVideobild::startVideo(const TSingleConfig& station, bool preview) {
    stopScreenSaver();
    const CallOptions options = videoConfig ? CallOptions::read(*videoConfig) : CallOptions{};
    setupOfCall_ = [this, station, preview, options] { return popupSetup(station, preview, options, ids_); };
    CallSetup setup = setupOfCall_();

    stoerungLbl.hide();
    stoerLabel2.hide();
    Image1.show();
    Image1.fillWhite();
    saver.setVisible(setup.saverVisible);
    doorLayout_ = setup.door;
    moxaPanel.apply(setup.door, setup.input);
    FTelefonIP = station.telefonIP;
    platform::ui::setPlainText(namePanel, platform::ui::shown(setup.nameText));
    namePanel.setToolTip(platform::ui::plainToolTip(namePanel.text().trimmed()));
    showTexts(setup);  // lays the controls out
    show_ = preview;
    if (setup.second) {
        Panel2.show();
        Image3.show();
        Image3.fillWhite();
    } else {
        Panel2.hide();
    }
    // Before its native window is made (below): one not made yet is placed
    // by its frame, one made but not framed yet by its client area, which
    // would put the title bar above the place.
    placeOnScreen();
    answerAboveModalWindows();
    keysToTheWindowItself(*this);
    show();
    raise();
    activateWindow();

    beginCall();
    CallSession::Hooks hooks;
    // Runs in the decoder thread: it only posts.
    hooks.onBlack = [this, black = blackHandle] {
        if (black != 0)
            platform::MainLoop::instance().post(black, platform::WMSECVIDEOCLOSE,
                                                reinterpret_cast<std::uintptr_t>(this));
        else postForCall(platform::WM_CLOSE);
    };
    hooks.onTimeout = [this](CallTimers::Expired) { postForCall(platform::WM_CLOSE); };
    hooks.onFault = [this](TMJPEGDecoder& d) { stoerung(d); };
    hooks.onSecondFault = [this](TMJPEGDecoder& d) { stoerung2(d); };
    hooks.onPicture = [this] { cameraBack(stoerungLbl, Image1, saver); };
    hooks.onSecondPicture = [this] { secondCameraBack(); };
    hooks.onAspect = [this](double aspect) { setAspectRatio(aspect); };
    hooks.onClock = [this](const std::tm& now) { clock(now); };
    hooks.onCloseAfterRelay = [this] { postForCall(platform::WM_CLOSE); };
    session_.start(std::move(setup), Image1, &Image3, std::move(hooks));
    FRunning = true;
    layoutControls();
}

void TVideobild::showTexts(const CallSetup& setup) {
    setWindowTitle(platform::ui::plainTitle(platform::ui::shown(setup.caption)));
    saver.setText(qs(config::tr(txtSavePicture)));
    moxaPanel.setCaptions(setup.door);
    layoutControls();
}

void TVideobild::stopVideo() {
    session_.stop();
    hide();
    FRunning = false;
}

void TVideobild::placeOnScreen() {
    const std::optional<ScreenRoom> room = popupScreenRoom(*this);
    if (!room) return;
    const PixelRect place = popupOnScreen({x(), y(), width(), height()}, *room);
    resize(place.width, place.height);
    move(place.left, place.top);
}

void TVideobild::closeEvent(QCloseEvent* event) {
    stopVideo();
    const QPointer<TVideobild> alive(this);
    if (callEnd) callEnd(*this);
    // A preview frees itself, also when the call ends while the user chooses
    // where a snapshot goes.
    if (alive && show_) platform::ui::deleteLaterOnceItsDialogsHaveReturned(this);
    event->accept();
}

void TVideobild::setInput(bool on) { moxaPanel.setInput(on); }

void TVideobild::setNameHighlight(bool on) {
    QPalette pal = namePanel.palette();
    pal.setColor(QPalette::Window, on ? QColor(0xF5, 0x64, 0x64) : callViewBackground());
    namePanel.setPalette(pal);
}

void TVideobild::stoerung(TMJPEGDecoder& d) {
    const std::int32_t code = d.ErrorNo();
    const bool detail = code == 11 || code == 12 || code == 7 || code == 2;
    platform::ui::setPlainText(stoerungLbl, platform::ui::shownLines(stoerungsText(code, d.AddInfo(), detail)));
    stoerungLbl.adjustSize();
    stoerungLbl.show();
    stoerungLbl.raise();
    Image1.hide();
    // The door panel first: keys on the snapshot button, hidden last, find
    // no button to pass on to.
    moxaPanel.hide();
    saver.hide();
}

void TVideobild::stoerung2(TMJPEGDecoder& d) {
    const std::int32_t code = d.ErrorNo();
    platform::ui::setPlainText(stoerLabel2, platform::ui::shownLines(stoerungsText(code, d.AddInfo(), code == 11)));
    stoerLabel2.adjustSize();
    stoerLabel2.show();
    Image3.hide();
}

void TVideobild::secondCameraBack() {
    // Its decoder connects again by itself after a fault: a camera that
    // delivers pictures again is no longer shown as failed.
    if (stoerLabel2.isHidden()) return;
    stoerLabel2.hide();
    Image3.show();
}

void TVideobild::setAspectRatio(double aspect) {
    FAspectRatio = aspect;
    layoutControls();
}

void TVideobild::clock(const std::tm& now) {
    datePanel.setText(QString::fromStdString("  " + shortDate(now)));
    timePanel.setText(QString::fromStdString("  " + shortTime(now)));
}

void TVideobild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void TVideobild::fitHeader(PopupLayout& l) {
    // A narrow popup keeps the station's name whole: the program's title
    // gives it room first, and shows what is left of itself with an ellipsis.
    const int need = namePanel.fontMetrics().horizontalAdvance(namePanel.text()) + kHeaderTextMargin;
    const int room = std::clamp(need - l.namePanel.width, 0, l.panel1.width);
    l.panel1.width -= room;
    l.bevel2.left -= room;
    l.namePanel.left -= room;
    l.namePanel.width += room;
    Panel1.setGeometry(toQRect(l.panel1));
    namePanel.setGeometry(toQRect(l.namePanel));
    Panel1.setText(Panel1.fontMetrics().elidedText(QStringLiteral("  ") + QGuiApplication::applicationDisplayName(),
                                                   Qt::ElideRight, std::max(0, l.panel1.width - kHeaderTextMargin)));
}

void TVideobild::layoutControls() {
    if (resizing_) return;
    if (FRunning && FAspectRatio > 0.0) {
        // The client area plays the part of the window: the header row is all
        // that surrounds the picture here.
        const std::optional<ScreenRoom> room = popupScreenRoom(*this);
        const Size most = room ? largestPopupClient(*room) : Size{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
        const Size want = popupFitSize({width(), height()}, FAspectRatio, {0, kPopupHeaderHeight}, most);
        if (want != Size{width(), height()}) {
            const bool onScreen = isVisible() && insideItsScreen(*this);
            resizing_ = true;
            resize(want.width, want.height);
            resizing_ = false;
            // Grown to the picture, it keeps its buttons within reach.
            if (onScreen) keepOnItsScreen(*this);
        }
    }
    PopupLayout l = popupLayout({width(), height()}, doorLayout_);
    Image1.setGeometry(toQRect(l.image1));
    Panel2.setGeometry(toQRect(l.panel2));
    Image3.setGeometry(0, 0, l.panel2.width, l.panel2.height);
    stoerLabel2.move(4, 4);
    stoerungLbl.move(100, 100);
    saver.setGeometry(roomForCaption(saver, l.saver));
    moxaPanel.setGeometry(moxaPanel.roomForCaptions(l.moxaPanel));
    fitHeader(l);
    datePanel.setGeometry(toQRect(l.datePanel));
    timePanel.setGeometry(toQRect(l.timePanel));
    const std::array<Rect, 5> bevels = {l.bevel1, l.bevel2, l.bevel3, l.bevel4, l.bevel5};
    for (std::size_t i = 0; i < bevels.size(); ++i) bevels_[i].setGeometry(toQRect(bevels[i]));
    // Buttons and panels float over the picture.
    Panel2.raise();
    saver.raise();
    moxaPanel.raise();
    stoerungLbl.raise();
}

}  // namespace oculon::video::ui
