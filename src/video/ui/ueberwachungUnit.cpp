#include "video/ui/ueberwachungUnit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <random>

#include "config/sprachen.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ui/WindowRoom.h"
#include "video/ueberwachungAbbau.h"
#include "video/ui/PromptParts.h"
#include "video/ui/ZugangAbfrage.h"

namespace oculon::video::ui {

using config::TLayoutTyp;

namespace {

// A layout change waits this long for the decoders it stops; they end at
// once when terminated, so this only bounds a wait that cannot happen.
constexpr std::chrono::milliseconds kLayoutWait{30000};

std::string drawAppId() {
    std::random_device seed;
    std::mt19937 random(seed());
    return std::to_string(std::uniform_int_distribution<int>(10000, 99998)(random));
}

}  // namespace

TueberwachungForm::TueberwachungForm(config::TVideoConfig& settings, QWidget* parent)
    : QWidget(parent, Qt::Window),
      doorPanel(this),
      mainVideoFrame1(&doorPanel),
      settings_(settings),
      ProgressBar1(this),
      target_([this](platform::Message& m) { handleMessage(m); }) {
    setObjectName(QStringLiteral("ueberwachungForm"));
    setWindowTitle(qs(config::tr(config::txtSurveillance)));
    doorPanel.setObjectName(QStringLiteral("doorPanel"));
    doorPanel.hide();
    mainVideoFrame1.setObjectName(QStringLiteral("mainVideoFrame1"));
    mainVideoFrame1.hide();
    mainVideoFrame1.setAppID(drawAppId());
    ProgressBar1.setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1.setRange(0, 100);
    ProgressBar1.resize(90, 16);
    ProgressBar1.setTextVisible(false);
    ProgressBar1.hide();
    const config::TWindowSettings w = settings_.ueberwachungKoordinaten();
    move(w.left, w.top);
    resize(std::max(1, w.width), std::max(1, w.height));
}

TueberwachungForm::~TueberwachungForm() {
    runner_.clear();
    if (!closed_) closeJob();
}

WallTile* TueberwachungForm::tile(int t) {
    return t >= 0 && t < tileCount() ? tiles_[static_cast<std::size_t>(t)].get() : nullptr;
}

TVideoObjekt* TueberwachungForm::videoObjekt(int t) {
    const std::string key = tileKey(t);
    for (auto& [k, v] : decoderList)
        if (k == key) return v.get();
    return nullptr;
}

std::int32_t TueberwachungForm::frameRate() const { return std::max(1, settings_.framerate()); }

std::vector<std::string> TueberwachungForm::shownNames() const {
    std::vector<std::string> names;
    for (const auto& [key, v] : decoderList) names.push_back(v->cameraName());
    return names;
}

// ---------------------------------------------------------------- events

void TueberwachungForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    isDestroying = false;
    closed_ = false;
    isDisplaying = true;
    setLayout(settings_.survLayout());
}

void TueberwachungForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isDisplaying) setLayout(settings_.survLayout());
}

void TueberwachungForm::closeEvent(QCloseEvent* event) {
    if (!mayClose) {
        event->ignore();
        return;
    }
    if (runner_.busy()) {
        // A layout change is waiting for its decoders; close after it.
        event->ignore();
        QTimer::singleShot(20, this, [this] { close(); });
        return;
    }
    runner_.run([this] { closeJob(); });
    event->accept();
}

void TueberwachungForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) setWindowTitle(qs(config::tr(config::txtSurveillance)));
    QWidget::changeEvent(event);
}

void TueberwachungForm::handleMessage(platform::Message& message) {
    if (isDestroying) return;
    switch (message.id) {
        case platform::WMSURVEILLANCECFGCHANGE: setLayout(settings_.survLayout()); break;
        case platform::WMSURVEILLANCESINGLE: {
            std::shared_ptr<config::TSurvChange> change = message.take<platform::WMSURVEILLANCESINGLE>();
            if (change) runner_.run([this, change] { singleChange(*change); });
            break;
        }
        default: break;
    }
}

// ---------------------------------------------------------------- layout

void TueberwachungForm::setLayout(TLayoutTyp layout) {
    runner_.run([this, layout] { layoutJob(layout); });
}

void TueberwachungForm::layoutJob(TLayoutTyp layout) {
    if (isDestroying) return;
    const bool rebuild = layout != oldLayout || firstLayout || tiles_.empty();
    if (rebuild) {
        tearDownTiles(true);
        buildTiles(layout);
        placeControls(layout);
        startStoredCameras(layout);
    } else {
        // Size or frame rate only: every decoder keeps running.
        placeControls(layout);
        for (auto& [key, v] : decoderList) v->setFrameRate(frameRate());
    }
    oldLayout = layout;
    firstLayout = false;
    const PixelSize minimum = minimumClientSize(layout);
    const bool grows = width() < minimum.width || height() < minimum.height;
    setMinimumSize(minimum.width, minimum.height);
    // A layout that needs more room than the stored place gave grows the
    // window: it stays wholly on its screen.
    if (grows && isVisible()) platform::ui::bringBackIntoRoom(*this);
}

void TueberwachungForm::tearDownTiles(bool withProgress) {
    for (auto& t : tiles_) t->image().hide();
    if (withProgress) QCoreApplication::processEvents();
    separators_.clear();
    DecoderTeardown teardown;
    for (auto& [key, v] : decoderList) v->retire(teardown);
    decoderList.clear();
    if (withProgress && teardown.total() > 0) {
        ProgressBar1.move(width() / 2 - ProgressBar1.width() / 2, height() / 2 - ProgressBar1.height() / 2);
        ProgressBar1.setValue(0);
        ProgressBar1.show();
        ProgressBar1.raise();
        QCoreApplication::processEvents();
        teardown.waitAll(kLayoutWait, [this](int percent) {
            ProgressBar1.setValue(percent);
            QCoreApplication::processEvents();
        });
        ProgressBar1.hide();
        QCoreApplication::processEvents();
    } else {
        teardown.waitAll(withProgress ? kLayoutWait : kCloseWait);
    }
    tiles_.clear();
}

void TueberwachungForm::buildTiles(TLayoutTyp layout) {
    const LayoutRow& row = layoutRow(layout);
    for (int i = 0; i < row.columns - 1 + row.rows - 1; ++i) {
        auto s = std::make_unique<QFrame>(this);
        s->setFrameShape(i < row.columns - 1 ? QFrame::VLine : QFrame::HLine);
        s->setFrameShadow(QFrame::Sunken);
        s->setLineWidth(1);
        s->show();
        separators_.push_back(std::move(s));
    }
    for (int t = 0; t < video::tileCount(layout); ++t) {
        auto tile = std::make_unique<WallTile>(*this, t, [this](int n) { recClick(n); });
        tile->image().onDrop = [this](int n, const std::string& caption) {
            // Out of the drag's own event loop before anything can ask the user.
            QTimer::singleShot(0, this, [this, n, caption] { dropCamera(n, caption); });
        };
        tile->image().show();
        tiles_.push_back(std::move(tile));
    }
}

void TueberwachungForm::placeControls(TLayoutTyp layout) {
    const WallGeometry g = wallGeometry(layout, {width(), height()});
    for (std::size_t i = 0; i < separators_.size() && i < g.separators.size(); ++i)
        separators_[i]->setGeometry(toQRect(g.separators[i]));
    for (std::size_t t = 0; t < tiles_.size() && t < g.tiles.size(); ++t) tiles_[t]->place(g.tiles[t]);
    doorPanel.setGeometry(toQRect(g.doorPanel));
    mainVideoFrame1.setGeometry(0, 0, g.doorPanel.width, g.doorPanel.height);
    if (doorVideoShown()) {
        showTile0(false);
        doorPanel.raise();
    }
}

void TueberwachungForm::startStoredCameras(TLayoutTyp layout) {
    for (const KeptCamera& kept : keepCamerasOf(settings_, layout)) {
        if (kept.tile >= tileCount()) continue;
        config::TServerAttributes attributes;
        kept.camera->writeToAttributes(attributes);
        startTile(kept.tile, std::move(attributes), kept.camera->recording);
    }
}

void TueberwachungForm::startTile(int t, config::TServerAttributes attributes, int rec) {
    WallTile& controls = *tiles_[static_cast<std::size_t>(t)];
    setAttributes(attributes, frameRate());
    decoderList.emplace_back(tileKey(t), std::make_unique<TVideoObjekt>(controls, std::move(attributes), rec));
}

void TueberwachungForm::stopTile(const std::string& key) {
    auto it = std::find_if(decoderList.begin(), decoderList.end(), [&](const auto& e) { return e.first == key; });
    if (it == decoderList.end()) return;
    DecoderTeardown teardown;
    it->second->retire(teardown);
    decoderList.erase(it);
    // The next decoder may record the same camera: let this one close its file first.
    teardown.waitAll(TVideoObjekt::kRestartWait);
}

// ---------------------------------------------------------------- changes

void TueberwachungForm::singleChange(const config::TSurvChange& change) {
    if (isDestroying) return;
    const SurvChangeResult r = applySurvChange(settings_, change);
    const int t = tileOfKey(r.key, oldLayout);
    if (TVideoObjekt* running = t >= 0 ? videoObjekt(t) : nullptr) {
        if (r.remove) {
            stopTile(r.key);
            tiles_[static_cast<std::size_t>(t)]->image().clearFault();
            tiles_[static_cast<std::size_t>(t)]->image().fillWhite();
        } else if (r.validRecording) {
            running->setRec(r.recording);
        }
    }
    announceChange();
}

void TueberwachungForm::dropCamera(int t, const std::string& caption) {
    runner_.run([this, t, caption] { dropJob(t, caption); });
}

void TueberwachungForm::dropJob(int t, const std::string& caption) {
    if (isDestroying || t < 0 || t >= tileCount()) return;
    DropDecision d = decideDrop(caption, settings_, discovery_, shownNames(), frameRate());
    if (d.kind == DropDecision::Kind::unknownCamera) return;  // the tile keeps its camera
    if (d.kind == DropDecision::Kind::duplicateName) {
        platform::ui::execPlainMessage(QMessageBox::Critical, windowTitle(),
                                       qs(config::tr(config::txtCameraWithSameNameExists)), this);
        return;
    }
    if (d.askCredentials) {
        TZugangAbfrage prompt(this);
        prompt.videoName = d.attributes.CameraName;
        if (d.keyOnly) prompt.disableUserName();
        if (prompt.exec() == mrOK) {
            d.attributes.UserName = prompt.userName();
            d.attributes.Password = prompt.password();
        }
        if (isDestroying) return;
    }
    stopTile(tileKey(t));
    tiles_[static_cast<std::size_t>(t)]->image().clearFault();
    startTile(t, d.attributes, kRecNever);
    storeDroppedCamera(settings_, t, d.attributes);
    announceChange();
}

void TueberwachungForm::recClick(int t) {
    runner_.run([this, t] {
        if (TVideoObjekt* running = videoObjekt(t)) running->SpeedBtnClick();
    });
}

void TueberwachungForm::announceChange() {
    if (konfigTarget_ != 0) platform::MainLoop::instance().post(konfigTarget_, platform::WMSURVEILLANCESINGLEACCEPTED);
}

// ---------------------------------------------------------------- door calls

bool TueberwachungForm::doorVideoShown() const { return !doorPanel.isHidden(); }

void TueberwachungForm::showTile0(bool visible) {
    if (!tiles_.empty()) tiles_.front()->image().setVisible(visible);
}

void TueberwachungForm::startDoorVideo(const config::TSingleConfig& station) {
    if (doorVideoShown()) return;
    const PixelRect place =
        wallGeometry(tiles_.empty() ? settings_.survLayout() : oldLayout, {width(), height()}).doorPanel;
    doorPanel.setGeometry(toQRect(place));
    mainVideoFrame1.setGeometry(0, 0, place.width, place.height);
    showTile0(false);
    mainVideoFrame1.callEnd = [this](TmainVideoFrame&) { doorVideoEnded(); };
    mainVideoFrame1.startVideo(station, false);
    mainVideoFrame1.show();
    doorPanel.show();
    doorPanel.raise();
}

void TueberwachungForm::stopDoorVideo() {
    mainVideoFrame1.stopVideo();
    doorPanel.hide();
    showTile0(true);
}

void TueberwachungForm::doorVideoEnded() {
    if (resetActIp) resetActIp();
    doorPanel.hide();
    showTile0(true);
}

// ---------------------------------------------------------------- close

void TueberwachungForm::closeJob() {
    if (closed_) return;
    isDestroying = true;
    isDisplaying = false;
    if (doorVideoShown()) stopDoorVideo();
    settings_.schreibeUeberwachungKoordinaten({.top = y(), .left = x(), .height = height(), .width = width()});
    tearDownTiles(false);
    separators_.clear();
    firstLayout = true;
    closed_ = true;
}

}  // namespace oculon::video::ui
