#include "video/ui/HauptProgramm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

#include "config/cfgUnit.h"
#include "config/ui/brandPictures.h"
#include "platform/ui/OwnDialogs.h"
#include "platform/ui/PlainText.h"
#include "platform/ui/WindowRoom.h"
#include "video/SnapshotNames.h"
#include "video/ui/PopupScreen.h"
#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

using namespace config;

namespace {

const std::array<const char*, 5> kBevelNames = {"Bevel1", "Bevel2", "Bevel3", "Bevel4", "Bevel5"};
// What a header panel keeps free beside its text.
constexpr int kHeaderTextMargin = 8;

// The hidden popup as its owner places it.
PixelRect placeOf(const QWidget& window) { return {window.x(), window.y(), window.width(), window.height()}; }

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
    keysHint.setParent(this);
    Panel2.hide();
    moxaPanel.hide();
    saver.hide();

    connectButtons(saver);

    resize(kClientWidth, kClientHeight);
    layoutControls();
    wanted_ = hiddenAs_ = placeOf(*this);
    platform::ui::comeBackBy(*this, [this] { comeBackOntoScreen(); });
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
    wanted_ = wantedPlace();
    placedByUser_ = false;
    // Before its native window is made (below): one not made yet is placed
    // by its frame, one made but not framed yet by its client area, which
    // would put the title bar above the place; its frame, once seen, goes
    // where it was to go.
    placeOnScreen({wanted_.width, wanted_.height});
    settling_ = true;
    answerAboveModalWindows();
    comeUpByItself(*this);
    windowHandle()->installEventFilter(this);
    settleOnceFramed();

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
    fitToPicture();
    layoutControls();
}

void TVideobild::showTexts(const CallSetup& setup) {
    setWindowTitle(platform::ui::plainTitle(platform::ui::shown(setup.caption)));
    saver.setText(qs(config::tr(txtSavePicture)));
    keysHint.showText();
    moxaPanel.setCaptions(setup.door);
    layoutControls();
}

void TVideobild::stopVideo() {
    session_.stop();
    hide();
    FRunning = false;
    settling_ = false;
    askedFrom_.reset();
    sizedByWindowManager_ = false;
    keptWithin_.reset();
    hiddenAs_ = placeOf(*this);
}

PixelRect TVideobild::wantedPlace() const {
    // The owner placed the hidden popup anew: that is where it is wanted now.
    return !isVisible() && placeOf(*this) != hiddenAs_ ? placeOf(*this) : wanted_;
}

PixelRect TVideobild::standsAt() const {
    // Until it is framed, the window system's idea of its place is not where
    // it will stand.
    return settling_ ? asked_ : placeOf(*this);
}

void TVideobild::placeAt(const PixelRect& place) {
    // Asked once already: a window manager that put it elsewhere is not asked again.
    if (place == wanted_) return;
    wanted_ = place;
    placeOnScreen({place.width, place.height});
    fitToPicture();
    // The place is free with the popup lying on top.
    raise();
}

void TVideobild::placeOnScreen(Size size) {
    PixelRect place{wanted_.left, wanted_.top, size.width, size.height};
    if (const std::optional<ScreenRoom> room = popupScreenRoom(*this, {wanted_.left, wanted_.top}))
        place = popupOnScreen(place, *room);
    asked_ = place;
    placing_ = true;
    resize(place.width, place.height);
    move(place.left, place.top);
    placing_ = false;
}

void TVideobild::settleOnceFramed() {
    if (!settling_ || !isVisible() || !framed(*this)) return;
    settling_ = false;
    placeOnScreen({width(), height()});
    fitToPicture();
    tellSettled();
}

void TVideobild::comeBackOntoScreen() {
    // One still to be framed is placed on a screen once it is.
    if (!isVisible() || settling_) return;
    const PixelRect now = standsAt();
    const std::optional<ScreenRoom> room = popupScreenRoom(*this, {now.left, now.top});
    if (!room || popupOnScreen(now, *room) == now) return;
    // Where the user put it is gone.
    placedByUser_ = false;
    placeOnScreen({width(), height()});
    fitToPicture();
    tellSettled();
}

void TVideobild::tellSettled() {
    if (settledToTell_) return;
    settledToTell_ = true;
    QTimer::singleShot(0, this, [this] {
        settledToTell_ = false;
        if (placeSettled && isVisible()) placeSettled();
    });
}

Size TVideobild::sizeForPicture(Size size) const {
    if (!(FAspectRatio > 0.0)) return size;
    // The client area plays the part of the window: the header row is all
    // that surrounds the picture here.
    const std::optional<ScreenRoom> room = popupScreenRoom(*this, pos());
    Size most = room ? largestPopupClient(*room) : Size{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    if (keptWithin_) most = {std::min(most.width, keptWithin_->width), std::min(most.height, keptWithin_->height)};
    return popupFitSize(size, FAspectRatio, {0, kPopupHeaderHeight}, most);
}

void TVideobild::fitToPicture() {
    if (placing_ || !FRunning || sizedByWindowManager_) return;
    const Size now{width(), height()};
    const Size want = sizeForPicture(now);
    if (want == now) return;
    askedFrom_ = now;
    // Grown to the picture, it keeps its buttons within reach; made smaller,
    // it goes back towards where it is wanted.
    placeOnScreen(want);
}

bool TVideobild::byTheUser() const {
    // The window manager's answers to the popup's own requests and its own
    // doings, a tiling one's sizes among them, are not the user's; a user
    // moves and resizes a framed window, which is active then.
    return isVisible() && !settling_ && framed(*this) && isActiveWindow();
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
    fitToPicture();
    layoutControls();
}

void TVideobild::clock(const std::tm& now) {
    datePanel.setText(QString::fromStdString("  " + shortDate(now)));
    timePanel.setText(QString::fromStdString("  " + shortTime(now)));
}

void TVideobild::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (placing_) return;
    // A pixel off is where it asked to be on a screen scaled by a fraction.
    const bool elsewhere = std::abs(x() - asked_.left) > 1 || std::abs(y() - asked_.top) > 1;
    if (byTheUser() && elsewhere) {
        wanted_.left = x();
        wanted_.top = y();
        placedByUser_ = true;
    } else if (elsewhere && isVisible() && !settling_) {
        // The window manager's doing; one that keeps only a corner on the
        // screen where a screen went comes back whole.
        if (!platform::ui::wholeOnAScreen(frameGeometry())) comeBackOntoScreen();
        tellSettled();
    }
    settleOnceFramed();
}

void TVideobild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!placing_) {
        const Size now{width(), height()};
        // A window manager that puts back the size the popup had when it
        // asked for another keeps that size.
        const bool kept = askedFrom_ == now;
        askedFrom_.reset();
        // On a screen scaled by a fraction the size comes back rounded to
        // whole pixels of the screen: a pixel off is still the size asked.
        const bool asAsked = std::abs(now.width - asked_.width) <= 1 && std::abs(now.height - asked_.height) <= 1;
        if (!asAsked) {
            // Only the user's sizes are made to hold the picture; the popup
            // lays out for a size the window manager chose.
            sizedByWindowManager_ = kept || !byTheUser();
            if (!sizedByWindowManager_) {
                keptWithin_.reset();
                const Size fitted = sizeForPicture(now);
                wanted_.width = fitted.width;
                wanted_.height = fitted.height;
                placedByUser_ = true;
                fitToPicture();
            } else if (isVisible() && !settling_) {
                tellSettled();
            }
        }
        settleOnceFramed();
    }
    layoutControls();
}

bool TVideobild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose) settleOnceFramed();
    return CallView::eventFilter(watched, event);
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
    PopupLayout l = popupLayout({width(), height()}, FAspectRatio, doorLayout_);
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
    keysHint.place(toQRect(l.image1));
}

}  // namespace oculon::video::ui
