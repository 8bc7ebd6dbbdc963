#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace oculon::platform;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/oculon-reg-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace

TEST(Registry, NamesMatchWithoutCaseAndKeepFirstSpelling) {
    auto store = std::make_shared<MemoryRegistryStore>();
    Registry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Korvat\\Oculon", true));
    reg.WriteInteger("windowleft", 10);
    reg.WriteInteger("windowLeft", 12);  // same value, other spelling
    reg.WriteString("ServerIP", "10.0.0.1");
    EXPECT_EQ(reg.ReadInteger("WINDOWLEFT"), 12);
    EXPECT_EQ(reg.ReadString("serverip"), "10.0.0.1");
    EXPECT_TRUE(reg.KeyExists("\\software\\KORVAT\\oculon"));
    std::string text = store->withTree([](RegistryKey& root) { return serializeRegedit4(root); });
    EXPECT_NE(text.find("\"windowleft\"=dword:0000000c"), std::string::npos) << text;
    EXPECT_EQ(text.find("windowLeft"), std::string::npos);
}

TEST(Registry, ReadsOfMissingOrMistypedValues) {
    Registry reg(std::make_shared<MemoryRegistryStore>());
    ASSERT_TRUE(reg.OpenKey("\\A", true));
    reg.WriteString("text", "x");
    reg.WriteInteger("num", -5);
    EXPECT_EQ(reg.ReadInteger("num"), -5);
    EXPECT_TRUE(reg.ReadBool("num"));
    EXPECT_THROW(reg.ReadInteger("missing"), RegistryError);
    EXPECT_THROW(reg.ReadInteger("text"), RegistryError);
    EXPECT_THROW(reg.ReadString("num"), RegistryError);
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_TRUE(reg.DeleteValue("text"));
    EXPECT_FALSE(reg.ValueExists("text"));
    EXPECT_FALSE(reg.DeleteValue("text"));
}

TEST(Registry, KeysOpenRelativeEnumerateAndDeleteWithSubkeys) {
    Registry reg(std::make_shared<MemoryRegistryStore>());
    EXPECT_FALSE(reg.OpenKey("\\S\\Conf", false));
    ASSERT_TRUE(reg.OpenKey("\\S\\Conf", true));
    for (const char* n : {"2", "0", "10", "1"}) {
        ASSERT_TRUE(reg.OpenKey(std::string("\\S\\Conf\\") + n, true));
        reg.WriteString("Name", n);
    }
    ASSERT_TRUE(reg.OpenKey("\\S\\Conf", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"0", "1", "10", "2"}));
    ASSERT_TRUE(reg.OpenKey("10", false));  // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), "\\S\\Conf\\10");
    EXPECT_EQ(reg.ReadString("Name"), "10");
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey("\\S\\Conf"));
    EXPECT_FALSE(reg.KeyExists("\\S\\Conf\\1"));
    EXPECT_TRUE(reg.KeyExists("\\S"));
    EXPECT_FALSE(reg.DeleteKey("\\S\\Conf"));
}

TEST(Regedit4, RoundTripKeepsEveryValueAndEmptyKeys) {
    RegistryKey root;
    auto& k = root.getOrCreate("SOFTWARE").getOrCreate("Korvat").getOrCreate("Oculon");
    k.values["version"] = std::uint32_t{10};
    k.values["firstPictPath"] = std::string("C:\\Pics\\ \"quoted\"");
    k.values["multi"] = std::string("line1\r\nline2");
    k.values["big"] = std::uint32_t{0xffffffff};
    k.values[""] = std::string("default");
    k.getOrCreate("Manual");  // empty key survives
    std::string text = serializeRegedit4(root);
    EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]"), std::string::npos);
    EXPECT_NE(text.find("\"version\"=dword:0000000a"), std::string::npos);

    auto back = parseRegedit4(text);
    auto* o = back->find("software")->find("korvat")->find("oculon");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(std::get<std::uint32_t>(o->values.at("VERSION")), 10u);
    EXPECT_EQ(std::get<std::string>(o->values.at("firstPictPath")), "C:\\Pics\\ \"quoted\"");
    EXPECT_EQ(std::get<std::string>(o->values.at("multi")), "line1\r\nline2");
    EXPECT_EQ(std::get<std::uint32_t>(o->values.at("big")), 0xffffffffu);
    EXPECT_EQ(std::get<std::string>(o->values.at("")), "default");
    EXPECT_NE(o->find("Manual"), nullptr);
    EXPECT_EQ(serializeRegedit4(*back), text);
}

TEST(Regedit4, RejectsWhatIsNotRegedit4) {
    const char* bad[] = {
        "",
        "hello",
        "REGEDIT4\n\"v\"=\"outside a key\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=dword:xyz\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=\"unterminated\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=hex(1):4\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=hex(1):41,00,42,00\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=hex(7):41\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\X\\\\Y]\n",
    };
    for (const char* text : bad) EXPECT_THROW(parseRegedit4(text), RegistryError) << text;
}

TEST(FileRegistryStore, WritesAtOnceAtomicallyWithOwnerOnlyMode) {
    TempDir dir;
    const fs::path file = dir.path() / "Korvat" / "Oculon.reg";
    {
        auto store = std::make_shared<FileRegistryStore>(file.string());
        EXPECT_TRUE(store->setAsideReport().empty());
        Registry reg(store);
        ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Korvat\\Oculon", true));
        reg.WriteString("Passwort", "secret");
        // every change is on disk at once
        EXPECT_NE(readFile(file).find("\"Passwort\"=\"secret\""), std::string::npos);
    }
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        EXPECT_EQ(e.path().filename(), "Oculon.reg") << "left-over temporary file";

    auto store = std::make_shared<FileRegistryStore>(file.string());
    Registry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Korvat\\Oculon", false));
    EXPECT_EQ(reg.ReadString("passwort"), "secret");
}

TEST(FileRegistryStore, BatchWritesOnceAndReadersSeeAllOrNothing) {
    TempDir dir;
    const fs::path file = dir.path() / "Oculon.reg";
    auto store = std::make_shared<FileRegistryStore>(file.string());
    Registry reg(store);
    reg.OpenKey("\\K", true);
    reg.WriteInteger("a", 1);
    {
        RegistryBatch batch(*store);
        reg.WriteInteger("a", 2);
        reg.WriteInteger("b", 3);
        // not yet on disk
        EXPECT_EQ(readFile(file).find("\"b\""), std::string::npos);
    }
    auto text = readFile(file);
    EXPECT_NE(text.find("\"a\"=dword:00000002"), std::string::npos);
    EXPECT_NE(text.find("\"b\"=dword:00000003"), std::string::npos);
}

TEST(FileRegistryStore, GarbledOrTruncatedFileIsKeptAsideAndReported) {
    TempDir dir;
    const fs::path file = dir.path() / "Oculon.reg";
    const std::string good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n\"Name\"=\"Door\"\r\n";
    for (const std::string& broken : {good.substr(0, good.size() - 8), std::string("\x01\x02garbage", 9)}) {
        { std::ofstream(file, std::ios::binary) << broken; }
        FileRegistryStore store(file.string());
        EXPECT_FALSE(store.setAsideReport().empty());
        EXPECT_FALSE(fs::exists(file));
        bool kept = false;
        for (const auto& e : fs::directory_iterator(dir.path())) {
            if (e.path().filename().string().rfind("Oculon.reg.broken-", 0) == 0) {
                EXPECT_EQ(readFile(e.path()), broken);
                fs::remove(e.path());
                kept = true;
            }
        }
        EXPECT_TRUE(kept);
        EXPECT_TRUE(store.withTree([](RegistryKey& root) { return root.subkeys.empty(); }));
    }
}

TEST(FileRegistryStore, DefaultPathFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", "/x/cfg", 1);
    EXPECT_EQ(FileRegistryStore::defaultPath(), "/x/cfg/Korvat/Oculon.reg");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(FileRegistryStore::defaultPath(), "/home/u/.config/Korvat/Oculon.reg");
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}
