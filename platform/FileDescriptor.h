#pragma once

#include <unistd.h>

#include <utility>

namespace dw {

// One open file descriptor, closed when its holder goes (also when a write raises), unless it
// was closed on purpose before, where the result of the close matters (a failing disk may tell
// only then). −1 holds nothing.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Closes now; whether the system reported the close a success (false when nothing was open).
    // The descriptor is given up either way: a failed close must not be retried.
    bool close()
    {
        if (m_fd < 0)
            return false;
        return ::close(std::exchange(m_fd, -1)) == 0;
    }

private:
    int m_fd;
};

} // namespace dw
