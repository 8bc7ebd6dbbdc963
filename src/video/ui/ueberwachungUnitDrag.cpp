#include "video/ui/ueberwachungUnitDrag.h"

#include <QApplication>
#include <QDrag>
#include <QPointer>
#include <QWindow>

#include <utility>
#include <vector>

#include "video/ui/ueberwachungUnit.h"

namespace oculon::video::ui {

namespace {

// A caption is a few lines; anything larger is not one of ours.
constexpr qsizetype kMaxCaption = 4096;

// For as long as it lives, the walls take drops although a modal window holds
// them: the toolkit refuses every drop on a window that a modal window
// blocks, and a window that belongs to the modal window (is transient for it)
// is exempt. Only for the drag: the pointer is the drag's meanwhile, so the
// walls get nothing else, and afterwards they are held again. The window
// manager is not told (it reads whom a window belongs to when it maps it), so
// no window moves in the stacking.
class WallsTakeDrops {
public:
    WallsTakeDrops() {
        QWindow* modal = QGuiApplication::modalWindow();
        if (modal == nullptr) return;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* wall = qobject_cast<TueberwachungForm*>(top);
            QWindow* window = wall != nullptr && wall->isVisible() ? wall->windowHandle() : nullptr;
            if (window == nullptr || window == modal) continue;
            opened_.emplace_back(window, window->transientParent());
            window->setTransientParent(modal);
        }
    }
    ~WallsTakeDrops() {
        for (auto& [window, owner] : opened_)
            if (window) window->setTransientParent(owner);
    }
    WallsTakeDrops(const WallsTakeDrops&) = delete;
    WallsTakeDrops& operator=(const WallsTakeDrops&) = delete;

private:
    std::vector<std::pair<QPointer<QWindow>, QPointer<QWindow>>> opened_;
};

}  // namespace

std::unique_ptr<QMimeData> cameraMimeData(const std::string& caption) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kCameraMimeType, QByteArray::fromStdString(caption));
    return mime;
}

std::optional<std::string> cameraFromMime(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(kCameraMimeType)) return std::nullopt;
    const QByteArray data = mime->data(kCameraMimeType);
    if (data.isEmpty() || data.size() > kMaxCaption) return std::nullopt;
    return data.toStdString();
}

void dragCameraToWall(QWidget& source, const std::string& caption, const QPixmap& picture) {
    // The toolkit frees the drag when it is done with it.
    auto* drag = new QDrag(&source);
    drag->setMimeData(cameraMimeData(caption).release());
    if (!picture.isNull()) drag->setPixmap(picture);
    const WallsTakeDrops open;
    drag->exec(Qt::CopyAction);
}

}  // namespace oculon::video::ui
