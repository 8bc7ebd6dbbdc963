#pragma once
// The string grids of the gateway and door-intercom pages: whole-row
// selection, 16-pixel rows, a header row, columns at least as wide as the
// page asks and wide enough for their header and texts.

#include <QTableWidget>

#include <initializer_list>
#include <string>
#include <vector>

#include "settings/GridRows.h"

namespace oculon::settings::ui {

class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    StringGrid(const char* name, std::initializer_list<int> widths, QWidget* parent = nullptr);

    void setHeader(const GridRow& header);
    // The rows, and the row (from 0) to select; -1 leaves none selected.
    void fill(const GridRows& rows, int selection);
    // The text of a cell as the rows gave it (what it shows went through
    // shownText); empty outside the grid.
    std::string text(int row, int column) const;
    std::string selectedText(int column) const { return text(currentRow(), column); }
    // Room for the header and four rows; the page gives it more when it has.
    QSize sizeHint() const override;

private:
    void fitColumns();

    std::vector<int> widths_;
};

}  // namespace oculon::settings::ui
