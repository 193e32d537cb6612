// Whole-file reads and atomic replacements on POSIX file systems.
#include "platform/Files.h"

#include "platform/linux/Descriptor.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tallyvolt {
namespace {

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links at `path` to the file they finally name (which need not exist yet),
// so that a replacement lands in that file and the links stay links.
std::string FollowLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    return path;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string& content)
{
    content.clear();
    // O_NONBLOCK keeps a FIFO planted at the path from stalling the start.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > limit)
        return ReadResult::Unreadable;
    // One byte more than the limit shows a file that grew past it while we read.
    content.resize(limit + 1);
    const ssize_t size = ReadUpTo(fd.Get(), content.data(), content.size());
    if (size < 0 || static_cast<std::size_t>(size) > limit) {
        content.clear();
        return ReadResult::Unreadable;
    }
    content.resize(static_cast<std::size_t>(size));
    return ReadResult::Ok;
}

ReplacementFile::ReplacementFile(const std::string& path) : m_target(FollowLinks(path))
{
    const std::string folder = FolderOf(m_target);
    const std::size_t slash = m_target.rfind('/');
    const std::string base = m_target.substr(slash == std::string::npos ? 0 : slash + 1);

    struct stat old;
    m_exists = ::stat(m_target.c_str(), &old) == 0;
    // A new file gets the usual mode (the kernel applies the umask); a replaced one keeps its own.
    m_mode = m_exists ? (old.st_mode & 07777) : 0666;

    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                 std::to_string(attempt);
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                      static_cast<mode_t>(m_mode));
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_error = errno;
        m_temp.clear();
    }
}

ReplacementFile::~ReplacementFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
}

bool ReplacementFile::Write(const std::string& content)
{
    if (m_fd < 0)
        return false;
    if (WriteAll(m_fd, content.data(), content.size()))
        return true;
    m_error = errno;
    return false;
}

bool ReplacementFile::Commit()
{
    if (m_fd < 0)
        return false;
    Descriptor fd(m_fd);
    m_fd = -1;
    bool ok = !m_exists || ::fchmod(fd.Get(), static_cast<mode_t>(m_mode)) == 0 || errno == EPERM;
    // The data must be on disk before the rename makes them the file, or a power cut could leave
    // an empty file under the old name.
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = ::close(fd.Release()) == 0 && ok;
    ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        m_error = errno;
        return false; // the destructor removes the new file
    }
    m_temp.clear();
    Descriptor dir(::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
    return true;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content)
{
    ReplacementFile file(path);
    return file.Write(content) && file.Commit();
}

} // namespace tallyvolt
