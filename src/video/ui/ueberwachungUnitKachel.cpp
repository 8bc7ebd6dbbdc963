#include "video/ui/ueberwachungUnitKachel.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <string_view>

#include "platform/ui/PlainText.h"
#include "video/MJPEGDecoderThread.h"
#include "video/ui/ueberwachungUnitDrag.h"

namespace oculon::video::ui {

namespace {

const QColor kRecColour(140, 0, 0);
const QColor kRecordingColour(255, 0, 0);
const QColor kCaptionColour(238, 238, 238);
const QColor kNotRecordingColour(110, 110, 110);

// The recording glyph: a red dot; a grey ring while the recording fails.
QIcon recGlyph(bool failing) {
    QPixmap dot(14, 14);
    dot.fill(Qt::transparent);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    if (failing) {
        p.setPen(QPen(kNotRecordingColour, 1.5));
        p.setBrush(Qt::NoBrush);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(kRecordingColour);
    }
    p.drawEllipse(2, 2, 10, 10);
    return QIcon(dot);
}

}  // namespace

TileImage::TileImage(QWidget* parent, int tile) : VideoImage(parent), tile_(tile) { setAcceptDrops(true); }

void TileImage::showFault(std::int32_t errorNo, const std::string& addInfo) {
    fault_ = Fault{errorNo, addInfo};
    update();
}

void TileImage::clearFault() {
    if (!fault_) return;
    fault_.reset();
    update();
}

void TileImage::paintEvent(QPaintEvent* event) {
    if (!fault_) {
        VideoImage::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(220, 0, 0), std::max(3, std::min(width(), height()) / 40)));
    p.drawLine(rect().topLeft(), rect().bottomRight());
    p.drawLine(rect().topRight(), rect().bottomLeft());
    QFont f = font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    // On a white ground, so the cross does not cut through the words.
    auto line = [&p](int y, const QString& text) {
        const QRect box = p.fontMetrics().boundingRect(text).translated(10, y + p.fontMetrics().ascent());
        p.fillRect(box.adjusted(-2, 0, 2, 0), Qt::white);
        p.drawText(10, y + p.fontMetrics().ascent(), text);
    };
    line(30, QString::fromStdString(stoerungsText(fault_->errorNo, {}, false)));
    // The detail comes with its own line breaks (LF CR); one line each, each
    // shown from its bytes (a camera's text may be in Latin-1).
    int y = 50;
    const std::string_view detail = fault_->addInfo;
    for (std::size_t at = 0; (at = detail.find_first_not_of("\r\n", at)) != std::string_view::npos;) {
        const std::size_t end = detail.find_first_of("\r\n", at);
        line(y, platform::ui::shown(detail.substr(at, end - at)));
        y += p.fontMetrics().height();
        at = end;
    }
}

void TileImage::dragEnterEvent(QDragEnterEvent* event) {
    if (cameraFromMime(event->mimeData())) event->acceptProposedAction();
}

void TileImage::dragMoveEvent(QDragMoveEvent* event) {
    if (cameraFromMime(event->mimeData())) event->acceptProposedAction();
}

void TileImage::dropEvent(QDropEvent* event) {
    const auto caption = cameraFromMime(event->mimeData());
    if (!caption) return;
    event->acceptProposedAction();
    if (onDrop) onDrop(tile_, *caption);
}

void TileImage::contextMenuEvent(QContextMenuEvent* event) {
    // The tiles have no menu; swallowing the event keeps the wall's parent
    // from showing one.
    event->accept();
}

void TilePicture::showPicture(const PictureFrame& frame) {
    PictureFrame plain = frame;
    plain.overlayText.clear();
    image_.clearFault();
    image_.showPicture(plain);
}

void LabelCaption::setCaption(const std::string& text) {
    if (label_) platform::ui::setPlainText(*label_, platform::ui::shown(text));
}

WallTile::WallTile(QWidget& wall, int tile, std::function<void(int)> onRecClick)
    : image_(&wall, tile), recBtn_(&wall), recStatus_(&wall), caption_(&wall), picture_(image_) {
    image_.setObjectName(QStringLiteral("Bild%1").arg(tile));
    captionRelay_.setTarget(&caption_);

    recBtn_.setObjectName(QStringLiteral("RecBtn%1").arg(tile));
    recBtn_.setText(QStringLiteral("REC"));
    recBtn_.setCheckable(true);
    QFont bold = recBtn_.font();
    bold.setBold(true);
    recBtn_.setFont(bold);
    recBtn_.setAutoFillBackground(true);
    setRecButton({});
    // The tile decides whether the click records; the button shows what it decided.
    QObject::connect(&recBtn_, &QPushButton::clicked, &recBtn_, [this, tile, onRecClick](bool) {
        recBtn_.setChecked(!recBtn_.isChecked());
        if (onRecClick) onRecClick(tile);
    });

    caption_.setObjectName(QStringLiteral("TimeLabel%1").arg(tile));
    caption_.setAlignment(Qt::AlignCenter);
    caption_.setAutoFillBackground(true);
    QPalette pal = caption_.palette();
    pal.setColor(QPalette::Window, kCaptionColour);
    pal.setColor(QPalette::WindowText, Qt::black);
    caption_.setPalette(pal);
    caption_.setFont(bold);
    caption_.hide();

    recStatus_.setObjectName(QStringLiteral("RecStatus%1").arg(tile));
    recStatus_.setAutoFillBackground(true);
    pal.setColor(QPalette::WindowText, kRecColour);
    recStatus_.setPalette(pal);
    recStatus_.setContentsMargins(4, 0, 4, 0);
    recStatus_.hide();
}

void WallTile::place(const TileGeometry& where) {
    image_.setGeometry(toQRect(where.tile));
    recBtn_.setGeometry(toQRect(where.recBtn));
    recStatus_.setGeometry(toQRect(where.recStatus));
    showRecStatus();
    caption_.setGeometry(toQRect(where.caption));
}

void WallTile::setCaptionVisible(bool visible) {
    caption_.setVisible(visible);
    if (!visible) caption_.clear();
}

void WallTile::setRecButton(const RecButtonState& state) {
    const bool failing = !state.problem.empty();
    recBtn_.setVisible(state.visible);
    recBtn_.setEnabled(state.enabled);
    recBtn_.setChecked(state.down);
    // While the recording fails the button keeps the user's choice but no
    // longer claims to record: struck through and grey.
    recBtn_.setIcon(recGlyph(failing));
    QFont font = recBtn_.font();
    font.setStrikeOut(failing);
    recBtn_.setFont(font);
    QPalette pal = recBtn_.palette();
    const QColor text = failing ? kNotRecordingColour : state.red ? kRecordingColour : kRecColour;
    pal.setColor(QPalette::ButtonText, text);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, text);
    recBtn_.setPalette(pal);

    recStatusText_ = platform::ui::shown(state.problem);
    recStatus_.setToolTip(platform::ui::plainToolTip(recStatusText_));
    recStatus_.setVisible(state.visible && failing);
    showRecStatus();
}

void WallTile::showRecStatus() {
    // Cut to the line's width; the tool tip holds it whole.
    const int room = std::max(0, recStatus_.contentsRect().width());
    platform::ui::setPlainText(recStatus_, recStatus_.fontMetrics().elidedText(recStatusText_, Qt::ElideRight, room));
}

void WallTile::showFault(std::int32_t errorNo, const std::string& addInfo) { image_.showFault(errorNo, addInfo); }

}  // namespace oculon::video::ui
