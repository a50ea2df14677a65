#pragma once

#include <string>

namespace kvraudio {

class ByteSource;

// Title, artist and album of an audio file, read with TagLib. Any thread; each call reads the file
// afresh, and TagLib's text handlers are installed once, before the first read.
class TagReader
{
public:
    struct Tags
    {
        std::string title;
        std::string artist;
        std::string album;
    };

    // The container is the one FFmpeg found in the file: cached songs carry names like "x.dat", so
    // the file name says nothing. Values are UTF-8; missing ones are empty.
    static Tags read(const std::string &path, const std::string &format, const std::string &codec);
    // The same from a source that is already open, so a file is opened once for its length and
    // tags; `path` only names it.
    static Tags read(ByteSource &source, const std::string &path, const std::string &format,
                     const std::string &codec);
};

} // namespace kvraudio
