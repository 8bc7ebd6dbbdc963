#pragma once
// The string grids of the gateway and door-intercom pages as rows of text,
// and how a grid finds its selected row again after it was refilled.

#include <string>
#include <vector>

namespace oculon::settings {

using GridRow = std::vector<std::string>;
using GridRows = std::vector<GridRow>;

// The first data row whose column 0 is `text0`, else the first whose
// column 1 is `text1`; -1 when neither is there (the selection then stays
// where it was). Empty texts match nothing: an empty grid had no selection.
int selectLastLine(const GridRows& rows, const std::string& text0, const std::string& text1);

}  // namespace oculon::settings
