#include "settings/ui/StringGrid.h"

#include <QHeaderView>

#include <algorithm>

#include "platform/ui/PlainText.h"

namespace oculon::settings::ui {

namespace {

// A cell shows its text made fit to show and keeps it as it came, for the
// page to find rows by.
constexpr int kTextRole = Qt::UserRole;

}  // namespace

StringGrid::StringGrid(const char* name, std::initializer_list<int> widths, QWidget* parent)
    : QTableWidget(parent), widths_(widths) {
    setObjectName(QString::fromLatin1(name));
    setColumnCount(static_cast<int>(widths_.size()));
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    fitColumns();
}

void StringGrid::setHeader(const GridRow& header) {
    QStringList labels;
    for (const std::string& h : header) labels << QString::fromStdString(h);
    setHorizontalHeaderLabels(labels);
    fitColumns();
}

void StringGrid::fill(const GridRows& rows, int selection) {
    setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rowCount(); ++r) {
        const GridRow& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < std::min(columnCount(), static_cast<int>(row.size())); ++c) {
            const std::string& text = row[static_cast<std::size_t>(c)];
            auto* cell = new QTableWidgetItem(platform::ui::shown(text));
            cell->setData(kTextRole, QByteArray::fromStdString(text));
            setItem(r, c, cell);
        }
    }
    fitColumns();
    if (selection >= 0) selectRow(selection);
}

std::string StringGrid::text(int row, int column) const {
    const QTableWidgetItem* cell = row >= 0 ? item(row, column) : nullptr;
    return cell ? cell->data(kTextRole).toByteArray().toStdString() : std::string();
}

QSize StringGrid::sizeHint() const {
    const int rows = 4 * verticalHeader()->defaultSectionSize();
    return {QTableWidget::sizeHint().width(), horizontalHeader()->sizeHint().height() + rows + 2 * frameWidth()};
}

void StringGrid::fitColumns() {
    for (int c = 0; c < columnCount(); ++c) {
        const int asked = widths_[static_cast<std::size_t>(c)];
        setColumnWidth(c, std::max({asked, horizontalHeader()->sectionSizeHint(c), sizeHintForColumn(c)}));
    }
}

}  // namespace oculon::settings::ui
