#pragma once

#include <string>
#include <string_view>

namespace quarvel {

// Decodes many short pieces of code page 936 text with one converter, so that
// a large file does not pay for opening the converter once per field. Same
// results as DecodeGbk: each byte that does not decode becomes one U+FFFD.
class GbkDecoder {
public:
    GbkDecoder();
    ~GbkDecoder();
    GbkDecoder(const GbkDecoder&) = delete;
    GbkDecoder& operator=(const GbkDecoder&) = delete;

    // Appends the UTF-8 form of bytes to out.
    void AppendDecoded(std::string_view bytes, std::string& out);

private:
    void* m_handle; // the platform converter, or null when it cannot be opened
};

} // namespace quarvel
