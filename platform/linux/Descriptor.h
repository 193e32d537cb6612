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
    Descriptor(Descriptor&& other) noexcept : m_fd(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

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

// Writes all `size` bytes, going on after interrupted and partial writes; false on an error,
// with the number of bytes that did go out in `written`.
inline bool WriteAll(int fd, const char* data, std::size_t size, std::size_t* written = nullptr)
{
    std::size_t done = 0;
    bool ok = true;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (written)
        *written = done;
    return ok;
}

// Reads until `capacity` bytes are in or the file ends, going on after interrupted and short
// reads; the count read, or -1 on an error. With `fromStart`, reads from the file's first byte
// whatever its offset (pread), so a descriptor kept open re-reads the file afresh.
enum class ReadFrom
{
    Offset,
    Start,
};
inline ssize_t ReadUpTo(int fd, char* data, std::size_t capacity, ReadFrom from = ReadFrom::Offset)
{
    std::size_t size = 0;
    while (size < capacity) {
        const ssize_t n = from == ReadFrom::Start
                              ? ::pread(fd, data + size, capacity - size, static_cast<off_t>(size))
                              : ::read(fd, data + size, capacity - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
        // Read from the start, sysfs attributes, /proc files and regular files come whole in
        // one read; a short one has reached the end, and a second read would only say so.
        if (from == ReadFrom::Start && size < capacity)
            break;
    }
    return static_cast<ssize_t>(size);
}

} // namespace tallyvolt
