// A run with no window and no tray icon: the monitor samples on its own period, as under the
// window, and the run ends on a request from outside, after a set time or at a set charge.
#pragma once

#include "app/CommandLine.h"
#include "platform/EndRequestWait.h"
#include "platform/Toolkit.h"

#include <functional>
#include <string>

namespace tallyvolt {

class TrayIcon;

// Each record for standard output, with the platform's own line end left to the stream.
using RecordWriter = std::function<void(const std::string& line)>;

enum class HeadlessEnd
{
    Requested,    // a signal, Ctrl+C, taskkill, a logoff
    TimeIsUp,     // --duration
    ChargeReached // --until-charge
};

// Samples with `dlg` (its settings applied and its log open) until the run ends, taking the
// last sample at the end of the duration; `writeRecord` receives each record when the options
// ask for them, without its "\r\n".
HeadlessEnd RunHeadless(MonitorEvents& dlg, TrayIcon& tray, EndRequestWait& wait,
                        const HeadlessOptions& options, const RecordWriter& writeRecord);

// The start-up's toolkit for such a run: messages on standard error only, and RunHeadless in
// place of the window.
class HeadlessToolkit : public Toolkit
{
public:
    HeadlessToolkit(HeadlessOptions options, RecordWriter writeRecord)
        : m_options(options), m_writeRecord(std::move(writeRecord))
    {
    }

    void ShowMessage(const char* message, MessageKind kind) override;
    // No tray without a window: the desktop's trays need a toolkit, which a run without a
    // window never brings up.
    std::unique_ptr<TrayIcon> CreateTray(MonitorEvents& monitor) override;
    void RunMonitorWindow(MonitorEvents& dlg, TrayIcon& tray, SingleInstance& instance,
                          TerminationSignals* signals,
                          const std::function<void()>& endRun) override;
    bool HasWindow() const override { return false; }

private:
    HeadlessOptions m_options;
    RecordWriter m_writeRecord;
};

} // namespace tallyvolt
