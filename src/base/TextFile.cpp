#include "base/TextFile.h"

#include "base/FileDescriptor.h"
#include "base/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {

Status writeFileAtomically(const std::string& path, std::string_view content) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    const std::string temporary(name.data());

    auto fail = [&](int errorNumber) -> Status {
        fd.close();
        ::unlink(temporary.c_str());
        return systemError(errorNumber, fileNameOf(path));
    };
    if (::fchmod(fd.get(), 0644) != 0)
        return fail(errno);
    if (const int errorNumber = writeAllBytes(fd.get(), content); errorNumber != 0)
        return fail(errorNumber);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (!fd.close())
        return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno);
    return success();
}

Result<std::string> readShortFirstLine(const std::string& path, std::size_t maxLineBytes) {
    const FileDescriptor fd = openRegularFile(path, O_RDONLY);
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    // One byte more than the longest line, to see its line end.
    std::string bytes(maxLineBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, fileNameOf(path));
        }
        if (got == 0)
            break;
        const auto lineEnd = bytes.find_first_of("\r\n", filled);
        filled += static_cast<std::size_t>(got);
        if (lineEnd < filled) {
            bytes.resize(lineEnd);
            return bytes;
        }
    }
    if (filled == 0)
        return Error{"Die Datei " + fileNameOf(path) + " ist leer"};
    if (filled > maxLineBytes)
        return Error{"Die erste Zeile der Datei " + fileNameOf(path) + " ist zu lang"};
    bytes.resize(filled);
    return bytes;
}

} // namespace liedspur
