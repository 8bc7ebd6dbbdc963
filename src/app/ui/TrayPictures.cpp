#include "app/ui/TrayPictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include "config/ui/brandPictures.h"

namespace oculon::app::ui {

using config::ui::BadgeShape;
using config::ui::brandDeepBlue;
using config::ui::brandLightBlue;
using config::ui::drawBadge;

namespace {
const QColor kAmber(0xf2, 0xa9, 0x00);
}  // namespace

QIcon trayIcon(bool paused) {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, side);
        g.setColorAt(0, brandLightBlue());
        g.setColorAt(1, brandDeepBlue());
        drawBadge(p, QRectF(0.5, 0.5, side - 1.0, side - 1.0), g, BadgeShape::circle);
        if (paused) {
            // Two amber bars over the lower right quarter.
            const qreal s = side / 2.0;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 160));
            p.drawRoundedRect(QRectF(s - 1, s - 1, s + 1, s + 1), s / 5, s / 5);
            p.setBrush(kAmber);
            p.drawRect(QRectF(s + s * 0.18, s + s * 0.15, s * 0.22, s * 0.7));
            p.drawRect(QRectF(s + s * 0.58, s + s * 0.15, s * 0.22, s * 0.7));
        }
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap korvatLogo(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int h = size.height();
    drawBadge(p, QRectF(4, 4, h - 8, h - 8), brandDeepBlue(), BadgeShape::circle);
    QFont word;
    word.setBold(true);
    word.setPixelSize(h * 2 / 5);
    word.setLetterSpacing(QFont::PercentageSpacing, 112);
    p.setFont(word);
    p.setPen(brandDeepBlue());
    p.drawText(QRect(h + 4, 0, size.width() - h - 4, h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KORVAT"));
    return pm;
}

QPixmap signalLamps(bool running, QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 4, 4);
    const qreal d = std::min(size.width() - 6.0, (size.height() - 12.0) / 3.0);
    const qreal x = (size.width() - d) / 2.0;
    const QColor off(0x55, 0x55, 0x55);
    const QColor colours[3] = {running ? off : QColor(0xe0, 0x20, 0x20), running ? off : kAmber,
                               running ? QColor(0x20, 0xc0, 0x40) : off};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[i]);
        p.drawEllipse(QRectF(x, 3 + i * (d + 3), d, d));
    }
    return pm;
}

}  // namespace oculon::app::ui
