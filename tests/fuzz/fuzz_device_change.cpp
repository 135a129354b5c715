// Device-change broadcasts as the main dialog receives them: WM_DEVICECHANGE with an event and a
// DEV_BROADCAST_HDR-headed record of arbitrary size and contents, sent to the real dialog in-process
// (offscreen, on the simulated card of a temporary handheld).
//
// Input: one byte choosing the event (arrival, removal or another device event), then the record as it is
// supplied. The record's first four bytes are its declared size; a declared size beyond the supplied bytes
// is the sender's error, which the window services refuse before delivery, so it is cut to them. Inputs
// shorter than the size field are delivered as a message without its record.
//
// Checks: the handler reads nothing past the declared size (the bytes between it and the end of the
// supplied ones are poisoned under AddressSanitizer, and the end of the supplied ones is the end of the
// allocation); an arrival starts the card's adapter exactly when the record, within its size, is a port
// record naming the card's port, and nothing else changes the adapter while the card stays listed.
#include "fuzz_support.h"

#include <PPC_ui.h>
#include <PPC_uiDlg.h>
#include <resource.h>

#include <dbt.h>
#include <gwes/gwes.h>
#include <kernel/msgbox.h>

#include <run_tool.h>
#include <temp_handheld.h>

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

UINT WM_TBARDLGMESSAGE = 0;

namespace
{

const std::u16string kCardPort = u"NDL1:";

CPPC_uiApp s_app;

struct World
{
    testing_support::TempHandheld handheld;
    ce::RecordingPresenter boxes;
    std::unique_ptr<CPPC_uiDlg> dlg;
    // The drivers stay loaded while the dialog lets its adapter go and takes it again: libFuzzer keeps
    // the coverage counters of every module it has seen.
    HMODULE drivers[2] = {};

    World()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        drivers[0] = LoadLibraryW(u"NDIS.dll");
        drivers[1] = LoadLibraryW(u"PCANDIS4.dll");
        FUZZ_CHECK(drivers[0] && drivers[1], "the drivers cannot be loaded");
        FUZZ_CHECK(gwes::EnsureApplication(), "no application");
        AfxSetResourceHandle(AfxGetInstanceHandle());
        WM_TBARDLGMESSAGE = RegisterWindowMessageW(u"TBarDlgMessage");
        // A card that is connected at once, with a steady signal.
        FUZZ_CHECK(testing_support::RunTool("cardctl", "set scantime 0") == 0, "cardctl");
        FUZZ_CHECK(testing_support::RunTool("cardctl", "set rssi -50") == 0, "cardctl");
        dlg = std::make_unique<CPPC_uiDlg>();
        FUZZ_CHECK(dlg->Create(IDD_PPC_UI_DIALOG), "no dialog");
        gwes::ProcessPending();
        FUZZ_CHECK(dlg->GetConfig() != nullptr, "the card did not start");
    }
    // Taken down at exit, when the window thread's own state is already gone: the dialog, its windows
    // and the drivers are left to the end of the process.
    ~World() { (void)dlg.release(); }
};

// What a sound reading takes as the port's name: the whole UTF-16 units after the header within the
// declared size, up to the first zero.
std::u16string NameWithin(const std::vector<uint8_t>& record, size_t declared)
{
    std::u16string name;
    for (size_t i = offsetof(DEV_BROADCAST_PORT, dbcp_name); i + 2 <= declared; i += 2)
    {
        const char16_t ch = static_cast<char16_t>(record[i] | (record[i + 1] << 8));
        if (ch == 0)
            break;
        name.push_back(ch);
    }
    return name;
}

UINT Event(uint8_t selector)
{
    switch (selector % 4)
    {
    case 1:
        return DBT_DEVICEREMOVECOMPLETE;
    case 2:
        return DBT_DEVICEARRIVAL + (selector >> 2) % 8; // every device event, some unknown
    default:
        return DBT_DEVICEARRIVAL;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& world = fuzz::Lasting<World>();
    CPPC_uiDlg& dlg = *world.dlg;
    fuzz::Input in(data, size);
    const UINT event = Event(in.U8());
    std::vector<uint8_t> record = in.Rest();

    // Each input meets a dialog without the adapter, with the card still listed: an arrival of the card's
    // port starts it again.
    dlg.CardRemove();
    gwes::ProcessPending();
    world.boxes.clear();

    if (record.size() < sizeof(DWORD))
    {
        dlg.SendMessage(WM_DEVICECHANGE, event, 0);
        gwes::ProcessPending();
        FUZZ_CHECK(dlg.GetConfig() == nullptr, "a message without its record started the adapter");
        return 0;
    }
    size_t declared = static_cast<size_t>(record[0]) | (static_cast<size_t>(record[1]) << 8) |
                      (static_cast<size_t>(record[2]) << 16) | (static_cast<size_t>(record[3]) << 24);
    if (declared > record.size())
    {
        declared = record.size();
        for (int i = 0; i < 4; ++i)
            record[i] = static_cast<uint8_t>(declared >> (8 * i));
    }
    const bool port = declared > offsetof(DEV_BROADCAST_PORT, dbcp_name) && record[4] == DBT_DEVTYP_PORT &&
                      record[5] == 0 && record[6] == 0 && record[7] == 0;
    const bool ours = event == DBT_DEVICEARRIVAL && port && NameWithin(record, declared) == kCardPort;

    // An allocation of exactly the supplied bytes, the part past the declared size poisoned (the size
    // field itself is always read: it is what tells the size).
    auto supplied = std::make_unique<uint8_t[]>(record.size());
    fuzz::Copy(supplied.get(), record.data(), record.size());
    const size_t readable = std::max(declared, sizeof(DWORD));
    ASAN_POISON_MEMORY_REGION(supplied.get() + readable, record.size() - readable);
    dlg.SendMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(supplied.get()));
    ASAN_UNPOISON_MEMORY_REGION(supplied.get(), record.size());
    gwes::ProcessPending();

    FUZZ_CHECK((dlg.GetConfig() != nullptr) == ours,
               std::string(ours ? "the card's arrival did not start the adapter"
                                : "a record that is not the card's arrival started the adapter") +
                   " (event " + std::to_string(event) + ", declared " + std::to_string(declared) + " of " +
                   std::to_string(record.size()) + ")");
    return 0;
}
