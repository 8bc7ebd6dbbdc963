#pragma once
// The door-intercom page's own part, beside the camera list: the intercoms
// heard on the network, the stored assignments of cameras to intercoms, the
// door-opener code and duration, and the chosen camera's settings. Its
// apply stores the assignment; its menus remove an assignment, add a second
// camera to one, open an intercom's web page or its special functions.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "platform/MainLoop.h"
#include "settings/IntercomAssignment.h"
#include "settings/ui/StringGrid.h"

namespace oculon::settings::ui {

class IntercomPanel : public QWidget {
    Q_OBJECT

public:
    IntercomPanel(config::TVideoConfig& settings, QWidget* parent = nullptr);

    DiscoverySource* discovery = nullptr;
    platform::TargetId dialog = 0;                             // gets 1029 after each change of the assignments
    std::function<std::vector<std::string>()> cameraCaptions;  // of the camera list, in order
    std::function<void(const std::string& key)> selectCamera;  // selects and loads a camera of the list
    std::function<void()> clearCameraSelection;
    std::function<void(const std::string& address)> openWebPage;
    // The door options of the page, which the exclusive boxes clear.
    QCheckBox* codeFuerTuer = nullptr;
    QCheckBox* protokollTuerOeffner = nullptr;
    QCheckBox* kommentarErf = nullptr;

    void setSprache(config::TSprachenTyp language);
    // 1029: the intercom grid follows the intercoms heard and, while any is
    // heard, the assignment grid the stored stations.
    void refill();
    // The assignment grid follows the stored stations, keeping its selection.
    void updateZuordnungGrid();
    // A camera chosen in the camera list.
    void cameraSelected(const std::string& key);
    // The apply for the camera selected in the camera list, or, with none
    // selected, for the assignment picked in its grid; the message to show
    // when nothing was stored although the user edited (the edits stay).
    const config::TText* lindavorUebernehmen(const std::string& cameraKey);
    bool hasIPPhone() const { return hasIPPhone_; }
    // The user changed the assignment's own fields since it was stored or
    // loaded from the assignment grid; choosing rows is no change.
    bool edited() const { return edited_; }

private:
    void telefonGridSelectCell(int row);
    void zuordnungGridSelectCell(int row);
    void showAssignment(int row);
    // The code and duration of the station of `intercom`.
    void showDoorFields(const std::string& intercom);
    void exclusiveBox(QCheckBox& box, QCheckBox& other);
    void zuordnungGridContextPopup(const QPoint& at);
    void telefonGridContextPopup(const QPoint& at);
    void SekundaerHinzuClick(const std::string& key);
    void analogRTbtnClick();
    void changed();
    void enableCredentials(bool on);

    config::TVideoConfig& settings_;
    config::TSprachenTyp language_ = config::lang_en;
    bool hasIPPhone_ = false;
    bool edited_ = false;
    bool filling_ = false;
    // The selected camera is of type 1 and asks no password: the output needs
    // credentials entered here.
    bool outputNeedsCredentials_ = false;
    int oldRow = -1;
    int rowToDel = -1;
    std::string selectedBIP;
    std::string picked_;  // camera key of the assignment the user picked; empty: none
    int pickedRow_ = -1;  // its row, until the grid is filled again
    AnalogFlags analog_;

    StringGrid telefonGrid{"telefonGrid", {100, 50}};
    StringGrid zuordnungGrid{"zuordnungGrid", {100, 131, 21, 131, 100}};
    QLabel codeLabel, dauerLabel;
    QLineEdit tuerOeffnerCodeEdit, dauerEdit;
    QGroupBox userTelConfig;
    QCheckBox usePasswordB, analogBTBox, ohneBTBox, tuerBTBox;
    QLabel userLabel, passLabel, passConfirmLabel;
    QLineEdit userNameB, passwordB, passwordConfirmB, tuerBTEdit;
    QPushButton analogRTbtn;
    QMenu PopupMenu1, PopupMenu2;
};

}  // namespace oculon::settings::ui
