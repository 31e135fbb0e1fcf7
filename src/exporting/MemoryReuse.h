#pragma once

namespace quarvel {

// A batch frees and makes again the same few buffers for each of thousands
// of files. This keeps freed memory in the process for the next file rather
// than handing it back to the system after each one, which costs a system
// call each time and a fault on every page touched again. For programs that
// run batches, once at start-up.
void KeepFreedMemoryForReuse();

} // namespace quarvel
