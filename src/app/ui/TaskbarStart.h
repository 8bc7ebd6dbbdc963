#pragma once
// The program body: creates the process-wide objects in their order, asks for
// the language at the first start, runs the message loop and tears down.

#include <memory>
#include <optional>

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
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // Reboot lock, settings, language. Nothing (the exit code) when the
    // program must end now: settings of a newer version (after an error box),
    // or the language choice left without OK.
    std::optional<int> run();

    config::TVideoConfig& settings() { return *settings_; }

private:
    std::shared_ptr<platform::RegistryStore> store_;
    std::unique_ptr<config::TRebootSperre> rebootLock_;
    std::unique_ptr<config::TVideoConfig> settings_;
};

// Returns the process exit code.
int runProgram(int argc, char** argv);

}  // namespace oculon::app
