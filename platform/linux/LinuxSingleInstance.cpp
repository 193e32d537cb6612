// One copy per user on Linux: an flock() on a file in the user's runtime folder, and a Unix
// socket beside it on which the running copy hears that a second copy wants it surfaced.
#include "platform/SingleInstance.h"

#include "platform/linux/Descriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

namespace tallyvolt {
namespace {

constexpr const char* kLockName = "tallyvolt.lock";
constexpr const char* kSocketName = "tallyvolt.sock";
constexpr char kSurfaceRequest[] = "surface\n";

// A folder only this user can enter; anything else could let another user hold our lock or
// answer in our place.
bool IsPrivateFolder(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

std::string DefaultRuntimeFolder()
{
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR");
        xdg && *xdg == '/' && IsPrivateFolder(xdg))
        return xdg;
    // Without a runtime folder, a per-user folder under /tmp; mkdir fails harmlessly when it
    // exists, and the check below refuses one that someone else planted.
    std::string folder = "/tmp/tallyvolt-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? folder : std::string();
}

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

class LinuxSingleInstance : public SingleInstance
{
public:
    explicit LinuxSingleInstance(std::string folder) : m_folder(std::move(folder)) {}

    Claim TryAcquire() override
    {
        if (m_lock.IsOpen())
            return Claim::Acquired;
        if (m_folder.empty() || !IsPrivateFolder(m_folder))
            return Claim::Unavailable;
        Descriptor lock(::open((m_folder + "/" + kLockName).c_str(),
                               O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock.IsOpen())
            return Claim::Unavailable;
        // The kernel drops the lock when the process ends however it ends, so a crashed run
        // never leaves a stale claim behind.
        while (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                return Claim::AlreadyRunning;
            if (errno != EINTR)
                return Claim::Unavailable;
        }
        m_lock.Reset(lock.Release());
        Listen();
        return Claim::Acquired;
    }

    bool AskRunningCopyToSurface() override
    {
        sockaddr_un address;
        if (m_folder.empty() || !FillAddress(m_folder + "/" + kSocketName, address))
            return false;
        Descriptor sock(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!sock.IsOpen() ||
            ::connect(sock.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        return WriteAll(sock.Get(), kSurfaceRequest, sizeof kSurfaceRequest - 1);
    }

    int SurfaceRequestHandle() const override { return m_listener.Get(); }

    bool TakeSurfaceRequests() override
    {
        bool any = false;
        for (;;) {
            Descriptor peer(
                ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (!peer.IsOpen())
                return any;
            // Only second copies of this user can reach the socket in our private folder;
            // a connection is the request, whatever it managed to send.
            char discard[64];
            while (::read(peer.Get(), discard, sizeof discard) > 0) {
            }
            any = true;
        }
    }

    void StopHearingSurfaceRequests() override
    {
        if (!m_listener.IsOpen())
            return;
        m_listener.Reset(-1);
        ::unlink((m_folder + "/" + kSocketName).c_str());
    }

private:
    void Listen()
    {
        sockaddr_un address;
        const std::string path = m_folder + "/" + kSocketName;
        if (!FillAddress(path, address))
            return;
        Descriptor sock(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!sock.IsOpen())
            return;
        // We hold the lock, so a socket file left here belongs to a run that has ended.
        ::unlink(path.c_str());
        if (::bind(sock.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(sock.Get(), 16) != 0)
            return;
        m_listener.Reset(sock.Release());
    }

    std::string m_folder;
    Descriptor m_lock;
    Descriptor m_listener;
};

} // namespace

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& runtimeFolder)
{
    return std::make_unique<LinuxSingleInstance>(runtimeFolder.empty() ? DefaultRuntimeFolder()
                                                                       : runtimeFolder);
}

} // namespace tallyvolt
