#include "index/LineWriter.h"

#include "index/IndexFiles.h"

#include <cerrno>
#include <fcntl.h>

namespace liedspur {

namespace {

constexpr std::size_t bufferLimit = 64 * 1024;

} // namespace

Result<LineWriter> LineWriter::create(const std::string& path) {
    Result<FileDescriptor> fd = openRegularFile(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (!fd)
        return fd.error();
    return LineWriter(std::move(fd).value());
}

Status LineWriter::writeLine(std::string_view line) {
    if (!m_fd.valid())
        return m_fd.error(EBADF);
    m_buffer.append(line);
    m_buffer.append(indexfiles::lineEnd);
    if (m_buffer.size() >= bufferLimit)
        return flush();
    return success();
}

Status LineWriter::flush() {
    Status written = writeAll(m_fd, m_buffer);
    m_buffer.clear();
    return written;
}

Status LineWriter::close() {
    if (!m_fd.valid())
        return success();
    Status flushed = flush();
    Status closed = m_fd.close();
    return flushed ? closed : flushed;
}

} // namespace liedspur
