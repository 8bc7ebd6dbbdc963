#pragma once
// The picture control of a call view: a widget holding a bitmap of its own
// size that a stream decoder paints into (through a PictureRelay), that can
// be filled white, written on and saved as a JPEG snapshot.

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "video/PictureSink.h"

namespace oculon::video::ui {

class VideoImage : public QWidget {
    Q_OBJECT

public:
    explicit VideoImage(QWidget* parent = nullptr);

    PixelSize pixelSize() const { return {width(), height()}; }
    void showPicture(const PictureFrame& frame);

    void fillWhite();
    // Writes a line of text on the bitmap, where it stays until the next
    // picture.
    void drawText(int x, int y, const std::string& text);
    // The bitmap; a copy of it keeps the picture of that moment, later
    // pictures do not change it.
    const QImage& bitmap() const { return bitmap_; }
    // Pictures shown so far.
    int pictureCount() const { return pictures_; }

    std::function<void()> onDoubleClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void fitBitmap();
    // The picture's pixels become the bitmap's, which shows `window` of
    // them; false when the window is not the bitmap's size or leaves the picture.
    bool takeOver(Image& picture, PixelRect window);
    QImage bitmap_;
    // The buffer of the last picture taken over (owned by the image data
    // that wraps it), and that data's cache key.
    std::vector<std::uint8_t>* handedOver_ = nullptr;
    qint64 handedOverKey_ = 0;
    int pictures_ = 0;
};

// Why a snapshot was not written: the file and why, for the user, and why
// alone with the file's folder, which stays the same from file to file while
// the failure lasts. Empty when it was written.
struct SnapshotFailure {
    std::string text;
    std::string reason;
    bool failed() const { return !text.empty(); }
};

// A picture as a JPEG file (quality 90), the comment also in the file's
// comment marker. The file's folder is made where it is missing: where it is
// below `pictureFolder` (the folder the user chose for pictures), as
// config::makeSaveFolder makes it, so the file may go into a folder of the
// user's own beside the one named; otherwise the folder counts as chosen. A
// picture that cannot be written whole leaves no file.
SnapshotFailure saveJpeg(const QImage& picture, const std::string& fileName, const std::string& comment = {},
                         const std::optional<std::string>& pictureFolder = std::nullopt);

// Hands a decoder's pictures on to a control that can change (the popup
// swaps its two cameras), and tells its owner of every picture.
class PictureRelay : public PictureSink {
public:
    explicit PictureRelay(VideoImage* target = nullptr) : target_(target) {}
    void setTarget(VideoImage* target) { target_ = target; }
    VideoImage* target() const { return target_; }
    std::function<void()> onPicture;

    PixelSize size() const override { return target_ ? target_->pixelSize() : PixelSize{}; }
    void showPicture(const PictureFrame& frame) override;

private:
    VideoImage* target_;
};

}  // namespace oculon::video::ui
