#pragma once
// The gateway page of the settings dialog: the gateways the gateway search
// found, the selected one's settings (sent by the video server's
// configuration run), how the video server behind it outputs its picture,
// the texts and pictures of the station's input and output, and the wiring
// test that finds the video server wired to the gateway. The test waits on
// a timer between its steps, so the dialog goes on meanwhile.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "settings/GatewayPage.h"
#include "settings/KonfigSeams.h"
#include "settings/WiringTest.h"
#include "settings/ui/StringGrid.h"

namespace oculon::settings::ui {

// Whether the selection changing now comes from a rebuild of a list rather
// than from the user; the video-server list and the gateway grid follow each
// other's selection only for the user's.
struct SelectionOrigin {
    bool asynchronus = false;         // set when the dialog is shown
    bool moxaAutomatically = false;   // set by the gateway grid's refill
    bool videoAutomatically = false;  // set by the server lists' rebuild
};

class GatewayPageView : public QWidget {
    Q_OBJECT

public:
    // `origin`: the dialog's, shared with its video-server page.
    GatewayPageView(const config::TVideoConfig& settings, SelectionOrigin& origin, QWidget* parent = nullptr);

    // What the page reaches outside itself; each may be empty.
    std::function<devices::TGatewayList()> gateways;
    std::function<void(const std::string& frame, const std::string& host)> send;
    DiscoverySource* discovery = nullptr;
    // Selects the video server listed under the caption (key, line break,
    // name) on the video-server page and loads it; false when none is.
    std::function<bool(const std::string& caption)> selectServer;
    // Selects and loads the video server listed under `key` ("address:port");
    // with no key, the one server of that name. Nothing when it is selected
    // already, or two servers carry the name.
    std::function<void(const std::string& key, const std::string& name)> selectServerBehind;
    // Asks a name for a newly wired server (nothing on Cancel) and puts it
    // into the video-server page.
    std::function<std::optional<std::string>(const std::string& address)> askName;
    std::function<void(const std::string& name)> setServerName;
    std::chrono::milliseconds wiringWait = WiringTest::kWait;

    void setSprache(config::TSprachenTyp language);
    // 1028: the grid follows the gateway search; false when it found none
    // (the page is then hidden). The selected row is loaded again unless
    // this page or the video server's (`serverEdited`) holds unsaved edits.
    bool refill(bool serverEdited = false);
    // The row (from 0) became the selection.
    void MoxaGridSelectCell(int row);
    // The video server was selected: its gateway's row becomes the
    // selection, unless it is already.
    void selectRowOfServer(const devices::ServerFields& server);
    // The page's edits, for the configuration run, and as the run left them.
    GatewayEdits edits() const;
    void showEdits(const GatewayEdits& edits);
    // The user changed the page since its gateway was loaded or last saved.
    bool edited() const;
    // A configuration run left the page so; `finished`: it went through,
    // and what the page shows now is saved.
    void runEnded(const GatewayEdits& edits, bool finished);
    const std::optional<devices::TGatewayObject>& gateway() const { return page_.gateway(); }
    void ranWith(const devices::TGatewayObject& gateway) { page_.ranWith(gateway); }
    void clear() { page_.clear(); }
    bool wiringTestRunning() const { return wiring_.running(); }

private:
    // The page's values, without what only the dialog sets.
    GatewayEdits shown() const;
    std::vector<ListedDevice> listed() const;
    void showInputs();
    void videoOutput(int n);
    void pictureButton(bool on);
    void testButtonClick();
    void wiringStep();
    // False when the server left the list before it was assigned.
    bool wiringFound(const std::string& key);
    void sendFrame(const std::string& frame);

    GatewayPage page_;
    GatewayEdits loaded_;  // as the page showed them after loading or saving
    SelectionOrigin& origin_;
    config::TSprachenTyp language_ = config::lang_en;
    bool filling_ = false;
    std::string pictureOn_, pictureOff_;  // bildEin, bildAus
    WiringTest wiring_;
    QTimer wiringTimer_;

    StringGrid MoxaGrid{"MoxaGrid", {96, 102, 96, 96, 45, 45}};
    QLabel moxaNameLabel, moxaIPLabel, moxaGatewayLabel, moxaSubnetLabel, moxaPassLabel, moxaPassConfirmLabel;
    QLineEdit moxaName, moxaIPEdit, moxaGatewayEdit, moxaSubnetEdit, moxaPassEdit, moxaPassConfirm;
    QCheckBox moxaIsDHCP, moxaUsePass;
    QGroupBox videoGroup;
    QRadioButton videoEinRadio, videoAnrufRadio;
    QGroupBox sounderGroup;
    QCheckBox inputCheckBox, tuerCheckBox;
    QLabel einLabel, ausLabel;
    QLineEdit einEdit, ausEdit, tuerEdit;
    QPushButton einBtn, ausBtn;
    QPushButton testButton;
    QProgressBar serverBar;
    QLabel wartenLabel;
};

}  // namespace oculon::settings::ui
