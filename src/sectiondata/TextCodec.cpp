#include "sectiondata/TextCodec.h"

#include "sectiondata/Cp936PrivateUse.h"
#include "sectiondata/GbkDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "sectiondata/IconvConverter.h"
#endif

namespace quarvel {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at the start of bytes, or 0 when
// it is malformed. Writes the code point when well-formed.
std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& cp) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byteAt(i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byteAt(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// Calls visit(codePoint) for each character of utf8; malformed bytes are
// reported one at a time as the code point 0xFFFFFFFF.
template <typename Visit>
void ForEachCodePoint(std::string_view utf8, Visit visit) {
    while (!utf8.empty()) {
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(utf8, cp);
        if (length == 0) {
            visit(static_cast<char32_t>(0xFFFFFFFF));
            utf8.remove_prefix(1);
        } else {
            visit(cp);
            utf8.remove_prefix(length);
        }
    }
}

} // namespace

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(bytes, cp);
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

std::string DecodeUtf16Le(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += kReplacementUtf8;
        } else {
            AppendUtf8(out, unit);
        }
    }
    if (i < bytes.size()) {
        out += kReplacementUtf8;
    }
    return out;
}

std::string EncodeUtf16Le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto appendUnit = [&](char32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>((unit >> 8) & 0xFF);
    };
    ForEachCodePoint(utf8, [&](char32_t cp) {
        if (cp == 0xFFFFFFFF) {
            appendUnit(0xFFFD);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            appendUnit(0xD800 + (cp >> 10));
            appendUnit(0xDC00 + (cp & 0x3FF));
        } else {
            appendUnit(cp);
        }
    });
    return out;
}

#ifndef _WIN32

std::string DecodeGbk(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    GbkDecoder decoder;
    decoder.AppendDecoded(bytes, out);
    return out;
}

std::string EncodeGbk(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    // Opening a converter costs more than most texts' conversion: each thread
    // keeps one, which every conversion leaves in its first state.
    thread_local IconvConverter converter("GBK", "UTF-8");
    ForEachCodePoint(utf8, [&](char32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            return;
        }
        if (const std::uint16_t sequence = Cp936PrivateUseSequence(cp); sequence != 0) {
            out += static_cast<char>(sequence >> 8);
            out += static_cast<char>(sequence & 0xFF);
            return;
        }
        std::string character;
        if (cp != 0xFFFFFFFF && converter.IsOpen()) {
            AppendUtf8(character, cp);
            std::string encoded;
            if (converter.Convert(character, encoded) == character.size()) {
                out += encoded;
                return;
            }
        }
        out += '?';
    });
    return out;
}

#else

namespace {
constexpr UINT kCodePage936 = 936;

std::wstring ToWide(std::string_view utf8) {
    std::wstring wide;
    ForEachCodePoint(utf8, [&](char32_t cp) {
        if (cp == 0xFFFFFFFF) {
            wide += static_cast<wchar_t>(0xFFFD);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (cp >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(cp);
        }
    });
    return wide;
}

// Appends the character of the length bytes at bytes, or returns false.
bool AppendCodePageCharacter(const char* bytes, int length, std::string& out) {
    wchar_t wide[2] = {};
    if (MultiByteToWideChar(kCodePage936, MB_ERR_INVALID_CHARS, bytes, length, wide, 2) <= 0) {
        return false;
    }
    AppendUtf8(out, wide[0]);
    return true;
}
} // namespace

std::string DecodeGbk(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // A lead and a trail byte are one character, or one U+FFFD when they
        // decode to nothing; any other byte is decoded alone.
        const bool pair = i + 1 < bytes.size() && IsCp936LeadByte(lead) &&
                          IsCp936TrailByte(static_cast<unsigned char>(bytes[i + 1]));
        const int length = pair ? 2 : 1;
        if (!AppendCodePageCharacter(bytes.data() + i, length, out)) {
            out += kReplacementUtf8;
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string EncodeGbk(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    const std::wstring wide = ToWide(utf8);
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
        const int units = pair ? 2 : 1;
        char encoded[8] = {};
        BOOL usedDefault = FALSE;
        const int written = WideCharToMultiByte(kCodePage936, WC_NO_BEST_FIT_CHARS, &wide[i], units,
                                                encoded, sizeof encoded, "?", &usedDefault);
        if (written <= 0 || usedDefault) {
            out += '?';
        } else {
            out.append(encoded, static_cast<std::size_t>(written));
        }
        i += static_cast<std::size_t>(units - 1);
    }
    return out;
}

#endif

// Code page 936 has no "?" inside a two-byte character (trail bytes start at
// 0x40), so every "?" the encoding adds stands for one character it lacked.
std::string EncodeGbk(std::string_view utf8, std::size_t& unencodable) {
    std::string out = EncodeGbk(utf8);
    const auto questionMarks = [](std::string_view text) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '?'));
    };
    unencodable += questionMarks(out) - questionMarks(utf8);
    return out;
}

} // namespace quarvel
