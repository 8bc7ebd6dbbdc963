#include "config/ui/brandPictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace oculon::config::ui {

QColor brandDeepBlue() { return {0x0b, 0x2a, 0x5b}; }
QColor brandLightBlue() { return {0x4f, 0x8f, 0xd6}; }

void drawBadge(QPainter& p, const QRectF& box, const QBrush& fill, BadgeShape shape) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    QFont f;
    f.setBold(true);
    // The letter fills what the shape leaves of the box.
    if (shape == BadgeShape::circle) {
        p.drawEllipse(box);
        f.setPixelSize(static_cast<int>(box.height() * 2 / 3));
    } else {
        p.drawRoundedRect(box, box.width() / 6.0, box.height() / 6.0);
        f.setPixelSize(static_cast<int>(box.height() * 3 / 4));
    }
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, QStringLiteral("K"));
}

QIcon korvatWeissIcon() {
    QIcon icon;
    for (const int side : {16, 32, 48}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        drawBadge(p, QRectF(0, 0, side, side), brandDeepBlue(), BadgeShape::roundedSquare);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap pictureStrip(QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, brandDeepBlue());
    sky.setColorAt(1.0, brandLightBlue());
    p.fillRect(pm.rect(), sky);

    // A few soft rings give the strip some depth without drawing attention.
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    p.setBrush(Qt::NoBrush);
    const int w = size.width();
    for (int i = 0; i < 5; ++i) {
        const int r = w / 2 + i * w / 3;
        p.drawEllipse(QPoint(w, size.height() - w / 2), r, r);
    }

    // The name runs upwards in the upper part of the strip; on a short strip
    // it shrinks and moves down so that it is never cut off.
    const QString name = QStringLiteral("Korvat Oculon");
    const int margin = 8;
    QFont f;
    f.setBold(true);
    f.setPixelSize(qMax(10, w / 5));
    while (f.pixelSize() > 10 && QFontMetrics(f).horizontalAdvance(name) > size.height() - 2 * margin)
        f.setPixelSize(f.pixelSize() - 1);
    const double halfLength = QFontMetrics(f).horizontalAdvance(name) / 2.0;
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 220));
    p.translate(w / 2.0, qMax(size.height() / 3.0, halfLength + margin));
    p.rotate(-90);
    p.drawText(QRectF(-size.height(), -w / 2.0, 2.0 * size.height(), w), Qt::AlignCenter, name);
    return pm;
}

}  // namespace oculon::config::ui
