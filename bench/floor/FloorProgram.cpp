// The toolkit's floor: the least a wxWidgets program with Tallyvolt's shape costs. A dialog
// with three figures, a timer, and a tray icon; it reads nothing and writes nothing.
// Shares no code with Tallyvolt, so that measuring both shows what Tallyvolt adds.
//   tallyvolt_floor PERIOD_SECONDS hidden|visible CHANGING_LABELS(0-3)
#include <wx/app.h>
#include <wx/bmpbndl.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

#include <cstdlib>
#include <cstring>

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
    FloorDialog(int periodMs, bool hidden, int changing)
        : wxDialog(nullptr, wxID_ANY, "Floor"), m_timer(this), m_changing(changing)
    {
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
        for (int i = 0; i < m_changing; ++i)
            m_labels[i]->SetLabel(wxString::Format("%d%%", (m_ticks * (i + 3)) % 101));
    }

    wxTimer m_timer;
    wxTaskBarIcon m_tray;
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
                        std::atoi(argv[3].c_str()));
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP(FloorApp);
