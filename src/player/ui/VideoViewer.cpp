#include "player/ui/VideoViewer.h"

#include <QDate>
#include <QEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QTime>

#include <algorithm>
#include <chrono>

#include "config/sprachen.h"
#include "platform/Thread.h"

namespace oculon::player::ui {

namespace {

// Day 1 of the recording's calendar (1 January of year 1) as a Julian day.
constexpr qint64 kJulianDayOfDayZero = 1721425;

constexpr QSize kButtonSize(40, 26);  // start and stop
constexpr int kEdge = 4;              // the start and end labels keep off the edges

const std::array<const char*, kSpeeds.size()> kSpeedNames{"eighth", "quarter", "half", "full",
                                                          "twice",  "four",    "eight"};
const std::array<const char*, kSpeeds.size()> kSpeedCaptions{"x 1/8", "x 1/4", "x 1/2", "x 1", "x 2", "x 4", "x 8"};
constexpr std::size_t kNormalSpeed = 3;

}  // namespace

void nameControls(std::initializer_list<std::pair<QObject*, const char*>> controls) {
    for (const auto& [control, name] : controls) control->setObjectName(QString::fromLatin1(name));
}

QString dateTimeText(const video::TTimeStamp& stamp) {
    const QDate date = QDate::fromJulianDay(stamp.Date + kJulianDayOfDayZero);
    const QTime time = QTime::fromMSecsSinceStartOfDay(stamp.Time);
    if (!date.isValid() || !time.isValid()) return {};
    const QLocale locale = QLocale::system();
    // the long time format has the seconds; its time zone means nothing here
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') + locale.toString(time, timeFormat.trimmed());
}

QRect TrackBar::handleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

QSize TrackBar::sizeHint() const {
    QSize hint = QSlider::sizeHint();
    if (orientation() != Qt::Horizontal) return hint;
    QStyleOptionSlider option;
    initStyleOption(&option);
    // A pixel at a time: the handle moves down as the bar grows, by half as
    // much. One row stays free below it, so the bar's own edge shows too.
    for (int extra = 0; extra < 32; ++extra) {
        option.rect = QRect(0, 0, std::max(width(), hint.width()), hint.height());
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        if (handle.bottom() < hint.height() - 1) break;
        hint.rheight() += 1;
    }
    return hint;
}

FocusMarkedButton::FocusMarkedButton(QWidget* parent) : QPushButton(parent) { setAutoDefault(false); }

void FocusMarkedButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (hasFocus()) option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    painter.drawControl(QStyle::CE_PushButton, option);
}

void FocusMarkedButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

TVideoViewerFrame::TVideoViewerFrame(QWidget* parent)
    : QFrame(parent),
      Image1_(this),
      StartTimeLabel(this),
      EndTimeLabel(this),
      TimeLabel(this),
      FrameLabel(this),
      ExportToolBar(this),
      ExportVideoButton(&ExportToolBar),
      ExportFrameButton(&ExportToolBar),
      StartButton(this),
      StopButton(this),
      SpeedToolBar(this),
      speedGroup_(this),
      TrackBar1(Qt::Horizontal, this),
      ProgressBar1(this),
      CancelBtn(this),
      exportWorker_("Player exports"),
      alive_(std::make_shared<int>(0)) {
    nameControls({{this, "VideoViewerFrame1"},
                  {&Image1_, "Image1"},
                  {&StartTimeLabel, "StartTimeLabel"},
                  {&EndTimeLabel, "EndTimeLabel"},
                  {&TimeLabel, "TimeLabel"},
                  {&FrameLabel, "FrameLabel"},
                  {&StartButton, "StartButton"},
                  {&StopButton, "StopButton"},
                  {&SpeedToolBar, "SpeedToolBar"},
                  {&TrackBar1, "TrackBar1"},
                  {&ExportToolBar, "ExportToolBar"},
                  {&ExportVideoButton, "ExportVideoButton"},
                  {&ExportFrameButton, "ExportFrameButton"},
                  {&ProgressBar1, "ProgressBar1"},
                  {&CancelBtn, "CancelBtn"}});

    EndTimeLabel.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TimeLabel.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FrameLabel.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // the two meet in the middle; a little air keeps time and counter apart
    TimeLabel.setContentsMargins(0, 0, 6, 0);
    FrameLabel.setContentsMargins(6, 0, 0, 0);

    StartButton.setCheckable(true);
    StartButton.setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    StartButton.setFixedSize(kButtonSize);
    StopButton.setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    StopButton.setFixedSize(kButtonSize);
    connect(&StartButton, &QToolButton::toggled, this, [this] { StartButtonClick(); });
    connect(&StopButton, &QToolButton::clicked, this, [this] { StopButtonClick(); });

    SpeedToolBar.setMovable(false);
    SpeedToolBar.setToolButtonStyle(Qt::ToolButtonTextOnly);
    speedGroup_.setExclusive(true);
    for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
        QAction* action = SpeedToolBar.addAction(QString::fromLatin1(kSpeedCaptions[i]));
        action->setObjectName(QString::fromLatin1(kSpeedNames[i]));
        action->setCheckable(true);
        action->setChecked(i == kNormalSpeed);
        speedGroup_.addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { setSpeed(kSpeeds[i]); });
    }

    TrackBar1.setRange(0, 100);
    TrackBar1.setTickInterval(5);
    TrackBar1.setTickPosition(QSlider::TicksAbove);
    connect(&TrackBar1, &QSlider::valueChanged, this, [this](int position) { TrackBar1Change(position); });
    connect(&TrackBar1, &QSlider::sliderPressed, this, [this] { TrackBarMouseDown(); });
    connect(&TrackBar1, &QSlider::sliderReleased, this, [this] { TrackBarMouseUp(); });

    ExportToolBar.setMovable(false);
    ExportToolBar.addWidget(&ExportVideoButton);
    ExportToolBar.addWidget(&ExportFrameButton);
    showExportTexts();
    connect(&ExportVideoButton, &QToolButton::clicked, this, [this] { ExportVideoButtonClick(); });
    connect(&ExportFrameButton, &QToolButton::clicked, this, [this] { ExportFrameButtonClick(); });
    ProgressBar1.setRange(0, 100);
    ProgressBar1.hide();
    CancelBtn.setText(QString::fromStdString(config::tr(config::txtCancel)));
    CancelBtn.hide();
    connect(&CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });

    setPlaybackEnabled(false);
    FrameResize();
}

TVideoViewerFrame::~TVideoViewerFrame() { closeVideo(); }

void TVideoViewerFrame::openVideo(const std::string& fileName) { openVideo(openRecording(fileName), fileName); }

void TVideoViewerFrame::openVideo(OpenedRecording opened, const std::string& fileName) {
    closeVideo();
    auto player = std::make_unique<TPlayerThread>(static_cast<PlayerView&>(*this), std::move(opened.file));
    player->SetMultiplier(speed_);  // the speed bar keeps its choice from one recording to the next
    StartTimeLabel.setText(dateTimeText(player->StartTime()));
    EndTimeLabel.setText(dateTimeText(player->EndTime()));
    TimeLabel.setText(dateTimeText(player->CurrentTime()));
    const int frames = player->NumFrames();
    noSetFrame_ = true;
    TrackBar1.setMaximum(std::max(0, frames - 1));
    TrackBar1.setTickInterval(std::max(1, frames / 20));
    TrackBar1.setValue(0);
    noSetFrame_ = false;
    player->Resume();
    videoPlayer_ = std::move(player);
    videoFile_ = fileName;
    ShowImage(opened.first);
    setPlaybackEnabled(true);
    FrameResize();
}

void TVideoViewerFrame::closeVideo() {
    endExport();
    if (!videoPlayer_) return;
    {
        const QSignalBlocker quiet(StartButton);
        StartButton.setChecked(false);
    }
    videoPlayer_->Pause();
    // Nobody waits for it: a read of a share that stopped answering would
    // hold the window. Being terminated, it never calls back into us.
    platform::Thread::release(std::move(videoPlayer_));
    videoFile_.clear();
    Image1_.clearPicture();
    setPlaybackEnabled(false);
    for (QLabel* label : {&StartTimeLabel, &EndTimeLabel, &TimeLabel, &FrameLabel}) label->clear();
    noSetFrame_ = true;
    TrackBar1.setValue(0);
    noSetFrame_ = false;
}

void TVideoViewerFrame::StartButtonClick() {
    if (!videoPlayer_) return;
    if (StartButton.isChecked()) videoPlayer_->Start();
    else videoPlayer_->Pause();
}

void TVideoViewerFrame::StopButtonClick() {
    {
        const QSignalBlocker quiet(StartButton);
        StartButton.setChecked(false);
    }
    if (!videoPlayer_) return;
    try {
        videoPlayer_->Stop();
    } catch (const std::exception&) {
        // halted all the same; a first frame that cannot be shown leaves the last picture
    }
}

void TVideoViewerFrame::setSpeed(TBruch speed) {
    speed_ = speed;
    if (videoPlayer_) videoPlayer_->SetMultiplier(speed);
}

void TVideoViewerFrame::TrackBar1Change(int position) {
    if (!videoPlayer_ || noSetFrame_) return;
    if (position != TrackBar1.maximum()) {
        try {
            videoPlayer_->SetFrame(position);
        } catch (const std::exception&) {
            // a damaged frame: the picture before it stays
        }
    } else if (StartButton.isChecked()) {
        // The last frame would end playback at once: the end of the bar only pauses.
        videoPlayer_->Pause();
    }
}

void TVideoViewerFrame::TrackBarMouseDown() {
    if (!videoPlayer_) return;
    videoHalted_ = videoPlayer_->isHalted();
    if (!videoHalted_) videoPlayer_->Pause();
}

void TVideoViewerFrame::TrackBarMouseUp() {
    if (!videoPlayer_) return;
    if (!videoHalted_) videoPlayer_->Start();
    videoHalted_ = true;
}

void TVideoViewerFrame::ShowImage(const ShownFrame& frame) {
    if (frame.picture) Image1_.setPicture(frame.picture);
    shownTime_ = frame.time;
    noSetFrame_ = true;
    TimeLabel.setText(dateTimeText(frame.time));
    FrameLabel.setText(QStringLiteral("%1 / %2").arg(frame.frameNo + 1).arg(frame.frames));
    TrackBar1.setValue(std::clamp(frame.frameNo, 0, TrackBar1.maximum()));
    noSetFrame_ = false;
}

void TVideoViewerFrame::StopVideo() { StopButtonClick(); }

void TVideoViewerFrame::setPlaybackEnabled(bool enabled) {
    ExportVideoButton.setEnabled(enabled);
    ExportFrameButton.setEnabled(enabled);
    StartButton.setEnabled(enabled);
    StopButton.setEnabled(enabled);
    SpeedToolBar.setEnabled(enabled);
    TrackBar1.setEnabled(enabled);
}

void TVideoViewerFrame::showExportTexts() {
    ExportVideoButton.setText(QString::fromStdString(config::tr(config::txtExportVideo)));
    ExportFrameButton.setText(QString::fromStdString(config::tr(config::txtExportCurrentFrame)));
}

void TVideoViewerFrame::changeEvent(QEvent* event) {
    // The cancel button takes its caption when an export starts.
    if (event->type() == QEvent::LanguageChange) showExportTexts();
    QFrame::changeEvent(event);
}

int TVideoViewerFrame::controlsWidth() const {
    // Of the widest digits, for any recording's times.
    const qint64 day = QDate(2088, 12, 28).toJulianDay() - kJulianDayOfDayZero;
    const QString widest = dateTimeText({((23 * 60 + 58) * 60 + 58) * 1000, static_cast<std::int32_t>(day)});
    const int time = StartTimeLabel.fontMetrics().horizontalAdvance(widest) + 2 * StartTimeLabel.margin() + kEdge;
    return std::max(2 * (time + kButtonSize.width() + 1), SpeedToolBar.sizeHint().width());
}

void TVideoViewerFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FrameResize();
}

void TVideoViewerFrame::FrameResize() {
    const int W = width();
    const int H = height();
    const int exportBar = ExportToolBar.sizeHint().height();
    ExportToolBar.setGeometry(0, 0, W, exportBar);
    const int trackHeight = TrackBar1.sizeHint().height();
    const int speedHeight = SpeedToolBar.sizeHint().height();
    const int bar = trackHeight + speedHeight;
    const int row = bar + StartButton.height();
    const int labelHeight = FrameLabel.sizeHint().height();
    const int half = W / 2;

    TrackBar1.setGeometry(0, H - trackHeight, W, trackHeight);
    SpeedToolBar.setGeometry(0, H - bar, W, speedHeight);
    StartButton.move(half - StartButton.width(), H - (row + 1));
    StopButton.move(half + 1, H - (row + 1));
    const int edgeTop = H - (labelHeight + bar + 1);
    const int startWidth = StartTimeLabel.sizeHint().width();
    const int endWidth = EndTimeLabel.sizeHint().width();
    StartTimeLabel.setGeometry(kEdge, edgeTop, startWidth, labelHeight);
    EndTimeLabel.setGeometry(W - (endWidth + kEdge), edgeTop, endWidth, labelHeight);
    const int timeTop = H - (labelHeight + row + 2);
    TimeLabel.setGeometry(0, timeTop, half, labelHeight);
    FrameLabel.setGeometry(half + 1, timeTop, W - half - 1, labelHeight);
    Image1_.setGeometry(0, exportBar + 1, W, std::max(0, H - (labelHeight + row + exportBar + 4)));
    // The video export's progress and its cancel button, over the middle of the picture.
    const int pictureWidth = Image1_.width();
    const int progressTop = Image1_.height() / 2 + exportBar;
    const int progressHeight = ProgressBar1.sizeHint().height();
    ProgressBar1.setGeometry(pictureWidth / 4, progressTop, pictureWidth / 2, progressHeight);
    CancelBtn.setGeometry(pictureWidth / 4 + 1, progressTop + progressHeight, pictureWidth / 2,
                          CancelBtn.sizeHint().height());
}

}  // namespace oculon::player::ui
