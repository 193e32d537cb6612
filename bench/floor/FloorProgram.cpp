// The toolkit's floor: the least a wxWidgets program with Tallyvolt's shape costs. A dialog
// with three figures, a timer, and a tray icon; it reads nothing and writes nothing.
// Shares no code with Tallyvolt, so that measuring both shows what Tallyvolt adds.
//   tallyvolt_floor PERIOD_SECONDS hidden|visible CHANGING_LABELS(0-3) [UEVENT LOG]
// With UEVENT and LOG it also takes the raw sample on every tick: read the battery's uevent
// and /proc/stat, format a record, one write(2) with O_APPEND. That is the least any battery
// logger does; Tallyvolt measured beside it shows what its own code adds.
#include <wx/app.h>
#include <wx/bmpbndl.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

wxIcon MakeIcon()
{
    wxImage image(22, 22);
    image.SetRGB(wxRect(0, 0, 22, 22), 0x4e, 0x9a, 0x06);
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

class FloorDialog : public wxDialog
{
public:
    FloorDialog(int periodMs, bool hidden, int changing, const std::string& uevent,
                const std::string& log)
        : wxDialog(nullptr, wxID_ANY, "Floor"), m_timer(this), m_changing(changing)
    {
        if (!uevent.empty()) {
            m_uevent = ::open(uevent.c_str(), O_RDONLY | O_CLOEXEC);
            m_stat = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
            m_log = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        }
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        for (wxStaticText*& label : m_labels) {
            label = new wxStaticText(this, wxID_ANY, "0%", wxDefaultPosition, wxSize(120, -1),
                                     wxST_NO_AUTORESIZE);
            sizer->Add(label, 0, wxALL, 6);
        }
        SetSizerAndFit(sizer);
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent&) { wxTheApp->ExitMainLoop(); });
        m_timer.Start(periodMs);
        if (hidden)
            m_tray.SetIcon(wxBitmapBundle::FromBitmap(MakeIcon()), "Floor: 87%");
        else
            Show();
    }

private:
    void Tick()
    {
        ++m_ticks;
        if (m_log >= 0)
            RawSample();
        for (int i = 0; i < m_changing; ++i)
            m_labels[i]->SetLabel(wxString::Format("%d%%", (m_ticks * (i + 3)) % 101));
    }

    void RawSample()
    {
        char buffer[8192];
        ssize_t n = ::pread(m_uevent, buffer, sizeof buffer, 0);
        n += ::pread(m_stat, buffer, sizeof buffer, 0);
        const std::time_t now = std::time(nullptr);
        std::tm local;
        ::localtime_r(&now, &local);
        char record[128];
        const int length = std::snprintf(
            record, sizeof record, "%02d/%02d/%02d %02d:%02d:%02d\t%d%%\tOff\tHigh\t%d%%\r\n",
            local.tm_mon + 1, local.tm_mday, local.tm_year % 100, local.tm_hour, local.tm_min,
            local.tm_sec, static_cast<int>(n % 100), static_cast<int>(n % 7));
        if (::write(m_log, record, static_cast<std::size_t>(length)) < 0)
            std::perror("write");
    }

    wxTimer m_timer;
    wxTaskBarIcon m_tray;
    int m_uevent = -1;
    int m_stat = -1;
    int m_log = -1;
    wxStaticText* m_labels[3] = {};
    int m_changing;
    int m_ticks = 0;
};

class FloorApp : public wxApp
{
public:
    bool OnInit() override
    {
        if (argc < 4)
            return false;
        new FloorDialog(std::atoi(argv[1].c_str()) * 1000, argv[2] == "hidden",
                        std::atoi(argv[3].c_str()),
                        argc >= 6 ? argv[4].ToStdString() : std::string(),
                        argc >= 6 ? argv[5].ToStdString() : std::string());
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP(FloorApp);
