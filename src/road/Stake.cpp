#include "road/Stake.h"

#include <charconv>
#include <cstddef>

namespace quarvel {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

// The end of the run of digits that starts at from.
std::size_t SkipDigits(std::string_view text, std::size_t from) {
    while (from < text.size() && IsDigit(text[from])) {
        ++from;
    }
    return from;
}

double ParseNumber(std::string_view digits) {
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The stake whose K stands at k, if the kilometres, "+" and the metres follow.
std::optional<Stake> StakeAt(std::string_view text, std::size_t k) {
    const std::size_t kilometresEnd = SkipDigits(text, k + 1);
    if (kilometresEnd == k + 1 || kilometresEnd >= text.size() || text[kilometresEnd] != '+') {
        return std::nullopt;
    }
    const std::size_t metresStart = kilometresEnd + 1;
    std::size_t end = SkipDigits(text, metresStart);
    if (end == metresStart) {
        return std::nullopt;
    }
    // A point without decimals after it ends the stake, as in "K1+200.txt".
    if (end + 1 < text.size() && text[end] == '.' && IsDigit(text[end + 1])) {
        end = SkipDigits(text, end + 1);
    }
    std::size_t start = k;
    while (start > 0 && IsCapital(text[start - 1])) {
        --start;
    }
    Stake stake;
    stake.prefix.assign(text.substr(start, k + 1 - start));
    stake.metres = ParseNumber(text.substr(k + 1, kilometresEnd - k - 1)) * 1000.0 +
                   ParseNumber(text.substr(metresStart, end - metresStart));
    stake.text.assign(text.substr(start, end - start));
    return stake;
}

} // namespace

std::optional<Stake> FindStake(std::string_view text) {
    for (std::size_t k = text.find('K'); k != std::string_view::npos; k = text.find('K', k + 1)) {
        if (std::optional<Stake> stake = StakeAt(text, k)) {
            return stake;
        }
    }
    return std::nullopt;
}

} // namespace quarvel
