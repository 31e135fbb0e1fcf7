#include "exporting/SheetNames.h"

#include "sectiondata/TextCodec.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace quarvel {
namespace {

constexpr std::string_view kForbidden = "[]:*?/\\";

// The characters of valid UTF-8, each as its bytes.
std::vector<std::string_view> Characters(std::string_view utf8) {
    std::vector<std::string_view> characters;
    while (!utf8.empty()) {
        const auto lead = static_cast<unsigned char>(utf8.front());
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        characters.push_back(utf8.substr(0, length));
        utf8.remove_prefix(std::min(length, utf8.size()));
    }
    return characters;
}

// Excel counts UTF-16 units: a character beyond U+FFFF takes two.
std::size_t Units(std::string_view character) {
    return character.size() == 4 ? 2 : 1;
}

// The label with the characters Excel refuses replaced, cut to units.
std::string ValidName(const std::string& label, std::size_t units) {
    const std::string utf8 = IsValidUtf8(label) ? label : DecodeUtf16Le(EncodeUtf16Le(label));
    std::vector<std::string_view> characters = Characters(utf8);
    std::string name;
    std::size_t used = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        std::string_view character = characters[i];
        used += Units(character);
        if (used > units) {
            break;
        }
        const bool single = character.size() == 1;
        const bool control = single && static_cast<unsigned char>(character.front()) < 0x20;
        const bool forbidden =
            single && kForbidden.find(character.front()) != std::string_view::npos;
        name += control || forbidden ? std::string_view("_") : character;
    }
    // Excel reads a leading or trailing apostrophe as quoting.
    if (!name.empty() && name.front() == '\'') {
        name.front() = '_';
    }
    if (!name.empty() && name.back() == '\'') {
        name.back() = '_';
    }
    return name;
}

std::string CaseKey(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

} // namespace

const std::string& TableSheetName() {
    static const std::string name = "断面";
    return name;
}

std::vector<std::string> SheetNames(const std::vector<std::string>& labels) {
    std::vector<std::string> names;
    names.reserve(labels.size());
    std::unordered_set<std::string> taken;
    for (const std::string& label : labels) {
        const std::string& base = label.empty() ? TableSheetName() : label;
        std::string name = ValidName(base, kSheetNameMaxUnits);
        for (int copy = 2; !taken.insert(CaseKey(name)).second; ++copy) {
            const std::string suffix = " (" + std::to_string(copy) + ")";
            name = ValidName(base, kSheetNameMaxUnits - suffix.size()) + suffix;
        }
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace quarvel
