#include "TextFile.h"

#include "FileDescriptor.h"
#include "LineWriter.h"
#include "SystemError.h"

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

} // namespace liedspur
