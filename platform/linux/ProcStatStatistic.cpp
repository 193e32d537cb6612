// Processor usage from the aggregate `cpu` line of /proc/stat.
#include "platform/linux/ProcStatStatistic.h"

#include "platform/linux/Descriptor.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tallyvolt {
namespace {

// The `cpu` line comes first and holds at most ten 20-digit numbers; the rest of the file
// (a line per processor, the long `intr` line) is never needed.
constexpr std::size_t kFirstLineLimit = 4096;

// Column order of the `cpu` line; later kernels appended columns, so old ones have fewer.
enum Column : std::size_t
{
    kUser,
    kNice,
    kSystem,
    kIdle,
    kIowait,
    kIrq,
    kSoftirq,
    kSteal,
    kGuest,
    kGuestNice,
    kColumnCount,
};

// Kernels before 2.5.41 wrote only user, nice, system and idle.
constexpr std::size_t kMinColumns = kIowait;

std::uint64_t SaturatingSub(std::uint64_t a, std::uint64_t b)
{
    return a > b ? a - b : 0;
}

// Parses one unsigned decimal from the front of `text`; false on anything else or overflow.
bool TakeNumber(std::string_view& text, std::uint64_t& value)
{
    value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        const auto digit = static_cast<std::uint64_t>(text[digits] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    text.remove_prefix(digits);
    return digits > 0;
}

} // namespace

ProcStatStatistic::ProcStatStatistic(std::string statPath, std::chrono::milliseconds firstInterval)
    : m_path(std::move(statPath)), m_first(firstInterval)
{
}

void ProcStatStatistic::StartCollecting()
{
    m_file.Reset(); // a fresh start opens the file afresh
    m_previous = ReadTicks();
    m_lastUsage = 0;
    if (m_previous)
        m_first.Start();
    else
        m_first.Cancel();
}

std::optional<std::uint32_t> ProcStatStatistic::ReadUsage()
{
    if (m_previous)
        m_first.WaitOut();
    const std::optional<Ticks> now = ReadTicks();
    if (!now)
        return std::nullopt; // the last good snapshot stays the reference
    if (!m_previous) {
        m_previous = now;
        return std::nullopt;
    }
    // Each difference saturates: iowait is known to go backwards on busy multi-core machines.
    const std::uint64_t total = SaturatingSub(now->total, m_previous->total);
    const std::uint64_t idle = SaturatingSub(now->idle, m_previous->idle);
    m_previous = now;
    if (total == 0)
        return m_lastUsage; // no tick passed, so nothing new to tell
    // Saturating here caps the figure at 100 even when idle ran ahead of the total.
    const std::uint64_t busy = SaturatingSub(total, idle);
    const double percent = 100.0 * static_cast<double>(busy) / static_cast<double>(total);
    m_lastUsage = static_cast<std::uint32_t>(std::lround(percent));
    return m_lastUsage;
}

void ProcStatStatistic::StopCollecting()
{
    m_file.Reset();
    m_previous.reset();
    m_lastUsage = 0;
    m_first.Cancel();
}

std::optional<ProcStatStatistic::Ticks> ProcStatStatistic::ReadTicks() const
{
    // Opened once and re-read from its start: /proc/stat is rendered afresh on every read.
    if (!m_file.IsOpen()) {
        m_file.Reset(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        struct stat st;
        if (!m_file.IsOpen() || ::fstat(m_file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            m_file.Reset();
            return std::nullopt;
        }
    }
    std::array<char, kFirstLineLimit> buffer;
    const ssize_t size = ReadUpTo(m_file.Get(), buffer.data(), buffer.size(), ReadFrom::Start);
    if (size <= 0) {
        m_file.Reset(); // opened afresh next time: the file may have gone
        return std::nullopt;
    }
    std::string_view text(buffer.data(), static_cast<std::size_t>(size));
    // A last line without its line end still counts; no line end in a full buffer is not
    // /proc/stat.
    if (text.find('\n') == std::string_view::npos && text.size() == buffer.size())
        return std::nullopt;
    text = text.substr(0, text.find('\n'));

    // "cpu" then blanks; "cpu0" and the like are single processors.
    constexpr std::string_view kLabel = "cpu";
    if (text.compare(0, kLabel.size(), kLabel) != 0 || text.size() == kLabel.size() ||
        (text[kLabel.size()] != ' ' && text[kLabel.size()] != '\t'))
        return std::nullopt;
    text.remove_prefix(kLabel.size());

    std::array<std::uint64_t, kColumnCount> columns{}; // columns an old kernel lacks stay 0
    std::size_t count = 0;
    for (;;) {
        const std::size_t start = text.find_first_not_of(" \t\r");
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        std::uint64_t value = 0;
        if (!TakeNumber(text, value))
            return std::nullopt;
        // Columns a later kernel may add are checked for form but not used.
        if (count < kColumnCount)
            columns[count] = value;
        ++count;
    }
    if (count < kMinColumns)
        return std::nullopt;

    Ticks ticks;
    ticks.idle = columns[kIdle] + columns[kIowait];
    // Guest and guest_nice time is already inside user and nice: adding it would count it twice.
    ticks.total = columns[kUser] + columns[kNice] + columns[kSystem] + columns[kIrq] +
                  columns[kSoftirq] + columns[kSteal] + ticks.idle;
    return ticks;
}

} // namespace tallyvolt
