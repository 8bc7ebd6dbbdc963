#include "settings/ui/ueberwachungPage.h"

#include <QActionGroup>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "config/ui/BrandDialog.h"
#include "platform/MainLoop.h"
#include "platform/ui/PlainText.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::settings::ui {

using config::TLayoutTyp;
using config::ui::qs;

namespace {

constexpr int kDivisors[] = {1, 2, 4, 8};
const char* const kRateNames[] = {"allFrames", "halfFrames", "quarterFrames", "eighthFrames"};
const char* const kRateTexts[] = {"1/1", "1/2", "1/4", "1/8"};

constexpr QSize kLayoutIconSize(60, 38);

// The layout's tiles drawn small, for the layout list: every layout on a
// canvas of the same size, so that the names beside them line up.
QIcon layoutPicture(TLayoutTyp layout) {
    const Preview p = previewGeometry(layout);
    QPixmap picture(p.width / 4 + 1, p.height / 4 + 1);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(Qt::darkGray);
    painter.setBrush(QColor(90, 110, 140));
    for (const PreviewTile& t : p.tiles)
        painter.drawRect(t.place.left / 4, t.place.top / 4, t.place.width / 4 - 1, t.place.height / 4 - 1);
    painter.end();
    const QPixmap fitted = picture.scaled(kLayoutIconSize.boundedTo(picture.size()), Qt::KeepAspectRatio);
    QPixmap canvas(kLayoutIconSize);
    canvas.fill(Qt::transparent);
    QPainter(&canvas).drawPixmap((canvas.width() - fitted.width()) / 2, (canvas.height() - fitted.height()) / 2,
                                 fitted);
    return QIcon(canvas);
}

}  // namespace

TmyPanel::TmyPanel(QWidget* parent, const PreviewTile& tile, Send send)
    : QFrame(parent), txtLabel(this), number_(tile.number), recording(tile.recording), send_(std::move(send)) {
    setObjectName(QStringLiteral("tile%1").arg(tile.number));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    txtLabel.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    txtLabel.setWordWrap(false);
    platform::ui::setPlainText(txtLabel, platform::ui::shownLines(tile.label, "\r\n"));
    txtLabel.setGeometry(2, 2, tile.place.width - 4, tile.place.height - 4);
    setGeometry(tile.place.left, tile.place.top, tile.place.width, tile.place.height);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (PanelPopupMenu) PanelPopupMenu->popup(mapToGlobal(at));
    });
}

void TmyPanel::setConfigured(bool on) {
    isConfigured = on;
    if (!on) {
        PanelPopupMenu.reset();
        return;
    }
    PanelPopupMenu = std::make_unique<QMenu>(this);
    PanelPopupMenu->setObjectName(QStringLiteral("PanelPopupMenu"));
    PanelPopupMenu->addAction(qs(config::tr(config::txtRemoveCamera) + ": " + std::to_string(number_)), this,
                              [this] { sendCfgObject(true, 0); });
    PanelPopupMenu->addSeparator();
    const config::TText* modes[] = {&config::txtNoRecording, &config::txtAlwaysRecord, &config::txtUserStartsRecording};
    auto* group = new QActionGroup(PanelPopupMenu.get());
    for (int mode = 0; mode < 3; ++mode) {
        QAction* item =
            PanelPopupMenu->addAction(qs(config::tr(*modes[mode])), this, [this, mode] { sendCfgObject(false, mode); });
        item->setCheckable(true);
        item->setChecked(recording == mode);
        group->addAction(item);
    }
}

void TmyPanel::sendCfgObject(bool remove, int mode) {
    if (send_) send_(remove ? removeCamera(number_) : setRecording(number_, mode));
}

UeberwachungPage::UeberwachungPage(config::TVideoConfig& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    setObjectName(QStringLiteral("ueberwachungTab"));
    const auto name = [](QObject& o, const char* n) { o.setObjectName(QString::fromLatin1(n)); };
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);

    name(ueberwachungAktiv, "ueberwachungAktiv");
    name(layoutWahlLabel, "layoutWahlLabel");
    name(ListView3, "ListView3");
    left->addWidget(&ueberwachungAktiv);
    left->addWidget(&layoutWahlLabel);
    left->addWidget(&ListView3, 1);
    ListView3.setViewMode(QListView::ListMode);
    ListView3.setIconSize(kLayoutIconSize);
    ListView3.setSelectionMode(QAbstractItemView::SingleSelection);
    connect(&ueberwachungAktiv, &QCheckBox::clicked, this, &UeberwachungPage::ueberwachungAktivClick);
    connect(&ListView3, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_) ListView3SelectItem();
    });

    name(LayoutPanel, "LayoutPanel");
    LayoutPanel.setFixedSize(kPreviewWidth + 2, kPreviewHeight + 2);
    LayoutPanel.setFrameStyle(QFrame::Box | QFrame::Plain);
    right->addWidget(&LayoutPanel, 0, Qt::AlignHCenter);

    name(frameRateGroup, "frameRateGroup");
    right->addWidget(&frameRateGroup);
    auto* rates = new QGridLayout(&frameRateGroup);
    for (std::size_t i = 0; i < rates_.size(); ++i) {
        name(rates_[i], kRateNames[i]);
        rateLabels_[i].setObjectName(QStringLiteral("lngLbl%1").arg(i + 1));
        rates_[i].setText(QString::fromLatin1(kRateTexts[i]));
        rates->addWidget(&rates_[i], static_cast<int>(i), 0);
        rates->addWidget(&rateLabels_[i], static_cast<int>(i), 1);
        connect(&rates_[i], &QRadioButton::clicked, this, [this, i] { frameRateClick(kDivisors[i]); });
    }

    name(maxRecLenLbl, "maxRecLenLbl");
    name(maxRecScrollBar, "maxRecScrollBar");
    name(minuteEdit, "minuteEdit");
    name(minuteLabel, "minuteLabel");
    right->addWidget(&maxRecLenLbl);
    auto* length = new QHBoxLayout;
    right->addLayout(length);
    length->addWidget(&maxRecScrollBar, 1);
    length->addWidget(&minuteEdit);
    length->addWidget(&minuteLabel);
    maxRecScrollBar.setRange(1, kMaxRecordLength);
    maxRecScrollBar.setTicks({kRecordLengthTicks.begin(), kRecordLengthTicks.end()});
    minuteEdit.setFixedWidth(40);
    connect(&maxRecScrollBar, &QSlider::valueChanged, this, [this](int minutes) {
        if (filling_) return;
        const QSignalBlocker quiet(minuteEdit);
        minuteEdit.setText(QString::number(minutes));
        settings_.schreibeRecLen(minutes);
    });
    connect(&minuteEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { setRecordLength(recordLengthOf(text.toStdString())); });

    name(tuerVideoInUeberwachung, "tuerVideoInUeberwachung");
    right->addWidget(&tuerVideoInUeberwachung);
    right->addStretch(1);
    connect(&tuerVideoInUeberwachung, &QCheckBox::toggled, this, [this](bool on) {
        if (!filling_) settings_.schreibeDoor(on);
    });
}

void UeberwachungPage::setSprache(config::TSprachenTyp language) {
    language_ = language;
    const auto t = [language](const config::TText& text) { return qs(config::text(text, language)); };
    ueberwachungAktiv.setText(t(config::txtActivateSurveillanceFunctions2));
    layoutWahlLabel.setText(t(config::txtChooseScreenLayout));
    frameRateGroup.setTitle(t(config::txtScreenRefreshRate));
    for (QLabel& label : rateLabels_) label.setText(t(config::txtOfTheCameraRefreshRate));
    maxRecLenLbl.setText(t(config::txtMaximumRecordLength));
    minuteLabel.setText(t(config::txtMinutes));
    tuerVideoInUeberwachung.setText(t(config::txtShowDoorVideoOnSurveillancePane));
    filling_ = true;
    const int selected = ListView3.currentRow();
    ListView3.clear();
    for (int l = 0; l < config::kLayoutCount; ++l) {
        const auto layout = static_cast<TLayoutTyp>(l);
        ListView3.addItem(new QListWidgetItem(layoutPicture(layout), t(config::layoutNamen[l])));
    }
    if (selected >= 0) ListView3.setCurrentRow(selected);
    filling_ = false;
}

void UeberwachungPage::load() {
    filling_ = true;
    const bool on = settings_.surveillance();
    ueberwachungAktiv.setChecked(on);
    enableControls(on);
    // Shown also while the wall is off: switching it on must not show an
    // empty rate and length.
    const int divisor = frameRateDivisor(settings_.framerate());
    for (std::size_t i = 0; i < rates_.size(); ++i) rates_[i].setChecked(kDivisors[i] == divisor);
    const int minutes = std::clamp(settings_.recordLength(), 1, kMaxRecordLength);
    maxRecScrollBar.setValue(minutes);
    minuteEdit.setText(QString::number(minutes));
    if (on) {
        tuerVideoInUeberwachung.setChecked(settings_.showDoor());
        ListView3.setCurrentRow(settings_.survLayout());
        buildPreview(settings_.survLayout());
    } else {
        panelList.clear();
    }
    filling_ = false;
}

void UeberwachungPage::enableControls(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{&frameRateGroup, &maxRecLenLbl, &maxRecScrollBar, &minuteEdit,
                                                      &minuteLabel, &layoutWahlLabel, &ListView3})
        w->setEnabled(on);
    tuerVideoInUeberwachung.setEnabled(on);
}

void UeberwachungPage::ueberwachungAktivClick() {
    // Disabled, the box hands its focus on (to the dialog's buttons, where
    // Return would press "Save configuration"); it takes it back below.
    const bool focused = ueberwachungAktiv.hasFocus();
    ueberwachungAktiv.setEnabled(false);
    QApplication::processEvents();
    const bool on = ueberwachungAktiv.isChecked();
    // Stored at once, as the wall opens or closes at once: however the
    // dialog is left, the stored switch and the wall agree.
    settings_.schreibeSurveillance(on);
    enableControls(on);
    if (!on) tuerVideoInUeberwachung.setChecked(false);  // stores "showDoor" off
    video::ui::TueberwachungForm* current = wall ? wall() : nullptr;
    if (on && !current && switchWall) switchWall(true);
    if (!on && current) {
        if (switchWall) switchWall(false);
        filling_ = true;
        ListView3.clearSelection();
        filling_ = false;
        panelList.clear();
    }
    if (ListView3.isEnabled()) {
        ListView3.setCurrentRow(settings_.survLayout());
        ListView3SelectItem();
    }
    ueberwachungAktiv.setEnabled(true);
    if (focused) ueberwachungAktiv.setFocus();
}

void UeberwachungPage::postToWall(std::uint32_t message) {
    if (video::ui::TueberwachungForm* w = wall ? wall() : nullptr)
        platform::MainLoop::instance().post(w->handle(), message);
}

void UeberwachungPage::ListView3SelectItem() {
    const int row = ListView3.currentRow();
    if (row < 0 || row >= config::kLayoutCount || ListView3.selectedItems().isEmpty()) return;
    settings_.schreibeLayout(static_cast<TLayoutTyp>(row));
    postToWall(platform::WMSURVEILLANCECFGCHANGE);
    buildPreview(static_cast<TLayoutTyp>(row));
}

void UeberwachungPage::buildPreview(TLayoutTyp layout) {
    panelList.clear();
    const Preview p = previewOf(layout, settings_);
    LayoutPanel.setFixedSize(p.width, p.height);
    for (const PreviewTile& t : p.tiles) {
        auto tile = std::make_unique<TmyPanel>(&LayoutPanel, t, [this](std::unique_ptr<config::TSurvChange> change) {
            // The wall owns the change from here on.
            if (video::ui::TueberwachungForm* w = wall ? wall() : nullptr)
                platform::MainLoop::instance().post<platform::WMSURVEILLANCESINGLE>(w->handle(), std::move(change));
        });
        tile->setConfigured(t.configured);
        tile->show();
        panelList.push_back(std::move(tile));
    }
}

void UeberwachungPage::frameRateClick(int divisor) {
    settings_.schreibeFrameRate(divisor);
    postToWall(platform::WMSURVEILLANCECFGCHANGE);
}

void UeberwachungPage::setRecordLength(int minutes) {
    minuteEdit.setText(QString::number(minutes));
    maxRecScrollBar.setValue(minutes);
    settings_.schreibeRecLen(minutes);
}

void UeberwachungPage::ueberwachungUebernehmen() {
    const bool on = ueberwachungAktiv.isChecked();
    settings_.schreibeSurveillance(on);
    // A wall that went some other way comes back (and one left over goes).
    const bool exists = wall && wall();
    if (on != exists && switchWall) switchWall(on);
}

void UeberwachungPage::close() {
    if (wall && wall() && !settings_.surveillance() && switchWall) switchWall(false);
    panelList.clear();
}

}  // namespace oculon::settings::ui
