#include "app/ui/TaskbarStart.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "config/sprachen.h"
#include "config/ui/sprachwahl.h"
#include "devices/DigestAuthentication.h"
#include "media/primitives/Binding.h"
#include "platform/ui/QtLoopBackend.h"

namespace oculon::app {

namespace {

constexpr const char* kTitle = "Korvat Oculon";

// The stored language, or the first-start choice (then stored). Nothing when
// the user leaves the choice without OK.
std::optional<config::TSprachenTyp> chooseLanguage(config::TVideoConfig& settings) {
    config::TSprachenTyp stored{};
    if (settings.liesSprache(stored)) return config::toLanguage(stored);
    auto chosen = config::ui::Tsprachwahl::ask();
    if (chosen) settings.schreibeSprache(*chosen);
    return chosen;
}

}  // namespace

ProgramStart::ProgramStart(std::shared_ptr<platform::RegistryStore> store) : store_(std::move(store)) {}

ProgramStart::~ProgramStart() {
    config::videoConfig = nullptr;
    settings_.reset();
    config::rebootSperre = nullptr;
    rebootLock_.reset();
}

std::optional<int> ProgramStart::run() {
    rebootLock_ = std::make_unique<config::TRebootSperre>();
    config::rebootSperre = rebootLock_.get();
    try {
        settings_ = std::make_unique<config::TVideoConfig>(store_);
    } catch (const config::EInvalidVersionException& e) {
        QMessageBox::critical(nullptr, kTitle, QString::fromStdString(config::withLineFeeds(e.what())),
                              QMessageBox::Ok);
        return 1;
    }
    config::videoConfig = settings_.get();

    auto language = chooseLanguage(*settings_);
    if (!language) return 0;
    config::sprache = *language;

    QApplication::setApplicationName(kTitle);
    QApplication::setApplicationDisplayName(kTitle);
    return std::nullopt;
}

int runProgram(int argc, char** argv) {
    // Entry points are read-only once worker threads exist: bind them first.
    primitives::bindPrimitives();
    devices::registerDigestAuthentication();
    QApplication application(argc, argv);
    platform::QtLoopBackend loop;

    auto store = std::make_shared<platform::FileRegistryStore>(platform::FileRegistryStore::defaultPath());
    if (!store->setAsideReport().empty())
        std::fprintf(stderr, "oculon: settings started afresh: %s\n", store->setAsideReport().c_str());

    ProgramStart start(store);
    if (auto exitCode = start.run()) return *exitCode;

    // The tray form and the windows behind it are created here once they
    // exist; until then the program ends after loading its settings.
    return 0;
}

}  // namespace oculon::app
