#include "app/ui/TaskbarStart.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "app/SettingsClaim.h"
#include "app/TrayRules.h"
#include "app/ui/SettingsNoticeWindow.h"
#include "app/ui/SettingsUnreadableWindow.h"
#include "app/ui/copyright.h"
#include "config/SettingsNotice.h"
#include "config/sprachen.h"
#include "config/ui/brandPictures.h"
#include "config/ui/sprachwahl.h"
#include "devices/DigestAuthentication.h"
#include "media/primitives/Binding.h"
#include "platform/FolderWorker.h"
#include "platform/Log.h"
#include "platform/Shell.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ShownText.h"
#include "platform/Thread.h"
#include "platform/UniqueFd.h"
#include "platform/UserNotice.h"
#include "platform/ui/QtLoopBackend.h"
#include "platform/ui/WindowRoom.h"
#include "settings/ui/autoStartFrame.h"
#include "video/ui/PromptParts.h"

namespace oculon::app {

namespace {

constexpr const char* kTitle = "Korvat Oculon";
// How long the end waits for the threads that free themselves.
constexpr std::chrono::milliseconds kDetachedBound{10000};
// How long the end waits for the folder workers to finish the recordings the
// calls left them (a file is closed in a moment): a share that does not
// answer is not waited for, so a log-off ends the program at once all the same.
constexpr std::chrono::milliseconds kFolderWorkBound{500};
// How long a second start waits for the running one to take it up.
constexpr std::chrono::milliseconds kHandOverBound{5000};

// The language the desktop speaks, where it is one of ours; German otherwise,
// as before any choice.
config::TSprachenTyp desktopLanguage() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return config::languageOfLocale(value).value_or(config::lang_de);
    }
    return config::lang_de;
}

// The stored language, or the first-start choice (then stored). Settings
// that are there but were not read whole are no first start: while the user
// has that to learn, nothing is asked, and the desktop's language is taken
// for this run. Nothing when the user leaves the choice without OK.
std::optional<config::TSprachenTyp> chooseLanguage(config::TVideoConfig& settings, bool loadToTell) {
    config::TSprachenTyp stored{};
    if (settings.liesSprache(stored)) return config::toLanguage(stored);
    if (loadToTell) return desktopLanguage();
    auto chosen = config::ui::Tsprachwahl::ask();
    if (chosen) settings.schreibeSprache(*chosen);
    return chosen;
}

// The autostart offer of the start-up; false when the user left it without
// OK. A close of the main form meanwhile (a signal) takes the offer down.
bool autostartOffer(config::TVideoConfig& settings, ui::Tcopyright& form) {
    const std::string program = platform::ownPath();
    const std::string folder = std::filesystem::path(program).parent_path().string();
    // Our entry starts this program at log-on just as a start from it does.
    const bool automatic =
        platform::startedFromStartupFolder() ||
        platform::startupEntryInstalled(program, platform::userStartupFolder(), platform::commonStartupFolder());
    if (!offerAutostart(settings.liesAutostart(), automatic, folder, platform::userStartupFolder(),
                        platform::commonStartupFolder()))
        return true;
    settings::ui::TautoStartFrame offer(nullptr, true);
    QObject::connect(&form, &ui::Tcopyright::closedForGood, &offer, &QDialog::reject);
    if (offer.exec() != video::ui::mrOK) return false;
    offer.carryOut(settings, program);
    return true;
}

void showError(const std::string& text) {
    platform::ui::execPlainMessage(QMessageBox::Critical, kTitle, QString::fromStdString(config::withLineFeeds(text)));
}

// SIGTERM, SIGINT and SIGHUP (as at log-off) end the program at once, in
// every phase: before the main form exists the window of the start that is
// open is left as without OK, so nothing it asks is stored, and came() tells
// the start to end; once the main form is given, it closes the normal way,
// so its threads end and its settings are written.
class EndOnSignal {
public:
    EndOnSignal() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
        readEnd_.reset(fds[0]);
        writeEnd_.reset(fds[1]);
        writeFd_ = fds[1];
        notifier_ = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char buffer[16];
            while (::read(readEnd_.get(), buffer, sizeof buffer) > 0) {}
            came_ = true;
            if (form_) {
                form_->Beenden1Click();
            } else if (auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                window->reject();
            }
        });
        struct sigaction action {};
        action.sa_handler = &EndOnSignal::handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
    }
    ~EndOnSignal() {
        for (const int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, SIG_DFL);
        writeFd_ = -1;
        notifier_.reset();
    }
    EndOnSignal(const EndOnSignal&) = delete;
    EndOnSignal& operator=(const EndOnSignal&) = delete;

    void closeOnSignal(ui::Tcopyright* form) { form_ = form; }
    bool came() const { return came_; }

private:
    static void handler(int) {
        const char c = 1;
        if (writeFd_ >= 0) [[maybe_unused]]
            auto n = ::write(writeFd_, &c, 1);
    }

    static inline volatile std::sig_atomic_t writeFd_ = -1;
    platform::UniqueFd readEnd_;
    platform::UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    ui::Tcopyright* form_ = nullptr;
    bool came_ = false;
};

// The language the running program speaks, read from its settings without
// touching them; the current one when none is stored or it cannot be read.
config::TSprachenTyp storedLanguage(const std::string& settingsFile) {
    config::TSprachenTyp language = config::sprache;
    try {
        const config::TVideoConfig settings(
            std::make_shared<platform::MemoryRegistryStore>(platform::FileRegistryStore::peek(settingsFile)));
        settings.liesSprache(language);
    } catch (const std::exception&) {}
    return language;
}

// A second start: the running program comes forward. One that cannot be
// reached is told, so the user does not wait for a window that never comes.
int handOver(const std::string& settingsFile) {
    std::string problem;
    bool unanswered = false;
    if (platform::tellRunningInstance(instanceSocketFor(settingsFile), kHandOverBound, &problem, &unanswered)) return 0;
    log::error(log::Category::app, "already running, but this start cannot bring it forward: %s", problem.c_str());
    const config::TSprachenTyp language = storedLanguage(settingsFile);
    const std::string why = unanswered
                                ? config::ui::qs(config::text(config::txtRunningDidNotAnswer, language))
                                      .arg(std::chrono::duration_cast<std::chrono::seconds>(kHandOverBound).count())
                                      .toStdString()
                                : platform::shownText(problem);
    showError(config::text(config::txtRunningOutOfReach, language) + "\r\n\r\n" + why);
    return 1;
}

// The settings, claimed once they can be used: where they cannot (a link to
// a disk not mounted yet, at log-on), a window says why and tries again
// until they can or the user closes it. Their problem is left in the claim
// when the start is to end.
SettingsClaim claimWhenUsable(const std::string& settingsFile) {
    SettingsClaim claim = claimSettings(settingsFile);
    if (claim.problem.empty()) return claim;
    log::error(log::Category::app, "the settings cannot be used: %s", claim.problem.c_str());
    const auto reason = [&claim] {
        if (claim.problem.empty()) return std::string();
        return claim.unreadable ? config::unreadableSettingsText(*claim.unreadable, config::sprache)
                                : platform::shownText(claim.problem);
    };
    ui::SettingsUnreadableWindow window(reason(), [&] {
        claim = claimSettings(settingsFile);
        return reason();
    });
    window.exec();
    return claim;
}

// Until the main form answers them, later starts bring the window of the
// start that waits (the language choice, a notice) forward.
std::unique_ptr<QSocketNotifier> answerBeforeTheForm(platform::SecondStarts& starts) {
    auto waiting = std::make_unique<QSocketNotifier>(starts.fd(), QSocketNotifier::Read);
    QObject::connect(waiting.get(), &QSocketNotifier::activated, [&starts] {
        if (!starts.takeUp()) return;
        if (QWidget* window = QApplication::activeModalWidget()) {
            if (window->isMinimized()) window->showNormal();
            window->raise();
            window->activateWindow();
        }
    });
    return waiting;
}

}  // namespace

bool showStartWindows(config::TVideoConfig& settings, ui::Tcopyright& form) {
    if (!autostartOffer(settings, form)) return false;
    if (settings.splashScreen() && !form.closed()) form.showSplash();
    return true;
}

NoticeBoxes::NoticeBoxes() {
    platform::setNoticeShower([this](platform::Notice notice, const std::string& detail) {
        QMetaObject::invokeMethod(
            &owner_,
            [this, notice, detail] {
                const std::string text = config::noticeText(notice, platform::shownText(detail), config::sprache);
                platform::ui::showPlainMessage(QMessageBox::Warning, kTitle,
                                               QString::fromStdString(config::withLineFeeds(text)), &owner_);
            },
            Qt::QueuedConnection);
    });
}

NoticeBoxes::~NoticeBoxes() { platform::setNoticeShower({}); }

ProgramStart::ProgramStart(std::shared_ptr<platform::RegistryStore> store) : store_(std::move(store)) {}

ProgramStart::ProgramStart(std::shared_ptr<platform::FileRegistryStore> file) : store_(file), file_(std::move(file)) {}

ProgramStart::~ProgramStart() {
    notice_.reset();
    if (keep_) {
        (void)settings_.release();
        (void)rebootLock_.release();
        return;
    }
    config::videoConfig = nullptr;
    settings_.reset();
    config::rebootSperre = nullptr;
    rebootLock_.reset();
}

std::optional<int> ProgramStart::run() {
    // Every window of ours carries the program's icon, message boxes and
    // file dialogs included.
    QApplication::setWindowIcon(config::ui::korvatWeissIcon());
    rebootLock_ = std::make_unique<config::TRebootSperre>();
    config::rebootSperre = rebootLock_.get();
    try {
        settings_ = std::make_unique<config::TVideoConfig>(store_);
    } catch (const config::EInvalidVersionException& e) {
        showError(e.what());
        return 1;
    }
    config::videoConfig = settings_.get();

    auto language = chooseLanguage(*settings_, loadToTell());
    if (!language) return 0;
    config::sprache = *language;

    // The program's name, not a display name: the toolkit would append that
    // to every window title.
    QApplication::setApplicationName(kTitle);
    return std::nullopt;
}

bool ProgramStart::loadToTell() const {
    return (file_ && !file_->setAsideReport().empty()) || store_->unusableValues().count > 0;
}

void ProgramStart::withdrawSettingsNotice() { notice_.reset(); }

bool ProgramStart::showSettingsNotice() {
    if (!loadToTell()) return false;
    notice_ = std::make_unique<ui::SettingsNoticeWindow>(
        config::settingsNotice(file_.get(), store_->unusableValues(), config::sprache));
    // Closed by the user, not taken down with the program (by a signal).
    QObject::connect(notice_.get(), &QDialog::finished, notice_.get(), [this] {
        store_->writeUnusableAsTaken();
        if (file_) file_->reportSeen();
    });
    // From now on what the user saves is written at once: the file as it
    // was is kept beside it.
    if (file_) file_->reportShown();
    notice_->showByItself();
    return true;
}

int runProgram(int argc, char** argv) {
    // Entry points are read-only once worker threads exist: bind them first.
    primitives::bindPrimitives();
    devices::registerDigestAuthentication();
    QApplication application(argc, argv);
    platform::ui::followScreenChanges();
    const NoticeBoxes notices;

    // Signals are caught before the instance lock is taken, so that one sent
    // to a holder of the lock always ends it.
    EndOnSignal endSignals;

    // Until the stored language is known, what the start has to say is said
    // in the desktop's.
    config::sprache = desktopLanguage();
    auto claim = claimWhenUsable(platform::FileRegistryStore::defaultPath());
    if (!claim.problem.empty() || endSignals.came()) return 1;
    // A second start hands over to the running one and ends here.
    if (!claim.instance) return handOver(platform::FileRegistryStore::defaultPath());

    platform::QtLoopBackend loop;
    std::unique_ptr<QSocketNotifier> earlyStarts;
    if (claim.secondStarts) earlyStarts = answerBeforeTheForm(*claim.secondStarts);
    ProgramStart start(claim.store);
    if (auto exitCode = start.run()) return *exitCode;
    if (endSignals.came()) return 0;
    // The windows are hidden most of the time: only the main form's close ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);

    auto form = std::make_unique<ui::Tcopyright>(start.settings(), &start.rebootLock(), ui::Tcopyright::Options{});
    endSignals.closeOnSignal(form.get());
    earlyStarts.reset();
    if (claim.secondStarts) form->answerSecondStarts(*claim.secondStarts);
    QObject::connect(form.get(), &ui::Tcopyright::closedForGood, &application,
                     [&start] { start.withdrawSettingsNotice(); });
    QObject::connect(form.get(), &ui::Tcopyright::closedForGood, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // The session ends (log-off, shut-down): the program closes with it.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, form.get(),
                     [&form](QSessionManager&) { form->Beenden1Click(); });

    // The calls come from here on, the notice open or not; while the user
    // has the settings' load to learn, the start asks nothing more.
    if (!start.showSettingsNotice() && !showStartWindows(start.settings(), *form)) {
        // Through the normal close, so the window positions are kept.
        QTimer::singleShot(0, form.get(), [&form] { form->Beenden1Click(); });
    }
    // A signal during the offer may have closed the form already.
    if (!form->closed()) application.exec();
    // Windows that were closed while a dialog of theirs was open go now that
    // every loop has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const bool workersStopped = form->workersStopped();
    endSignals.closeOnSignal(nullptr);
    form.reset();
    const bool detachedStopped = platform::Thread::terminateDetached(kDetachedBound);
    const bool folderWorkDone = platform::FolderWorker::drainAll(kFolderWorkBound);
    if (!workersStopped || !detachedStopped || !folderWorkDone) {
        log::warning(log::Category::app, "a thread did not end in time; its objects stay until the process ends");
        start.keepForRunningThreads();
    }
    return 0;
}

}  // namespace oculon::app
