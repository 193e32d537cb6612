
TEST(WindowMessages, BeforeTheWindowExistsEveryCommandGoesToTheDefaultHandling)
{
    FakeServices fakes;
    Monitor monitor(fakes.Get());
    for (int command : {ID_MENU_ABOUT, ID_MENU_TOPMOST, ID_MENU_HIDE, SC_MINIMIZE})
        EXPECT_FALSE(DeliverSysCommand(monitor, command)) << command;
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONDOWN), 0);

    // Hide in Tray and Minimize are the same command once there is a window.
    FakeWindow window;
    FakeTray tray;
    monitor.SetUpDialog(window, tray);
    EXPECT_TRUE(DeliverSysCommand(monitor, ID_MENU_HIDE | 0x7));
    EXPECT_TRUE(monitor.IsInTray());
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONUP), 0);
    EXPECT_TRUE(monitor.IsInTray());
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONDOWN), 1);
    EXPECT_FALSE(monitor.IsInTray());
}
