#pragma once

#include <cstddef>
#include <string>

namespace quarvel {

// The bytes of a version 3.8 section file in code page 936 with CR LF line
// ends: pointCount point lines of about 70 bytes each with Chinese notes and
// layers, corners, end points, added and hidden points. The same seed always
// gives the same bytes.
std::string GenerateSectionFile(std::size_t pointCount, unsigned seed);

} // namespace quarvel
