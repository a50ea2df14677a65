#pragma once

#include "ByteSource.h"

#include <memory>
#include <string>

namespace kvraudio {

// A local file, read with pread so no file offset is shared between readers.
class FileSource : public ByteSource
{
public:
    // nullptr when the path is not a readable regular file.
    static std::unique_ptr<FileSource> open(const std::string &path);
    ~FileSource() override;

    int readAt(int64_t pos, uint8_t *buffer, int size) override;
    int64_t size() const override { return m_size; }

private:
    FileSource(int fd, int64_t size);

    int m_fd;
    int64_t m_size;
};

} // namespace kvraudio
