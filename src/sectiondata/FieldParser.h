#pragma once

#include <cstdint>
#include <string_view>

namespace quarvel {

// Number grammar of the fields of a section file. Every parser accepts blanks
// and tabs around the number, reads the field on its own and leaves its output
// untouched when the field is not a number.

// The field without its leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view field);

// Optional + or -, then decimal digits; the value must fit 32 bits signed.
bool ParseInt32Field(std::string_view field, std::int32_t& value);

// Optional + or -, then decimal digits. A - wraps modulo 2^32 as the C
// library's %u does; a magnitude above 4294967295 is not a number.
bool ParseUint32Field(std::string_view field, std::uint32_t& value);

// Decimal notation only: optional sign, digits with an optional "." fraction
// (at least one digit in all), optional exponent. The value must be finite:
// "inf", "nan" and hexadecimal are not numbers; a value too small for a
// double reads as zero.
bool ParseRealField(std::string_view field, double& value);

// The point count of line 3: leading white space, optional sign, digits;
// whatever follows is ignored. No number gives 0; a value beyond the range of
// 32 bits is clamped to it.
std::int64_t ParseCountLine(std::string_view line);

} // namespace quarvel
