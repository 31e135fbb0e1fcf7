#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarvel {

// The encodings a section file, an export file or a settings file may use.
// Text inside the program is always UTF-8; these convert at the file boundary.
enum class TextEncoding { Gbk, Utf8, Utf16Le };

// The byte-order mark that starts a UTF-8 file for the programs that need one
// to tell UTF-8 from the system's code page.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Code page 936 (GBK as Windows defines it: 0x80 is the euro sign, and the
// user-defined and unassigned two-byte sequences are U+E000..U+E864) to UTF-8.
// Never fails: a lead byte and a trail byte that decode to nothing become one
// U+FFFD; any other byte that does not start a character becomes one U+FFFD
// and decoding resumes at the next byte.
std::string DecodeGbk(std::string_view bytes);

// UTF-8 to code page 936. A character that code page 936 cannot represent, and
// each byte of malformed UTF-8, becomes "?".
std::string EncodeGbk(std::string_view utf8);

// The same, adding to unencodable the number of characters that became "?"
// (each byte of malformed UTF-8 counting as one).
std::string EncodeGbk(std::string_view utf8, std::size_t& unencodable);

// UTF-16 little endian (without byte-order mark) to UTF-8; an unpaired
// surrogate or a dangling odd byte becomes U+FFFD.
std::string DecodeUtf16Le(std::string_view bytes);

// UTF-8 to UTF-16 little endian without byte-order mark; malformed UTF-8
// becomes U+FFFD.
std::string EncodeUtf16Le(std::string_view utf8);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// True when every byte is below 0x80, so every encoding reads it the same.
bool IsAscii(std::string_view bytes);

} // namespace quarvel
