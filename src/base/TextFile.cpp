#include "base/TextFile.h"

#include "base/FileDescriptor.h"
#include "base/LineSplitter.h"
#include "base/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

Status writeFileAtomically(const std::string& path, std::string_view content) {
    std::string temporary = path + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC), fileNameOf(path));
    if (!fd.valid())
        return fd.error(errno);
    Status written = ::fchmod(fd.get(), 0644) == 0 ? writeAll(fd, content) : fd.error(errno);
    if (written && ::fsync(fd.get()) != 0)
        written = fd.error(errno);
    if (written)
        written = fd.close();
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0)
        written = fd.error(errno);
    if (!written) {
        // The error to report is the first one; the file is gone in any case.
        fd.close().ignoreError();
        ::unlink(temporary.c_str());
    }
    return written;
}

namespace {

// Keeps the first line.
struct FirstLine {
    std::string text;

    const char* findLineEnd(const char* from, const char* end, bool) {
        return firstLineEnd(from, end);
    }
    void addLine(std::string_view line) { text = line; }
    void addCarriedLine(std::string_view line) { text = line; }
};

} // namespace

Result<std::string> readShortFirstLine(const std::string& path, std::size_t maxLineBytes) {
    const Result<FileDescriptor> opened = openRegularFile(path, O_RDONLY);
    if (!opened)
        return opened.error();
    const FileDescriptor& fd = opened.value();
    FirstLine first;
    LineSplitter splitter(first, 1, maxLineBytes);
    // One byte more than the longest line, to see its line end.
    std::string bytes(maxLineBytes + 1, '\0');
    std::size_t filled = 0;
    while (!splitter.done() && filled < bytes.size()) {
        const Result<std::size_t> got = readSome(fd, bytes.data() + filled, bytes.size() - filled);
        if (!got)
            return got.error();
        if (got.value() == 0) {
            splitter.finish();
            break;
        }
        splitter.feed(bytes.data() + filled, got.value());
        filled += got.value();
    }
    if (splitter.lines() == 1)
        return std::move(first.text);
    if (filled == 0)
        return Error{"Die Datei " + fd.name() + " ist leer"};
    return Error{"Die erste Zeile der Datei " + fd.name() + " ist zu lang"};
}

} // namespace liedspur
