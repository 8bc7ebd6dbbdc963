// The settings object on the real file store: the whole tree survives a
// restart, and a damaged file is set aside while the program starts afresh.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/cfgUnit.h"
#include "support/ChildProcess.h"

namespace oculon::config {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
protected:
    std::vector<fs::path> setAside() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(dir_ / "Korvat"))
            if (e.path().filename().string().find(".broken-") != std::string::npos) out.push_back(e.path());
        return out;
    }

    void writeFile(const std::string& text) {
        fs::create_directories(dir_ / "Korvat");
        std::ofstream(file_, std::ios::binary) << text;
    }

    std::string readFile() const {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    testsupport::TempDir temp_;
    const fs::path dir_{temp_.path()};
    const std::string file_{(dir_ / "Korvat" / "Oculon.reg").string()};
};

TEST_F(SettingsFileTest, StationsAndOptionsSurviveARestart) {
    {
        TVideoConfig cfg(std::make_shared<platform::FileRegistryStore>(file_));
        TSingleConfig s;
        s.Name = "Tuer \"vorne\"";
        s.Ip = "10.0.0.2";
        s.Port = "80";
        s.Passwort = "p\\w";
        cfg.addConfig(s);
        cfg.schreibeSprache(lang_fr);
        cfg.storePasswd("admin");
    }
    struct stat st {};
    ASSERT_EQ(::stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // device passwords inside

    TVideoConfig cfg(std::make_shared<platform::FileRegistryStore>(file_));
    const auto s = cfg.getConfigByIP("10.0.0.2:80");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Name, "Tuer \"vorne\"");
    EXPECT_EQ(s->Passwort, "p\\w");
    TSprachenTyp lang = lang_de;
    EXPECT_TRUE(cfg.liesSprache(lang));
    EXPECT_EQ(lang, lang_fr);
    EXPECT_TRUE(cfg.authenticate("admin"));
}

TEST_F(SettingsFileTest, TruncatedOrGarbledFileIsSetAsideAndDefaultsApply) {
    // A good file, cut off in the middle of a value, and one of plain noise.
    std::string good;
    {
        TVideoConfig cfg(std::make_shared<platform::FileRegistryStore>(file_));
        cfg.schreibBlackConfig(70);
        cfg.schreibeServerIP("10.5.5.5");
    }
    good = readFile();
    const auto cut = good.find("10.5.5.5");
    ASSERT_NE(cut, std::string::npos);

    int round = 0;
    for (const std::string& damaged : {good.substr(0, cut + 3), std::string("\x89PNG\r\n\x1a\n\0\0garbage", 17)}) {
        ++round;
        writeFile(damaged);
        auto store = std::make_shared<platform::FileRegistryStore>(file_);
        EXPECT_FALSE(store->setAsideReport().empty()) << round;
        TVideoConfig cfg(store);
        EXPECT_EQ(cfg.blackValue(), 45) << round;
        EXPECT_EQ(cfg.serverIP(), "127.0.0.1") << round;

        // The damaged file is kept; the fresh settings went to a new file.
        const auto aside = setAside();
        ASSERT_EQ(aside.size(), 1u) << round;
        std::ifstream in(aside[0], std::ios::binary);
        std::ostringstream kept;
        kept << in.rdbuf();
        EXPECT_EQ(kept.str(), damaged) << round;
        EXPECT_NE(readFile().find("\"version\"=dword:0000000a"), std::string::npos) << round;
        fs::remove(aside[0]);
    }
}

}  // namespace
}  // namespace oculon::config
