#include "index/LineWriter.h"

#include "base/SystemError.h"
#include "index/IndexFiles.h"

#include <cerrno>
#include <fcntl.h>

namespace liedspur {

namespace {

constexpr std::size_t bufferLimit = 64 * 1024;

} // namespace

Result<LineWriter> LineWriter::create(const std::string& path) {
    FileDescriptor fd = openRegularFile(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    return LineWriter(std::move(fd), fileNameOf(path));
}

Status LineWriter::writeLine(std::string_view line) {
    if (!m_fd.valid())
        return systemError(EBADF, m_name);
    m_buffer.append(line);
    m_buffer.append(indexfiles::lineEnd);
    if (m_buffer.size() >= bufferLimit)
        return flush();
    return success();
}

Status LineWriter::flush() {
    const int errorNumber = writeAllBytes(m_fd.get(), m_buffer);
    m_buffer.clear();
    if (errorNumber != 0)
        return systemError(errorNumber, m_name);
    return success();
}

Status LineWriter::close() {
    if (!m_fd.valid())
        return success();
    Status flushed = flush();
    const bool closed = m_fd.close();
    if (!flushed)
        return flushed;
    if (!closed)
        return systemError(errno, m_name);
    return success();
}

} // namespace liedspur
