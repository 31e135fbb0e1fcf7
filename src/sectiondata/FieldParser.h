#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace quarvel {

// Number grammar of the fields of a section file. Every parser accepts blanks
// and tabs around the number, reads the field on its own and leaves its output
// untouched when the field is not a number. The parsers run for every field
// of files with millions of lines, so they are defined here to be inlined.

namespace field_detail {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits an optional sign off text; returns true when the sign is '-'.
inline bool TakeSign(std::string_view& text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        const bool negative = text.front() == '-';
        text.remove_prefix(1);
        return negative;
    }
    return false;
}

// Reads a run of decimal digits that must fill text, in one pass; from_chars
// alone would take a leading sign or stop early.
inline bool ParseMagnitude(std::string_view text, std::uint64_t& magnitude) {
    if (text.empty()) {
        return false;
    }
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max() / 10;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > kLimit || (value == kLimit && digit > 5)) {
            return false;
        }
        value = value * 10 + digit;
    }
    magnitude = value;
    return true;
}

// Reads plain decimals such as "3400000.456" exactly without a library call:
// with at most 15 digits the digits form an exact double, and so does the
// power of ten, so one division rounds correctly. Returns false for anything
// else (an exponent, more digits, a stray character), which the full parser
// then decides.
inline bool ParsePlainDecimal(std::string_view text, double& value) {
    constexpr std::size_t kMaxDigits = 15;
    constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const std::size_t size = text.size();
    std::uint64_t digits = 0;
    std::size_t i = 0;
    for (; i < size && IsDigit(text[i]); ++i) {
        digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    std::size_t digitCount = i;
    std::size_t fractionDigits = 0;
    if (i < size && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        for (; i < size && IsDigit(text[i]); ++i) {
            digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
        }
        fractionDigits = i - fractionStart;
        digitCount += fractionDigits;
    }
    if (i != size || digitCount == 0 || digitCount > kMaxDigits) {
        return false;
    }
    value = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
    return true;
}

// For a well-formed unsigned real that does not fit a double: whether it lies
// above the range (not a number) rather than below it (zero).
bool IsBeyondLargest(std::string_view text);

} // namespace field_detail

// The field without its leading and trailing blanks and tabs.
inline std::string_view TrimBlanks(std::string_view field) {
    while (!field.empty() && field_detail::IsBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && field_detail::IsBlank(field.back())) {
        field.remove_suffix(1);
    }
    return field;
}

// Optional + or -, then decimal digits; the value must fit 32 bits signed.
inline bool ParseInt32Field(std::string_view field, std::int32_t& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = field_detail::TakeSign(text);
    std::uint64_t magnitude = 0;
    if (!field_detail::ParseMagnitude(text, magnitude)) {
        return false;
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit) {
        return false;
    }
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

// Optional + or -, then decimal digits. A - wraps modulo 2^32 as the C
// library's %u does; a magnitude above 4294967295 is not a number.
inline bool ParseUint32Field(std::string_view field, std::uint32_t& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = field_detail::TakeSign(text);
    std::uint64_t magnitude = 0;
    if (!field_detail::ParseMagnitude(text, magnitude) ||
        magnitude > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const auto unsignedValue = static_cast<std::uint32_t>(magnitude);
    value = negative ? static_cast<std::uint32_t>(0u - unsignedValue) : unsignedValue;
    return true;
}

// Decimal notation only: optional sign, digits with an optional "." fraction
// (at least one digit in all), optional exponent. The value must be finite:
// "inf", "nan" and hexadecimal are not numbers; a value too small for a
// double reads as zero.
inline bool ParseRealField(std::string_view field, double& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = field_detail::TakeSign(text);
    // With a digit or "." in front, from_chars can only read decimal notation,
    // never "inf", "nan" or a second sign; it must take the whole field.
    if (text.empty() || !(field_detail::IsDigit(text.front()) || text.front() == '.')) {
        return false;
    }
    double magnitude = 0;
    if (field_detail::ParsePlainDecimal(text, magnitude)) {
        value = negative ? -magnitude : magnitude;
        return true;
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, magnitude, std::chars_format::general);
    if (ptr != end) {
        return false;
    }
    if (ec == std::errc::result_out_of_range) {
        if (field_detail::IsBeyondLargest(text)) {
            return false;
        }
        magnitude = 0;
    } else if (ec != std::errc() || !std::isfinite(magnitude)) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// The point count of line 3: leading white space, optional sign, digits;
// whatever follows is ignored. No number gives 0; a value beyond the range of
// 32 bits is clamped to it.
std::int64_t ParseCountLine(std::string_view line);

// The text field of line 2, the section header "%lf,%lf,%lf,%[^,],": the raw
// bytes after three numbers, up to the next comma or the end of the line.
// Empty when the line does not begin with three numbers and a text.
std::string_view HeaderTextField(std::string_view line);

} // namespace quarvel
