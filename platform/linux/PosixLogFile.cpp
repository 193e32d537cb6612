// The log on POSIX: O_APPEND writes of whole records under an exclusive flock().
#include "platform/LogFile.h"

#include "platform/linux/Descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyvolt {
namespace {

bool SameFile(const struct stat& a, const std::string& otherPath)
{
    struct stat b;
    if (otherPath.empty() || ::stat(otherPath.c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class PosixLogFile : public LogFile
{
public:
    ~PosixLogFile() override { Close(); }

    bool Open(const std::string& path, const std::string& protectedPath) override
    {
        if (m_fd.IsOpen())
            return false;
        // O_NONBLOCK only so that opening a FIFO without a reader fails instead of hanging.
        const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        bool created = false;
        Descriptor fd(::open(path.c_str(), flags));
        if (!fd.IsOpen() && errno == ENOENT) {
            fd.Reset(::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666));
            created = fd.IsOpen();
            if (!fd.IsOpen() && errno == EEXIST) // someone created it in between
                fd.Reset(::open(path.c_str(), flags));
        }
        if (!fd.IsOpen())
            return false;

        struct stat st;
        bool ok = ::fstat(fd.Get(), &st) == 0;
        // Identity by device and inode covers links, other spellings and case-folding file
        // systems alike: records appended to the settings file would ruin it.
        if (ok && SameFile(st, protectedPath)) {
            if (created)
                ::unlink(path.c_str());
            return false;
        }
        // One writer at a time: a second holder would interleave its records with ours.
        ok = ok && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
        ok = ok && ::fcntl(fd.Get(), F_SETFL, O_WRONLY | O_APPEND) == 0;
        ok = ok && ::lseek(fd.Get(), 0, SEEK_END) >= 0;
        if (!ok)
            return false;
        m_fd.Reset(fd.Release());
        return true;
    }

    bool Append(const std::string& text) override
    {
        if (!m_fd.IsOpen())
            return false;
        std::size_t written = 0;
        if (WriteAll(m_fd.Get(), text.data(), text.size(), &written))
            return true;
        // A full disk or a lost medium can take part of a record: cut it away again so the
        // log only ever holds whole lines. We hold the only writer's lock, so the part that
        // went out is the file's end.
        struct stat st;
        if (written > 0 && ::fstat(m_fd.Get(), &st) == 0 &&
            static_cast<std::size_t>(st.st_size) >= written)
            while (::ftruncate(m_fd.Get(), st.st_size - static_cast<off_t>(written)) != 0 &&
                   errno == EINTR) {
            }
        return false;
    }

    bool IsDeleted() const override
    {
        // One fstat: the link count of the open file falls to 0 when its last name goes.
        struct stat st;
        return m_fd.IsOpen() && ::fstat(m_fd.Get(), &st) == 0 && st.st_nlink == 0;
    }

    void Close() override { m_fd.Reset(); }

private:
    Descriptor m_fd;
};

} // namespace

std::unique_ptr<LogFile> CreateLogFile()
{
    return std::make_unique<PosixLogFile>();
}

} // namespace tallyvolt
