#pragma once
// Text shown on a terminal: a name or text that holds a control character
// could move the cursor, erase a line or retitle the window, and so hide what
// it really says. Such text is shown in the shell's $'...' quoting instead,
// which is both visible and exact (pasted into bash it gives the same bytes).
#include <string>
#include <string_view>

namespace tavisk::regtool {

/// The text as it is when it is safe to show; otherwise $'...' with \e for
/// ESC, \a \b \t \n \v \f \r, \\ and \', \xHH for any other control byte or a
/// byte that is not UTF-8, and \uHHHH for C1 controls and the characters that
/// reorder text on screen (U+061C, U+200E, U+200F, U+202A..U+202E,
/// U+2066..U+2069). Text that itself starts with $' is quoted too, so the two
/// forms are never confused.
std::string shownOnTerminal(std::string_view text);

/// shownOnTerminal(text) when terminal is true, else the text unchanged.
inline std::string shown(std::string_view text, bool terminal) {
    return terminal ? shownOnTerminal(text) : std::string(text);
}

} // namespace tavisk::regtool
