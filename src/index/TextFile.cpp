#include "TextFile.h"

#include "FileDescriptor.h"
#include "SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Returns 0 or the error number of the write that failed.
int writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace

Status writeFileAtomically(const std::string& path, std::string_view content) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid())
        return systemError(errno, baseName(path));
    const std::string temporary(name.data());

    auto fail = [&](int errorNumber) -> Status {
        fd.close();
        ::unlink(temporary.c_str());
        return systemError(errorNumber, baseName(path));
    };
    if (::fchmod(fd.get(), 0644) != 0)
        return fail(errno);
    if (const int errorNumber = writeAll(fd.get(), content); errorNumber != 0)
        return fail(errorNumber);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (!fd.close())
        return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno);
    return success();
}

} // namespace liedspur
