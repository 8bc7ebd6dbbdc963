#include "app/ui/NoticeWindow.h"

#include <QFontDatabase>
#include <QKeyEvent>

#include "config/ui/BrandDialog.h"
#include "config/ui/brandPictures.h"

namespace oculon::app::ui {

namespace {

const char* const kNotices =
    "Korvat Oculon is built on these libraries; each keeps its own licence.\n"
    "\n"
    "Qt 6 - the window toolkit.\n"
    "  GNU Lesser General Public License, version 3.\n"
    "\n"
    "libjpeg-turbo - every JPEG picture.\n"
    "  This software is based in part on the work of the Independent JPEG Group.\n"
    "  Modified BSD licence and the IJG licence.\n"
    "\n"
    "OpenSSL - MD5 for passwords and Digest authentication.\n"
    "  Apache License 2.0.\n"
    "\n"
    "FFmpeg (libavformat, libavcodec, libavutil, libswscale) - AVI files and video compressors.\n"
    "  GNU Lesser General Public License, version 2.1 or later.\n"
    "\n"
    "The network layer (UDP, TCP, HTTP with Basic and Digest authentication, multicast,\n"
    "Base64) is the program's own, on the sockets of the operating system.\n";

}  // namespace

// A dialog, so that the window manager keeps it above the about box it is
// opened from.
NoticeWindow::NoticeWindow(QWidget* parent) : QWidget(parent, Qt::Dialog), layout_(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(config::ui::korvatWeissIcon());
    Memo1.setObjectName(QStringLiteral("Memo1"));
    Memo1.setReadOnly(true);
    Memo1.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo1.setPlainText(QString::fromUtf8(kNotices));
    schliessenButton.setObjectName(QStringLiteral("schliessenButton"));
    schliessenButton.setMinimumWidth(75);
    connect(&schliessenButton, &QPushButton::clicked, this, &QWidget::close);
    layout_.setContentsMargins(8, 8, 8, 8);
    layout_.setSpacing(8);
    layout_.addWidget(&Memo1);
    layout_.addWidget(&schliessenButton, 0, Qt::AlignRight);
    resize(620, 380);
}

void NoticeWindow::setSprache(config::TSprachenTyp language) {
    setWindowTitle(config::ui::qs(config::text(config::txtLibraryNotices, language)));
    schliessenButton.setText(config::ui::qs(config::text(config::txtClose2, language)));
}

void NoticeWindow::keyPressEvent(QKeyEvent* event) {
    // As in a dialog; the read-only text passes the key on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace oculon::app::ui
