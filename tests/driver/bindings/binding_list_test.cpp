#include "driver_test_support.h"

#include "AdapterBindingList.h"

#include <cstdlib>

namespace
{

const int g_offscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 1), 0);

class BindingListTest : public DriverChannelTest
{
protected:
    void SetUp() override
    {
        (void)g_offscreen;
        DriverChannelTest::SetUp();
        m_hCombo = CreateWindowExW(0, u"COMBOBOX", u"", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 100, nullptr,
                                   nullptr, nullptr, nullptr);
        ASSERT_NE(m_hCombo, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_hCombo);
        DriverChannelTest::TearDown();
    }

    std::vector<std::u16string> Items() const
    {
        std::vector<std::u16string> items;
        int nCount = static_cast<int>(SendMessageW(m_hCombo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < nCount; ++i)
        {
            std::u16string text(static_cast<size_t>(SendMessageW(m_hCombo, CB_GETLBTEXTLEN, i, 0)), u'\0');
            SendMessageW(m_hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            items.push_back(text);
        }
        return items;
    }

    HWND m_hCombo = nullptr;
};

} // namespace

TEST_F(BindingListTest, ListsTheWirelessBindingsOfTheCardAndSelectsTheFirst)
{
    Cardctl("adapter add AWLAN11b1 wireless"); // a second wireless binding of the same instance name
    Cardctl("adapter add BWLAN11b1 wired");    // ends the same but is no wireless adapter
    Cardctl("adapter add b1 wireless");        // too short to end in the instance name
    AdapterBindingList list;
    ASSERT_TRUE(list.CheckVersions());
    EXPECT_EQ(list.GetDriverApiVersion(), 0x0400040Eu);
    EXPECT_EQ(list.GetLibraryApiVersion(), 0x0400040Eu);
    EXPECT_EQ(list.FillComboBox(m_hCombo), 0);

    // Both wireless bindings, in the driver's order.
    std::vector<std::u16string> items = Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(SendMessageW(m_hCombo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    EXPECT_TRUE(m_boxes.boxes().empty());

    // Every binding was attached, asked and detached.
    EXPECT_EQ(Ioctls(IOCTL_W32N_BIND_ADAPTER).size(), 5u);
    EXPECT_EQ(Ioctls(IOCTL_W32N_UNBIND_ADAPTER).size(), 5u);

    // A second fill after the card left lists nothing stale.
    Cardctl("eject");
    Cardctl("adapter remove AWLAN11b1");
    list.FillComboBox(m_hCombo);
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetSelectedIndex(), -1);
    list.Release();
}

TEST_F(BindingListTest, ABindingsListTooLongForTheBufferIsAnErrorNotACutName)
{
    for (int i = 0; i < 5; ++i)
        Cardctl("adapter add LONGADAPTERNAME" + std::to_string(i) + " wired");
    AdapterBindingList list;
    ASSERT_TRUE(list.CheckVersions());
    list.FillComboBox(m_hCombo);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"W32N_EnumProtocolBindings Error!!"});
    EXPECT_TRUE(Items().empty());
    list.Release();
}

TEST_F(BindingListTest, VersionAndChannelProblemsAreTold)
{
    struct Row
    {
        const char* fault;
        const char16_t* message;
    };
    const Row rows[] = {
        {"fault version 04000500", u"Library API version is not compatibility!!"},
        {"fault ioctl 80002000", u"Driver can not fetch API!!"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.fault);
        Cardctl(row.fault);
        m_boxes.clear();
        AdapterBindingList list;
        EXPECT_FALSE(list.CheckVersions());
        EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{row.message});
        EXPECT_EQ(m_boxes.boxes()[0].type, static_cast<UINT>(MB_OK));
        list.Release();
        Cardctl("fault clear");
    }
}

TEST_F(BindingListTest, ADriverThatCannotBeLoadedIsNoControlChannel)
{
    ASSERT_EQ(setenv("QN40_LIBRARY_DIR", m_handheld.path().c_str(), 1), 0);
    AdapterBindingList list;
    EXPECT_FALSE(list.CheckVersions());
    unsetenv("QN40_LIBRARY_DIR");
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Can not open control channel!!"});
}

TEST_F(BindingListTest, CheckingAgainClosesTheEarlierChannel)
{
    {
        AdapterBindingList list;
        ASSERT_TRUE(list.CheckVersions());
        ASSERT_TRUE(list.CheckVersions());
        list.Release();
    }
    // Nothing of the list is left open, so its release shut the driver down and unloaded it.
    EXPECT_EQ(Ioctls(IOCTL_W32N_DEINIT_DRIVER).size(), 1u);
    EXPECT_EQ(CreateFileW(u"PCA4:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}
