#pragma once

#include <cstdint>

namespace quarvel {

// Bytes that may start, and bytes that may end, a two-byte character of code
// page 936. Two such bytes always form one character: the second never starts
// another one.
constexpr bool IsCp936LeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}
constexpr bool IsCp936TrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

#ifndef _WIN32

// Windows gives the 2,149 two-byte sequences that have no character of their
// own the private-use characters U+E000..U+E864 and converts them back. The
// POSIX converter rejects exactly these, so files written by Windows programs
// would lose them; these functions supply the Windows mapping.

// The private-use character of lead and trail, or 0 when they are not one of
// those sequences.
char32_t Cp936PrivateUseCharacter(unsigned char lead, unsigned char trail);

// The sequence of a private-use character, lead byte in the high byte, or 0
// when the character has none.
std::uint16_t Cp936PrivateUseSequence(char32_t character);

#endif

} // namespace quarvel
