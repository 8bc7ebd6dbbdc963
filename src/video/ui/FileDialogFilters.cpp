#include "video/ui/FileDialogFilters.h"

namespace oculon::video::ui {

QStringList dialogFilters(const std::string& pairs) {
    const QStringList parts = QString::fromStdString(pairs).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
        QString patterns = parts[i + 1];
        filters << description + " (" + patterns.replace(QLatin1Char(';'), QLatin1Char(' ')) + ")";
    }
    return filters;
}

}  // namespace oculon::video::ui
