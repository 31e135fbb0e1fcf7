#include "sectiondata/FieldParser.h"

#include <algorithm>
#include <cstddef>

namespace quarvel {
namespace {

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && field_detail::IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// The decimal exponent written after the 'e', clamped far outside any double.
std::int64_t WrittenExponent(std::string_view text, std::size_t exponentPos) {
    if (exponentPos >= text.size()) {
        return 0;
    }
    std::string_view digits = text.substr(exponentPos + 1);
    const bool negative = field_detail::TakeSign(digits);
    constexpr std::uint64_t kFarOutside = 1000000;
    std::uint64_t magnitude = 0;
    if (!field_detail::ParseMagnitude(digits, magnitude) || magnitude > kFarOutside) {
        magnitude = kFarOutside;
    }
    return negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

} // namespace

namespace field_detail {

bool IsBeyondLargest(std::string_view text) {
    const std::size_t exponentPos = std::min(text.find_first_of("eE"), text.size());
    const std::int64_t exponent = WrittenExponent(text, exponentPos);
    const std::string_view mantissa = text.substr(0, exponentPos);
    const std::string_view integerPart = mantissa.substr(0, mantissa.find('.'));
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
        return exponent + static_cast<std::int64_t>(integerPart.size() - firstNonZero) > 0;
    }
    // Only a fraction: the magnitude is below one, so the value lies above the
    // range only through a large positive exponent.
    return exponent > 0;
}

} // namespace field_detail

std::int64_t ParseCountLine(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && (field_detail::IsBlank(line[pos]) || line[pos] == '\r' ||
                                 line[pos] == '\v' || line[pos] == '\f')) {
        ++pos;
    }
    std::string_view text = line.substr(pos);
    const bool negative = field_detail::TakeSign(text);
    const std::size_t digitsEnd = SkipDigits(text, 0);
    if (digitsEnd == 0) {
        return 0;
    }
    std::uint64_t magnitude = 0;
    constexpr auto kMaxCount = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (!field_detail::ParseMagnitude(text.substr(0, digitsEnd), magnitude) ||
        magnitude > kMaxCount) {
        magnitude = kMaxCount;
    }
    const auto count = static_cast<std::int64_t>(magnitude);
    return negative ? -count : count;
}

std::string_view HeaderTextField(std::string_view line) {
    for (int number = 0; number < 3; ++number) {
        const std::size_t comma = line.find(',');
        double value = 0;
        if (comma == std::string_view::npos || !ParseRealField(line.substr(0, comma), value)) {
            return {};
        }
        line.remove_prefix(comma + 1);
    }
    return line.substr(0, line.find(','));
}

} // namespace quarvel
