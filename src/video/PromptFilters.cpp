#include "video/PromptFilters.h"

#include <algorithm>

namespace oculon::video {

bool isDoorCodeChar(char16_t c) { return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#'; }

EditState filterDoorCode(std::u16string_view text, std::size_t caret, std::size_t maxLength) {
    EditState out;
    caret = std::min(caret, text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDoorCodeChar(text[i])) continue;
        out.text += text[i];
        if (i < caret) ++out.caret;
    }
    // Too long: the insertion ends at the caret, so its tail goes, as an
    // edit with a length limit would not have taken it.
    if (out.text.size() > maxLength) {
        const std::size_t excess = out.text.size() - maxLength;
        const std::size_t beforeCaret = std::min(excess, out.caret);
        out.text.erase(out.caret - beforeCaret, beforeCaret);
        out.caret -= beforeCaret;
        out.text.resize(maxLength);
    }
    return out;
}

}  // namespace oculon::video
