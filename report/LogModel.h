// What tallyvolt-report reads out of a log: runs of records, each record one sample.
#pragma once

#include "log/TimeStamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

using tallyvolt::LocalSeconds;

// A moment in time: seconds from 2000-01-01 00:00:00 UTC. A run's moments never go back: past a
// wall clock set back during the run they are moved on (see ClockSetBack), so that their
// differences are what a stopwatch would have shown.
using Instant = std::int64_t;

enum class LinePower : std::uint8_t
{
    Off,
    On,
    Unknown
};

struct Record
{
    LocalSeconds time = 0;              // as written: local wall-clock time
    Instant at = 0;                     // the same read through the zone's rules
    std::optional<std::uint8_t> charge; // 0 to 100; none when the log says the charge is unknown
    LinePower ac = LinePower::Unknown;
    std::uint8_t state = 0; // tallyvolt::BatteryFlag bits as the monitor read them; 0 "Unknown"
    std::optional<std::uint32_t> cpu; // percent; none when it could not be read
    std::uint32_t line = 0;           // 1-based line number in its file
    bool hasPower = false;            // the record carries the "Power Draw" column
    std::optional<double> power;      // watts, negative while charging; none when unknown
};

// The figures the program itself wrote when the run stopped.
struct Footer
{
    LocalSeconds time = 0;
    Instant at = 0;
    std::string burnRateText;           // "0.25%/minute" or "Undefined", as written
    std::optional<double> burnRate;     // percent per minute, when the text holds a number
    std::optional<double> cpuAverage;   // percent
    bool hasPower = false;              // the footer carries "Average Power:"
    std::optional<double> averagePower; // watts; none when it says "Unknown" or is garbled
    std::uint32_t line = 0;
};

// The wall clock set back during a run, by hand or by time synchronisation (not by a change of
// the zone's offset): the record at `line` is stamped `to`, before the `from` of the one before.
struct ClockSetBack
{
    std::uint32_t line = 0;
    LocalSeconds from = 0, to = 0;
    // How far the clock went back: the step between the stamps and the interval the samples
    // were apart (the period when given, else the interval before), and that interval.
    LocalSeconds by = 0;
    LocalSeconds interval = 0;
    // The record at which the clock jumped forward to where it had been, when it did.
    std::uint32_t putRightAt = 0;
};

struct Run
{
    int number = 0; // 1-based, counted over all files of one report
    std::string file;
    std::optional<LocalSeconds> started; // from the start header, when there is one
    Instant startedAt = 0;               // the same read through the zone's rules
    std::uint32_t headerLine = 0;        // 0 without a header
    std::optional<Footer> footer;
    // Without headers (a log written with extra info off) runs are told apart by gaps.
    bool splitAtGap = false;
    std::vector<Record> records; // empty when they were passed on as they were read
    std::vector<ClockSetBack> setBacks;
};

struct SkippedLine
{
    std::uint32_t line = 0;
    std::string reason;
};

struct ParsedFile
{
    std::string file;
    std::vector<Run> runs; // none when the runs were passed on as they were read
    std::vector<SkippedLine> skipped;
    std::uint64_t skippedCount = 0; // all skipped lines; `skipped` keeps only the first ones
    std::uint32_t lines = 0;
    // True when at least one line is a record, a header, a column line or a footer.
    bool isTallyvoltLog = false;
    std::size_t runCount = 0; // the runs found, whether kept in `runs` or passed on
    std::uint64_t samples = 0;
    bool powerRecord = false; // some record has the power column
};

// "2026-12-07T15:04:12": local time, no zone (the log does not say which zone it was in).
std::string IsoTime(LocalSeconds t);

} // namespace tallyvolt::report
