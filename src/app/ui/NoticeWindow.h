#pragma once
// The notice window the about box opens: the notices of the libraries the
// program is built on, read-only. Its title is set by the about box, in the
// program's language.

#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

namespace oculon::app::ui {

class NoticeWindow : public QWidget {
    Q_OBJECT

public:
    explicit NoticeWindow(QWidget* parent = nullptr);
    QString text() const { return Memo1.toPlainText(); }

private:
    QVBoxLayout layout_;
    QPlainTextEdit Memo1;
};

}  // namespace oculon::app::ui
