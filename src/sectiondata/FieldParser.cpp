#include "sectiondata/FieldParser.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>

namespace quarvel {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits an optional sign off text; returns true when the sign is '-'.
bool TakeSign(std::string_view& text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        const bool negative = text.front() == '-';
        text.remove_prefix(1);
        return negative;
    }
    return false;
}

// Reads a run of decimal digits that must fill text; from_chars alone would
// take a leading sign or stop early.
bool ParseMagnitude(std::string_view text, std::uint64_t& magnitude) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, magnitude);
    return ec == std::errc() && ptr == end;
}

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// Checks the decimal grammar of an unsigned real (the sign already taken off)
// and returns the position of its exponent letter, or text.size() if none.
bool CheckRealGrammar(std::string_view text, std::size_t& exponentPos) {
    const std::size_t intEnd = SkipDigits(text, 0);
    std::size_t pos = intEnd;
    std::size_t fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fractionEnd = SkipDigits(text, pos + 1);
        fractionDigits = fractionEnd - pos - 1;
        pos = fractionEnd;
    }
    if (intEnd == 0 && fractionDigits == 0) {
        return false;
    }
    exponentPos = pos;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        const std::size_t exponentEnd = SkipDigits(text, pos);
        if (exponentEnd == pos) {
            return false;
        }
        pos = exponentEnd;
    }
    return pos == text.size();
}

// Decides whether a well-formed real that does not fit a double lies above
// its range (true) or below it (false), from its decimal magnitude.
bool IsBeyondLargest(std::string_view text, std::size_t exponentPos) {
    std::int64_t exponent = 0;
    if (exponentPos < text.size()) {
        std::string_view digits = text.substr(exponentPos + 1);
        const bool negative = TakeSign(digits);
        std::uint64_t magnitude = 0;
        // A run of digits too long for 64 bits is far outside either end.
        if (!ParseMagnitude(digits, magnitude) ||
            magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            return !negative;
        }
        exponent =
            negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    }
    const std::string_view mantissa = text.substr(0, exponentPos);
    const std::size_t point = mantissa.find('.');
    const std::string_view integerPart = mantissa.substr(0, point);
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
        return exponent + static_cast<std::int64_t>(integerPart.size() - firstNonZero) > 0;
    }
    // Only a fraction: the magnitude is negative, so it lies above the range
    // only with a large positive exponent.
    return exponent > 0;
}

} // namespace

std::string_view TrimBlanks(std::string_view field) {
    while (!field.empty() && IsBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && IsBlank(field.back())) {
        field.remove_suffix(1);
    }
    return field;
}

bool ParseInt32Field(std::string_view field, std::int32_t& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = TakeSign(text);
    std::uint64_t magnitude = 0;
    if (!ParseMagnitude(text, magnitude)) {
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

bool ParseUint32Field(std::string_view field, std::uint32_t& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = TakeSign(text);
    std::uint64_t magnitude = 0;
    if (!ParseMagnitude(text, magnitude) || magnitude > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const auto unsignedValue = static_cast<std::uint32_t>(magnitude);
    value = negative ? static_cast<std::uint32_t>(0u - unsignedValue) : unsignedValue;
    return true;
}

bool ParseRealField(std::string_view field, double& value) {
    std::string_view text = TrimBlanks(field);
    const bool negative = TakeSign(text);
    std::size_t exponentPos = 0;
    if (!CheckRealGrammar(text, exponentPos)) {
        return false;
    }
    double magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, magnitude, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (IsBeyondLargest(text, exponentPos)) {
            return false;
        }
        magnitude = 0;
    } else if (ec != std::errc() || ptr != end || !std::isfinite(magnitude)) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

std::int64_t ParseCountLine(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() &&
           (IsBlank(line[pos]) || line[pos] == '\r' || line[pos] == '\v' || line[pos] == '\f')) {
        ++pos;
    }
    std::string_view text = line.substr(pos);
    const bool negative = TakeSign(text);
    const std::size_t digitsEnd = SkipDigits(text, 0);
    if (digitsEnd == 0) {
        return 0;
    }
    std::uint64_t magnitude = 0;
    const std::string_view digits = text.substr(0, digitsEnd);
    constexpr auto kMaxCount = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (!ParseMagnitude(digits, magnitude) || magnitude > kMaxCount) {
        magnitude = kMaxCount;
    }
    const auto count = static_cast<std::int64_t>(magnitude);
    return negative ? -count : count;
}

} // namespace quarvel
