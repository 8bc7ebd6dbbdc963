#pragma once
// The picture area of the player (the viewer's Image1): a decoded picture
// drawn at its aspect ratio, centred on white; without a picture, the plain
// window colour.

#include <QImage>
#include <QWidget>

#include <memory>

#include "video/Jpeg.h"

namespace oculon::player::ui {

// A QImage over the decoded pixels, without a copy: valid while `image` lives.
QImage wrapImage(const video::Image& image);

class PictureView : public QWidget {
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    void setPicture(std::shared_ptr<const video::Image> picture);
    // Back to the window colour.
    void clearPicture();
    const std::shared_ptr<const video::Image>& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const video::Image> picture_;
};

}  // namespace oculon::player::ui
