// Linux platform pieces: the per-user single-instance claim, the program's paths and the
// toolkit backend chosen for the session.
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/linux/WindowingSystem.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>
#include <vector>

using namespace tallyvolt;
using namespace tallyvolt::test;
using Claim = SingleInstance::Claim;

namespace {

std::string PrivateFolder(const TempFolder& dir)
{
    const std::string folder = dir / "run";
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

bool Readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 1000) == 1;
}

} // namespace

TEST(SingleInstance, OneClaimAtATimeAndTheSecondCopyCanSurfaceTheFirst)
{
    TempFolder dir;
    const std::string folder = PrivateFolder(dir);
    auto first = CreateSingleInstance(folder);
    ASSERT_EQ(first->TryAcquire(), Claim::Acquired);
    ASSERT_GE(first->SurfaceRequestHandle(), 0);
    EXPECT_FALSE(first->TakeSurfaceRequests());

    auto second = CreateSingleInstance(folder);
    EXPECT_EQ(second->TryAcquire(), Claim::AlreadyRunning);
    EXPECT_EQ(second->SurfaceRequestHandle(), -1);
    ASSERT_TRUE(second->AskRunningCopyToSurface());
    ASSERT_TRUE(Readable(first->SurfaceRequestHandle()));
    EXPECT_TRUE(first->TakeSurfaceRequests());
    EXPECT_FALSE(first->TakeSurfaceRequests());

    first.reset();
    // The claim went with the first copy; a stale socket file answers nobody.
    EXPECT_FALSE(second->AskRunningCopyToSurface());
    EXPECT_EQ(second->TryAcquire(), Claim::Acquired);
}

TEST(SingleInstance, ACopyWithoutAWindowKeepsItsClaimButHearsNoSurfacing)
{
    TempFolder dir;
    const std::string folder = PrivateFolder(dir);
    auto headless = CreateSingleInstance(folder);
    ASSERT_EQ(headless->TryAcquire(), Claim::Acquired);
    headless->StopHearingSurfaceRequests();
    EXPECT_EQ(headless->SurfaceRequestHandle(), -1);

    // A second copy learns there is nothing to surface; the claim still holds.
    auto second = CreateSingleInstance(folder);
    EXPECT_EQ(second->TryAcquire(), Claim::AlreadyRunning);
    EXPECT_FALSE(second->AskRunningCopyToSurface());
    EXPECT_FALSE(headless->TakeSurfaceRequests());
}

TEST(SingleInstance, ACrashedRunNeverBlocksTheNextStart)
{
    TempFolder dir;
    const std::string folder = PrivateFolder(dir);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto crashed = CreateSingleInstance(folder);
        // Dies holding the claim, without any cleanup.
        ::_exit(crashed->TryAcquire() == Claim::Acquired ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FileExists(folder + "/tallyvolt.lock"));
    EXPECT_EQ(CreateSingleInstance(folder)->TryAcquire(), Claim::Acquired);
}

TEST(SingleInstance, TwentyCopiesStartedTogetherGiveOneRun)
{
    TempFolder dir;
    const std::string folder = PrivateFolder(dir);
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 20; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            char c;
            (void)!::read(go[0], &c, 1); // all start at the same instant
            auto instance = CreateSingleInstance(folder);
            const Claim claim = instance->TryAcquire();
            ::usleep(200 * 1000); // hold it while the others try
            ::_exit(claim == Claim::Acquired ? 10 : claim == Claim::AlreadyRunning ? 11 : 12);
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]); // releases every child at once
    int acquired = 0;
    int refused = 0;
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        acquired += WEXITSTATUS(status) == 10;
        refused += WEXITSTATUS(status) == 11;
    }
    EXPECT_EQ(acquired, 1);
    EXPECT_EQ(refused, 19);
}

TEST(SingleInstance, AFolderOthersCanEnterIsNotTrusted)
{
    TempFolder dir;
    const std::string folder = dir / "open";
    ::mkdir(folder.c_str(), 0777);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(CreateSingleInstance(folder)->TryAcquire(), Claim::Unavailable);
    EXPECT_FALSE(FileExists(folder + "/tallyvolt.lock"));
}

TEST(Paths, DesktopFolderFromUserDirs)
{
    const std::string home = "/home/ann";
    EXPECT_EQ(DesktopFolderFromUserDirs("", home), "/home/ann/Desktop");
    EXPECT_EQ(DesktopFolderFromUserDirs("# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                        "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n",
                                        home),
              "/home/ann/Schreibtisch");
    EXPECT_EQ(DesktopFolderFromUserDirs("XDG_DESKTOP_DIR=\"/data/desk top/\"\n", home),
              "/data/desk top");
    // Desktop switched off: the home folder itself, as xdg-user-dir answers.
    EXPECT_EQ(DesktopFolderFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/\"\n", home), "/home/ann");
    // A relative value is not valid in that file.
    EXPECT_EQ(DesktopFolderFromUserDirs("XDG_DESKTOP_DIR=\"Desktop\"\n", home),
              "/home/ann/Desktop");
}

TEST(Paths, CurrentDirectoryOfAnyLength)
{
    TempFolder dir;
    const std::string saved = CurrentDirectory();
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    // Deeper than PATH_MAX (4096): built one relative step at a time.
    std::string expected = dir.Path();
    const std::string step(200, 'd');
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(::mkdir(step.c_str(), 0700), 0);
        ASSERT_EQ(::chdir(step.c_str()), 0);
        expected += "/" + step;
    }
    const std::string found = CurrentDirectory();
    // Too deep for the temporary folder's own clean-up: take it apart from the inside.
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(::chdir(".."), 0);
        ASSERT_EQ(::rmdir(step.c_str()), 0);
    }
    ASSERT_EQ(::chdir(saved.c_str()), 0);
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(JoinPath(found, "tallyvolt.ini").size(), expected.size() + 14);
}

TEST(ToolkitBackend, X11OnlyOnAWaylandSessionWithXwaylandAndNoChoiceOfTheUsers)
{
    auto choice = [](const char* gdkBackend, const char* wayland, const char* type,
                     const char* display) {
        const char* backend = PreferredToolkitBackend(gdkBackend, wayland, type, display);
        return std::string(backend ? backend : "(toolkit's own)");
    };
    const std::string own = "(toolkit's own)";
    EXPECT_EQ(choice(nullptr, "wayland-0", "wayland", ":0"), "x11");
    EXPECT_EQ(choice(nullptr, "/run/user/1000/wayland-1", nullptr, ":1"), "x11");
    // The session type alone tells of Wayland: GTK connects to wayland-0 by itself.
    EXPECT_EQ(choice(nullptr, nullptr, "wayland", ":0"), "x11");
    EXPECT_EQ(choice("", "wayland-0", "", ":0"), "x11");
    // No Xwayland: native Wayland.
    EXPECT_EQ(choice(nullptr, "wayland-0", "wayland", nullptr), own);
    EXPECT_EQ(choice(nullptr, "wayland-0", "wayland", ""), own);
    // The user's choice holds, whatever it is.
    EXPECT_EQ(choice("wayland", "wayland-0", "wayland", ":0"), own);
    EXPECT_EQ(choice("x11,wayland", "wayland-0", "wayland", ":0"), own);
    // An X11 session, or none at all: nothing to change.
    EXPECT_EQ(choice(nullptr, nullptr, "x11", ":0"), own);
    EXPECT_EQ(choice(nullptr, "", "tty", ":0"), own);
    EXPECT_EQ(choice(nullptr, nullptr, nullptr, nullptr), own);
}
