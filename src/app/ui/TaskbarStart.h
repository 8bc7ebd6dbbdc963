#pragma once
// The program body: one instance per session, the process-wide objects in
// their order, the language at the first start, the main form, the autostart
// offer, the message loop, and the tear-down once every thread has ended.

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "config/RebootSperre.h"
#include "config/cfgUnit.h"
#include "platform/Registry.h"

namespace oculon::app {

// The start-up steps before the main form, and the process-wide objects they
// create (published through config::videoConfig and config::rebootSperre and
// freed in reverse order).
class ProgramStart {
public:
    explicit ProgramStart(std::shared_ptr<platform::RegistryStore> store);
    // The same on the settings file, which stays as the user wrote it until
    // the user has seen what its load left out.
    explicit ProgramStart(std::shared_ptr<platform::FileRegistryStore> file);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // Reboot lock, settings, what their load left out or cannot use (before
    // any other window, in the stored language), language. Nothing (the exit
    // code) when the program must end now: settings of a newer version (after
    // an error box), or a window of the start left without OK.
    std::optional<int> run();

    config::TVideoConfig& settings() { return *settings_; }
    config::TRebootSperre& rebootLock() { return *rebootLock_; }

    // A thread that did not end in time may still read the settings: they
    // then stay until the process is gone.
    void keepForRunningThreads() { keep_ = true; }

private:
    // False when the notice was taken down unseen (by a signal).
    bool tellWhatTheLoadFound(config::TSprachenTyp language);

    std::shared_ptr<platform::RegistryStore> store_;
    std::shared_ptr<platform::FileRegistryStore> file_;  // the same store, when it is the file
    std::unique_ptr<config::TRebootSperre> rebootLock_;
    std::unique_ptr<config::TVideoConfig> settings_;
    bool keep_ = false;
};

// Shows what the logic tells the user (platform::tellUser, from any thread)
// in a message box on the main thread, in the current language, for as long
// as it lives; the boxes do not block the loop, so door calls still come.
class NoticeBoxes {
public:
    NoticeBoxes();
    ~NoticeBoxes();
    NoticeBoxes(const NoticeBoxes&) = delete;
    NoticeBoxes& operator=(const NoticeBoxes&) = delete;

private:
    QWidget owner_;  // parent of the open boxes, never shown
};

namespace ui {
class Tcopyright;
}

// The windows of the start after ProgramStart::run, each in its turn, modal
// where they ask: the autostart offer; then the splash (when
// "showSplashScreen" is on), whose first showing opens the settings dialog
// when no station is configured. False when the user left the offer without
// OK: the program is to end.
bool showStartWindows(config::TVideoConfig& settings, ui::Tcopyright& form);

// Returns the process exit code.
int runProgram(int argc, char** argv);

}  // namespace oculon::app
