#pragma once
// A device list of the settings dialog: large icons (the devices' probe
// pictures) with their captions. The camera list lets its items be dragged
// onto the surveillance wall.

#include <QListWidget>

#include <string>
#include <vector>

#include "settings/KonfigLists.h"

namespace oculon::settings::ui {

class DeviceListView : public QListWidget {
    Q_OBJECT

public:
    DeviceListView(QWidget* parent, const char* name, bool dragToWall);

    // 110 pixels square, 75 under Wine.
    void setThumbnailSize(int size);
    // Refills the list; `selection` (or -1) becomes the current item without
    // the user's selection handler running. Without one the list keeps its
    // scroll position.
    void fill(const std::vector<DeviceItem>& items, int selection);

    // The selected item's caption (as the catalogue writes line breaks) and
    // key; empty without a selection.
    std::string selectedCaption() const;
    std::string selectedKey() const { return keyOfCaption(selectedCaption()); }
    static std::string captionOf(const QListWidgetItem& item);
    // Runs after a selection by the user.
    std::function<void(const std::string& key)> onSelect;

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    bool filling_ = false;
};

}  // namespace oculon::settings::ui
