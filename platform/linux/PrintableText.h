#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Text taken from a file, made safe to print on a terminal: a planted file must not be able to move the
// cursor, retitle the window or answer for the user through escape sequences.
namespace PrintableText {

// The text with every control character (C0, DEL, and the C1 range of UTF-8) and every byte that is not part
// of valid UTF-8 written as an escape: "\t", "\n", "\r", else "\x1b". Printable characters, other letters
// and backslashes (which fill every registry key path) are kept as they are.
std::string Escaped(std::string_view text);

// The length of the valid UTF-8 character at the start of a non-empty text, with its code point in code; 0 for
// a byte that begins none (a stray continuation, an overlong form, a surrogate, a cut sequence).
std::size_t Utf8Character(std::string_view text, uint32_t& code);

} // namespace PrintableText
