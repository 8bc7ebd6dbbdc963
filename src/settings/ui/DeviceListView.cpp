#include "settings/ui/DeviceListView.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include "platform/ui/PlainText.h"
#include "video/ui/ueberwachungUnitDrag.h"

namespace oculon::settings::ui {

namespace {

constexpr int kCaptionRole = Qt::UserRole;

QPixmap thumbnail(const video::Image* picture, int size) {
    QPixmap square(size, size);
    square.fill(Qt::black);
    if (!picture || picture->width <= 0 || picture->height <= 0 || picture->format != video::PixelFormat::Bgrx32)
        return square;
    const QImage view(picture->pixels.data(), picture->width, picture->height, static_cast<qsizetype>(picture->stride),
                      QImage::Format_RGB32);
    // The picture in its own shape sits on the square's lower edge, right
    // above its caption.
    const QImage shown = view.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((size - shown.width()) / 2, size - shown.height(), shown);
    return square;
}

}  // namespace

DeviceListView::DeviceListView(QWidget* parent, const char* name, bool dragToWall) : QListWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWordWrap(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(dragToWall);
    setDragDropMode(dragToWall ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    setThumbnailSize(110);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_ && onSelect && !selectedItems().isEmpty()) onSelect(selectedKey());
    });
}

void DeviceListView::setThumbnailSize(int size) {
    setIconSize(QSize(size, size));
    // Room for three caption lines under the picture.
    setGridSize(QSize(size + 40, size + 3 * fontMetrics().height() + 12));
}

void DeviceListView::fill(const std::vector<DeviceItem>& items, int selection) {
    filling_ = true;
    const int scroll = verticalScrollBar()->value();
    clear();
    for (const DeviceItem& device : items) {
        auto* item = new QListWidgetItem(QIcon(thumbnail(device.picture.get(), iconSize().width())),
                                         platform::ui::shownLines(device.caption, "\r\n"), this);
        // As it came: a name in Latin-1 bytes names its device only so.
        item->setData(kCaptionRole, QByteArray::fromStdString(device.caption));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    if (selection >= 0 && selection < count()) {
        setCurrentRow(selection);
        scrollToItem(item(selection));
    } else {
        verticalScrollBar()->setValue(scroll);
    }
    filling_ = false;
}

std::string DeviceListView::captionOf(const QListWidgetItem& item) {
    return item.data(kCaptionRole).toByteArray().toStdString();
}

std::string DeviceListView::selectedCaption() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.size() == 1 ? captionOf(*selected.front()) : std::string();
}

void DeviceListView::startDrag(Qt::DropActions) {
    const std::string caption = selectedCaption();
    if (caption.empty()) return;
    const QListWidgetItem* current = currentItem();
    video::ui::dragCameraToWall(*this, caption, current ? current->icon().pixmap(iconSize() / 2) : QPixmap());
}

}  // namespace oculon::settings::ui
