#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace quarvel {

// Reads up to size bytes of a regular file at offset without moving the
// file's position, so that threads can read one file at once. Sets got to the
// bytes read, fewer only at the end of the file or on a failure; returns 0 or
// the errno of the failure.
int ReadAt(std::FILE* file, std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got);

} // namespace quarvel
