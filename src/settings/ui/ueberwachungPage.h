#pragma once
// The surveillance page of the settings dialog: the wall on or off, its
// layout (with a small preview made of one tile per camera position), frame
// rate, recording length and whether door calls show in the wall. Every
// change is stored at once and told to the wall, the on/off switch too,
// which opens or closes the wall. A tile that holds a wall camera has a menu
// that removes the camera or sets its recording mode (TSurvChange to the
// wall).

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "config/cfgUnit.h"
#include "settings/SurveillancePage.h"
#include "settings/ui/TickedSlider.h"

namespace oculon::video::ui {
class TueberwachungForm;
}

namespace oculon::settings::ui {

// One tile of the preview.
class TmyPanel : public QFrame {
    Q_OBJECT

public:
    using Send = std::function<void(std::unique_ptr<config::TSurvChange>)>;
    TmyPanel(QWidget* parent, const PreviewTile& tile, Send send);

    int number() const { return number_; }
    bool configured() const { return isConfigured; }
    QString myLabel() const { return txtLabel.text(); }
    // With a camera the tile gets its menu; without one it has none.
    void setConfigured(bool on);
    QMenu* menu() { return PanelPopupMenu.get(); }

private:
    void sendCfgObject(bool remove, int recording);

    QLabel txtLabel;
    std::unique_ptr<QMenu> PanelPopupMenu;
    int number_ = 0;
    bool isConfigured = false;
    int recording = 0;
    Send send_;
};

class UeberwachungPage : public QWidget {
    Q_OBJECT

public:
    UeberwachungPage(config::TVideoConfig& settings, QWidget* parent = nullptr);

    // The wall as it is now (none: there is none), and how the dialog
    // creates it (true) or closes it (false).
    std::function<video::ui::TueberwachungForm*()> wall;
    std::function<void(bool on)> switchWall;

    // Captions in `language`; the layout list is filled afresh.
    void setSprache(config::TSprachenTyp language);
    // The stored values, when the dialog opens.
    void load();
    // The apply: the switch stored again, and the wall made to follow it.
    void ueberwachungUebernehmen();
    // The dialog closes: a wall switched off goes too; the tiles go.
    void close();
    // A layout chosen, and the wall's cameras changed (1036): the layout is
    // stored, the wall told (1034) and the preview rebuilt.
    void ListView3SelectItem();

    const std::vector<std::unique_ptr<TmyPanel>>& tiles() const { return panelList; }

private:
    void ueberwachungAktivClick();
    void buildPreview(config::TLayoutTyp layout);
    void frameRateClick(int divisor);
    void setRecordLength(int minutes);
    void enableControls(bool on);
    void postToWall(std::uint32_t message);

    config::TVideoConfig& settings_;
    config::TSprachenTyp language_ = config::lang_en;
    bool filling_ = false;

    QCheckBox ueberwachungAktiv;
    QLabel layoutWahlLabel;
    QListWidget ListView3;
    QFrame LayoutPanel;
    QGroupBox frameRateGroup;
    std::array<QRadioButton, 4> rates_;  // allFrames, halfFrames, quarterFrames, eighthFrames
    std::array<QLabel, 4> rateLabels_;   // lngLbl1 .. lngLbl4
    QLabel maxRecLenLbl, minuteLabel;
    TickedSlider maxRecScrollBar;
    QLineEdit minuteEdit;
    QCheckBox tuerVideoInUeberwachung;
    std::vector<std::unique_ptr<TmyPanel>> panelList;
};

}  // namespace oculon::settings::ui
