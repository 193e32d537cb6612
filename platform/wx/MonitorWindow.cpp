// The monitor's window on wxWidgets.
#include "platform/wx/MonitorWindow.h"

#include "platform/linux/WindowClass.h"
#include "platform/linux/WindowingSystem.h"
#include "platform/wx/AboutBox.h"
#include "resources/Icons.h"
#include "resources/Resource.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

constexpr int kSettleTimerId = TIMER_SAMPLE + 1;
constexpr int kSettleMilliseconds = 150;

tallyvolt::Rect ToRect(const wxRect& r)
{
    return {r.x, r.y, r.width, r.height};
}

wxIconBundle AppIcons()
{
    wxIconBundle icons;
    auto add = [&icons](const unsigned char* png, std::size_t size) {
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap::NewFromPNGData(png, size));
        icons.AddIcon(icon);
    };
    add(kTallyvolt16Png, sizeof kTallyvolt16Png);
    add(kTallyvolt32Png, sizeof kTallyvolt32Png);
    add(kTallyvolt48Png, sizeof kTallyvolt48Png);
    return icons;
}

} // namespace

MonitorWindow::MonitorWindow(tallyvolt::MonitorEvents& monitor, tallyvolt::TrayIcon& tray,
                             tallyvolt::SingleInstance& instance,
                             tallyvolt::TerminationSignals* signals)
    : wxDialog(nullptr, wxID_ANY, tallyvolt::text::kAppName, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      m_monitor(monitor), m_sampleTimer(this, TIMER_SAMPLE), m_sampleTicks([this] {
          // As wx's own timers do: the event through the handlers, then the idle processing.
          wxTimerEvent event(m_sampleTimer);
          SafelyProcessEvent(event);
          if (wxTheApp)
              wxTheApp->WakeUpIdle();
      }),
      m_settleTimer(this, kSettleTimerId), m_tray(tray), m_instance(instance), m_signals(signals)
{
    SetIcons(AppIcons());
    tallyvolt::MarkAsMainWindow(GetHandle());
    BuildControls();
    BuildWindowMenu();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_monitor.UpdatePressed(); }, IDC_UPDATE);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent& e) { m_monitor.Timer(e.GetId()); }, TIMER_SAMPLE);
    // Esc, the close box and the window manager's Close all end the run: the window is never
    // merely hidden. wx turns Esc into a Cancel or OK button press only, and there is neither.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE && !e.HasAnyModifiers())
            EndRun();
        else
            e.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndRun(); });

    // X11 reports a minimise after the window manager has done it; the monitor then hides the
    // window into the tray (or leaves it iconified where there is no tray).
    // A window the user brings back by hand from its iconified state stays out of any tray
    // that appears later.
    Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& e) {
        if (e.IsIconized() && IsShown())
            m_monitor.Minimize();
        else if (!e.IsIconized())
            m_monitor.WindowRestored();
    });
    // Every move or resize of the shown window ends in a settle: snap and remember.
    auto settleSoon = [this](wxEvent& e) {
        e.Skip();
        if (IsShown())
            m_settleTimer.StartOnce(kSettleMilliseconds);
    };
    Bind(wxEVT_MOVE, settleSoon);
    Bind(wxEVT_SIZE, settleSoon);
    Bind(wxEVT_SHOW, settleSoon);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { OnSettled(); }, kSettleTimerId);
    // Right click, the Menu key and Shift+F10 all arrive as a context-menu request. The menu is
    // built afresh each time: whether a tray is there to hide in changes as panels come and go.
    Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) {
        BuildWindowMenu();
        PopupMenu(m_windowMenu.get());
    });
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { m_monitor.ShowAbout(); }, ID_MENU_ABOUT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { m_monitor.ToggleAlwaysOnTop(); }, ID_MENU_TOPMOST);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { m_monitor.HideInTray(); }, ID_MENU_HIDE);
}

MonitorWindow::~MonitorWindow()
{
    delete m_surfaceSource;
    delete m_signalSource;
    delete m_supplySource;
}

void MonitorWindow::BuildControls()
{
    auto figure = [this](int id, const char* initial, const char* widest) {
        auto* text = new wxStaticText(this, id, initial, wxDefaultPosition, wxDefaultSize,
                                      wxST_NO_AUTORESIZE);
        // Wide enough for the longest figure, so a new figure never changes the layout.
        text->SetMinSize(wxSize(GetTextExtent(widest).x + FromDIP(4), -1));
        return text;
    };
    const int gap = FromDIP(6);

    auto* figures = new wxFlexGridSizer(2, gap / 2, gap);
    figures->Add(new wxStaticText(this, wxID_STATIC, "Battery:"), 0, wxALIGN_CENTER_VERTICAL);
    m_battery = figure(IDC_BATTERY, "100%", "Unknown");
    figures->Add(m_battery, 0, wxALIGN_CENTER_VERTICAL);
    figures->Add(new wxStaticText(this, wxID_STATIC, "CPU:"), 0, wxALIGN_CENTER_VERTICAL);
    m_cpu = figure(IDC_CPU, "0%", "Unknown");
    figures->Add(m_cpu, 0, wxALIGN_CENTER_VERTICAL);

    m_updateButton = new wxButton(this, IDC_UPDATE, "&Update");
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(figures, 1, wxALIGN_TOP);
    top->Add(m_updateButton, 0, wxALIGN_TOP | wxLEFT, gap * 2);

    auto* burn = new wxBoxSizer(wxHORIZONTAL);
    burn->Add(new wxStaticText(this, wxID_STATIC, "Burn Rate:"), 0, wxALIGN_CENTER_VERTICAL);
    m_burnRate = figure(IDC_BURNRATE, "Undefined", "-100.00%/minute");
    burn->Add(m_burnRate, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);

    auto* root = new wxBoxSizer(wxVERTICAL);
    root->Add(top, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap * 2);
    if (!m_monitor.PowerDraw()) {
        root->Add(burn, 0, wxEXPAND | wxALL, gap * 2);
        SetSizerAndFit(root);
        return;
    }
    // With the power draw, a fourth row under the burn rate, in the same style.
    root->Add(burn, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap * 2);
    auto* power = new wxBoxSizer(wxHORIZONTAL);
    power->Add(new wxStaticText(this, wxID_STATIC, "Power:"), 0, wxALIGN_CENTER_VERTICAL);
    m_power = figure(IDC_POWER, "Unknown", "-999.99W");
    power->Add(m_power, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    root->Add(power, 0, wxEXPAND | wxALL, gap * 2);
    SetSizerAndFit(root);
}

void MonitorWindow::BuildWindowMenu()
{
    m_windowMenu = std::make_unique<wxMenu>();
    m_windowMenu->AppendSeparator();
    bool commands = false;
    // A Wayland compositor takes no always-on-top request from a program.
    if (tallyvolt::WindowsHaveScreenPositions()) {
        m_windowMenu->AppendCheckItem(ID_MENU_TOPMOST, tallyvolt::text::kTopmost)
            ->Check(m_monitor.IsTopmost());
        commands = true;
    }
    // Tiling window managers (sway, i3) have no minimise: this is their way into the tray. Only
    // while a tray takes the icon, or the window would be hidden with nothing to bring it back.
    if (m_monitor.CanHideInTray()) {
        m_windowMenu->Append(ID_MENU_HIDE, tallyvolt::text::kHideInTray);
        commands = true;
    }
    if (commands)
        m_windowMenu->AppendSeparator();
    m_windowMenu->Append(ID_MENU_ABOUT, tallyvolt::text::kAboutMenu);
}

void MonitorWindow::Run()
{
    m_monitor.SetUpDialog(*this, m_tray);
    PlaceForFirstShow();
    m_updateButton->SetFocus();
    // Started into the tray, the window stays hidden until the icon is pressed.
    if (!m_monitor.IsInTray())
        Show();
    wxGUIEventLoop loop;
    // Second copies asking for the window, heard on the single-instance socket.
    if (m_instance.SurfaceRequestHandle() >= 0 && !m_surfaceSource) {
        m_surfaceHandler = std::make_unique<ReadableHandler>([this] {
            if (m_instance.TakeSurfaceRequests())
                Surface();
        });
        m_surfaceSource = loop.AddSourceForFD(m_instance.SurfaceRequestHandle(),
                                              m_surfaceHandler.get(), wxEVENT_SOURCE_INPUT);
    }
    // A logout, a shutdown or kill ends the run like the close box: footer and position
    // written, the claim released.
    if (m_signals && !m_signalSource) {
        m_signalHandler = std::make_unique<ReadableHandler>([this] {
            if (m_signals->Take())
                EndRun();
        });
        m_signalSource =
            loop.AddSourceForFD(m_signals->Handle(), m_signalHandler.get(), wxEVENT_SOURCE_INPUT);
    }
    // Power supplies coming, going or changing, as the kernel announces them: the samples
    // then read only the batteries, with no listing of the supplies each time.
    const int supplyHandle = m_supplySource ? -1 : m_monitor.WatchSupplyChanges();
    if (supplyHandle >= 0) {
        m_supplyHandler =
            std::make_unique<ReadableHandler>([this] { m_monitor.SuppliesChanged(); });
        m_supplySource =
            loop.AddSourceForFD(supplyHandle, m_supplyHandler.get(), wxEVENT_SOURCE_INPUT);
    }
    m_loop = &loop;
    loop.Run();
    m_loop = nullptr;
}

void MonitorWindow::PlaceForFirstShow()
{
    // On a native Wayland display the compositor places the window; a move is ignored.
    if (!tallyvolt::WindowsHaveScreenPositions())
        return;
    std::vector<tallyvolt::Rect> displays;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i)
        displays.push_back(ToRect(wxDisplay(i).GetGeometry()));
    const wxSize size = GetSize();
    const tallyvolt::Point place =
        m_monitor.FirstPlacement(size.x, size.y, ToRect(wxDisplay().GetClientArea()), displays);
    // Moved before the first show, the window opens exactly there: its outer corner, the same
    // point that is remembered, so runs do not drift.
    Move(place.x, place.y);
}

void MonitorWindow::OnSettled()
{
    // Where no position on the screen is known (native Wayland), none is snapped or
    // remembered: the one read from the settings stays as it was.
    if (!tallyvolt::WindowsHaveScreenPositions())
        return;
    const int index = wxDisplay::GetFromWindow(this);
    const wxDisplay display(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index));
    const bool visible = IsShown() && !IsIconized();
    if (std::optional<tallyvolt::Point> snap =
            m_monitor.OnWindowSettled(ToRect(GetRect()), ToRect(display.GetClientArea()), visible))
        Move(snap->x, snap->y);
}

void MonitorWindow::EndRun()
{
    if (m_ending)
        return;
    m_ending = true;
    // A move or the first show may still be waiting to settle: its place counts.
    m_settleTimer.Stop();
    OnSettled();
    m_monitor.TearDownDialog();
    Hide();
    if (m_loop)
        m_loop->Exit();
}

void MonitorWindow::Surface()
{
    m_monitor.SurfaceRequested();
}

void MonitorWindow::ShowNormal()
{
    // Un-iconify before showing: a show while iconified maps the window minimised.
    Iconize(false);
    Show();
    Raise();
}

void MonitorWindow::Withdraw()
{
    Hide();
}

void MonitorWindow::SetTopmost(bool topmost)
{
    const long style = GetWindowStyleFlag();
    SetWindowStyleFlag(topmost ? style | wxSTAY_ON_TOP : style & ~wxSTAY_ON_TOP);
    Show();
}

void MonitorWindow::CheckMenuItem(int commandId, bool checked)
{
    if (m_windowMenu->FindItem(commandId))
        m_windowMenu->Check(commandId, checked);
}

void MonitorWindow::ShowAbout()
{
    CAboutBox box(this);
    box.ShowModal();
}

void MonitorWindow::SetFigure(int controlId, const std::string& text)
{
    wxStaticText* control = controlId == IDC_BATTERY    ? m_battery
                            : controlId == IDC_CPU      ? m_cpu
                            : controlId == IDC_BURNRATE ? m_burnRate
                            : controlId == IDC_POWER    ? m_power
                                                        : nullptr;
    if (control)
        control->SetLabel(wxString::FromUTF8(text));
}

void MonitorWindow::StartTimer(int id, std::uint32_t milliseconds)
{
    if (id == TIMER_SAMPLE)
        m_sampleTicks.Start(milliseconds);
}

void MonitorWindow::StopTimer(int id)
{
    if (id == TIMER_SAMPLE)
        m_sampleTicks.Stop();
}

void MonitorWindow::Iconify()
{
    if (!IsIconized())
        Iconize(true);
}
