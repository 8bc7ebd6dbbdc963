#include "settings/GridRows.h"

namespace oculon::settings {

int selectLastLine(const GridRows& rows, const std::string& text0, const std::string& text1) {
    for (int column = 0; column < 2; ++column) {
        const std::string& wanted = column == 0 ? text0 : text1;
        if (wanted.empty()) continue;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].size() > static_cast<std::size_t>(column) && rows[r][column] == wanted)
                return static_cast<int>(r);
        }
    }
    return -1;
}

}  // namespace oculon::settings
