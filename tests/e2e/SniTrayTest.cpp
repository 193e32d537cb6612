// The real program on a desktop whose panel shows StatusNotifierItems: a watcher and host of
// the tests' own on a private session bus, beside the XEmbed tray host of the test session.
#include "e2e/Session.h"
#include "sni/SniHost.h"

#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

class SniTray : public E2eTest
{
protected:
    ~SniTray() override { TrayHost("start"); } // whatever a test did to it

    // Starts the program on the private bus with a fake battery; its window.
    std::string Start()
    {
        WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
        m_supply = Battery("thinkpad-energy-ac-offline"); // 81%
        std::map<std::string, std::string> env = Env();
        env["DBUS_SESSION_BUS_ADDRESS"] = m_bus.Address();
        env["NO_AT_BRIDGE"] = "1"; // no accessibility bus on the private bus
        m_program = std::make_unique<Program>(Work(), env, m_supply);
        std::vector<std::string> windows = m_program->WaitForWindows("Tallyvolt", 20s);
        // The host answers on the bus only while this process pumps: the program asks it
        // whether a host is there.
        PumpUntil([] { return false; }, 1s);
        return windows.empty() ? std::string() : windows[0];
    }
    // Starts the program minimised, the test pumping the bus meanwhile so that the host can
    // answer the program's start-up question.
    void StartMinimized()
    {
        WriteFile(Work() + "/tallyvolt.ini",
                  "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nStartMinimized=1\n");
        m_supply = Battery("thinkpad-energy-ac-offline");
        std::map<std::string, std::string> env = Env();
        env["DBUS_SESSION_BUS_ADDRESS"] = m_bus.Address();
        env["NO_AT_BRIDGE"] = "1";
        m_program = std::make_unique<Program>(Work(), env, m_supply);
    }
    // A string property as the host reads it.
    std::string Property(const char* name)
    {
        GVariant* all = m_host ? m_host->ItemProperties() : nullptr;
        if (!all)
            return "<no item>";
        GVariant* value = g_variant_lookup_value(all, name, G_VARIANT_TYPE_STRING);
        std::string text = value ? g_variant_get_string(value, nullptr) : "<missing>";
        if (value)
            g_variant_unref(value);
        g_variant_unref(all);
        return text;
    }
    // The tip as the host reads it.
    std::string Tip()
    {
        GVariant* all = m_host ? m_host->ItemProperties() : nullptr;
        if (!all)
            return "<no item>";
        GVariant* tip = g_variant_lookup_value(all, "ToolTip", G_VARIANT_TYPE("(sa(iiay)ss)"));
        std::string title = "<no tip>";
        if (tip) {
            const char* text = nullptr;
            g_variant_get_child(tip, 2, "&s", &text);
            title = text;
            g_variant_unref(tip);
        }
        g_variant_unref(all);
        return title;
    }
    PrivateBus m_bus;
    std::unique_ptr<SniHost> m_host;
    std::unique_ptr<Program> m_program;
    std::string m_supply;
};

} // namespace

TEST_F(SniTray, MinimiseRegistersTheItemAndActivateBringsTheWindowBack)
{
    m_host = std::make_unique<SniHost>(m_bus.Address());
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << m_program->Errors();

    Shell("xdotool windowminimize " + window);
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return !IsViewable(window); }, 5s));
    EXPECT_FALSE(InClientList(window));
    // The StatusNotifierItem took the icon: none in the XEmbed tray.
    EXPECT_EQ(TrayIconWindow(m_program->Pid()), "");
    EXPECT_EQ(Tip(), "Tallyvolt: 81%");
    // No theme icon by name: the panels would draw it in place of the drawn battery.
    EXPECT_EQ(Property("IconName"), "");

    // The tip follows the charge, announced by a signal.
    const int tips = m_host->SignalCount("NewToolTip");
    SetEnergyNow(m_supply + "/BAT0", 32000000); // 71%
    EXPECT_TRUE(PumpUntil([&] { return m_host->SignalCount("NewToolTip") > tips; }, 5s));
    EXPECT_EQ(Tip(), "Tallyvolt: 71%");

    // A left click (Activate) brings the window back and the item goes.
    ASSERT_TRUE(m_host->Call("Activate"));
    EXPECT_TRUE(PumpUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().empty(); }, 5s));
    EXPECT_TRUE(InClientList(window));
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}

// A minimised start asked for the icon before it had heard of the watcher, so the item never
// reached a StatusNotifierItem tray.
TEST_F(SniTray, AMinimisedStartRegistersTheItemAndShowsNoWindow)
{
    m_host = std::make_unique<SniHost>(m_bus.Address());
    StartMinimized();
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 2s)) << m_program->Errors();
    PumpUntil([] { return false; }, 1s);
    // No window anywhere: none shown, none in the task bar, no XEmbed icon either.
    EXPECT_TRUE(m_program->WaitForWindows("Tallyvolt", 100ms).empty());
    for (const std::string& window :
         m_program->WaitForWindows("Tallyvolt", 100ms, Program::Visibility::Any))
        EXPECT_FALSE(InClientList(window));
    EXPECT_EQ(TrayIconWindow(m_program->Pid()), "");

    ASSERT_TRUE(m_host->Call("Activate"));
    std::vector<std::string> windows = m_program->WaitForWindows("Tallyvolt", 5s);
    ASSERT_EQ(windows.size(), 1u) << m_program->Errors();
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().empty(); }, 5s));
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}

TEST_F(SniTray, APanelRestartBringsTheItemBack)
{
    m_host = std::make_unique<SniHost>(m_bus.Address());
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << m_program->Errors();
    Shell("xdotool windowminimize " + window);
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));

    m_host.reset();
    PumpUntil([] { return false; }, 1s);
    m_host = std::make_unique<SniHost>(m_bus.Address());
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
    EXPECT_FALSE(IsViewable(window));
    ASSERT_TRUE(m_host->Call("Activate"));
    EXPECT_TRUE(PumpUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}

TEST_F(SniTray, NoWatcherAndNoTrayHostMeansIconify)
{
    TrayHost("stop");
    const std::string window = Start(); // on a bus with no watcher
    ASSERT_FALSE(window.empty()) << m_program->Errors();
    Shell("xdotool windowminimize " + window);
    EXPECT_TRUE(
        WaitUntil([&] { return WindowState(window).find("HIDDEN") != std::string::npos; }, 5s))
        << WindowState(window);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(InClientList(window)); // iconified, so the desktop can bring it back
    Shell("wmctrl -i -a " + window);
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}
