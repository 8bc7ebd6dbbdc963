#include "settings/ui/WidgetText.h"

#include <QStringList>

namespace oculon::settings::ui {

QString wrapped(const QString& text, const QFontMetrics& metrics, int width) {
    QString out, line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            out += line + QLatin1Char('\n');
            line = word;
        } else {
            line = longer;
        }
    }
    return out + line;
}

}  // namespace oculon::settings::ui
