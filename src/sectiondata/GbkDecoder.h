#pragma once

#ifndef _WIN32
#include "sectiondata/IconvConverter.h"
#endif

#include <string>
#include <string_view>

namespace quarvel {

// Decodes many short pieces of code page 936 text with one converter, so that
// a large file does not pay for opening the converter once per field. Same
// results as DecodeGbk.
class GbkDecoder {
public:
    // Appends the UTF-8 form of bytes to out.
    void AppendDecoded(std::string_view bytes, std::string& out);

private:
#ifndef _WIN32
    IconvConverter m_converter{"UTF-8", "GBK"};
#endif
};

} // namespace quarvel
