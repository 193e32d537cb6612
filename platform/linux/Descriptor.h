// Owns a file descriptor and closes it when it goes away.
#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace tallyvolt {

class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int Release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Writes all `size` bytes, going on after interrupted and partial writes; false on an error.
inline bool WriteAll(int fd, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until `capacity` bytes are in or the file ends, going on after interrupted and short
// reads; the count read, or -1 on an error.
inline ssize_t ReadUpTo(int fd, char* data, std::size_t capacity)
{
    std::size_t size = 0;
    while (size < capacity) {
        const ssize_t n = ::read(fd, data + size, capacity - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

} // namespace tallyvolt
