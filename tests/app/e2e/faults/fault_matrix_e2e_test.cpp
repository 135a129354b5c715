// The fault matrix: every kind of fault that cardctl injects, injected before the utility starts, while it
// sits in the tray, while a shown page works (the Status page's ticks, Radio, About; the Statistics page
// and the engineering pages in the engineering sheet), and during Read All and an EEPROM load. Each row
// checks that the program survives, that its user-interface thread never keeps a request waiting longer
// than the 3 s query limit (plus a margin for the probe itself), except where a wait without limit is how
// the utility works, that the message box the failure calls for appears, and that the card works again
// once the fault is cleared and the card is ejected and inserted.
#include "../wlan_e2e_support.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>

namespace wlan_e2e
{
namespace
{

enum class Phase
{
    Start,      // the fault is in force when the utility starts
    Tray,       // hidden to the tray: the icon's refresh tick
    Status,     // the sheet shown on the Status page: link tick and address refresh
    Radio,      // the Radio page: switching the radio
    About,      // the sheet made again from the tray: the About page reads the driver version
    Statistics, // engineering sheet: the Statistics page's refresh tick
    ReadAll,    // engineering sheet: Read All of the baseband registers
    MacReadAll, // engineering sheet: Read All of the MAC registers
    EepromLoad, // engineering sheet: an EEPROM image loaded from a file
};

// How the row gets the card back.
enum class Recovery
{
    Replug,  // fault clear, eject and insert, in the same process
    Restart, // the process has ended (or is ended); fault clear and a new start
};

struct Row
{
    const char* name;
    Phase phase;
    const char* fault; // the words after "cardctl fault"
    // The message box the failure calls for (the first one after the sheet's own), "" for none.
    const char* message;
    // Why the user-interface thread may wait without limit here, nullptr when every wait is bounded.
    const char* unbounded;
    Recovery recovery = Recovery::Replug;
    // Part of the subset that runs under the sanitizers as well.
    bool sanitized = false;
};

constexpr const char* kAttach = "attaching waits for the adapter's answers without limit";
constexpr const char* kSet = "a set waits without limit";

// clang-format off
const Row kRows[] = {
    // Before WLAN starts.
    {"start_version", Phase::Start, "version 04000500", "Library API version is not compatibility!!", nullptr,
     Recovery::Restart, true},
    {"start_init", Phase::Start, "init", "W32N_EnumProtocolBindings Error!!", nullptr, Recovery::Restart},
    {"start_bind", Phase::Start, "bind", "", nullptr},
    {"start_ioctl_version", Phase::Start, "ioctl 80002000", "Driver can not fetch API!!", nullptr,
     Recovery::Restart},
    {"start_ioctl_submit", Phase::Start, "ioctl 80002040", "", nullptr},
    {"start_submit", Phase::Start, "submit any", "", nullptr},
    {"start_removed", Phase::Start, "removed", "", nullptr, Recovery::Replug, true},
    {"start_pending_forever", Phase::Start, "pending any forever", "", kAttach, Recovery::Restart},
    {"start_pending_link_forever", Phase::Start, "pending 00010114 forever", "", nullptr, Recovery::Replug,
     true},
    // In the tray.
    {"tray_pending_forever", Phase::Tray, "pending any forever", "", nullptr, Recovery::Replug, true},
    {"tray_pending_ms", Phase::Tray, "pending 00010114 4000", "", nullptr},
    {"tray_status_query", Phase::Tray, "status 00010114 C0000001 query", "", nullptr},
    {"tray_answer", Phase::Tray, "answer 00010114 01", "", nullptr},
    {"tray_removed", Phase::Tray, "removed", "", nullptr},
    {"tray_ioctl_submit", Phase::Tray, "ioctl 80002040", "", nullptr},
    // The Status page ticking.
    {"status_pending_forever", Phase::Status, "pending any forever", "", nullptr, Recovery::Replug, true},
    {"status_submit", Phase::Status, "submit FFA0C002", "", nullptr},
    {"status_overreport", Phase::Status, "overreport FFA0C002 200", "", nullptr, Recovery::Replug, true},
    {"status_answer_ssid", Phase::Status, "answer FFA0C002 FFFFFFFF4142", "", nullptr},
    {"status_status_query", Phase::Status, "status FFA0C006 C0010016 query", "", nullptr},
    // The Radio page switching the radio.
    {"radio_pending_set_forever", Phase::Radio, "pending FFA0C516 forever", "", kSet, Recovery::Replug, true},
    {"radio_status_set", Phase::Radio, "status FFA0C516 C0000001 set", "", nullptr},
    // The About page, made with the sheet.
    {"about_pending_forever", Phase::About, "pending any forever", "Failed to read driver version", nullptr,
     Recovery::Replug, true},
    {"about_status_query", Phase::About, "status 00010116 C0000001 query", "Failed to read driver version",
     nullptr},
    // The Statistics page and the engineering pages.
    {"statistics_pending_forever", Phase::Statistics, "pending FFA0C508 forever", "", nullptr},
    {"statistics_overreport", Phase::Statistics, "overreport FFA0C508 64", "", nullptr},
    {"readall_bbreg_read", Phase::ReadAll, "bbreg read 00000005", "Fail to read", nullptr,
     Recovery::Replug, true},
    {"readall_bbreg_write", Phase::ReadAll, "bbreg write 00000005", "", nullptr},
    {"readall_pending_query", Phase::ReadAll, "pending FFA0C802 3500", "Failed to read configuration", kSet},
    {"mac_readall_macreg_read", Phase::MacReadAll, "macreg read 00000000", "Fail to read", nullptr},
    {"eeprom_load_write", Phase::EepromLoad, "eeprom write 00000003", "Fail to read write", nullptr,
     Recovery::Replug, true},
    {"eeprom_load_read", Phase::EepromLoad, "eeprom read 00000003", "", nullptr},
    {"eeprom_load_status_set", Phase::EepromLoad, "status FFA0C803 C0000001 set", "Fail to get EEPRom size", nullptr},
};
// clang-format on

// The longest time the UI thread may keep a request waiting where every wait is bounded: the 3 s query
// limit and what the probe's own request costs on a loaded machine (more under the sanitizers). uictl
// gives up on a program after 5 s, so a thread stuck for longer shows as about 5 s.
#ifdef QN40_FAULT_MATRIX_SUBSET
constexpr long kLongestBoundedStallMs = 3000 + 1900;
#else
constexpr long kLongestBoundedStallMs = 3000 + 1500;
#endif

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

bool IsEngineering(Phase phase)
{
    return phase >= Phase::Statistics;
}

class FaultMatrix : public WlanE2E, public testing::WithParamInterface<Row>
{
protected:
    // Starts the program the row drives and waits until it works on the card.
    void StartWorking()
    {
        if (IsEngineering(GetParam().phase))
        {
            m_pWlan = std::make_unique<Wlan>("en_US.UTF-8", "engineering_sheet");
            ASSERT_TRUE(Eventually([&] { return m_pWlan->Title() == "Engineering"; }));
            return;
        }
        m_pWlan = std::make_unique<Wlan>();
        ASSERT_EQ(m_pWlan->AnswerBoxes(3), kSheetBoxes);
        ASSERT_TRUE(m_pWlan->WaitIcon(160));
    }
    // Brings the program to where the fault goes in.
    void EnterPhase()
    {
        Wlan& wlan = *m_pWlan;
        switch (GetParam().phase)
        {
        case Phase::About:
            // Without a version in the registry the About page asks the driver for it.
            ASSERT_TRUE(Tool("reg", "delete 'HKLM\\Comm\\WLAN11b1\\Parms' /v DriverVersion /f"));
            [[fallthrough]];
        case Phase::Tray:
            // A card change hides the sheet; the icon's refresh timer runs.
            ASSERT_TRUE(Tool("cardctl", "eject"));
            ASSERT_TRUE(wlan.WaitIcon(0));
            ASSERT_TRUE(Tool("cardctl", "insert"));
            ASSERT_TRUE(wlan.WaitIcon(160));
            break;
        case Phase::Radio:
            ASSERT_TRUE(wlan.OnWindow("select", std::to_string(kSheetTabs) + " 1"));
            break;
        case Phase::Statistics:
            ASSERT_TRUE(wlan.OnWindow("select", std::to_string(kSheetTabs) + " 3"));
            break;
        case Phase::MacReadAll:
            ASSERT_TRUE(wlan.OnWindow("select", std::to_string(kSheetTabs) + " 1"));
            break;
        case Phase::EepromLoad:
            ASSERT_TRUE(wlan.OnWindow("select", std::to_string(kSheetTabs) + " 2"));
            break;
        default:
            break;
        }
    }
    // Answers the boxes that open one after the other, waiting up to `nFirstWaitMs` for the first and, while
    // the row's message has not come, up to 4 s for each next one; returns their texts.
    std::vector<std::string> AnswerOpenBoxes(int nFirstWaitMs)
    {
        const std::string message = GetParam().message;
        std::vector<std::string> texts;
        int nWaitMs = nFirstWaitMs;
        while (texts.size() < 8 && Within([&] { return m_pWlan->Ui("msgbox"); }, nWaitMs))
        {
            std::vector<std::string> box = m_pWlan->AnswerBoxes(1);
            if (box.empty())
                break;
            texts.push_back(box.front());
            const bool bAwaited =
                !message.empty() && std::find(texts.begin(), texts.end(), message) == texts.end();
            nWaitMs = bAwaited ? 4000 : 300;
        }
        return texts;
    }
    // Makes the program ask the card what the phase asks; returns the texts of the boxes that opened.
    std::vector<std::string> Act()
    {
        Wlan& wlan = *m_pWlan;
        switch (GetParam().phase)
        {
        case Phase::Tray:
            for (int i = 0; i < 3; ++i)
            {
                wlan.OnWindow("timer", "254");
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            }
            break;
        case Phase::Status:
            for (int i = 0; i < 3; ++i)
            {
                wlan.OnWindow("timer", "254");
                wlan.OnWindow("timer", "255");
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            }
            break;
        case Phase::Radio:
            // "On" while the radio is on: the set changes nothing that recovery would have to undo.
            wlan.OnWindow("click", "1048");
            break;
        case Phase::About:
            wlan.Choose("32777");
            break;
        case Phase::Statistics:
            for (int i = 0; i < 3; ++i)
            {
                wlan.OnWindow("timer", "255");
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            }
            break;
        case Phase::ReadAll:
        case Phase::MacReadAll:
            wlan.OnWindow("click", "1022");
            break;
        case Phase::EepromLoad:
            LoadImage();
            break;
        default:
            break;
        }
        return AnswerOpenBoxes(GetParam().message[0] ? 8000 : 1000);
    }
    void LoadImage()
    {
        std::string image;
        for (int i = 0; i < 128; ++i)
        {
            char word[8];
            std::snprintf(word, sizeof word, "%04x", 0xE000 + i);
            image += word + std::string(i % 8 == 7 ? "\r\n" : ",");
        }
        const std::string path = (m_handheld.path() / "image.txt").string();
        std::ofstream(path) << image;
        m_pWlan->OnWindow("click", "1029");
        if (Eventually([&] { return m_pWlan->Ui("filedialog"); }))
            m_pWlan->Ui("filedialog " + Quote(path));
    }
    // The card is back: the icon shows the link and the Status page says so (or, in the engineering
    // sheet, Read All lists the registers).
    void ExpectRecovered()
    {
        Wlan& wlan = *m_pWlan;
        std::string text;
        if (IsEngineering(GetParam().phase))
        {
            ASSERT_TRUE(wlan.OnWindow("select", std::to_string(kSheetTabs) + " 0"));
            ASSERT_TRUE(wlan.OnWindow("click", "1022"));
            EXPECT_TRUE(
                Eventually([&] { return wlan.OnWindow("text", "1020", &text) && text.size() > 16 * 25; }))
                << text;
            EXPECT_FALSE(wlan.Ui("msgbox"));
            return;
        }
        EXPECT_TRUE(wlan.WaitIcon(160));
        // A new start shows its sheet by itself; after a card change Open makes it again.
        if (GetParam().recovery == Recovery::Replug)
        {
            wlan.Choose("32777");
            EXPECT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
        }
        EXPECT_TRUE(Eventually(
            [&]
            {
                wlan.OnWindow("timer", "254");
                return wlan.OnWindow("text", "1004", &text) && text.rfind("Connected", 0) == 0;
            }))
            << text;
    }
    void Recover()
    {
        const Row& row = GetParam();
        if (row.recovery == Recovery::Restart)
        {
            // Ended by itself, or stuck by design: then it is ended here.
            m_pWlan.reset();
            ASSERT_TRUE(Tool("cardctl", "fault clear"));
            StartWorking();
            return;
        }
        // The card out first: that also ends what the driver holds forever.
        ASSERT_TRUE(Tool("cardctl", "eject"));
        if (!IsEngineering(row.phase))
        {
            EXPECT_TRUE(m_pWlan->WaitIcon(0));
        }
        else
        {
            // The engineering sheet keeps its session across the card change: the card stays out long
            // enough for the driver (which looks every 100 ms) to end what it holds forever.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        ASSERT_TRUE(Tool("cardctl", "fault clear"));
        ASSERT_TRUE(Tool("cardctl", "insert"));
        // The boxes a failure left open while the card was out.
        AnswerOpenBoxes(300);
    }
    void Exit()
    {
        Wlan& wlan = *m_pWlan;
        if (IsEngineering(GetParam().phase))
            wlan.OnWindow("click", "1");
        else
            wlan.Choose("32776");
        int code = -1;
        EXPECT_TRUE(wlan.WaitExit(5000, &code));
        EXPECT_EQ(code, 0);
    }

    std::unique_ptr<Wlan> m_pWlan;
};

TEST_P(FaultMatrix, SurvivesAnswersInTimeAndRecovers)
{
    const Row& row = GetParam();
    std::vector<std::string> boxes;
    std::optional<StallProbe> probe;
    if (row.phase == Phase::Start)
    {
        ASSERT_TRUE(Tool("cardctl", "fault " + std::string(row.fault)));
        m_pWlan = std::make_unique<Wlan>();
        const bool bWindow = Eventually([&] { return !m_pWlan->Window().empty(); });
        // A start stuck by design may not have published its window yet.
        ASSERT_TRUE(bWindow || row.unbounded);
        if (bWindow)
            probe.emplace(m_pWlan->pid(), m_pWlan->Window());
        boxes = AnswerOpenBoxes(row.unbounded ? 1000 : 8000);
    }
    else
    {
        ASSERT_NO_FATAL_FAILURE(StartWorking());
        ASSERT_NO_FATAL_FAILURE(EnterPhase());
        probe.emplace(m_pWlan->pid(), m_pWlan->Window());
        ASSERT_TRUE(Tool("cardctl", "fault " + std::string(row.fault)));
        boxes = Act();
    }
    // Time for the ticks that the fault slows down to run into it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    if (row.unbounded)
    {
        // Stuck by design: what ends the wait is the recovery below (eject, or ending the process).
        EXPECT_EQ(waitpid(m_pWlan->pid(), nullptr, WNOHANG), 0) << "the process is alive";
    }
    if (row.recovery == Recovery::Replug)
    {
        ASSERT_NO_FATAL_FAILURE(Recover());
    }
    if (probe)
    {
        const long nLongestMs = probe->Stop();
        std::printf("longest wait of the UI thread: %ld ms\n", nLongestMs);
        if (!row.unbounded)
        {
            EXPECT_LT(nLongestMs, kLongestBoundedStallMs) << "the UI thread kept a request waiting";
        }
        if (row.recovery == Recovery::Replug)
        {
            EXPECT_GT(probe->Answered(), 0) << "the UI thread never answered";
        }
    }

    if (row.message[0])
    {
        EXPECT_NE(std::find(boxes.begin(), boxes.end(), row.message), boxes.end())
            << "boxes: " << testing::PrintToString(boxes);
    }
    else
    {
        for (const std::string& box : boxes)
            EXPECT_NE(std::find(kSheetBoxes.begin(), kSheetBoxes.end(), box), kSheetBoxes.end())
                << "an unexpected box: " << box;
    }

    if (row.recovery == Recovery::Restart)
    {
        ASSERT_NO_FATAL_FAILURE(Recover());
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRecovered());
    Exit();
}

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    for (const Row& row : kRows)
#ifdef QN40_FAULT_MATRIX_SUBSET
        if (row.sanitized)
#endif
            rows.push_back(row);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info)
                         { return std::string(info.param.name); });

} // namespace
} // namespace wlan_e2e
