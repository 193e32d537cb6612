// The chart: what the SVG and PNG files hold, broken lines, failures that leave no file behind,
// and a size that stays bounded for a million samples.
#include "report/Plot.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>

#include <sys/stat.h>
#include <unistd.h>

using namespace tallyvolt::report;
using namespace tallyvolt::test;

namespace {

// Inside a test, Run names the test's own member function.
using LogRun = tallyvolt::report::Run;
using Runs = std::vector<LogRun>;

constexpr LocalSeconds kNine = 849949200; // 2026-12-07 09:00:00
constexpr LocalSeconds kMinute = 60;
// The charge line's colour in the SVG: it tells the charge polylines from the others.
constexpr const char* kChargeStroke = "stroke=\"#1F64B4\"";

Record Sample(LocalSeconds time, std::optional<int> charge, LinePower ac, std::optional<int> cpu)
{
    Record r;
    r.time = time;
    r.at = time; // as read in UTC
    if (charge)
        r.charge = static_cast<std::uint8_t>(*charge);
    r.ac = ac;
    if (cpu)
        r.cpu = static_cast<std::uint32_t>(*cpu);
    return r;
}

// A sample a minute from 09:00 to 09:59 on battery, suspended until 10:30, then on to 11:41 with
// line power plugged in at 11:00.
LogRun FirstRun()
{
    LogRun run;
    run.number = 1;
    run.file = "logs/battery#1.log";
    for (LocalSeconds t = kNine; t < kNine + 60 * kMinute; t += kMinute)
        run.records.push_back(
            Sample(t, 90 - static_cast<int>((t - kNine) / 300), LinePower::Off, 20));
    for (LocalSeconds t = kNine + 90 * kMinute; t <= kNine + 161 * kMinute; t += kMinute) {
        const bool plugged = t >= kNine + 120 * kMinute;
        run.records.push_back(Sample(t, 70, plugged ? LinePower::On : LinePower::Off, 35));
    }
    return run;
}

// 13:00 to 14:00 on line power until 13:20 (line power unknown just before), the charge unknown
// from 13:40 to 13:42.
LogRun SecondRun()
{
    LogRun run;
    run.number = 2;
    run.file = "caf\xE9.log"; // not UTF-8
    const LocalSeconds one = kNine + 4 * 60 * kMinute;
    for (LocalSeconds t = one; t <= one + 60 * kMinute; t += kMinute) {
        const LocalSeconds m = (t - one) / kMinute;
        const LinePower ac = m == 19 ? LinePower::Unknown : m < 20 ? LinePower::On : LinePower::Off;
        const std::optional<int> charge = m >= 40 && m <= 42 ? std::nullopt : std::optional(100);
        run.records.push_back(Sample(t, charge, ac, m % 7 == 0 ? std::nullopt : std::optional(9)));
    }
    return run;
}

// The text of each <text> element: tags dropped, character references decoded.
std::vector<std::string> SvgTexts(const std::string& svg)
{
    std::vector<std::string> texts;
    static const std::regex kText("<text\\b[^>]*>([\\s\\S]*?)</text>");
    static const std::regex kTag("<[^>]*>");
    for (std::sregex_iterator it(svg.begin(), svg.end(), kText), end; it != end; ++it) {
        const std::string inner = std::regex_replace((*it)[1].str(), kTag, "");
        std::string text;
        for (std::size_t i = 0; i < inner.size(); ++i) {
            if (inner.compare(i, 3, "&#x") != 0) {
                text += inner[i];
                continue;
            }
            const std::size_t semicolon = inner.find(';', i);
            const auto c = std::stoul(inner.substr(i + 3, semicolon - i - 3), nullptr, 16);
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else if (c < 0x800) {
                text += static_cast<char>(0xC0 | (c >> 6));
                text += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | (c >> 12));
                text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (c & 0x3F));
            }
            i = semicolon;
        }
        texts.push_back(text);
    }
    return texts;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

} // namespace

TEST(PlotSvg, PanelPerRunWithTitlesLegendAndLinesBrokenAtGapsAndUnknownCharge)
{
    TempFolder dir;
    PlotOptions options;
    options.path = dir / "chart.SVG";
    std::string error;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool ok = PlotRuns({FirstRun(), SecondRun()}, options, &error);
    const std::string printed =
        testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(printed, "");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"chart.SVG"});

    const std::string svg = ReadFile(options.path);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    const std::vector<std::string> texts = SvgTexts(svg);
    for (const char* expected :
         {"Run 1 — 2026-12-07 09:00 to 11:41", "logs/battery#1.log", "plugged in",
          "Run 2 — 2026-12-07 13:00 to 14:00", "caf?.log", "unplugged", "Charge", "Processor",
          "Local time of day", "09:00", "11:30", "13:30", "%"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    // Each run's legend has the power change it saw, and only that one.
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "plugged in"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "unplugged"), 1);
    // Two pieces of charge line per run (the suspend; the unknown charge), and one legend sample.
    EXPECT_EQ(Count(svg, kChargeStroke), 6u);
}

TEST(PlotPng, PngOfThePageSizeWithAPanelPerRun)
{
    TempFolder dir;
    PlotOptions options;
    options.path = dir / "chart.png";
    WriteFile(options.path, "an older chart");
    for (const auto& [runs, height] :
         {std::pair{Runs{FirstRun()}, 300u}, std::pair{Runs{FirstRun(), SecondRun()}, 600u}}) {
        std::string error;
        ASSERT_TRUE(PlotRuns(runs, options, &error)) << error;
        const std::string png = ReadFile(options.path);
        ASSERT_GT(png.size(), 24u);
        EXPECT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1A\n"), 0);
        EXPECT_EQ(png.compare(12, 4, "IHDR"), 0);
        EXPECT_EQ(BigEndian32(png, 16), 1000u);
        EXPECT_EQ(BigEndian32(png, 20), height);
    }
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"chart.png"});
}

TEST(PlotOverlay, OnePanelNamingEveryRun)
{
    TempFolder dir;
    PlotOptions options;
    options.path = dir / "overlay.svg";
    options.overlay = true;
    std::string error;
    ASSERT_TRUE(PlotRuns({FirstRun(), SecondRun()}, options, &error)) << error;
    const std::vector<std::string> texts = SvgTexts(ReadFile(options.path));
    for (const char* expected :
         {"Run 1 (12-07 09:00)", "Run 2 (12-07 13:00)", "Charge of 2 runs, from the start of each"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    // One panel: one y axis.
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Charge (%)"), 1);
}

TEST(PlotErrors, FailWithTheFileNamedAndNothingLeftBehind)
{
    TempFolder dir;
    const std::string kept = dir / "kept.svg";
    WriteFile(kept, "an older chart");
    std::filesystem::create_directory(dir / "folder.svg");
    LogRun empty = FirstRun();
    empty.records.clear();
    const struct
    {
        std::string path;
        Runs runs;
        std::string why;
    } kCases[] = {
        {dir / "chart.gif", {FirstRun()}, "the chart must be a .svg or .png file"},
        {dir / "png", {FirstRun()}, "the chart must be a .svg or .png file"},
        {dir / "missing/chart.svg", {FirstRun()}, std::strerror(ENOENT)},
        {dir / "folder.svg", {FirstRun()}, std::strerror(EISDIR)},
        {dir / "chart.png", {}, "nothing to draw: no run has any samples"},
        {kept, {empty}, "nothing to draw: no run has any samples"},
        {dir / "100%new.svg",
         {FirstRun()},
         "the plotting library cannot write to a path holding \"%n\""},
    };
    for (const auto& c : kCases) {
        PlotOptions options;
        options.path = c.path;
        std::string error;
        EXPECT_FALSE(PlotRuns(c.runs, options, &error)) << c.path;
        EXPECT_EQ(error, c.path + ": " + c.why);
    }
    std::vector<std::string> names = FolderNames(dir.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder.svg", "kept.svg"}));
    EXPECT_EQ(ReadFile(kept), "an older chart");
}

TEST(PlotFile, AChartOverALinkReplacesTheFileItNamesAndKeepsItsMode)
{
    TempFolder dir;
    ASSERT_EQ(::mkdir((dir / "charts").c_str(), 0755), 0);
    const std::string target = dir / "charts/latest.svg";
    WriteFile(target, "an older chart");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("charts/latest.svg", (dir / "chart.svg").c_str()), 0);
    PlotOptions options;
    options.path = dir / "chart.svg";
    std::string error;
    ASSERT_TRUE(PlotRuns({FirstRun()}, options, &error)) << error;

    struct stat st;
    ASSERT_EQ(::lstat(options.path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(ReadFile(target).find("</svg>"), std::string::npos);
    EXPECT_EQ(FolderNames(dir / "charts"), std::vector<std::string>{"latest.svg"});
}

TEST(PlotLarge, AMillionSamplesMakeASmallSvg)
{
    // A steady run, and one whose processor usage is unknown at every third sample and whose
    // line power flips every 2000 samples: both are thinned to about the width in pixels.
    LogRun steady;
    steady.number = 1;
    LogRun broken;
    broken.number = 2;
    for (int i = 0; i < 1000000; ++i) {
        const LocalSeconds t = kNine + 2 * i;
        steady.records.push_back(Sample(t, 100 - i / 10001, LinePower::Off, i * 37 % 100));
        broken.records.push_back(Sample(t, i % 101, (i / 2000) % 2 ? LinePower::On : LinePower::Off,
                                        i % 3 ? std::optional(i % 97) : std::nullopt));
    }
    TempFolder dir;
    PlotOptions options;
    options.path = dir / "large.svg";
    std::string error;
    ASSERT_TRUE(PlotRuns({steady, broken}, options, &error)) << error;
    EXPECT_LT(std::filesystem::file_size(options.path), 2u * 1000 * 1000);
}

TEST(PlotPower, APowerPanelUnderTheChargeOfEachRunThatHasOne)
{
    TempFolder dir;
    PlotOptions options;
    options.path = dir / "power.svg";
    LogRun withPower = FirstRun();
    for (std::size_t i = 0; i < withPower.records.size(); ++i) {
        withPower.records[i].hasPower = true;
        if (i % 10 != 5) // an unknown power breaks the line
            withPower.records[i].power = i < 60 ? 7.5 : -4.25;
    }
    std::string error;
    ASSERT_TRUE(PlotRuns({withPower, SecondRun()}, options, &error)) << error;
    const std::string svg = ReadFile(options.path);
    const std::vector<std::string> texts = SvgTexts(svg);
    for (const char* expected : {"Run 1 — power draw (negative: charging)", "Power draw", "W"})
        EXPECT_EQ(std::count(texts.begin(), texts.end(), expected), 1) << expected;
    // The power line's colour: six pieces broken by the suspend and the unknown powers, and
    // the legend's sample.
    EXPECT_GE(Count(svg, "stroke=\"#783CA0\""), 7u);

    // The page grows by the power panel only.
    options.path = dir / "power.png";
    ASSERT_TRUE(PlotRuns({withPower, SecondRun()}, options, &error)) << error;
    EXPECT_EQ(BigEndian32(ReadFile(options.path), 20), 300u + 220u + 300u);
}
