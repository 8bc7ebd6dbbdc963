#pragma once
// Input rules of the video windows' prompts, kept apart from the dialogs so
// that they are checked without a display.

#include <cstddef>
#include <string>
#include <string_view>

namespace oculon::video {

inline constexpr std::size_t kDoorCodeMaxLength = 4;
inline constexpr std::size_t kCommentMaxLength = 100;

// A text as an edit holds it (UTF-16 units) with its caret position.
struct EditState {
    std::u16string text;
    std::size_t caret = 0;
    friend bool operator==(const EditState&, const EditState&) = default;
};

// Digits, "*" and "#": what a door keypad can send.
bool isDoorCodeChar(char16_t c);

// The door-code field after a change, typed or pasted: every other character
// is removed wherever it stands and the caret moves back over what was
// removed before it. A code grown too long loses the characters just before
// the caret (the end of what was inserted), as a length-limited edit keeps
// the first part of a paste.
EditState filterDoorCode(std::u16string_view text, std::size_t caret, std::size_t maxLength = kDoorCodeMaxLength);

}  // namespace oculon::video
