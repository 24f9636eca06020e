// The text commands of the library. Lengths, positions and counts are in bytes and
// positions are 1-based. TextLength, RightText and MiddleText count and cut bytes;
// FindText and SplitText step over two-byte characters, so a trail byte never matches.
#ifndef ROLLCALL_CORE_TEXT_COMMANDS_H_
#define ROLLCALL_CORE_TEXT_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "core/text.h"

namespace rc {

int32_t TextLength(const Text& text);
// The last `count` bytes; the whole text when count is beyond the length.
Text RightText(const Text& text, int32_t count);
// `count` bytes from the 1-based `start`, cut at the end of the text.
Text MiddleText(const Text& text, int32_t start, int32_t count);
// The one-byte text of `code`; the empty text for 0.
Text CharFromCode(uint8_t code);
// 1-based position of the first match at a character boundary, or -1. ignore_case folds
// only the ASCII letters.
int32_t FindText(const Text& text, const Text& search, std::optional<int32_t> start = {},
                 std::optional<bool> ignore_case = {});
// Splits at `separator` (default ","), into at most `max_pieces` pieces when given.
std::vector<Text> SplitText(const Text& text, std::optional<Text> separator = {},
                            std::optional<int32_t> max_pieces = {});
// `count` blanks; the empty text when count is less than 1.
Text BlankText(int32_t count);

}  // namespace rc

#endif  // ROLLCALL_CORE_TEXT_COMMANDS_H_
