// The Windows platform layer: log file, files and folders, one running copy, readings.
#include "platform/Clock.h"
#include "platform/FileOpening.h"
#include "platform/Files.h"
#include "platform/FirstInterval.h"
#include "platform/LogFile.h"
#include "platform/Paths.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"
#include "platform/SingleInstance.h"
#include "platform/windows/BatteryRate.h"
#include "platform/windows/LogPaths.h"
#include "platform/windows/SystemTimes.h"
#include "platform/windows/WideText.h"

#include "fakes/BusyCore.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

HANDLE OpenFor(const std::string& path, DWORD access, DWORD share)
{
    return ::CreateFileW(win::Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

TEST(WindowsProcessor, UsageIsTheBusyShareOfKernelAndUserTime)
{
    // Kernel time includes idle: 400 of 1000 ticks busy.
    EXPECT_EQ(win::UsageBetween({100, 500, 200}, {700, 1300, 400}), 40u);
    EXPECT_EQ(win::UsageBetween({0, 0, 0}, {0, 10, 90}), 100u);
    EXPECT_EQ(win::UsageBetween({5, 5, 5}, {5, 5, 5}), std::nullopt);
    // Counters that ran backwards count as no time, never as a wrap.
    EXPECT_EQ(win::UsageBetween({900, 900, 900}, {100, 100, 100}), std::nullopt);
    EXPECT_EQ(win::UsageBetween({900, 0, 0}, {100, 50, 50}), 100u);
}

// Regression: the first reading followed the start by microseconds, within one tick of
// GetSystemTimes, and every run's first record said 0 % whatever the load.
TEST(WindowsProcessor, FirstReadingMeasuresATenthOfASecondAndSeesABusyCore)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    test::BusyCore busy;
    auto statistic = CreateProcessorStatistic();
    const auto started = std::chrono::steady_clock::now();
    statistic->StartCollecting();
    const std::optional<std::uint32_t> usage = statistic->ReadUsage();
    EXPECT_GE(std::chrono::steady_clock::now() - started, FirstInterval::kShortest);
    ASSERT_TRUE(usage);
    // One core of `cores` busy all along, less a few coarse ticks.
    EXPECT_GE(*usage * cores, 60u) << *usage << "% of " << cores << " cores";
}

TEST(WindowsLogFile, AppendsToWhatIsThereAndLetsOthersReadButNotWrite)
{
    TempFolder dir;
    const std::string path = dir / "run.log";
    WriteFile(path, "old line\r\n");
    auto log = CreateLogFile();
    ASSERT_TRUE(log->Open(path, dir / "tallyvolt.ini"));
    ASSERT_TRUE(log->Append("record 1\r\n"));
    ASSERT_TRUE(log->Append("record 2\r\n"));
    EXPECT_FALSE(log->IsDeleted());

    HANDLE reader = OpenFor(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    ::CloseHandle(reader);
    HANDLE writer = OpenFor(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // A second log on the same file is refused while the first holds it.
    EXPECT_FALSE(CreateLogFile()->Open(path, dir / "tallyvolt.ini"));

    log->Close();
    EXPECT_EQ(ReadFile(path), "old line\r\nrecord 1\r\nrecord 2\r\n");
    EXPECT_FALSE(log->Append("late\r\n"));
}

TEST(WindowsLogFile, TheSettingsFileIsRefusedWhateverItsCaseAndWhetherOrNotItExists)
{
    TempFolder dir;
    // The default log on a desktop that is also the working folder.
    const std::string settings = dir / "tallyvolt.ini";
    EXPECT_FALSE(CreateLogFile()->Open(dir / "TALLYVOLT.INI", settings));
    EXPECT_FALSE(FileExists(settings));
    WriteFile(settings, "[Tallyvolt]\r\n");
    EXPECT_FALSE(CreateLogFile()->Open(dir.Path() + "\\.\\TallyVolt.ini", settings));
    EXPECT_EQ(ReadFile(settings), "[Tallyvolt]\r\n");

    EXPECT_TRUE(win::SameFileName("C:\\Users\\ann\\Desktop\\TALLYVOLT.INI",
                                  "c:/users/ANN/desktop/tallyvolt.ini"));
    EXPECT_FALSE(win::SameFileName("C:\\a\\tallyvolt.ini", "C:\\b\\tallyvolt.ini"));
    EXPECT_FALSE(win::SameFileName("", "C:\\b\\tallyvolt.ini"));
    // A folder where the log should be, or a missing folder: no log.
    EXPECT_FALSE(CreateLogFile()->Open(dir.Path(), settings));
    EXPECT_FALSE(CreateLogFile()->Open(dir / "gone\\run.log", settings));
}

TEST(WindowsFiles, NonAsciiFoldersWorkThroughout)
{
    TempFolder dir;
    const std::string folder = dir / "J\xC3\xBCrgen \xE7\x94\xA8\xE6\x88\xB7";
    ASSERT_TRUE(::CreateDirectoryW(win::Widen(folder).c_str(), nullptr));
    const std::string path = JoinPath(folder, "tallyvolt.ini");
    EXPECT_EQ(path, folder + "\\tallyvolt.ini");

    std::string content;
    EXPECT_EQ(ReadWholeFile(path, 1024, content), ReadResult::Missing);
    ASSERT_TRUE(ReplaceFileAtomically(path, "[Tallyvolt]\r\nA=1\r\n"));
    ASSERT_TRUE(ReplaceFileAtomically(path, "[Tallyvolt]\r\nA=2\r\n"));
    EXPECT_EQ(ReadWholeFile(path, 1024, content), ReadResult::Ok);
    EXPECT_EQ(content, "[Tallyvolt]\r\nA=2\r\n");
    EXPECT_EQ(ReadWholeFile(path, 4, content), ReadResult::Unreadable);
    EXPECT_EQ(ReadWholeFile(folder, 1024, content), ReadResult::Unreadable);
    // No temporary file left beside it.
    EXPECT_FALSE(FileExists(path + ".tallyvolt-new"));

    // The report's files: opened by the wide name, never by the code page's rendering of it.
    std::FILE* stream = OpenFileStream(JoinPath(folder, "\xE8\xBC\xB8\xE5\x87\xBA.csv"), "wb");
    ASSERT_NE(stream, nullptr);
    EXPECT_GE(std::fputs("a\nb", stream), 0);
    std::fclose(stream);
    const int fd = OpenFileForReading(JoinPath(folder, "\xE8\xBC\xB8\xE5\x87\xBA.csv"));
    ASSERT_GE(fd, 0);
    char bytes[8] = {};
    EXPECT_EQ(::_read(fd, bytes, sizeof bytes), 3); // binary: no CR added, none taken
    ::_close(fd);
    EXPECT_EQ(OpenFileForReading(JoinPath(folder, "\xC5\x81.log")), -1);
    EXPECT_EQ(errno, ENOENT);

    auto log = CreateLogFile();
    ASSERT_TRUE(log->Open(JoinPath(folder, "run.log"), path));
    EXPECT_TRUE(log->Append("r\r\n"));
    log->Close();

    wchar_t saved[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(win::Widen(folder).c_str()));
    const std::string current = CurrentDirectory();
    ::SetCurrentDirectoryW(saved);
    EXPECT_TRUE(win::SameFileName(current, folder)) << current;
    EXPECT_EQ(current.substr(current.size() - 14), "J\xC3\xBCrgen \xE7\x94\xA8\xE6\x88\xB7");
}

// The settings file was once rewritten by renaming a new file over it, which dropped its
// attributes and rights at the first run.
TEST(WindowsFiles, ReplacementKeepsTheFilesAttributesAndLeavesAReadOnlyFileAlone)
{
    TempFolder dir;
    const std::wstring hidden = win::Widen(dir / "hidden.ini");
    WriteFile(dir / "hidden.ini", "[Tallyvolt]\r\nA=1\r\n");
    ASSERT_TRUE(::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(ReplaceFileAtomically(dir / "hidden.ini", "[Tallyvolt]\r\nA=2\r\n"));
    EXPECT_EQ(ReadFile(dir / "hidden.ini"), "[Tallyvolt]\r\nA=2\r\n");
    EXPECT_EQ(::GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    const std::wstring locked = win::Widen(dir / "locked.ini");
    WriteFile(dir / "locked.ini", "[Tallyvolt]\r\nA=1\r\n");
    ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ReplaceFileAtomically(dir / "locked.ini", "[Tallyvolt]\r\nA=2\r\n"));
    EXPECT_EQ(ReadFile(dir / "locked.ini"), "[Tallyvolt]\r\nA=1\r\n");
    EXPECT_FALSE(FileExists(dir / "locked.ini.tallyvolt-new"));
    ::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFiles, DefaultLogIsOnTheDesktop)
{
    const std::string path = DefaultLogPath();
    ASSERT_GT(path.size(), 14u);
    EXPECT_EQ(path.substr(path.size() - 14), "\\TALLYVOLT.INI");
    EXPECT_NE(path.find('\\'), 0u);
}

TEST(WindowsSingleInstance, OneClaimAtATimeReleasedWithItsHolder)
{
    const std::string name = "test-" + std::to_string(::GetCurrentProcessId());
    auto first = CreateSingleInstance(name);
    auto second = CreateSingleInstance(name);
    EXPECT_EQ(first->TryAcquire(), SingleInstance::Claim::Acquired);
    EXPECT_EQ(second->TryAcquire(), SingleInstance::Claim::AlreadyRunning);
    EXPECT_EQ(CreateSingleInstance(name + "-other")->TryAcquire(), SingleInstance::Claim::Acquired);
    first.reset();
    EXPECT_EQ(second->TryAcquire(), SingleInstance::Claim::Acquired);
}

TEST(WindowsReadings, PowerAndClocksComeFromTheSystem)
{
    SYSTEM_POWER_STATUS raw{};
    ASSERT_TRUE(::GetSystemPowerStatus(&raw));
    const PowerStatus status = CreatePowerSource()->Read();
    EXPECT_EQ(status.linePower, raw.ACLineStatus);
    EXPECT_EQ(status.batteryState, raw.BatteryFlag);
    EXPECT_EQ(status.chargePercent, raw.BatteryLifePercent);

    auto clock = CreateSystemClock();
    const auto elapsed = clock->ElapsedSeconds();
    EXPECT_LE(std::abs(elapsed - static_cast<std::int64_t>(::GetTickCount64() / 1000)), 1);
    const std::time_t t = 1796648709;
    std::tm expected{};
    ::localtime_s(&expected, &t);
    const std::tm got = clock->LocalTime(t);
    EXPECT_EQ(got.tm_hour, expected.tm_hour);
    EXPECT_EQ(got.tm_mday, expected.tm_mday);
    EXPECT_LE(std::abs(clock->Now() - std::time(nullptr)), 1);
}

// Windows counts a charging battery's rate as positive; the log's power is positive while the
// batteries drain. Batteries without a rate (relative units, unknown) do not count.
TEST(WindowsBatteryRate, RatesSummedAndFlippedAndUnknownWithoutAny)
{
    using tallyvolt::win::BatteryRate;
    using tallyvolt::win::PowerDrawFrom;
    EXPECT_EQ(PowerDrawFrom({}), std::nullopt);
    EXPECT_EQ(PowerDrawFrom({BatteryRate{}, BatteryRate{}}), std::nullopt);
    EXPECT_DOUBLE_EQ(*PowerDrawFrom({BatteryRate{-7420}}), 7.42);
    EXPECT_DOUBLE_EQ(*PowerDrawFrom({BatteryRate{5260}, BatteryRate{}}), -5.26);
    EXPECT_DOUBLE_EQ(*PowerDrawFrom({BatteryRate{-4000}, BatteryRate{-5250}}), 9.25);
    // Wine has no battery devices: the column reads Unknown there.
    EXPECT_EQ(PowerDrawFrom(tallyvolt::win::ReadBatteryRates()), std::nullopt);
}
