#pragma once
// A user's hand on the settings dialog and its small windows: clicks that
// come through the window system, a page chosen by its tab, a row by its
// cell, a field typed over, and the message box a click brings up.

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

#include "gui/QtTestKit.h"

namespace oculon::settings::test {

inline void clickAt(QWidget& widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget.window()->windowHandle(), button, {}, widget.mapTo(widget.window(), at));
}

// Near the left edge: a check box takes a click only on its box and caption.
inline void press(QWidget& widget) { clickAt(widget, QPoint(widget.height() / 2, widget.height() / 2)); }

inline void turnTo(QWidget& dialog, int page) {
    QTabBar& bar = *testsupport::child<QTabWidget>(dialog, "KonfigTabs").tabBar();
    clickAt(bar, bar.tabRect(page).center());
}

// Where the pointer goes for a cell, in its window, the cell scrolled into view.
inline QPoint cellPoint(QAbstractItemView& view, int row, int column = 0) {
    const QModelIndex cell = view.model()->index(row, column);
    view.scrollTo(cell);
    return view.viewport()->mapTo(view.window(), view.visualRect(cell).center());
}

inline void clickCell(QAbstractItemView& view, int row, int column = 0, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(view.window()->windowHandle(), button, {}, cellPoint(view, row, column));
}

inline void retype(QLineEdit& edit, const QString& text) {
    press(edit);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&edit, text);
}

inline void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Presses `button`, and `answer` in the message box that follows once
// `meanwhile` has looked around; the box's text.
inline std::string pressAndRead(QWidget& button, QMessageBox::StandardButton answer = QMessageBox::Ok,
                                std::function<void()> meanwhile = {}) {
    std::string text;
    testsupport::onModal([&text, answer, meanwhile = std::move(meanwhile)](QWidget& w) {
        if (meanwhile) meanwhile();
        auto& box = dynamic_cast<QMessageBox&>(w);
        text = box.text().toStdString();
        press(*box.button(answer));
    });
    press(button);
    EXPECT_TRUE(testsupport::pumpUntil([&] { return !text.empty(); }));
    return text;
}

}  // namespace oculon::settings::test
