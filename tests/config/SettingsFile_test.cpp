// The settings object on the real file store: the whole tree survives a
// restart, and a damaged file is set aside while the program starts afresh.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "config/SettingsNotice.h"
#include "config/cfgUnit.h"
#include "support/ChildProcess.h"

namespace oculon::config {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFile, StationsSurviveARestartAndADamagedFileIsSetAsideForDefaults) {
    testsupport::TempDir temp;
    const std::string file = temp.path() + "/Korvat/Oculon.reg";
    const auto load = [&file] { return TVideoConfig(std::make_shared<platform::FileRegistryStore>(file)); };
    {
        auto cfg = load();
        TSingleConfig s;
        s.Name = "Tuer \"vorne\"";
        s.Ip = "10.0.0.2";
        s.Port = "80";
        s.Passwort = "p\\w";
        cfg.addConfig(s);
        cfg.storePasswd("admin");
        cfg.schreibeServerIP("10.5.5.5");
    }
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // device passwords inside
    {
        auto cfg = load();
        const auto s = cfg.getConfigByIP("10.0.0.2:80");
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Name, "Tuer \"vorne\"");
        EXPECT_EQ(s->Passwort, "p\\w");
        EXPECT_TRUE(cfg.authenticate("admin"));
    }

    // Cut off in the middle of a value, plain noise, and a valid file with one line of 17 MB, too large to
    // read: what its start holds loads, and it stays where it is until the report was seen, whatever ends the
    // program first.
    const std::string good = testsupport::readFile(file);
    const auto cut = good.find("10.5.5.5");
    ASSERT_NE(cut, std::string::npos);
    const std::string tooLarge = good + "\"Notes\"=\"" + std::string(17 << 20, 'n') + "\"\r\n";
    for (const std::string& damaged :
         {good.substr(0, cut + 3), std::string("\x89PNG\r\n\x1a\n\0\0garbage", 17), tooLarge}) {
        SCOPED_TRACE(damaged.size());
        temp.write("Korvat/Oculon.reg", damaged);
        const auto copies = [&temp] {
            std::vector<fs::path> aside;
            for (const auto& e : fs::directory_iterator(temp.path() + "/Korvat"))
                if (e.path().filename().string().find(".broken-") != std::string::npos) aside.push_back(e.path());
            return aside;
        };
        auto store = std::make_shared<platform::FileRegistryStore>(file);
        EXPECT_FALSE(store->setAsideReport().empty());
        TVideoConfig cfg(store);
        EXPECT_EQ(cfg.serverIP(), damaged == tooLarge ? "10.5.5.5" : "127.0.0.1");
        EXPECT_EQ(cfg.Count(), damaged == tooLarge ? 1 : 0);
        cfg.schreibeServerIP("10.6.6.6");
        EXPECT_EQ(store->keptOnceSeen(), damaged == tooLarge);
        if (damaged == tooLarge) {
            EXPECT_EQ(store->setAsideNotice(), platform::Notice::settingsPartlyRead);
            EXPECT_TRUE(store->setAsideReport().onlyItsStart);
            EXPECT_NE(settingsNoticeText(store.get(), {}, lang_nl)
                          .find("configuratiebestand te groot; alleen wat de eerste 16 MB bevatten, is gelezen"),
                      std::string::npos);
            EXPECT_EQ(copies().size(), 0u);
            EXPECT_EQ(testsupport::readFile(file).size(), damaged.size());
        }
        // The damaged file is kept where the report says; the fresh settings are saved once the user has seen it.
        store->reportSeen();
        const std::vector<fs::path> aside = copies();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(aside[0], store->keptAs());
        EXPECT_TRUE(testsupport::readFile(aside[0]) == damaged);
        EXPECT_NE(testsupport::readFile(file).find("\"version\"=dword:0000000a"), std::string::npos);
        EXPECT_NE(testsupport::readFile(file).find("10.6.6.6"), std::string::npos);
        fs::remove(aside[0]);
    }
}

// A slip in a hand-edited file costs that line: the rest loads, the
// report names the line, the file as it was is kept beside it under a name
// no earlier copy has, and the file is saved once the report was seen.
TEST(SettingsFile, AWrongLineCostsThatLineOnlyAndTheFileAsItWasIsKeptBesideIt) {
    testsupport::TempDir temp;
    const std::string file = temp.path() + "/Korvat/Oculon.reg";
    const std::string damaged =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n"
        "\"autostart\"=dword:1 yes\r\n\"ServerIP\"=\"10.5.5.5\"\r\n\"Blob\"=hex:01,\\\r\n";
    temp.write("Korvat/Oculon.reg", damaged);
    // Copies of earlier starts in this second and the next ones stay as they are.
    std::vector<std::string> earlier;
    for (std::time_t t = std::time(nullptr), end = t + 3; t < end; ++t) {
        std::tm local{};
        ::localtime_r(&t, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        earlier.push_back(temp.write(std::string("Korvat/Oculon.reg.broken-") + stamp, "earlier copy"));
    }

    {
        // A start that ends before its report was seen leaves the file as written, and no copy.
        auto unseen = std::make_shared<platform::FileRegistryStore>(file);
        TVideoConfig(unseen).schreibeServerIP("10.6.6.6");
    }
    EXPECT_EQ(testsupport::readFile(file), damaged);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path() + "/Korvat"), fs::directory_iterator()), 4);

    auto store = std::make_shared<platform::FileRegistryStore>(file);
    EXPECT_EQ(store->setAsideNotice(), platform::Notice::settingsPartlyRead);
    // Told in the user's language, reasons included.
    const std::string told = settingsNoticeText(store.get(), {}, lang_fr);
    EXPECT_NE(told.find(file + ":\r\nligne 4 : \"autostart\"=dword:1 yes (dword invalide)\r\n"
                               "ligne 6 : \"Blob\"=hex:01,\\ (ses données hexadécimales s'interrompent)"),
              std::string::npos)
        << told;
    EXPECT_EQ(TVideoConfig(store).serverIP(), "10.5.5.5");  // the line after it
    for (const auto& copy : earlier) EXPECT_EQ(testsupport::readFile(copy), "earlier copy");
    EXPECT_EQ(testsupport::readFile(store->keptAs()), damaged);

    store->reportSeen();
    EXPECT_EQ(testsupport::readFile(file).find("yes"), std::string::npos);
    EXPECT_TRUE(platform::FileRegistryStore(file).setAsideReport().empty());
}

// While the report is open, what the user saves is written at once: the file as it was is safe beside it (a
// file too large to copy is moved there first), and a program that ends before the report was confirmed keeps
// the save; the load's own writes wait for a save.
TEST(SettingsFile, ASaveWhileTheReportIsOpenIsWrittenAtOnceAndKeptUnconfirmed) {
    testsupport::TempDir temp;
    const std::string file = temp.path() + "/Korvat/Oculon.reg";
    const std::string slip =
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n\"ServerIP\"=\"10.5.5.5\"\r\n\"x\"=dword:1 "
        "yes\r\n";
    const std::string tooLarge = slip + "\"Notes\"=\"" + std::string(17 << 20, 'n') + "\"\r\n";
    for (const std::string& damaged : {slip, tooLarge}) {
        SCOPED_TRACE(damaged.size());
        temp.write("Korvat/Oculon.reg", damaged);
        std::string keptAs;
        {
            auto store = std::make_shared<platform::FileRegistryStore>(file);
            TVideoConfig cfg(store);  // writes the version it lacks
            store->reportShown();
            EXPECT_EQ(testsupport::readFile(file), damaged);
            cfg.schreibeServerIP("10.5.5.5");  // nothing changes
            EXPECT_EQ(testsupport::readFile(file), damaged);
            cfg.schreibeServerIP("10.6.6.6");
            const std::string saved = testsupport::readFile(file);
            EXPECT_NE(saved.find("10.6.6.6"), std::string::npos);
            EXPECT_NE(saved.find("\"version\"=dword:0000000a"), std::string::npos);
            EXPECT_EQ(saved.find("yes"), std::string::npos);
            keptAs = store->keptAs();
        }
        EXPECT_TRUE(testsupport::readFile(keptAs) == damaged);
        platform::FileRegistryStore next(file);
        EXPECT_TRUE(next.setAsideReport().empty());
        EXPECT_EQ(TVideoConfig(std::make_shared<platform::FileRegistryStore>(file)).serverIP(), "10.6.6.6");
        fs::remove(keptAs);
    }
}

// Why a settings file cannot be used is worded in the user's language, never in the system's English.
TEST(SettingsFile, WhyAFileCannotBeUsedIsToldInTheUsersWords) {
    using Why = platform::UnreadableSettings::Why;
    testsupport::TempDir temp;
    const std::string gone = temp.path() + "/disk/Oculon.reg";
    const std::string link = temp.path() + "/link.reg";
    fs::create_symlink(gone, link);
    const std::string fifo = temp.path() + "/fifo.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto of = [](const std::string& file) { return *platform::FileRegistryStore(file).unreadable(); };
    const struct {
        platform::UnreadableSettings unreadable;
        std::string told;
    } rows[] = {
        {of(link), link + " \u2192 " + gone + ": het bestand waarnaar deze koppeling wijst, is er niet"},
        {of(fifo), fifo + ": het is geen gewoon bestand"},
        {{"/x.reg", {}, Why::cannotOpen, EACCES}, "/x.reg: de toegang is niet toegestaan"},
        {{"/x.reg", {}, Why::cannotRead, EIO}, "/x.reg: de schijf meldt een fout"},
        {{"/x.reg", {}, Why::cannotRead, EBADMSG}, "/x.reg: het systeem meldt de fout EBADMSG"},
        {{"/x.reg", {}, Why::cannotKeepCopy, ENOSPC}, "kopie van naast worden bewaard: de schijf is vol"},
        {{"/x.reg", {}, Why::cannotKeepCopy, 0}, "er liggen te veel eerdere kopieën naast"},
    };
    for (const auto& row : rows) {
        const std::string told = unreadableSettingsText(row.unreadable, lang_nl);
        EXPECT_NE(told.find(row.told), std::string::npos) << told;
        const std::string english = row.unreadable.error != 0 ? std::strerror(row.unreadable.error) : "\n";
        EXPECT_EQ(told.find(english), std::string::npos) << told;
    }
}

}  // namespace
}  // namespace oculon::config
