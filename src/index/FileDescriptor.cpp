#include "FileDescriptor.h"

#include <unistd.h>

namespace liedspur {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    close();
}

bool FileDescriptor::close() {
    if (m_fd < 0)
        return true;
    const int result = ::close(std::exchange(m_fd, -1));
    return result == 0;
}

} // namespace liedspur
