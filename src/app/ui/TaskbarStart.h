#pragma once
// The program body: one instance per session, the process-wide objects in
// their order, the language at the first start, the main form, the autostart
// offer, the message loop, and the tear-down once every thread has ended.

#include <QMessageBox>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "config/RebootSperre.h"
#include "config/cfgUnit.h"
#include "platform/Registry.h"

namespace oculon::app {

namespace ui {
class SettingsNoticeWindow;
}

// The start-up steps before the main form, and the process-wide objects they
// create (published through config::videoConfig and config::rebootSperre and
// freed in reverse order).
class ProgramStart {
public:
    explicit ProgramStart(std::shared_ptr<platform::RegistryStore> store);
    // The same on the settings file, which stays as the user wrote it until
    // the user saves a setting or has seen what its load left out.
    explicit ProgramStart(std::shared_ptr<platform::FileRegistryStore> file);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // Reboot lock, settings, language. Nothing (the exit code) when the
    // program must end now: settings of a newer version (after an error
    // box), or the first start's language window left without OK.
    std::optional<int> run();

    // What the settings' load left out or cannot use, in a notice that holds
    // nothing back: the calls come in front of it, and what the user saves
    // meanwhile is written at once. Once it is closed, the file is written
    // without what could not be read, and the values that cannot be used
    // as written are written as the program takes them. False when there is
    // nothing to tell.
    bool showSettingsNotice();
    // The program ends with the notice open: it goes unseen, so the next
    // start tells the same (the toolkit's quit would close it as if the user had).
    void withdrawSettingsNotice();

    config::TVideoConfig& settings() { return *settings_; }
    config::TRebootSperre& rebootLock() { return *rebootLock_; }

    // A thread that did not end in time may still read the settings: they
    // then stay until the process is gone.
    void keepForRunningThreads() { keep_ = true; }

private:
    bool loadToTell() const;

    std::shared_ptr<platform::RegistryStore> store_;
    std::shared_ptr<platform::FileRegistryStore> file_;  // the same store, when it is the file
    std::unique_ptr<config::TRebootSperre> rebootLock_;
    std::unique_ptr<config::TVideoConfig> settings_;
    std::unique_ptr<ui::SettingsNoticeWindow> notice_;
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

// The windows of the start after ProgramStart::run and the main form, when
// there is no settings notice, each in its turn, modal where they ask: the
// autostart offer; then the splash (when "showSplashScreen" is on), whose
// first showing opens the settings dialog when no station is configured.
// False when the user left the offer without OK: the program is to end.
bool showStartWindows(config::TVideoConfig& settings, ui::Tcopyright& form);

// Returns the process exit code.
int runProgram(int argc, char** argv);

}  // namespace oculon::app
