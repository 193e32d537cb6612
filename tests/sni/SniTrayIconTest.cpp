// The StatusNotifierItem against a watcher and host of the tests' own on a private bus: when it
// registers, what a host reads from it, the signals that keep the host up to date, Activate,
// and a watcher that goes away and comes back.
#include "platform/linux/SniTrayIcon.h"
#include "platform/EitherTrayIcon.h"
#include "resources/Resource.h"
#include "sni/SniHost.h"
#include "tray/TrayGlyph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace tallyvolt::test {
namespace {

TrayLook Look(std::uint8_t charge, bool onLine = false)
{
    return {"Tallyvolt: " + std::to_string(charge) + "%", charge, onLine};
}

class SniItem : public ::testing::Test
{
protected:
    SniItem() : m_connection(m_bus.Connect()) {}
    ~SniItem() override
    {
        m_icon.reset();
        m_host.reset();
        g_object_unref(m_connection);
    }

    // The item on its own connection, as the program's would be; clicks are counted, and a
    // click takes the item out of the tray as the dialog does.
    SniTrayIcon& Icon(unsigned watcherGoneMs = 10000)
    {
        m_icon = std::make_unique<SniTrayIcon>(
            [this] {
                ++m_clicks;
                m_icon->Delete();
            },
            m_connection, watcherGoneMs);
        return *m_icon;
    }
    void StartHost(bool withHost = true)
    {
        m_host = std::make_unique<SniHost>(m_bus.Address(), withHost);
    }
    // The item as the host reads it: the properties by name.
    GVariant* Read(const char* name)
    {
        GVariant* all = m_host->ItemProperties();
        if (!all)
            return nullptr;
        GVariant* value = g_variant_lookup_value(all, name, nullptr);
        g_variant_unref(all);
        return value;
    }
    std::string ReadString(const char* name)
    {
        GVariant* value = Read(name);
        std::string text = value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                               ? g_variant_get_string(value, nullptr)
                               : "<missing>";
        if (value)
            g_variant_unref(value);
        return text;
    }
    // The item's pixmaps as the host reads them: side and pixels, each 0xRRGGBBAA.
    std::vector<std::pair<int, std::vector<std::uint32_t>>> Pixmaps()
    {
        std::vector<std::pair<int, std::vector<std::uint32_t>>> pixmaps;
        GVariant* all = Read("IconPixmap");
        if (!all)
            return pixmaps;
        for (gsize i = 0; i < g_variant_n_children(all); ++i) {
            int width = 0, height = 0;
            GVariant* bytes = nullptr;
            g_variant_get_child(all, i, "(ii@ay)", &width, &height, &bytes);
            gsize size = 0;
            const auto* data =
                static_cast<const unsigned char*>(g_variant_get_fixed_array(bytes, &size, 1));
            std::vector<std::uint32_t> pixels;
            // ARGB32 in network byte order, as the protocol carries it.
            for (gsize p = 0; p + 3 < size; p += 4)
                pixels.push_back(std::uint32_t{data[p + 1]} << 24 |
                                 std::uint32_t{data[p + 2]} << 16 |
                                 std::uint32_t{data[p + 3]} << 8 | std::uint32_t{data[p]});
            EXPECT_EQ(width, height);
            EXPECT_EQ(pixels.size(),
                      static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            pixmaps.emplace_back(width, std::move(pixels));
            g_variant_unref(bytes);
        }
        g_variant_unref(all);
        return pixmaps;
    }
    // Whether the item's picture at its own size is the tray glyph of `look`.
    bool ShowsGlyphOf(const TrayLook& look)
    {
        const auto pixmaps = Pixmaps();
        return !pixmaps.empty() && pixmaps[0].first == Glyph::kSize &&
               pixmaps[0].second == DrawBatteryGlyph(look.chargePercent, look.onLine).pixels;
    }
    std::string ToolTipTitle()
    {
        GVariant* tip = Read("ToolTip");
        if (!tip)
            return "<missing>";
        const char* icon = nullptr;
        const char* title = nullptr;
        const char* body = nullptr;
        g_variant_get(tip, "(&s@a(iiay)&s&s)", &icon, nullptr, &title, &body);
        std::string text = title;
        g_variant_unref(tip);
        return text;
    }

    PrivateBus m_bus;
    GDBusConnection* m_connection;
    std::unique_ptr<SniHost> m_host;
    std::unique_ptr<SniTrayIcon> m_icon;
    int m_clicks = 0;
};

TEST_F(SniItem, RefusedWithoutAWatcherThatHasAHost)
{
    SniTrayIcon& icon = Icon();
    int appeared = 0;
    icon.OnHostAppeared([&] { ++appeared; });
    PumpUntil([] { return false; }, 300ms);
    EXPECT_FALSE(icon.HostAvailable());
    EXPECT_FALSE(icon.Add(Look(87)));

    // A watcher alone shows nothing: no panel has asked for items.
    StartHost(false);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_FALSE(icon.Add(Look(87)));
    m_host.reset();

    EXPECT_EQ(appeared, 0);

    // A panel that starts now is news: a window waiting for a tray goes into it.
    StartHost(true);
    EXPECT_TRUE(PumpUntil([&] { return icon.HostAvailable(); }, 5s));
    EXPECT_EQ(appeared, 1);
    EXPECT_TRUE(icon.Add(Look(87)));
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
}

TEST_F(SniItem, RegistersWithWhatAHostReads)
{
    StartHost();
    SniTrayIcon& icon = Icon();
    ASSERT_TRUE(PumpUntil([&] { return icon.HostAvailable(); }, 5s));
    ASSERT_TRUE(icon.Add(Look(87, true)));
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
    // One name per item and process, as the protocol asks.
    const std::string prefix = "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-";
    EXPECT_EQ(icon.ServiceName().rfind(prefix, 0), 0u) << icon.ServiceName();
    EXPECT_EQ(m_host->Items()[0], icon.ServiceName() + "/StatusNotifierItem");

    EXPECT_EQ(ReadString("Id"), "tallyvolt");
    EXPECT_EQ(ReadString("Title"), "Tallyvolt");
    EXPECT_EQ(ReadString("Category"), "Hardware");
    EXPECT_EQ(ReadString("Status"), "Active");
    EXPECT_EQ(ToolTipTitle(), "Tallyvolt: 87%");

    // No theme icon by name: the panels draw a named one in preference to the pixmap, so the
    // program's own battery never showed.
    EXPECT_EQ(ReadString("IconName"), "");
    // The picture is the tray glyph, at its own size and doubled pixel for pixel.
    const auto pixmaps = Pixmaps();
    ASSERT_EQ(pixmaps.size(), 2u);
    const Glyph glyph = DrawBatteryGlyph(87, true);
    EXPECT_EQ(pixmaps[0].first, Glyph::kSize);
    EXPECT_EQ(pixmaps[0].second, glyph.pixels);
    ASSERT_EQ(pixmaps[1].first, 2 * Glyph::kSize);
    int differing = 0;
    for (int y = 0; y < 2 * Glyph::kSize; ++y)
        for (int x = 0; x < 2 * Glyph::kSize; ++x)
            differing += pixmaps[1].second[static_cast<std::size_t>(y * 2 * Glyph::kSize + x)] !=
                         glyph.At(x / 2, y / 2);
    EXPECT_EQ(differing, 0);
}

TEST_F(SniItem, SignalsOnlyWhatChanged)
{
    StartHost();
    SniTrayIcon& icon = Icon();
    ASSERT_TRUE(PumpUntil([&] { return icon.HostAvailable(); }, 5s));
    ASSERT_TRUE(icon.Add(Look(87)));
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));

    icon.Modify(Look(87)); // the same look: the host is left alone
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(m_host->SignalCount("NewToolTip"), 0);
    EXPECT_EQ(m_host->SignalCount("NewIcon"), 0);

    icon.Modify(Look(86));
    ASSERT_TRUE(PumpUntil([&] { return m_host->SignalCount("NewToolTip") == 1; }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return m_host->SignalCount("NewIcon") == 1; }, 5s));
    EXPECT_EQ(ToolTipTitle(), "Tallyvolt: 86%");
    EXPECT_TRUE(ShowsGlyphOf(Look(86)));

    // Line power changes the picture, not the tip.
    icon.Modify(Look(86, true));
    EXPECT_TRUE(PumpUntil([&] { return m_host->SignalCount("NewIcon") == 2; }, 5s));
    EXPECT_TRUE(ShowsGlyphOf(Look(86, true)));
    icon.Modify({"Tallyvolt: Unknown", 255, true});
    EXPECT_TRUE(PumpUntil([&] { return m_host->SignalCount("NewToolTip") == 2; }, 5s));
    EXPECT_EQ(ToolTipTitle(), "Tallyvolt: Unknown");
    EXPECT_TRUE(ShowsGlyphOf({"", 255, true}));
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(m_host->SignalCount("NewIcon"), 3);
    EXPECT_EQ(m_host->SignalCount("NewToolTip"), 2);
}

TEST_F(SniItem, ActivateIsTheLeftClickAndTheItemGoes)
{
    StartHost();
    SniTrayIcon& icon = Icon();
    ASSERT_TRUE(PumpUntil([&] { return icon.HostAvailable(); }, 5s));
    ASSERT_TRUE(icon.Add(Look(87)));
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));

    // The menu and the middle click do nothing, as the right click on the XEmbed icon.
    EXPECT_TRUE(m_host->Call("ContextMenu"));
    EXPECT_TRUE(m_host->Call("SecondaryActivate"));
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(m_clicks, 0);

    EXPECT_TRUE(m_host->Call("Activate"));
    ASSERT_TRUE(PumpUntil([&] { return m_clicks != 0; }, 5s));
    EXPECT_EQ(m_clicks, 1);
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().empty(); }, 5s));

    // In the tray again later: a new registration.
    ASSERT_TRUE(icon.Add(Look(80)));
    EXPECT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
    EXPECT_EQ(ToolTipTitle(), "Tallyvolt: 80%");
}

TEST_F(SniItem, APanelRestartBringsTheItemBack)
{
    StartHost();
    SniTrayIcon& icon = Icon(1500);
    ASSERT_TRUE(PumpUntil([&] { return icon.HostAvailable(); }, 5s));
    ASSERT_TRUE(icon.Add(Look(87)));
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));

    m_host.reset();
    EXPECT_TRUE(PumpUntil([&] { return !icon.HostAvailable(); }, 5s));
    icon.Modify(Look(85)); // while away
    StartHost();
    ASSERT_TRUE(PumpUntil([&] { return m_host->Items().size() == 1; }, 5s));
    EXPECT_EQ(ToolTipTitle(), "Tallyvolt: 85%");
    PumpUntil([] { return false; }, 2s); // past the wait for a missing watcher
    EXPECT_EQ(m_clicks, 0);

    // A watcher that does not come back: the window is brought back, not left hidden.
    m_host.reset();
    EXPECT_FALSE(PumpUntil([&] { return m_clicks != 0; }, 1s));
    EXPECT_TRUE(PumpUntil([&] { return m_clicks != 0; }, 3s));
    EXPECT_EQ(m_clicks, 1);
}

// A minimised start asks for the icon before the main loop has run once, so the watcher's
// answer must already be in: it used to arrive only later, and the item never registered.
TEST_F(SniItem, AWatcherWithAHostIsKnownBeforeTheMainLoopRuns)
{
    // The panel answers from a thread of its own, as another process would.
    std::atomic<bool> ready{false};
    std::atomic<bool> done{false};
    std::thread panel([&] {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        {
            SniHost host(m_bus.Address());
            ready = true;
            PumpUntil([&] { return done.load(); }, 20s);
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    });
    while (!ready)
        std::this_thread::sleep_for(1ms);
    SniTrayIcon& icon = Icon();
    EXPECT_TRUE(icon.HostAvailable());
    EXPECT_TRUE(icon.Add(Look(87)));
    done = true;
    panel.join();
}

TEST(EitherTray, ThePreferredTrayFirstAndTheOtherWhenItRefuses)
{
    struct Recording : TrayIcon
    {
        bool takes = true;
        std::vector<std::string> calls;
        bool Add(const TrayLook& look) override
        {
            calls.push_back("add " + look.tip);
            return takes;
        }
        void Modify(const TrayLook& look) override { calls.push_back("modify " + look.tip); }
        void Delete() override { calls.push_back("delete"); }
        bool HostPresent() const override { return true; }
        void HostComes() { HostAppeared(); }
    };
    Recording sni, xembed;
    EitherTrayIcon tray(sni, xembed);
    // Either tray's new host is the one icon's news.
    int appeared = 0;
    tray.OnHostAppeared([&] { ++appeared; });
    sni.HostComes();
    xembed.HostComes();
    EXPECT_EQ(appeared, 2);
    EXPECT_TRUE(tray.Add({"a", 1, false}));
    tray.Modify({"b", 1, false});
    tray.Delete();
    tray.Modify({"c", 1, false}); // out of the tray: nothing
    EXPECT_EQ(sni.calls, (std::vector<std::string>{"add a", "modify b", "delete"}));
    EXPECT_TRUE(xembed.calls.empty());

    sni.takes = false;
    EXPECT_TRUE(tray.Add({"d", 1, false}));
    tray.Modify({"e", 1, false});
    tray.Delete();
    EXPECT_EQ(xembed.calls, (std::vector<std::string>{"add d", "modify e", "delete"}));

    xembed.takes = false;
    EXPECT_FALSE(tray.Add({"f", 1, false}));
    tray.Delete();
    EXPECT_EQ(xembed.calls.back(), "add f");
}

} // namespace
} // namespace tallyvolt::test
