#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quarvel {

// A text packed into two words with fixed-size loads that may overlap. For up
// to kBytes bytes the words and the size determine every byte, so equal keys
// mean equal texts; of a longer text they hold its first and last eight bytes,
// which is enough to hash it. Notes and layers are short, and comparing or
// hashing two words is far cheaper than going over their bytes.
struct ShortTextKey {
    static constexpr std::size_t kBytes = 16;

    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint32_t size = 0;

    static ShortTextKey Of(std::string_view text) {
        const char* bytes = text.data();
        const std::size_t size = text.size();
        ShortTextKey key;
        key.size = static_cast<std::uint32_t>(size);
        if (size >= 8) {
            key.low = LoadWord<std::uint64_t>(bytes);
            key.high = LoadWord<std::uint64_t>(bytes + size - 8);
        } else if (size >= 4) {
            key.low = LoadWord<std::uint32_t>(bytes);
            key.high = LoadWord<std::uint32_t>(bytes + size - 4);
        } else if (size > 0) {
            key.low = static_cast<unsigned char>(bytes[0]) |
                      static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8 |
                      static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size - 1])) << 16;
        }
        return key;
    }

    std::size_t Hash() const {
        std::uint64_t hash = low * 0x9E3779B97F4A7C15ull ^ high * 0xC2B2AE3D27D4EB4Full ^ size;
        hash ^= hash >> 29;
        return static_cast<std::size_t>(hash);
    }

    bool operator==(const ShortTextKey& other) const {
        return low == other.low && high == other.high && size == other.size;
    }

private:
    template <typename Word>
    static Word LoadWord(const char* bytes) {
        Word word = 0;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
};

// Hashes a text of any length by its key, for maps keyed by cell texts.
struct ShortTextHash {
    std::size_t operator()(std::string_view text) const { return ShortTextKey::Of(text).Hash(); }
};

} // namespace quarvel
