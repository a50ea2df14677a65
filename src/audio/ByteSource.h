#pragma once

#include <cstdint>

namespace kvraudio {

// The encoded bytes of a stream, read by position. Readers are serialised by the stream that owns
// the source; implementations only need to be safe against their own producer threads.
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // Up to `size` bytes at `pos`. Blocks while a download has not reached `pos` yet. Returns the
    // number of bytes, 0 at the end of the data, or -1 when the source failed or was aborted.
    virtual int readAt(int64_t pos, uint8_t *buffer, int size) = 0;

    // Total size in bytes, or -1 while it is not known.
    virtual int64_t size() const = 0;
};

} // namespace kvraudio
