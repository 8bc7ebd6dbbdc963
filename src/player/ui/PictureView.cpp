#include "player/ui/PictureView.h"

#include <QPainter>
#include <QPalette>

#include "player/Preview.h"

namespace oculon::player::ui {

QImage wrapImage(const video::Image& image) {
    const QImage::Format format =
        image.format == video::PixelFormat::Bgrx32 ? QImage::Format_RGB32 : QImage::Format_RGB888;
    return QImage(image.pixels.data(), image.width, image.height, static_cast<qsizetype>(image.stride), format);
}

PictureView::PictureView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PictureView::setPicture(std::shared_ptr<const video::Image> picture) {
    picture_ = std::move(picture);
    update();
}

void PictureView::clearPicture() {
    picture_.reset();
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_ || picture_->width <= 0 || picture_->height <= 0) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    painter.fillRect(rect(), Qt::white);
    const Rect r = fitCentred(picture_->width, picture_->height, width(), height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(r.left, r.top, r.width, r.height), wrapImage(*picture_));
}

}  // namespace oculon::player::ui
