#pragma once
// The controls of one wall tile: the picture a decoder paints into (with the
// fault cross and the drop of a camera), the caption label with name, date
// and time, and the "REC" button with the status line above it that says why
// the tile does not record while its recording fails. WallTile hands them to
// the running tile (TVideoObjekt) as its TileControls.

#include <QLabel>
#include <QPushButton>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "video/ueberwachungKachel.h"
#include "video/ueberwachungLayout.h"
#include "video/ui/ActionButton.h"
#include "video/ui/CallViewParts.h"
#include "video/ui/VideoImage.h"

namespace oculon::video::ui {

class TileImage : public VideoImage {
    Q_OBJECT

public:
    TileImage(QWidget* parent, int tile);
    int tile() const { return tile_; }

    // The cross over the whole tile with the fault number at (10, 30) and
    // its detail text from (10, 50); the next picture replaces it.
    void showFault(std::int32_t errorNo, const std::string& addInfo);
    void clearFault();
    bool faultShown() const { return fault_.has_value(); }

    // A camera caption dropped on this tile.
    std::function<void(int tile, const std::string& caption)> onDrop;

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Fault {
        std::int32_t errorNo = 0;
        std::string addInfo;
    };
    int tile_;
    std::optional<Fault> fault_;
};

// What a decoder paints into a tile. The caption label above the picture
// shows the name, date and time already, so the copy the decoder would
// write under it is left out.
class TilePicture : public PictureSink {
public:
    explicit TilePicture(TileImage& image) : image_(image) {}
    PixelSize size() const override { return image_.pixelSize(); }
    void showPicture(const PictureFrame& frame) override;

private:
    TileImage& image_;
};

// Forwards a decoder's caption to a label for as long as the label is there.
class LabelCaption : public CaptionSink {
public:
    void setTarget(QLabel* label) { label_ = label; }
    void setCaption(const std::string& text) override;

private:
    QLabel* label_ = nullptr;
};

class WallTile : public TileControls {
public:
    // The controls become children of `wall`, hidden until placed.
    WallTile(QWidget& wall, int tile, std::function<void(int tile)> onRecClick);
    WallTile(const WallTile&) = delete;
    WallTile& operator=(const WallTile&) = delete;

    void place(const TileGeometry& where);
    int tile() const { return image_.tile(); }
    TileImage& image() { return image_; }
    QLabel& timeLabel() { return caption_; }
    QPushButton& recBtn() { return recBtn_; }
    // Why the tile does not record, while its recording fails.
    QLabel& recStatus() { return recStatus_; }

    PictureSink& picture() override { return picture_; }
    CaptionSink& caption() override { return captionRelay_; }
    void setCaptionVisible(bool visible) override;
    void setRecButton(const RecButtonState& state) override;
    void showFault(std::int32_t errorNo, const std::string& addInfo) override;

private:
    void showRecStatus();

    TileImage image_;
    ActionButton recBtn_;
    QLabel recStatus_;
    QString recStatusText_;
    QLabel caption_;
    TilePicture picture_;
    LabelCaption captionRelay_;
};

}  // namespace oculon::video::ui
