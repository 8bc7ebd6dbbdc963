#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/UserNotice.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using namespace oculon::platform;
namespace testsupport = oculon::testsupport;

using testsupport::readFile;

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
    // Written back, a NUL inside a text would make the file unreadable.
    const char nul[] = "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=\"a\0b\"\n";
    EXPECT_THROW(parseRegedit4(std::string(nul, sizeof nul - 1)), RegistryError);
}

// UTF-16LE with its byte-order mark, as the newer editors save; `ascii` only.
std::string utf16le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += {c, '\0'};
    return out;
}

TEST(Regedit4, HandWrittenSlipsReadWithTheirValues) {
    const std::string key = "[HKEY_CURRENT_USER\\K]\r\n";
    const std::string head = "REGEDIT4\r\n" + key;
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n" + key;
    // Each file and the value of "v" in \K it holds.
    const std::pair<std::string, RegValue> slips[] = {
        {head + "\"v\"=\"x\"  \t\r\n", std::string("x")},
        {head + "\"v\"=dword:0000001e \r\n", 30u},
        {head + "\"v\" = \"x y\"\r\n", std::string("x y")},
        {head + "\"v\"\t= dword: 1e\r\n", 30u},
        {head + "# mine\r\n  ; and this\r\n  \"v\"=dword:1\r\n", 1u},
        {"\xEF\xBB\xBF" + head + "\"v\"=\"x\"\r\n", std::string("x")},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\" = \"x\"\n", std::string("x")},
        {head + "\"v\" = hex(1):41,0d,\\\r\n   0a,42,00\r\n", std::string("A\r\nB")},
        {head + "\"v\"=hex(1):41,\\\r\n\\\r\n42,00\r\n", std::string("AB")},
        {key + "\"v\"=\"T\xFCr\"\r\n", std::string("T\xFCr")},  // 8-bit, no header
        {v5 + "\"v\"=\"x\"\r\n", std::string("x")},
        {utf16le(v5 + "\"v\"=\"x\"\r\n"), std::string("x")},
        // "Tür" as the newer editors write it, and a text with a line break in hex.
        {utf16le(v5 + "\"v\"=\"T") + std::string("\xFC\0r\0\"\0\r\0\n\0", 10), std::string("T\xC3\xBCr")},
        {v5 + "\"v\"=hex(1):41,00,0a,00,3d,d8,00,de,00,00\r\n", std::string("A\n\xF0\x9F\x98\x80")},
    };
    for (const auto& [text, value] : slips) {
        SCOPED_TRACE(text);
        const ReadSettings read = readRegedit4(text);
        EXPECT_EQ(read.skippedCount, 0u) << (read.skipped.empty() ? "" : faultText(read.skipped[0].why));
        const RegistryKey* k = read.tree->find("K");
        ASSERT_NE(k, nullptr);
        ASSERT_EQ(k->values.count("v"), 1u);
        EXPECT_EQ(k->values.at("v"), value);
    }

    // What is still wrong costs its line, a wrong key line its values, and hex data that breaks off its own
    // line only; a value given again keeps the first.
    const ReadSettings read = readRegedit4(head +
                                           "\"a\"=dword:1\r\n\"b\"=dword: 1 2\r\n[HKEY_CURRENT_USER\\L\r\n"
                                           "\"c\"=\"x\"\r\n[HKEY_CURRENT_USER\\M]\r\n\"d\"=\"y\" z\r\n\"e\"=\"w\"\r\n"
                                           "\"E\"=\"w\"\r\n\"f\"=hex(1):41,\\\r\n\"e\"=\"v\"\r\n\"g\"=hex(1):42,\\\r\n"
                                           "[HKEY_CURRENT_USER\\N]\r\n\"h\"=\"x\"\r\n\"i\"=hex(1):43,\\\r\n");
    EXPECT_EQ(read.skippedCount, 8u);
    std::string skipped;
    for (const SkippedLine& line : read.skipped) skipped += std::to_string(line.number) + " " + line.text + "\n";
    EXPECT_EQ(skipped,
              "4 \"b\"=dword: 1 2\n5 [HKEY_CURRENT_USER\\L\n6 \"c\"=\"x\"\n8 \"d\"=\"y\" z\n"
              "11 \"f\"=hex(1):41,\\\n12 \"e\"=\"v\"\n13 \"g\"=hex(1):42,\\\n16 \"i\"=hex(1):43,\\\n");
    EXPECT_EQ(read.tree->find("K")->values.size(), 1u);
    EXPECT_EQ(read.tree->find("L"), nullptr);
    EXPECT_EQ(read.tree->find("M")->values.at("e"), RegValue(std::string("w")));

    // A text in an 8-bit encoding (what a device sends too) loads as it is: its reader knows what it may hold.
    const ReadSettings latin =
        readRegedit4(key + "\"Name\"=\"T\xFCr\"\r\n\"Ok\"=\"T\xC3\xBCr\"\r\n\"Hex\"=hex(1):fc,00\r\n");
    EXPECT_EQ(latin.skippedCount, 0u);
    EXPECT_EQ(latin.tree->find("K")->values.at("Hex"), RegValue(std::string("\xFC")));
}

// A key section of `depth` names of `width` characters each.
std::string section(int depth, std::size_t width, char name = 'a') {
    std::string line = "[HKEY_CURRENT_USER";
    for (int i = 0; i < depth; ++i) line += "\\" + std::string(width, name);
    return line + "]\r\n";
}

TEST(Regedit4, NestingAndPathLengthAreBoundedAndWhatLoadsSavesAgain) {
    // 5000 nested keys in 10 KB; 400 long names in 100 KB; just past each bound.
    for (const std::string& body : {section(5000, 1), section(400, 250), section(33, 1), section(3, 200)})
        EXPECT_THROW(parseRegedit4("REGEDIT4\r\n\r\n" + body), RegistryError) << body.size();
    const std::string deepest = serializeRegedit4(*parseRegedit4("REGEDIT4\r\n" + section(32, 14)));
    EXPECT_EQ(serializeRegedit4(*parseRegedit4(deepest)), deepest);

    // Within the bounds a file could still grow past what a load accepts, as
    // every key repeats its path: refused when read, not after the next save.
    std::string wide = "REGEDIT4\r\n";
    for (int i = 0; i < 2000; ++i) wide += section(31, 15).insert(18, "\\" + std::to_string(100000 + i));
    EXPECT_LT(wide.size(), 2u << 20);
    EXPECT_THROW(parseRegedit4(wide), RegistryError);

    // Each line is looked at once: a long line continued many times reads in a moment.
    std::string continued = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"" + std::string(1 << 18, 'n') + "\"=hex:\\\r\n";
    for (int i = 0; i < 2000; ++i) continued += "\\\r\n";
    const auto started = std::chrono::steady_clock::now();
    readRegedit4(continued);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));

    Registry reg(std::make_shared<MemoryRegistryStore>());
    std::string path;
    for (int i = 0; i < 33; ++i) path += "\\k";
    EXPECT_FALSE(reg.OpenKey(path, true));
    EXPECT_TRUE(reg.OpenKey(path.substr(2), true));
}

TEST(Regedit4, TreesOfAnyDepthAreCopiedWrittenAndFreedWithoutRecursion) {
    RegistryKey root;
    RegistryKey* key = &root;
    for (int i = 0; i < 200000; ++i) key = &key->getOrCreate("k");
    const auto copy = root.clone();
    EXPECT_THROW(serializeRegedit4(*copy), RegistryError);
}

// The mode, the reload and a damaged file are the settings file's tests.
TEST(FileRegistryStore, EachChangeOrBatchIsWrittenAtOnceWithoutLeftovers) {
    testsupport::TempDir dir;
    const std::string file = dir.path() + "/Korvat/Oculon.reg";
    auto store = std::make_shared<FileRegistryStore>(file);
    EXPECT_TRUE(store->setAsideReport().empty());
    Registry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\K", true));
    reg.WriteString("Passwort", "secret");
    EXPECT_NE(readFile(file).find("\"Passwort\"=\"secret\""), std::string::npos);
    {
        RegistryBatch batch(*store);
        reg.WriteInteger("a", 2);
        reg.WriteInteger("b", 3);
        EXPECT_EQ(readFile(file).find("\"b\""), std::string::npos);  // not yet
    }
    const auto text = readFile(file);
    EXPECT_NE(text.find("\"a\"=dword:00000002"), std::string::npos);
    EXPECT_NE(text.find("\"b\"=dword:00000003"), std::string::npos);
    for (const auto& e : fs::directory_iterator(fs::path(file).parent_path()))
        EXPECT_EQ(e.path().filename(), "Oculon.reg") << "left-over temporary file";
}

TEST(FileRegistryStore, TemporaryFilesOfAnInterruptedSaveAreRemovedAtOpen) {
    testsupport::TempDir dir;
    const std::string file = dir.write("Oculon.reg", "REGEDIT4\r\n");
    for (const char* name : {"Oculon.reg.tmp-4711", "Oculon.reg.tmp-x1", "Other.reg.tmp-1"}) dir.write(name, "pw");
    FileRegistryStore store(file);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Oculon.reg", "Oculon.reg.tmp-x1", "Other.reg.tmp-1"}));
}

// A file that cannot be read, as after a run under sudo left it to root.
TEST(FileRegistryStore, AFileThatCannotBeReadIsNeitherEmptiedNorOverwritten) {
    testsupport::TempDir dir;
    const std::string stored = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon\\Configurations\\0]\r\n";
    const std::string file = dir.write("Oculon.reg", stored);
    ::chmod(file.c_str(), ::geteuid() == 0 ? 0600 : 0);
    const auto tryToUse = [&file] {
        auto store = std::make_shared<FileRegistryStore>(file);
        Registry reg(store);
        reg.OpenKey("\\SOFTWARE\\Korvat\\Oculon", true);
        reg.WriteInteger("version", 10);
        return !store->unreadableReport().empty() && store->setAsideReport().empty();
    };
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.path().c_str(), testsupport::kNobody, testsupport::kNobody), 0);
        EXPECT_TRUE(testsupport::asNobody(tryToUse));
    } else {
        EXPECT_TRUE(tryToUse());
    }
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), stored);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Something that is no file there is not read (a pipe would never end).
    const std::string pipe = dir.path() + "/pipe.reg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_NE(FileRegistryStore(pipe).unreadableReport(), "");
}

TEST(FileRegistryStore, AFailedSaveIsToldToTheUserOnceAndKeepsTheFile) {
    std::vector<std::pair<Notice, std::string>> told;
    setNoticeShower([&told](Notice notice, const std::string& detail) { told.emplace_back(notice, detail); });
    testsupport::TempDir dir;
    const std::string file = (fs::path(dir.path()) / "Oculon.reg").string();
    auto store = std::make_shared<FileRegistryStore>(file);
    Registry reg(store);
    reg.OpenKey("\\K", true);
    const std::string saved = readFile(file);

    // A full disk, as far as this process is concerned.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    reg.WriteString("Passwort", std::string(100, 'x'));
    reg.WriteString("Passwort", std::string(200, 'y'));
    ::setrlimit(RLIMIT_FSIZE, &old);

    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, Notice::settingsNotSaved);
    EXPECT_NE(told[0].second.find(file + ": File too large"), std::string::npos) << told[0].second;
    EXPECT_EQ(readFile(file), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Saved again: the next failure is told again.
    reg.WriteInteger("ok", 1);
    EXPECT_NE(readFile(file).find(std::string(200, 'y')), std::string::npos);
    ::setrlimit(RLIMIT_FSIZE, &small);
    reg.WriteInteger("ok", 2);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(told.size(), 2u);
    setNoticeShower({});
}

// The settings file as the user's link to a file kept elsewhere: saves go
// there and the link stays; a link to another account's file is not written
// through, and that is told; a link to a file that is gone (a disk not
// mounted yet) holds settings that cannot be reached: no first start.
TEST(FileRegistryStore, TheUsersLinkStaysALink) {
    std::vector<std::pair<Notice, std::string>> told;
    setNoticeShower([&told](Notice notice, const std::string& detail) { told.emplace_back(notice, detail); });
    testsupport::TempDir dir;
    const std::string target = dir.write("dotfiles/Oculon.reg", "REGEDIT4\r\n");
    const std::string file = dir.path() + "/Oculon.reg";
    fs::create_symlink(target, file);
    const auto save = [&file] {
        auto store = std::make_shared<FileRegistryStore>(file);
        Registry reg(store);
        reg.OpenKey("\\K", true);
        reg.WriteString("b", "2");
        return store->unreadableReport();
    };
    save();
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_NE(readFile(target).find("\"b\"=\"2\""), std::string::npos);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Another account's file (only root can hand one over here), then none.
    for (const bool nowhere : {false, true}) {
        if (nowhere ? !fs::remove(target) : !testsupport::handToNobody(target)) continue;
        const std::string before = testsupport::entryAt(target);
        told.clear();
        const std::string unreadable = save();
        EXPECT_EQ(testsupport::entryAt(target), before);
        EXPECT_TRUE(fs::is_symlink(file));
        EXPECT_EQ(told.size(), nowhere ? 0u : 1u) << nowhere;
        const std::string& why = nowhere ? unreadable : told.at(0).second;
        EXPECT_NE(why.find(nowhere ? file + " \u2192 " + target + ": " : file + " is a link"), std::string::npos)
            << why;
    }
    setNoticeShower({});
}
