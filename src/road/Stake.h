#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

// A place along a road line as surveyors write it: capital letters ending in
// K (K, DK, ZK, YK ...), the kilometres, "+", the metres with optional
// decimals. "K12+340.5" lies 12,340.5 m along the line "K".
struct Stake {
    std::string prefix; // "K", "DK", "ZK" ...
    double metres = 0;
    std::string text; // the stake as written
};

// The first stake inside text, wherever it stands ("断面K12+340.5" gives
// K12+340.5); nothing when there is none.
std::optional<Stake> FindStake(std::string_view text);

} // namespace quarvel
