#pragma once

#include <array>
#include <string_view>

namespace quarvel {

// The profile's vertical exaggerations: one metre up takes this many times the
// pixels of one metre across; kAutoExaggeration fills the plot both ways. The
// window offers them, the settings file keeps one and quarvel --profile takes
// one, all from this list.
constexpr int kAutoExaggeration = 0;

struct ExaggerationChoice {
    int value;
    std::string_view text; // UTF-8, as the window's list shows it
};

inline constexpr std::array<ExaggerationChoice, 5> kExaggerationChoices = {{
    {1, "1:1 真实比例"},
    {2, "1:2"},
    {5, "1:5"},
    {10, "1:10"},
    {kAutoExaggeration, "自动"},
}};

constexpr bool IsExaggeration(int value) {
    for (const ExaggerationChoice& choice : kExaggerationChoices) {
        if (choice.value == value) {
            return true;
        }
    }
    return false;
}

} // namespace quarvel
