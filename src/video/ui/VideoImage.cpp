#include "video/ui/VideoImage.h"

#include <QFont>
#include <QPaintEvent>
#include <QPainter>

#include <cerrno>
#include <cstring>

#include "config/SavePath.h"
#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/TemporaryFile.h"
#include "platform/ui/PlainText.h"
#include "video/Jpeg.h"
#include "video/WriteFailureText.h"
#include "video/ui/BackingStoreBlit.h"

namespace oculon::video::ui {

VideoImage::VideoImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    fitBitmap();
}

void VideoImage::fitBitmap() {
    const QSize want(std::max(1, width()), std::max(1, height()));
    if (bitmap_.size() == want) return;
    QImage resized(want, QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!bitmap_.isNull()) {
        QPainter p(&resized);
        p.drawImage(QRect(QPoint(0, 0), want), bitmap_);
    }
    bitmap_ = std::move(resized);
}

namespace {

void freeHandedOver(void* buffer) { delete static_cast<std::vector<std::uint8_t>*>(buffer); }

// Snapshots are the user's pictures: readable as the umask allows.
constexpr mode_t kSnapshotMode = 0666;

}  // namespace

bool VideoImage::takeOver(Image& picture, PixelRect window) {
    if (picture.format != PixelFormat::Bgrx32 || window.width != bitmap_.width() || window.height != bitmap_.height() ||
        window.left < 0 || window.top < 0 || window.left + window.width > picture.width ||
        window.top + window.height > picture.height || picture.pixels.size() < picture.stride * picture.height) {
        return false;
    }
    // The buffer under the bitmap goes back in exchange, unless a copy of
    // the bitmap still shares it: a copy keeps the picture of its moment.
    // The key's high half names the image data, so it shows that the bitmap
    // still wraps that buffer.
    std::vector<std::uint8_t> back;
    if (handedOver_ != nullptr && (bitmap_.cacheKey() >> 32) == (handedOverKey_ >> 32) && bitmap_.isDetached())
        back = std::move(*handedOver_);
    auto* buffer = new std::vector<std::uint8_t>(std::move(picture.pixels));
    std::uint8_t* origin = buffer->data() + picture.stride * static_cast<std::size_t>(window.top) +
                           static_cast<std::size_t>(window.left) * 4;
    bitmap_ = QImage(origin, window.width, window.height, static_cast<qsizetype>(picture.stride), QImage::Format_RGB32,
                     freeHandedOver, buffer);
    handedOver_ = buffer;
    handedOverKey_ = bitmap_.cacheKey();
    picture.pixels = std::move(back);
    return true;
}

void VideoImage::showPicture(const PictureFrame& frame) {
    fitBitmap();
    if (frame.picture == nullptr || frame.picture->format != PixelFormat::Bgrx32) return;
    const Image& pic = *frame.picture;
    const PixelRect& s = frame.source;
    const PixelRect& t = frame.target;
    const PixelRect whole{0, 0, bitmap_.width(), bitmap_.height()};
    // A picture painted for this control already (the decoder thread does
    // that) is taken over or copied as it is, without a painter.
    const bool wholeBitmap = !frame.clearWhite && t == whole && s.width == whole.width && s.height == whole.height &&
                             s.left >= 0 && s.top >= 0 && s.left + s.width <= pic.width &&
                             s.top + s.height <= pic.height;
    if (wholeBitmap) {
        if (frame.handOver == nullptr || !takeOver(*frame.handOver, s)) {
            const std::size_t rowBytes = static_cast<std::size_t>(whole.width) * 4;
            for (int y = 0; y < whole.height; ++y)
                std::memcpy(bitmap_.scanLine(y), pic.row(s.top + y) + static_cast<std::size_t>(s.left) * 4, rowBytes);
        }
    } else {
        const QImage source(pic.pixels.data(), pic.width, pic.height, static_cast<qsizetype>(pic.stride),
                            QImage::Format_RGB32);
        QPainter p(&bitmap_);
        if (frame.clearWhite) p.fillRect(bitmap_.rect(), Qt::white);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(t.left, t.top, t.width, t.height), source, QRect(s.left, s.top, s.width, s.height));
    }
    if (!frame.overlayText.empty()) drawText(5, 5, frame.overlayText);
    ++pictures_;
    update();
}

void VideoImage::fillWhite() {
    fitBitmap();
    bitmap_.fill(Qt::white);
    update();
}

void VideoImage::drawText(int x, int y, const std::string& text) {
    QPainter p(&bitmap_);
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::black);
    // Text on a picture needs a ground to be read on light and dark alike.
    const QString s = platform::ui::shown(text);
    const QRect box = p.fontMetrics().boundingRect(s).translated(x, y + p.fontMetrics().ascent());
    p.fillRect(box.adjusted(-1, 0, 1, 0), Qt::white);
    p.drawText(x, y + p.fontMetrics().ascent(), s);
    update();
}

SnapshotFailure saveJpeg(const QImage& picture, const std::string& fileName, const std::string& comment,
                         const std::optional<std::string>& pictureFolder) {
    std::string folder = platform::folderOfFile(fileName);
    std::string target = fileName;
    SnapshotFailure result;
    try {
        platform::FileFailure failure;
        // The dated folder proposed for it may not have been made; the
        // folder's own error says why, where the write would only find it
        // missing.
        const config::SaveFolder made = config::makeSaveFolder(pictureFolder.value_or(folder), folder);
        if (made.failed()) {
            failure = {fileName, platform::Intruder::none, made.error};
        } else {
            const std::string name = fileName.substr(fileName.rfind('/') + 1);
            target = made.shown(name);
            folder = platform::folderOfFile(target);
            const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
            const ImageView view{rgb.constBits(), rgb.width(), rgb.height(),
                                 static_cast<std::size_t>(rgb.bytesPerLine()), PixelFormat::Bgrx32};
            const std::vector<std::uint8_t> jpeg = encodeJpeg(view, 90, comment);
            // Whole or not at all: a picture cut off by a full disk would
            // pass for one.
            failure = platform::writeFileThroughTemporary(
                made, name, {reinterpret_cast<const char*>(jpeg.data()), jpeg.size()}, kSnapshotMode);
        }
        if (!failure.failed()) return {};
        result = {fileFailureText(failure, target), fileFailureText(failure, folder)};
    } catch (const std::exception& e) {
        result = {target + ": " + e.what(), folder + ": " + e.what()};
    }
    log::warning(log::Category::video, "snapshot not written: %s", result.text.c_str());
    return result;
}

void VideoImage::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // A repaint for every picture: the bitmap goes into the backing store
    // without a read of the backing store where it can.
    if (bitmap_.size() == size() && blitOpaque(p, bitmap_, event->region())) return;
    p.drawImage(rect(), bitmap_);
}

void VideoImage::resizeEvent(QResizeEvent* event) {
    fitBitmap();
    QWidget::resizeEvent(event);
}

void VideoImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (onDoubleClick) onDoubleClick();
    QWidget::mouseDoubleClickEvent(event);
}

void PictureRelay::showPicture(const PictureFrame& frame) {
    if (target_) target_->showPicture(frame);
    if (onPicture) onPicture();
}

}  // namespace oculon::video::ui
