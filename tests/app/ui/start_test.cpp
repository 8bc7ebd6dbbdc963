// The start-up steps before the main form, with the real dialogs answered the
// way a user would.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "app/ui/TaskbarStart.h"
#include "config/sprachen.h"
#include "platform/UserNotice.h"

using namespace oculon;

namespace {

const char* kRoot = "\\SOFTWARE\\Korvat\\Oculon";

// Waits for the next modal window and hands it to `act`; a window that never
// comes fails the test instead of hanging it.
void answerModal(std::function<void(QWidget*)> act, int waitedMs = 0) {
    QTimer::singleShot(10, [act, waitedMs] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
        } else if (waitedMs < 5000) {
            answerModal(act, waitedMs + 10);
        } else {
            ADD_FAILURE() << "no dialog appeared";
        }
    });
}

void click(QWidget* dialog, const QString& text) {
    for (auto* b : dialog->findChildren<QAbstractButton*>()) {
        if (b->text().remove('&') == text) {
            b->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

std::shared_ptr<platform::MemoryRegistryStore> storeWith(std::function<void(platform::Registry&)> fill) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    platform::Registry reg(store);
    reg.OpenKey(kRoot, true);
    fill(reg);
    return store;
}

bool storedLanguage(const std::shared_ptr<platform::MemoryRegistryStore>& store, int& language) {
    platform::Registry reg(store);
    if (!reg.OpenKey(kRoot, false) || !reg.ValueExists("language")) return false;
    language = reg.ReadInteger("language");
    return true;
}

}  // namespace

TEST(ProgramStart, FirstStartAsksForTheLanguageAndStoresIt) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    answerModal([](QWidget* dialog) {
        click(dialog, "English");
        click(dialog, "OK");
    });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    int language = -1;
    ASSERT_TRUE(storedLanguage(store, language));
    EXPECT_EQ(language, config::lang_en);
    EXPECT_EQ(config::sprache, config::lang_en);
    EXPECT_EQ(config::videoConfig, &start.settings());
    EXPECT_EQ(QApplication::applicationDisplayName(), "Korvat Oculon");
}

TEST(ProgramStart, LanguageChoiceLeftWithoutOkEndsTheProgram) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    answerModal([](QWidget* dialog) { click(dialog, "Abbrechen"); });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), 0);
    int language = -1;
    EXPECT_FALSE(storedLanguage(store, language));
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
    answerModal([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) shown = box->text();
        withIcon = !w->windowIcon().isNull();
        click(w, "OK");
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
    for (int i = 0; i < 500 && !shown; ++i) {
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text().toStdString(),
              "The configuration could not be saved; the file keeps the last saved state.\n\n"
              "/x/Oculon.reg: No space left");
    EXPECT_FALSE(shown->isModal());  // door calls still come while it is open
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
