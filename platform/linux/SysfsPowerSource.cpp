// Battery charge, battery flags and AC line from /sys/class/power_supply.
#include "platform/linux/SysfsPowerSource.h"

#include "platform/linux/Descriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <initializer_list>
#include <linux/magic.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

namespace tallyvolt {
namespace {

// A sysfs attribute fits in a page; a file far larger than that is not one.
constexpr std::size_t kMaxFileSize = 64 * 1024;

// The kernel keeps every power-supply value in an int, so a larger number is a corrupt read.
// The bound also keeps 100 times a sum of such values inside 64 bits.
constexpr std::uint64_t kMaxAttributeValue = 2147483647;

enum class Field
{
    Type,
    Scope,
    Present,
    Status,
    Online,
    EnergyNow,
    EnergyFull,
    ChargeNow,
    ChargeFull,
    Capacity,
    PowerNow,
    CurrentNow,
    VoltageNow,
    Count,
};

// Position of an enumerator in the tables indexed by its enumeration.
template <typename Enum> constexpr std::size_t Index(Enum value)
{
    return static_cast<std::size_t>(value);
}

// Each field's attribute file, read where the uevent lacks the key.
constexpr std::array<const char*, Index(Field::Count)> kFileNames = {
    "type",       "scope",       "present",     "status",      "online",
    "energy_now", "energy_full", "charge_now",  "charge_full", "capacity",
    "power_now",  "current_now", "voltage_now",
};

enum class Lookup
{
    Missing,    // neither the uevent nor a file has it
    Unreadable, // there, but the read failed, or the value is not what the kernel writes
    Found,
};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Reads the file `name` in the folder `folderFd` into `buffer`, which is one byte larger than
// kMaxFileSize so that an oversized file shows itself.
Lookup ReadSmallFile(int folderFd, const char* name, std::vector<char>& buffer,
                     std::string_view& text)
{
    // O_NONBLOCK: a FIFO planted in the tree must not stall the sampling.
    Descriptor fd(::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.IsOpen())
        return errno == ENOENT ? Lookup::Missing : Lookup::Unreadable;
    // A folder or a FIFO planted in the tree fails the read itself (EISDIR, EAGAIN); no fstat
    // is needed on this path, which runs for every supply at every sample.
    // Drivers answer EIO or ENODATA while the embedded controller is busy.
    const ssize_t got = ReadUpTo(fd.Get(), buffer.data(), buffer.size());
    if (got < 0)
        return Lookup::Unreadable;
    const std::size_t size = static_cast<std::size_t>(got);
    if (size > kMaxFileSize)
        return Lookup::Unreadable;
    text = std::string_view(buffer.data(), size);
    return Lookup::Found;
}

struct Number
{
    Lookup lookup = Lookup::Missing;
    std::uint64_t value = 0;
};

// A non-negative decimal as sysfs writes it; anything else makes the value unreadable.
Number ParseNumber(Lookup lookup, std::string_view text)
{
    if (lookup != Lookup::Found)
        return {lookup, 0};
    text = Trim(text);
    if (text.empty())
        return {Lookup::Unreadable, 0};
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return {Lookup::Unreadable, 0};
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kMaxAttributeValue)
            return {Lookup::Unreadable, 0};
    }
    return {Lookup::Found, value};
}

// The magnitude of a decimal that may carry a sign: drivers disagree on the sign of the
// current and the power, so only the size says anything.
Number ParseMagnitude(Lookup lookup, std::string_view text)
{
    text = Trim(text);
    if (lookup == Lookup::Found && !text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return ParseNumber(lookup, text);
}

// Whether a uevent entry starts with `keyAndEquals` (such as "TYPE="): a comparison of a length
// known when compiled, which needs no call.
template <std::size_t N> bool StartsWith(std::string_view entry, const char (&keyAndEquals)[N])
{
    return entry.size() >= N - 1 && std::memcmp(entry.data(), keyAndEquals, N - 1) == 0;
}

// The field a uevent entry (KEY=VALUE, after POWER_SUPPLY_) sets and where its value starts;
// Field::Count for keys the reader has no use for. The key is told by its first letter, so an
// entry costs one or two comparisons, each taking the '=' along: no search for it.
Field FieldOfEntry(std::string_view entry, std::size_t& valueStart)
{
    Field found = Field::Count;
    auto is = [&](Field field, const auto& keyAndEquals) {
        if (!StartsWith(entry, keyAndEquals))
            return false;
        found = field;
        valueStart = sizeof keyAndEquals - 1;
        return true;
    };
    switch (entry.empty() ? '\0' : entry.front()) {
    case 'T':
        is(Field::Type, "TYPE=");
        break;
    case 'S':
        is(Field::Status, "STATUS=") || is(Field::Scope, "SCOPE=");
        break;
    case 'P':
        is(Field::Present, "PRESENT=") || is(Field::PowerNow, "POWER_NOW=");
        break;
    case 'O':
        is(Field::Online, "ONLINE=");
        break;
    case 'E':
        is(Field::EnergyNow, "ENERGY_NOW=") || is(Field::EnergyFull, "ENERGY_FULL=");
        break;
    case 'C':
        is(Field::ChargeNow, "CHARGE_NOW=") || is(Field::ChargeFull, "CHARGE_FULL=") ||
            is(Field::Capacity, "CAPACITY=") || is(Field::CurrentNow, "CURRENT_NOW=");
        break;
    case 'V':
        is(Field::VoltageNow, "VOLTAGE_NOW=");
        break;
    default:
        break;
    }
    return found;
}

// One supply's attributes: its uevent read once, single files only for keys it lacks (older
// kernels and some drivers leave keys such as TYPE out of the uevent).
class Supply
{
public:
    // `uevent` is the supply's uevent as read (nullopt when it could not be). `name` must
    // outlive the supply.
    Supply(int rootFd, const char* name, std::optional<std::string_view> uevent,
           std::vector<char>& attributeBuffer)
        : m_rootFd(rootFd), m_name(name), m_attributeBuffer(attributeBuffer)
    {
        if (!uevent)
            return; // every field then comes from its own file
        m_ueventRead = true;
        // One pass over the bytes, the values left where they lie: no copy, no allocation.
        const char* line = uevent->data();
        const char* const end = line + uevent->size();
        for (;;) {
            const void* newline = std::memchr(line, '\n', static_cast<std::size_t>(end - line));
            const char* const lineEnd = newline ? static_cast<const char*>(newline) : end;
            const std::string_view text(line, static_cast<std::size_t>(lineEnd - line));
            if (StartsWith(text, "POWER_SUPPLY_")) {
                const std::string_view entry = text.substr(sizeof "POWER_SUPPLY_" - 1);
                std::size_t valueStart = 0;
                const Field field = FieldOfEntry(entry, valueStart);
                // The first of a repeated key counts.
                if (field != Field::Count && !m_found[Index(field)]) {
                    m_found[Index(field)] = true;
                    m_values[Index(field)] = entry.substr(valueStart);
                }
            }
            if (!newline)
                break;
            line = lineEnd + 1;
        }
    }

    // The trimmed text of `field`; valid until the next call.
    Lookup Text(Field field, std::string_view& text)
    {
        const std::size_t i = Index(field);
        Lookup lookup = Lookup::Found;
        if (m_found[i]) {
            text = m_values[i];
        } else if (m_ueventRead && field != Field::Type) {
            // The kernel writes a key to the uevent exactly when the attribute exists; only
            // TYPE is left out by older kernels.
            text = {};
            return Lookup::Missing;
        } else {
            lookup = ReadSmallFile(Folder(), kFileNames[i], m_attributeBuffer, text);
        }
        text = Trim(text);
        return lookup;
    }

    // Whether `field` is there and reads exactly `expected`.
    bool Is(Field field, std::string_view expected)
    {
        std::string_view text;
        return Text(field, text) == Lookup::Found && text == expected;
    }

    Number Read(Field field)
    {
        std::string_view text;
        const Lookup lookup = Text(field, text);
        return ParseNumber(lookup, text);
    }

    // The field's value without its sign.
    Number ReadMagnitude(Field field)
    {
        std::string_view text;
        const Lookup lookup = Text(field, text);
        return ParseMagnitude(lookup, text);
    }

private:
    // The supply's folder, opened on first need (-1 when it cannot be: not a folder, gone).
    int Folder()
    {
        if (!m_folder.IsOpen())
            m_folder.Reset(::openat(m_rootFd, m_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return m_folder.Get();
    }

    int m_rootFd;
    const char* m_name;
    Descriptor m_folder;
    bool m_ueventRead = false;
    std::vector<char>& m_attributeBuffer;
    std::array<bool, Index(Field::Count)> m_found{};
    std::array<std::string_view, Index(Field::Count)> m_values{};
};

enum class Unit
{
    Energy,  // µWh
    Charge,  // µAh
    Percent, // the capacity attribute alone
    Unknown,
};

struct BatteryCharge
{
    Unit unit = Unit::Unknown;
    std::uint64_t now = 0;
    std::uint64_t full = 0;
};

// Floor of 100 · now / full, as the kernel rounds its own capacity; now above full (firmware
// that learned a smaller full than it counts) reads as 100.
std::uint64_t PercentOf(std::uint64_t now, std::uint64_t full)
{
    return std::min<std::uint64_t>(100, now * 100 / full);
}

// The battery's charge in the best unit it offers: energy, then charge, then capacity.
BatteryCharge ReadCharge(Supply& supply)
{
    constexpr std::array<std::pair<Field, Field>, 2> kPairs = {{
        {Field::EnergyNow, Field::EnergyFull},
        {Field::ChargeNow, Field::ChargeFull},
    }};
    for (std::size_t i = 0; i < kPairs.size(); ++i) {
        const Number now = supply.Read(kPairs[i].first);
        const Number full = supply.Read(kPairs[i].second);
        if (now.lookup == Lookup::Unreadable || full.lookup == Lookup::Unreadable)
            return {};
        if (now.lookup == Lookup::Missing || full.lookup == Lookup::Missing)
            continue; // half a pair says nothing; try the next unit
        // A full of 0 comes from a battery that has not been calibrated yet.
        if (full.value == 0)
            return {};
        return {i == 0 ? Unit::Energy : Unit::Charge, now.value, full.value};
    }
    const Number capacity = supply.Read(Field::Capacity);
    if (capacity.lookup != Lookup::Found)
        return {};
    return {Unit::Percent, std::min<std::uint64_t>(capacity.value, 100), 100};
}

// The power a battery moves in watts, without its direction: power_now, or current_now times
// voltage_now where the driver reports current instead; none where it reports neither.
std::optional<double> ReadWatts(Supply& supply)
{
    const Number power = supply.ReadMagnitude(Field::PowerNow);
    if (power.lookup == Lookup::Found)
        return static_cast<double>(power.value) / 1e6; // µW
    const Number current = supply.ReadMagnitude(Field::CurrentNow);
    if (current.lookup != Lookup::Found)
        return std::nullopt;
    const Number voltage = supply.ReadMagnitude(Field::VoltageNow);
    if (voltage.lookup != Lookup::Found)
        return std::nullopt;
    // µA times µV, each below 2^31: formed in double, far finer than the two decimals shown.
    return static_cast<double>(current.value) * static_cast<double>(voltage.value) / 1e12;
}

// Which way a battery's power flows, by its status.
enum class Flow
{
    Out,   // Discharging
    In,    // Charging
    Other, // Full, Not charging, Unknown: out only when off line power
};

bool IsLinePowerType(std::string_view type)
{
    // USB chargers also show up as USB_DCP, USB_CDP, USB_C, USB_PD and the like; a Qi pad as
    // Wireless.
    return type == "Mains" || type == "Wireless" || type.substr(0, 3) == "USB";
}

using LineSupplies = SysfsPowerSource::LineSupplies;

// Adds up what the supplies of one scan say.
class Tally
{
public:
    // Line power as a listing found it, for samples that read only the batteries.
    explicit Tally(const LineSupplies& lines = {}) : m_lines(lines) {}

    void AddBattery(const BatteryCharge& charge, bool charging)
    {
        AddBattery(charge, charging, std::nullopt, Flow::Other);
    }
    void AddBattery(const BatteryCharge& charge, bool charging, std::optional<double> watts,
                    Flow flow)
    {
        if (watts) {
            m_powerKnown = true;
            m_watts[Index(flow)] += *watts;
        }
        ++m_batteries;
        m_charging = m_charging || charging;
        if (charge.unit == Unit::Unknown) {
            m_unknownCharge = true;
            return;
        }
        m_units[Index(charge.unit)] = true;
        m_now += charge.now;
        m_full += charge.full;
        m_percentSum += PercentOf(charge.now, charge.full);
    }

    // An `online` that was not found leaves this supply's state, and so the line's, open.
    void AddLinePower(Number online)
    {
        ++m_lines.count;
        if (online.lookup != Lookup::Found)
            m_lines.unknown = true;
        // USB Power Delivery ports report 2 when online with a programmable supply.
        else if (online.value > 0)
            m_lines.online = true;
    }

    const LineSupplies& Lines() const { return m_lines; }

    PowerStatus Result() const
    {
        PowerStatus status;
        // A charging battery proves line power even where no adapter entry exists.
        if (m_lines.online || m_charging)
            status.linePower = 1;
        else if (m_lines.count > 0 && !m_lines.unknown)
            status.linePower = 0;
        if (m_powerKnown) {
            // Discharging batteries give power, charging ones take it; the others give only
            // while nothing else feeds the machine.
            double watts = m_watts[Index(Flow::Out)] - m_watts[Index(Flow::In)];
            if (status.linePower != 1)
                watts += m_watts[Index(Flow::Other)];
            status.powerWatts = watts;
        }
        if (m_batteries == 0) {
            status.batteryState = kNoSystemBattery;
            return status;
        }
        status.batteryState = m_charging ? kBatteryCharging : 0;
        if (m_unknownCharge)
            return status;
        const int unitsSeen = static_cast<int>(std::count(m_units.begin(), m_units.end(), true));
        // Energy or charge of one kind adds up across batteries; percentages of batteries that
        // differ in kind (or only report a percentage) can only be averaged.
        const std::uint64_t percent = unitsSeen == 1 && !m_units[Index(Unit::Percent)]
                                          ? PercentOf(m_now, m_full)
                                          : m_percentSum / m_batteries;
        status.chargePercent = static_cast<std::uint8_t>(percent);
        if (percent > 66)
            status.batteryState |= kBatteryHigh;
        if (percent < 33)
            status.batteryState |= kBatteryLow;
        if (percent < 5)
            status.batteryState |= kBatteryCritical;
        return status;
    }

private:
    std::uint64_t m_batteries = 0;
    bool m_charging = false;
    bool m_unknownCharge = false;
    std::array<bool, Index(Unit::Unknown)> m_units{};
    std::uint64_t m_now = 0;
    std::uint64_t m_full = 0;
    std::uint64_t m_percentSum = 0;
    LineSupplies m_lines;
    bool m_powerKnown = false;
    std::array<double, 3> m_watts{}; // by Flow
};

// What a supply was to the tally.
enum class Role
{
    Ignored,   // not the system's (a UPS, a peripheral), or gone while read
    LinePower, // counted as a line-power supply
    Battery,   // one of the system's battery bays, counted whatever it holds
};

Role AddSupply(Supply& supply, Tally& tally)
{
    std::string_view type;
    // A supply whose type cannot be read has usually just been unplugged; it says nothing.
    if (supply.Text(Field::Type, type) != Lookup::Found)
        return Role::Ignored;
    // Type is compared before the next read replaces the text it points into.
    const bool isBattery = type == "Battery";
    const bool isLinePower = IsLinePowerType(type);
    if (!isBattery && !isLinePower)
        return Role::Ignored; // a UPS or the like is neither the machine's own battery nor its line
                              // power

    // Peripherals (wireless mice, headsets, their charging ports) report scope Device; a
    // missing scope means System.
    std::string_view scope;
    const Lookup scopeLookup = supply.Text(Field::Scope, scope);
    if (scopeLookup == Lookup::Found && scope == "Device")
        return Role::Ignored;

    if (isLinePower) {
        tally.AddLinePower(scopeLookup == Lookup::Unreadable ? Number{Lookup::Unreadable, 0}
                                                             : supply.Read(Field::Online));
        return Role::LinePower;
    }
    const Number present = supply.Read(Field::Present);
    if (present.lookup == Lookup::Found && present.value == 0)
        return Role::Battery; // an empty bay, even if its driver still reports a capacity
    if (scopeLookup == Lookup::Unreadable || present.lookup == Lookup::Unreadable) {
        // Perhaps a system battery, perhaps not there: its charge is unknown.
        tally.AddBattery(BatteryCharge{}, false);
        return Role::Battery;
    }
    std::string_view status;
    Flow flow = Flow::Other;
    if (supply.Text(Field::Status, status) == Lookup::Found)
        flow = status == "Charging" ? Flow::In : status == "Discharging" ? Flow::Out : Flow::Other;
    const bool charging = flow == Flow::In;
    const BatteryCharge charge = ReadCharge(supply);
    tally.AddBattery(charge, charging, ReadWatts(supply), flow);
    return Role::Battery;
}

} // namespace

SysfsPowerSource::SysfsPowerSource(std::string root, std::unique_ptr<UdevSupplyMonitor> events)
    : m_root(std::move(root)), m_events(std::move(events)), m_ueventBuffer(kMaxFileSize + 1),
      m_attributeBuffer(kMaxFileSize + 1)
{
}

SysfsPowerSource::~SysfsPowerSource()
{
    if (m_folder)
        ::closedir(m_folder);
}

int SysfsPowerSource::WatchChanges()
{
    if (!m_events)
        return -1;
    // udev speaks of the kernel's own supplies. A tree that is not on sysfs (a copy, a fixture,
    // another tree bind-mounted over /sys/class/power_supply) hears nothing from it, so it is
    // listed at every sample as without events.
    struct statfs filesystem;
    if (::statfs(m_root.c_str(), &filesystem) != 0 ||
        static_cast<unsigned long>(filesystem.f_type) != SYSFS_MAGIC) {
        m_events.reset();
        return -1;
    }
    m_following = true;
    return m_events->Handle();
}

void SysfsPowerSource::TakeChanges()
{
    if (!m_events)
        return;
    m_events->Take();
    // Whatever woke the loop, an event or an overflow that lost some, the supplies are listed
    // anew at the next sample.
    m_listingDue = true;
}

PowerStatus SysfsPowerSource::Read()
{
    if (m_following && !m_listingDue) {
        if (const std::optional<PowerStatus> status = ReadKeptBatteries())
            return *status;
    }
    return ReadListing();
}

std::optional<PowerStatus> SysfsPowerSource::ReadKeptBatteries()
{
    // Nothing came or went since the last listing: the adapters stand as listed, and only the
    // batteries are read, one read of each one's uevent.
    Tally tally(m_lines);
    for (OpenUevent& kept : m_uevents) {
        if (!kept.battery)
            continue;
        const std::optional<std::string_view> text = ReadWhole(kept.fd.Get());
        // A read that fails (ENODEV: the battery is going, its event not yet taken) or a
        // supply that no longer reads as a battery: list afresh now, not a sample later.
        if (!text)
            return std::nullopt;
        Supply supply(::dirfd(m_folder), kept.name.c_str(), text, m_attributeBuffer);
        if (AddSupply(supply, tally) != Role::Battery)
            return std::nullopt;
    }
    return tally.Result();
}

PowerStatus SysfsPowerSource::ReadListing()
{
    // The root stays open between samples; its listing is read anew on every call, since
    // docks, hot-unplugged batteries and USB-C ports come and go. Should the root itself be
    // replaced or removed, it is opened afresh.
    m_listingDue = true; // until a listing has gone through
    struct stat now;
    if (::stat(m_root.c_str(), &now) != 0) {
        if (m_folder)
            ::closedir(m_folder);
        m_folder = nullptr;
        return PowerStatus{};
    }
    if (m_folder && (m_folderId.st_ino != now.st_ino || m_folderId.st_dev != now.st_dev)) {
        ::closedir(m_folder);
        m_folder = nullptr;
    }
    if (m_folder) {
        ::rewinddir(m_folder);
    } else {
        m_uevents.clear(); // files of another root
        if (!(m_folder = ::opendir(m_root.c_str())) ||
            ::fstat(::dirfd(m_folder), &m_folderId) != 0) {
            if (m_folder)
                ::closedir(m_folder);
            m_folder = nullptr;
            return PowerStatus{};
        }
    }
    Tally tally;
    bool batteriesKept = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(m_folder);
        if (!entry) {
            if (errno == 0)
                break;
            // Half a scan would miss supplies; open the root afresh next time.
            ::closedir(m_folder);
            m_folder = nullptr;
            return PowerStatus{};
        }
        if (entry->d_name[0] == '.')
            continue;
        // The entries in /sys/class/power_supply are links to the device folders; the paths
        // through them follow the links. An entry that is no folder reads nothing.
        OpenUevent* uevent = nullptr;
        Supply supply(::dirfd(m_folder), entry->d_name, ReadUevent(entry->d_name, uevent),
                      m_attributeBuffer);
        const bool battery = AddSupply(supply, tally) == Role::Battery;
        if (uevent)
            uevent->battery = battery;
        else if (battery)
            batteriesKept = false; // read without its uevent: no kept file to read it by
    }
    // Supplies no longer listed (unplugged) let go of their files.
    m_uevents.erase(std::remove_if(m_uevents.begin(), m_uevents.end(),
                                   [this](const OpenUevent& u) { return u.scan != m_scan; }),
                    m_uevents.end());
    ++m_scan;
    m_lines = tally.Lines();
    m_listingDue = !batteriesKept;
    return tally.Result();
}

std::optional<std::string_view> SysfsPowerSource::ReadWhole(int fd)
{
    // The whole file from its start into the buffer; nullopt on an error or an oversized file.
    // A folder or a FIFO planted in the tree fails the read itself (EISDIR, ESPIPE).
    const ssize_t got = ReadUpTo(fd, m_ueventBuffer.data(), m_ueventBuffer.size(), ReadFrom::Start);
    if (got < 0 || static_cast<std::size_t>(got) > kMaxFileSize)
        return std::nullopt;
    return std::string_view(m_ueventBuffer.data(), static_cast<std::size_t>(got));
}

std::optional<std::string_view> SysfsPowerSource::ReadUevent(const char* name, OpenUevent*& kept)
{
    kept = nullptr;
    // Each supply's uevent stays open and is re-read from its start: sysfs renders it afresh
    // on every read, and it saves an open and a close per supply at every sample.
    auto open = std::find_if(m_uevents.begin(), m_uevents.end(),
                             [name](const OpenUevent& u) { return u.name == name; });
    if (open != m_uevents.end()) {
        // A file replaced under its name (possible in copies of sysfs, not in sysfs itself)
        // is left with no links; it is opened again by name. Followed by events, only the
        // listings after one check, not every sample.
        struct stat st;
        if (::fstat(open->fd.Get(), &st) == 0 && st.st_nlink > 0) {
            if (std::optional<std::string_view> text = ReadWhole(open->fd.Get())) {
                open->scan = m_scan;
                kept = &*open;
                return text;
            }
        }
        m_uevents.erase(open); // a device gone (ENODEV) or a file grown odd: start over
    }
    const std::string path = std::string(name) + "/uevent";
    OpenUevent fresh{name,
                     Descriptor(::openat(::dirfd(m_folder), path.c_str(),
                                         O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)),
                     m_scan, false};
    if (!fresh.fd.IsOpen())
        return std::nullopt;
    std::optional<std::string_view> text = ReadWhole(fresh.fd.Get());
    if (text) {
        m_uevents.push_back(std::move(fresh));
        kept = &m_uevents.back();
    }
    return text;
}

} // namespace tallyvolt
