#pragma once
// The notice window the about box opens: the notices of the libraries the
// program is built on, read-only, with a button that closes it (Escape does
// too). The about box sets its language.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "config/sprachen.h"

namespace oculon::app::ui {

class NoticeWindow : public QWidget {
    Q_OBJECT

public:
    explicit NoticeWindow(QWidget* parent = nullptr);
    QString text() const { return Memo1.toPlainText(); }
    // Title and button in `language`.
    void setSprache(config::TSprachenTyp language);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QVBoxLayout layout_;
    QPlainTextEdit Memo1;
    QPushButton schliessenButton;
};

}  // namespace oculon::app::ui
