#pragma once
// Pictures of the brand that the dialogs show, drawn at run time so that the
// program needs no image files: the window icon and the strip on the left.

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRectF>
#include <QSize>

namespace oculon::config::ui {

// The brand's two blues.
QColor brandDeepBlue();
QColor brandLightBlue();

// The brand badge: the white K on a ground of `fill` that fills `box`, as
// a rounded square (window icons) or a circle (tray icon, logo).
enum class BadgeShape { roundedSquare, circle };
void drawBadge(QPainter& p, const QRectF& box, const QBrush& fill, BadgeShape shape);

// The white-on-blue brand icon of dialog windows.
QIcon korvatWeissIcon();

// The picture strip down the left side of the dialogs.
QPixmap pictureStrip(QSize size);

}  // namespace oculon::config::ui
