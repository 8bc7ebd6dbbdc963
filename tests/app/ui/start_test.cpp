// The start-up steps before the main form, with the real dialogs answered the
// way a user would, and the notices of workers shown to the user.

#include <QMessageBox>
#include <gtest/gtest.h>

#include <thread>

#include "app/ui/TaskbarStart.h"
#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "platform/UserNotice.h"

using namespace oculon;
using testsupport::clickButton;
using testsupport::onModal;

namespace {

const char* kRoot = "\\SOFTWARE\\Korvat\\Oculon";

std::shared_ptr<platform::MemoryRegistryStore> storeWith(std::function<void(platform::Registry&)> fill) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    platform::Registry reg(store);
    reg.OpenKey(kRoot, true);
    fill(reg);
    return store;
}

std::optional<int> storedLanguage(const std::shared_ptr<platform::MemoryRegistryStore>& store) {
    platform::Registry reg(store);
    if (!reg.OpenKey(kRoot, false) || !reg.ValueExists("language")) return std::nullopt;
    return reg.ReadInteger("language");
}

}  // namespace

TEST(ProgramStart, FirstStartAsksForTheLanguageAndStoresItOrEndsWithoutOk) {
    QApplication::setApplicationDisplayName({});  // the start names the program
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    onModal([](QWidget& dialog) {
        clickButton(dialog, "English");
        clickButton(dialog, "OK");
    });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    EXPECT_EQ(storedLanguage(store), config::lang_en);
    EXPECT_EQ(config::sprache, config::lang_en);
    EXPECT_EQ(config::videoConfig, &start.settings());
    EXPECT_EQ(QApplication::applicationDisplayName(), "Korvat Oculon");

    auto fresh = std::make_shared<platform::MemoryRegistryStore>();
    onModal([](QWidget& dialog) { clickButton(dialog, "Abbrechen"); });
    app::ProgramStart left(fresh);
    EXPECT_EQ(left.run(), 0);
    EXPECT_EQ(storedLanguage(fresh), std::nullopt);
}

TEST(ProgramStart, StoredLanguageIsTakenWithoutAsking) {
    auto store = storeWith([](platform::Registry& reg) { reg.WriteInteger("language", config::lang_nl); });
    bool asked = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            asked = true;
            w->close();
        }
    });
    guard.start(10);
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    EXPECT_FALSE(asked);
    EXPECT_EQ(config::sprache, config::lang_nl);
}

TEST(ProgramStart, NewerSettingsShowTheVersionMessageAndEnd) {
    auto store = storeWith([](platform::Registry& reg) {
        reg.WriteInteger("version", 11);
        reg.WriteInteger("language", config::lang_fr);
    });
    QString shown;
    bool withIcon = false;
    onModal([&](QWidget& w) {
        if (auto* box = qobject_cast<QMessageBox*>(&w)) shown = box->text();
        withIcon = !w.windowIcon().isNull();
        clickButton(w, "OK");
    });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), 1);
    EXPECT_EQ(shown.toStdString(),
              "Cette configuration provient d'une nouvelle version logicielle\nVeuillez employer cette version");
    EXPECT_TRUE(withIcon) << "the message box lacks the program's icon";
    EXPECT_EQ(config::videoConfig, nullptr);
}

TEST(NoticeBoxes, WhatAWorkerTellsTheUserAppearsInABoxInTheCurrentLanguage) {
    config::sprache = config::lang_en;
    app::NoticeBoxes boxes;
    std::thread worker([] { platform::tellUser(platform::Notice::settingsNotSaved, "/x/Oculon.reg: No space left"); });
    worker.join();
    QMessageBox* shown = nullptr;
    testsupport::pumpUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
        return shown != nullptr;
    });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text().toStdString(),
              "The configuration could not be saved; the file keeps the last saved state.\n\n"
              "/x/Oculon.reg: No space left");
    EXPECT_FALSE(shown->isModal());  // door calls still come while it is open
}
