#pragma once

#include "base/FileDescriptor.h"
#include "base/Result.h"

#include <string>
#include <string_view>

namespace liedspur {

// Writes lines ending in CR LF to a file that it creates or empties. Buffered, so a write
// error may only show at a later line or at close().
class LineWriter {
public:
    static Result<LineWriter> create(const std::string& path);

    Status writeLine(std::string_view line);
    // Writes what is buffered and closes; a writer closed once stays closed.
    Status close();

private:
    explicit LineWriter(FileDescriptor fd) : m_fd(std::move(fd)) {}
    Status flush();

    FileDescriptor m_fd;
    std::string m_buffer;
};

} // namespace liedspur
